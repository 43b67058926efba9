// The loaders of the conformance run. The reader's is the place where the
// XML reader is plugged in: until it is built, IsReaderBuilt says so and the
// run is skipped.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "QdXml.h"
#include "Runner.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Utf8.h"

namespace XmlConf {

bool IsReaderBuilt() { return true; }

// The strict checks (xoStrict) are not built yet: the strict run is printed
// but its target is not checked.
bool IsStrictBuilt() { return true; }

TLoadResult LoadWithReader(const std::wstring& path, TMode mode) {
  // TXmlFile::Load of the file with the mode's options, in tree mode;
  // accepted when it returns True, rejected with the class and message of a
  // documented exception. Any other exception escapes, so that the child
  // ends and the document counts as crashed.
  Qd::TXmlFile xml;
  if (mode == xmStrict) xml.AddOption(Qd::xoStrict);
  try {
    if (xml.Load(path)) return {loAccepted, "", ""};
    return {loRejected, "", "invalid data"};
  } catch (const Qd::EInvalidFileException& e) {
    return {loRejected, "EInvalidFileException", Rtl::Utf8Encode(e.Message())};
  } catch (const Rtl::Exception& e) {
    return {loRejected, "Exception", Rtl::Utf8Encode(e.Message())};
  }
}

namespace {

TLoadResult Probe(const std::wstring& path, TMode /*mode*/) {
  const std::wstring name = std::filesystem::path(path).filename().wstring();
  if (name.find(L"hang") != std::wstring::npos)
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  if (name.find(L"crash") != std::wstring::npos) std::abort();
  if (name.find(L"reject") != std::wstring::npos) return {loRejected, "EProbe", "rejected by name"};
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) return {loRejected, "EProbe", "cannot read the file"};
  return {loAccepted, "", ""};
}

}  // namespace

TLoader FindLoader(const std::string& name) {
  if (name == "reader") return LoadWithReader;
  if (name == "probe") return Probe;
  if (name == "writer") return LoadWithWriter;
  throw std::invalid_argument("no loader " + name);
}

}  // namespace XmlConf
