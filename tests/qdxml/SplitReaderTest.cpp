// A large document read by two threads: the later part on the spare
// thread, joined where it starts. Every document here is read both ways and
// must come out the same in everything the model and the document record
// (nodes, their texts, whitespace, forms and line numbers, the entities'
// records and counters, the language codes seen), or fail with the same
// message; the cases where the part must be dropped are among them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "QdXml.h"
#include "XmlDescription.h"
#include "XmlSample.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"

using namespace Qd;

namespace {

// The reader's threshold for a second thread, restored at the end.
class TSplitBytes {
public:
  explicit TSplitBytes(std::size_t bytes) : FSaved(GetXmlSplitReadBytes()) { SetXmlSplitReadBytes(bytes); }
  ~TSplitBytes() { SetXmlSplitReadBytes(FSaved); }
  TSplitBytes(const TSplitBytes&) = delete;
  TSplitBytes& operator=(const TSplitBytes&) = delete;

private:
  std::size_t FSaved;
};

struct TOutcome {
  std::wstring Description;
  std::wstring Error;
  bool Loaded = false;
};

TOutcome LoadOnce(const std::string& document, TXmlOptions options, int maxDepth, std::int64_t maxExpansion) {
  TOutcome outcome;
  TXmlFile xml;
  xml.SetOptions(options);
  if (maxDepth > 0) xml.SetMaxDepth(maxDepth);
  if (maxExpansion > 0) xml.GetEntities().SetMaxEntityExpansion(maxExpansion);
  try {
    outcome.Loaded = xml.Load(Rtl::TBytes(document.begin(), document.end()));
  } catch (const Rtl::Exception& e) {
    outcome.Error = e.Message();
  }
  outcome.Description = XmlDescription::Describe(xml);
  return outcome;
}

// Loads the document with one thread and with two; true when the second
// thread's part joined the tree.
bool ExpectSameBothWays(const std::string& document, const std::string& label, TXmlOptions options = {xoRemoveWhiteSpace},
                        int maxDepth = 0, std::int64_t maxExpansion = 0) {
  TOutcome one;
  {
    const TSplitBytes never(SIZE_MAX);
    one = LoadOnce(document, options, maxDepth, maxExpansion);
  }
  const std::size_t joined = GetXmlSplitReadsJoined();
  TOutcome two;
  {
    const TSplitBytes always(0);
    two = LoadOnce(document, options, maxDepth, maxExpansion);
  }
  EXPECT_EQ(one.Loaded, two.Loaded) << label;
  EXPECT_EQ(one.Error, two.Error) << label;
  EXPECT_TRUE(one.Description == two.Description) << label;
  return GetXmlSplitReadsJoined() > joined;
}

// A root with `count` children "<item>", the text `middle` before the
// child `at` (halfway when negative), in `open` .. `close`. The part read
// by the second thread starts at the first "<item" at or after the middle
// byte (the documents are larger than the text reader's first block).
std::string Items(int count, const std::string& middle, const std::string& open = "<r>",
                  const std::string& close = "</r>", int at = -1) {
  std::string out = open + "\n";
  for (int i = 0; i < count; ++i) {
    if (i == (at < 0 ? count / 2 : at)) out += middle;
    out += "  <item n=\"" + std::to_string(i) + "\">value " + std::to_string(i) + "</item>\n";
  }
  return out + close;
}

}  // namespace

TEST(XmlSplitReader, TwoThreadsReadTheSameTreeAsOne) {
  const std::string sample = XmlSample::Make(600000, 5);
  EXPECT_TRUE(ExpectSameBothWays(sample, "sample"));
  EXPECT_TRUE(ExpectSameBothWays(sample, "sample, keep format", TXmlOptions{xoKeepFormat}));
  EXPECT_TRUE(ExpectSameBothWays(sample, "sample, whitespace kept", TXmlOptions{}));
  // A byte-order mark, and characters of two to four bytes before the part.
  EXPECT_TRUE(ExpectSameBothWays(Items(4000, "  <item>caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x93\x81</item>\n",
                                       "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<r>"),
                                 "byte-order mark"));
  // CR LF, CR alone and LF CR: the lines of the part's nodes.
  std::string breaks = Items(4000, "  <item>a\r\nb\rc\n\rd</item>\r\n");
  EXPECT_TRUE(ExpectSameBothWays(breaks, "line breaks"));
  // Text held back in the element the part joins, before and after it, and
  // text alone at the part's end.
  EXPECT_TRUE(ExpectSameBothWays(Items(4000, "loose text ", "<r>", "tail text</r>"), "mixed content"));
  EXPECT_TRUE(ExpectSameBothWays(Items(4000, "loose text ", "<r>", "tail text</r>"), "mixed content, keep format",
                                 TXmlOptions{xoKeepFormat}));
  // Entities: a declared one used on both sides, an unknown one, the forms
  // of predefined characters, language codes.
  const std::string entities =
      Items(4000, "  <item xml:lang=\"de_DE\">&e; &#x3C; &#60; &apos; &unknown;</item>\n",
            "<!DOCTYPE r [<!ENTITY e \"declared\">]>\n<r xml:lang=\"en-US\">&e; &amp;", "&e;</r>");
  EXPECT_TRUE(ExpectSameBothWays(entities, "entities"));
  // After the part: the lines and columns of what follows (here a fault),
  // and the kind of line break when the part holds the last ones.
  ExpectSameBothWays(Items(4000, "", "<r><item/><g>", "</g>\n  <x> </y>\n</r>"), "fault after the part");
  std::string crlf = Items(4000, "");
  for (std::size_t at = crlf.size() / 2; (at = crlf.find('\n', at)) != std::string::npos; at += 2) crlf.insert(at, "\r");
  crlf.erase(std::remove(crlf.end() - 12, crlf.end(), '\n'), crlf.end());
  EXPECT_TRUE(ExpectSameBothWays(crlf, "line breaks of the part"));
  // The part starts deep inside an element: it ends at that element's end.
  EXPECT_TRUE(ExpectSameBothWays(Items(4000, "", "<r><item/><group>", "</group></r>"), "nested"));
}

TEST(XmlSplitReader, APartThatCannotJoinIsDroppedAndTheDocumentReadOn) {
  // The start of the part inside a comment, a CDATA section or an attribute
  // value: the reader passes it without stopping there.
  const std::string pad(400, ' ');
  ExpectSameBothWays(Items(4000, "<!-- " + pad + "\n  <item n=\"x\"> -->\n"), "comment");
  ExpectSameBothWays(Items(4000, "<![CDATA[" + pad + "\n  <item n=\"x\"> ]]>\n"), "CDATA");
  ExpectSameBothWays(Items(4000, "<item a=\"" + pad + " <item n='x'>\">\n"), "attribute value");
  // A line break in replacement text before the part: its nodes' lines move.
  EXPECT_TRUE(ExpectSameBothWays(Items(4000, "", "<!DOCTYPE r [<!ENTITY nl \"a&#10;b\">]>\n<r>&nl;&nl;"),
                                 "line break in an entity"));
  // Space kept by the element the part joins: its text would be stripped.
  ExpectSameBothWays(Items(4000, "", "<r xml:space=\"preserve\">"), "preserved space");
  // Not UTF-8 throughout (before the part, in it): no part joins.
  EXPECT_FALSE(ExpectSameBothWays(Items(4000, "  <item>\xE9</item>\n"), "invalid UTF-8"));
  EXPECT_FALSE(ExpectSameBothWays(Items(4000, "  <item>\xE9</item>\n", "<r>", "</r>", 3000), "invalid UTF-8 in the part"));
  EXPECT_FALSE(
      ExpectSameBothWays(Items(4000, "  <item>\xE9</item>\n", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<r>"),
                         "windows-1252"));
  // Faults in the part, and limits that the two parts pass only together:
  // the same message at the same place as one thread.
  ExpectSameBothWays(Items(4000, "  <item></wrong>\n", "<r>", "</r>", 3000), "mismatched end tag");
  ExpectSameBothWays(Items(4000, "  <item>", "<r>", "</r>", 3000), "unexpected end");
  ExpectSameBothWays(Items(4000, "  <a><b><c><d><e><f></f></e></d></c></b></a>\n", "<r><s><t>", "</t></s></r>", 3000),
                     "depth", TXmlOptions{xoRemoveWhiteSpace}, 8);
  std::string many;
  for (int i = 0; i < 30; ++i) many += "&e;";
  ExpectSameBothWays(Items(4000, "  <item>" + many + "</item>\n",
                           "<!DOCTYPE r [<!ENTITY e \"0123456789012345678901234567890123456789\">]>\n<r>" + many,
                           "</r>", 3000),
                     "expansion limit", TXmlOptions{xoRemoveWhiteSpace}, 0, 1500);
}

TEST(XmlSplitReader, AStreamThatStartsLaterIsReadFromWhereItStands) {
  const std::string document = Items(4000, "  <item>\xC3\xA9</item>\n");
  const std::string prefix = "garbage before the document";
  const std::string all = prefix + document;
  std::wstring one, two;
  for (const std::size_t bytes : {SIZE_MAX, std::size_t{0}}) {
    const TSplitBytes split(bytes);
    Rtl::TMemoryStream stream;
    stream.WriteBuffer(all.data(), static_cast<int>(all.size()));
    stream.SetPosition(static_cast<std::int64_t>(prefix.size()));
    TXmlFile xml;
    ASSERT_TRUE(xml.Load(stream));
    (bytes == 0 ? two : one) = XmlDescription::Describe(xml);
  }
  EXPECT_TRUE(one == two);
}
