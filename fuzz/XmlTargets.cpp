// The fuzz targets of the XML reader's external sources: the names that a
// document gives for its DTD and entities decide which local file may be
// read, so every name must come out as a path on a drive or as nothing.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdXml/ExternalFetch.h"
#include "runtime/Text/Ascii.h"

namespace Fuzz {

namespace {

bool IsDevicePart(std::wstring_view part) {
  std::wstring_view base = part.substr(0, part.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  for (const std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    if (Rtl::AsciiSameText(base, device)) return true;
  return base.size() == 4 && (Rtl::AsciiSameText(base.substr(0, 3), L"COM") || Rtl::AsciiSameText(base.substr(0, 3), L"LPT")) &&
         Rtl::IsAsciiDigit(base[3]);
}

void ExternalNames(TInput input) {
  using namespace Qd::XmlExternal;
  for (const std::wstring& name : {AsUtf16(input), AsLatin1(input)}) {
    const auto path = LocalFilePath(name);
    if (IsHttpAddress(name) && path) Fail("an http address taken as a local path");
    if (name.size() >= 2 && (name[0] == L'\\' || name[0] == L'/') && (name[1] == L'\\' || name[1] == L'/') && path)
      Fail("a network or device path taken as local");
    if (!path) continue;
    const std::wstring& p = *path;
    if (p.size() < 3 || !Rtl::IsAsciiLetter(p[0]) || p[1] != L':' || p[2] != L'\\') Fail("a local path not on a drive");
    if (p.find(L':', 2) != std::wstring::npos) Fail("a stream or device in a local path");
    if (p.find(L'\0') != std::wstring::npos) Fail("a NUL in a local path");
    for (std::size_t start = 3; start < p.size();) {
      std::size_t end = p.find(L'\\', start);
      if (end == std::wstring::npos) end = p.size();
      if (IsDevicePart(std::wstring_view(p).substr(start, end - start))) Fail("a device name in a local path");
      start = end + 1;
    }
  }
}

std::vector<TBytes> NameSeeds() {
  std::vector<TBytes> seeds;
  for (const char* name : {"C:\\dir\\a.dtd", "sub/a.dtd", "file:///C:/dir/a%20b.dtd", "file://localhost/C|/x.dtd",
                           "file://server/share/x.dtd", "\\\\server\\share\\x.dtd", "http://127.0.0.1/x.dtd",
                           "C:\\dir\\con.dtd", "file:///C:/dir/%C3%A9.dtd", "x.dtd:stream"}) {
    seeds.push_back(Bytes(name));
    seeds.push_back(Utf16Bytes(std::wstring(name, name + std::char_traits<char>::length(name))));
  }
  return seeds;
}

std::vector<std::string> NameTokens() {
  return {"file:", "file://", "file:///", "//", "\\\\", "\\\\?\\", "\\\\.\\", "%", "%2F", "%5C", "%3A", "%00",
          "C:", "c|", "CON", "NUL", "COM1", "LPT9", "AUX.", "localhost", ":", "..", "\\", "/", "http://", "https:",
          "?", "#"};
}

TBytes GenerateName(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  const std::vector<std::string> tokens = NameTokens();
  std::string name;
  for (std::size_t i = 0, n = 1 + random() % 8; i < n; ++i) {
    if (random() % 3 == 0) name += static_cast<char>('a' + random() % 26);
    else name += tokens[random() % tokens.size()];
  }
  return Bytes(name);
}

}  // namespace

// Weight 2: the cases are cheap.
TTarget XmlExternalNamesTarget() {
  return {"xml-external-names", ExternalNames, NameSeeds, NameTokens, 2, GenerateName};
}

}  // namespace Fuzz
