// The 32-bit build scans, copies and converts in SSE2 blocks only where the
// processor has SSE2, and unit by unit elsewhere. Both ways must give the
// same: each document here is read and written with the blocks and without
// them (the 64-bit build always has them: there the two runs are alike).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QdXml.h"
#include "XmlDescription.h"
#include "XmlSample.h"
#include "runtime/Core/Cpu.h"
#include "runtime/Core/Exceptions.h"

using namespace Qd;

namespace {

// The paths of the processor switched for the scope.
class TSse2 {
public:
  explicit TSse2(bool use) { Rtl::Cpu::SetSse2ForTesting(use); }
  ~TSse2() { Rtl::Cpu::SetSse2ForTesting(true); }
  TSse2(const TSse2&) = delete;
  TSse2& operator=(const TSse2&) = delete;
};

// The reader's threshold for a second thread, low for the scope, so that
// the documents here are read in two parts (the count before the part
// scans in blocks too).
class TSplitLow {
public:
  TSplitLow() : FSaved(GetXmlSplitReadBytes()) { SetXmlSplitReadBytes(4096); }
  ~TSplitLow() { SetXmlSplitReadBytes(FSaved); }
  TSplitLow(const TSplitLow&) = delete;
  TSplitLow& operator=(const TSplitLow&) = delete;

private:
  std::size_t FSaved;
};

// What a load records, the error it raised, and the bytes written back in
// both layouts.
std::vector<std::wstring> ReadAndWrite(const std::string& document, TXmlOptions options) {
  std::vector<std::wstring> result;
  TXmlFile xml;
  xml.SetOptions(options);
  try {
    xml.Load(Rtl::TBytes(document.begin(), document.end()));
  } catch (const Rtl::Exception& e) {
    result.push_back(L"error: " + e.Message());
  }
  result.push_back(XmlDescription::Describe(xml));
  for (const bool keep : {false, true}) {
    xml.SetOptions(keep ? TXmlOptions{xoKeepFormat} : TXmlOptions{});
    try {
      const Rtl::TBytes bytes = xml.WriteToBytes();
      result.emplace_back(bytes.begin(), bytes.end());
    } catch (const Rtl::Exception& e) {
      result.push_back(L"write error: " + e.Message());
    }
  }
  return result;
}

}  // namespace

TEST(ProcessorPaths, ReadAndWrittenTheSameWithAndWithoutSse2) {
  const TSplitLow split;
  // The second thread counts the units before its part in blocks too: a
  // wrong count would only drop the part, so the joins are counted.
  std::size_t joinedWith = 0, joinedWithout = 0;
  std::vector<std::string> documents = {XmlSample::Make(300000, 11)};
  // Line breaks of every kind, text beyond ASCII at every offset of a block,
  // references, control characters written back as references, a NUL.
  std::string mixed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!DOCTYPE r [<!ENTITY e \"v&#38;w\">]>\r\n<r>";
  for (int i = 0; i < 400; ++i) {
    mixed += "<a k=\"" + std::string(static_cast<std::size_t>(i % 19), 'x') + "\xC3\xA9&amp;\" l='\xE2\x82\xAC" +
             std::string(static_cast<std::size_t>(i % 23), 'y') + "'>";
    mixed += std::string(static_cast<std::size_t>(i % 37), 'z') + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n\r" : "\r");
    mixed += "&e;&#x1;\xF0\x9F\x93\x81 text &lt;&gt; ]]&gt; " + std::string(static_cast<std::size_t>(i % 29), 'w');
    mixed += "<![CDATA[" + std::string(static_cast<std::size_t>(i % 17), 'c') + "]]></a>\n";
  }
  mixed += "</r>\n";
  documents.push_back(mixed);
  documents.push_back(mixed.substr(0, mixed.size() / 2) + std::string(1, '\0') + mixed.substr(mixed.size() / 2));
  for (std::size_t d = 0; d < documents.size(); ++d) {
    for (const TXmlOptions options : {TXmlOptions{xoRemoveWhiteSpace}, TXmlOptions{xoKeepFormat}}) {
      std::vector<std::wstring> with, without;
      {
        const TSse2 sse2(true);
        const std::size_t before = GetXmlSplitReadsJoined();
        with = ReadAndWrite(documents[d], options);
        joinedWith += GetXmlSplitReadsJoined() - before;
      }
      {
        const TSse2 sse2(false);
        const std::size_t before = GetXmlSplitReadsJoined();
        without = ReadAndWrite(documents[d], options);
        joinedWithout += GetXmlSplitReadsJoined() - before;
      }
      ASSERT_EQ(with.size(), without.size()) << d;
      for (std::size_t k = 0; k < with.size(); ++k) EXPECT_TRUE(with[k] == without[k]) << "document " << d << ", part " << k;
    }
  }
  EXPECT_GT(joinedWith, 0u);
  EXPECT_EQ(joinedWith, joinedWithout);
}
