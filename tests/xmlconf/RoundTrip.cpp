// The writer's round trip over the suite: each well-formed document that the
// reader accepts is written back with xoKeepFormat and compared byte for
// byte, written in the default layout and read back with xoStrict, and
// written again from what was read from each output (which must give the
// same output in both layouts). A difference of the keep-format round trip
// is classed by what the model cannot hold: (a) one character written in
// two forms within one value or text, (b) references to entities declared
// in the document type, (c) whitespace other than one space after
// "<!DOCTYPE"; anything else is a fault.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "QdXml.h"
#include "Runner.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Utf8.h"

namespace XmlConf {

namespace {

Rtl::TBytes WriteRead(const Rtl::TBytes& data, Qd::TXmlOptions options) {
  Qd::TXmlFile xml;
  xml.SetOptions(options);
  xml.Load(data);
  return xml.WriteToBytes();
}

// The class of a keep-format difference (see above).
std::string Reason(const std::string& input, const Rtl::TBytes& output) {
  std::size_t i = 0;
  while (i < input.size() && i < output.size() && static_cast<std::uint8_t>(input[i]) == output[i]) ++i;
  const std::size_t doctype = input.find("<!DOCTYPE");
  if (doctype != std::string::npos && i >= doctype && i <= doctype + 10 && doctype + 10 < input.size()) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    if (input[doctype + 9] != ' ' || space(input[doctype + 10])) return "(c)";
  }
  if (doctype != std::string::npos && input.find("<!ENTITY", doctype) != std::string::npos &&
      i > doctype)
    return "(b)";
  // A reference next to the difference on either side: a second form.
  const std::size_t from = i > 12 ? i - 12 : 0;
  const std::string in = input.substr(from, 24);
  const std::string out(output.begin() + static_cast<std::ptrdiff_t>(std::min(from, output.size())),
                        output.begin() + static_cast<std::ptrdiff_t>(std::min(from + 24, output.size())));
  if (in.find("&#") != std::string::npos || out.find("&#") != std::string::npos ||
      in.find('&') != std::string::npos || out.find('&') != std::string::npos)
    return "(a)";
  return "other";
}

}  // namespace

TLoadResult LoadWithWriter(const std::wstring& path, TMode /*mode*/) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Rtl::TBytes input(text.begin(), text.end());
  try {
    Qd::TXmlFile xml;
    xml.SetOptions(Qd::TXmlOptions{Qd::xoKeepFormat});
    if (!xml.Load(input)) return {loRejected, "", "invalid data"};
  } catch (const Rtl::Exception& e) {
    return {loRejected, "not read", Rtl::Utf8Encode(e.Message())};
  }
  std::string failures;
  try {
    const Rtl::TBytes kept = WriteRead(input, Qd::TXmlOptions{Qd::xoKeepFormat});
    if (kept != input) failures += "keep-format " + Reason(text, kept) + ";";
    if (WriteRead(kept, Qd::TXmlOptions{Qd::xoKeepFormat}) != kept) failures += "keep-format not stable;";
    const Rtl::TBytes layout = WriteRead(input, Qd::DEFAULT_XML_OPTIONS_C);
    if (WriteRead(layout, Qd::DEFAULT_XML_OPTIONS_C) != layout) failures += "default layout not stable;";
    try {
      Qd::TXmlFile strict;
      strict.SetOptions(Qd::TXmlOptions{Qd::xoStrict, Qd::xoRemoveWhiteSpace});
      strict.Load(layout);
    } catch (const Rtl::Exception& e) {
      failures += "default layout not strict: " + Rtl::Utf8Encode(e.Message()) + ";";
    }
  } catch (const Rtl::Exception& e) {
    failures += "write raised: " + Rtl::Utf8Encode(e.Message()) + ";";
  }
  if (failures.empty()) return {loAccepted, "", ""};
  return {loRejected, "RoundTrip", failures};
}

}  // namespace XmlConf

using namespace XmlConf;

namespace {

std::vector<TConformanceTest> SelectedTestsForWriter() {
  std::wstring dir = QD_XMLCONF_DIR;
  if (const wchar_t* env = _wgetenv(L"QD_XMLCONF_DIR"); env && *env) dir = env;
  std::vector<TConformanceTest> selected;
  for (TConformanceTest& test : ReadCatalogue(dir + L"\\xmlconf.xml"))
    if (IsXml10Standalone(test) && test.Type != "error") selected.push_back(std::move(test));
  return selected;
}

}  // namespace

// Over the well-formed documents the reader accepts: the share that comes
// back byte for byte, the differences by reason; "other" differences, a
// write that raises or an unstable output are faults and are listed.
TEST(XmlConfRoundTrip, WrittenDocumentsComeBack) {
  std::vector<TConformanceTest> tests;
  for (const TConformanceTest& test : SelectedTestsForWriter())
    if (test.Type != "not-wf") tests.push_back(test);
  const auto results = RunInChildren(tests, xmDefault, "writer");
  int read = 0, exact = 0, crashed = 0;
  std::map<std::string, int> reasons;
  std::vector<std::string> faults;
  std::vector<std::string> explained;
  for (std::size_t i = 0; i < tests.size(); ++i) {
    const TLoadResult& r = results[i];
    if (r.Outcome == loCrashed || r.Outcome == loTimedOut) {
      ++crashed;
      faults.push_back(tests[i].Id + " (crashed or timed out)");
      continue;
    }
    if (r.Outcome == loRejected && r.ExceptionClass != "RoundTrip") continue;
    ++read;
    if (r.Outcome == loAccepted) {
      ++exact;
      continue;
    }
    bool fault = false;
    bool classed = false;
    for (const char* reason : {"(a)", "(b)", "(c)"})
      if (r.Message.find(std::string("keep-format ") + reason) != std::string::npos) {
        classed = true;
        ++reasons[reason];
        explained.push_back(tests[i].Id + " " + reason);
      }
    if (r.Message.find("keep-format other") != std::string::npos || r.Message.find("stable") != std::string::npos ||
        r.Message.find("raised") != std::string::npos || r.Message.find("strict") != std::string::npos)
      fault = true;
    if (!fault && !classed) fault = true;  // a failure of no known kind
    if (fault) faults.push_back(tests[i].Id + " (" + r.Message + ")");
  }
  std::printf("xmlconf round trip: %d/%d read documents byte-identical (%.1f%%); (a) %d, (b) %d, (c) %d\n", exact,
              read, read ? 100.0 * exact / read : 100.0, reasons["(a)"], reasons["(b)"], reasons["(c)"]);
  std::printf("  differences the model cannot hold:");
  for (const std::string& e : explained) std::printf(" %s", e.c_str());
  std::printf("\n  faults:\n");
  for (const std::string& f : faults) std::printf("    %s\n", f.c_str());
  std::fflush(stdout);
  EXPECT_EQ(crashed, 0);
}
