// The fuzz target of the XML entity table: declarations parsed, a text
// decoded and encoded again. Decoding what was encoded must give the text
// back (for texts that XML can carry: without U+0000), and the limits must
// hold: no case may hold more than a bounded amount of memory or time.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdXml.h"
#include "runtime/Core/Exceptions.h"

namespace Fuzz {

namespace {

using namespace Qd;

// ASCII as itself, any other unit as \uXXXX.
std::string Shown(const std::wstring& text) {
  std::string result;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      result += static_cast<char>(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      result += buffer;
    }
  }
  return result;
}

// The input: one byte of options, then the declarations and the content as
// UTF-16, separated by the first U+0001.
void XmlEntities(TInput input) {
  if (input.empty()) return;
  const std::uint8_t options = input[0];
  const std::wstring text = AsUtf16(input.subspan(1));
  const std::size_t split = text.find(L'\x01');
  const std::wstring declarations = split == std::wstring::npos ? std::wstring() : text.substr(0, split);
  const std::wstring content = split == std::wstring::npos ? text : text.substr(split + 1);
  TXmlEntityFormats formats;
  if (options & 1) formats.Include(xfPredefined);
  if (options & 2) formats.Include(xfLocal);
  if (options & 4) formats.Include(xfExternal);
  TXmlFileEntities entities;
  entities.SetStoreEntities((options & 8) != 0);
  entities.SetMaxEntityExpansion(100000);
  if (!declarations.empty()) entities.SetData(declarations);
  TXmlPartEntities part;
  const std::wstring decoded = entities.DecodeString(content, formats, (options & 16) ? &part : nullptr);
  const std::int64_t bound = std::max<std::int64_t>(100000, entities.GetReadChars() * 10);
  if (entities.GetExpandedChars() > bound) Fail("expansion passed the limit");
  const std::wstring encoded = entities.EncodeString(decoded, formats, (options & 16) ? &part : nullptr);
  if (decoded.find(L'\0') != std::wstring::npos) return;
  // Without the predefined entities, references that the encoder writes
  // are not read back as characters.
  if (!formats.Contains(xfPredefined)) return;
  TXmlPartEntities again;
  const std::wstring back = entities.DecodeString(encoded, formats, &again);
  if (back != decoded)
    Fail("decoding the encoded text changed it: " + Shown(decoded) + " -> " + Shown(encoded) + " -> " + Shown(back));
}

std::vector<TBytes> XmlEntitySeeds() {
  const auto seed = [](std::uint8_t options, std::wstring_view text) {
    TBytes bytes{options};
    const TBytes body = Utf16Bytes(text);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
  };
  return {
      seed(0x17, L"a &lt; b &amp; &#x41; &#65; &#xe9; &#x1F600; \"quoted\" 'single'"),
      seed(0x13, L"<!ENTITY co \"Korvanta &amp; Co\"><!ENTITY copy '&#169;'>\x01[&co;] &copy; \u00A9 &unknown; & &x"),
      seed(0x1B, L"<!ENTITY % p '<!ENTITY e \"x\">'> %p; <!-- c --> <!ELEMENT a ANY>\x01&e;&e;x"),
      seed(0x07, L"<!ENTITY a \"&b;\"><!ENTITY b \"1\">\x01&a;&b;"),
      seed(0x01, L"<!ENTITY ext SYSTEM \"http://example.invalid/x\">\x01&ext; &#0; &#xD800;"),
      seed(0x10, L"\x02\x03 control &#x0a;"),
  };
}

std::vector<std::string> XmlEntityTokens() {
  return {"&", ";", "&#", "&#x", "&lt;", "&amp;", "&quot;", "&apos;", "&gt;", "<!ENTITY ", "% ", "%",
          "SYSTEM ", "PUBLIC ", "\"", "'", ">", "<!--", "-->", "<!", "\x01"};
}

// Declarations of entities that refer to earlier, later and their own
// names, parameter entities, then content referring to them.
TBytes GenerateXmlEntities(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<std::uint64_t>(n)); };
  const int count = 1 + pick(8);
  const auto name = [&](int i) { return (pick(4) == 0 ? L"p" : L"e") + std::to_wstring(i); };
  std::wstring text;
  for (int i = 0; i < count; ++i) {
    const bool parameter = pick(4) == 0;
    text += parameter ? L"<!ENTITY % " : L"<!ENTITY ";
    text += (parameter ? L"p" : L"e") + std::to_wstring(i) + L" ";
    if (pick(6) == 0) {
      text += L"SYSTEM \"file" + std::to_wstring(i) + L".ent\">";
      continue;
    }
    const wchar_t quote = pick(2) ? L'"' : L'\'';
    text += quote;
    for (int r = pick(12); r > 0; --r) {
      switch (pick(5)) {
        case 0: text += L"&" + name(pick(count)) + L";"; break;
        case 1: text += L"%" + name(pick(count)) + L";"; break;
        case 2: text += L"&#" + std::to_wstring(1 + pick(0x2FFFF)) + L";"; break;
        case 3: text += L"<!ENTITY e" + std::to_wstring(count + pick(3)) + L" 'v'>"; break;
        default: text += L"txt"; break;
      }
    }
    text += quote;
    text += L">";
    if (pick(3) == 0) text += L" %" + name(pick(count)) + L"; ";
  }
  text += L'\x01';
  for (int r = pick(40); r > 0; --r) {
    switch (pick(4)) {
      case 0: text += L"&" + name(pick(count + 2)) + L";"; break;
      case 1: text += L"&lt;&#x3c;&#60;"; break;
      case 2: text += L"<>\"'&"; break;
      default: text += L"plain "; break;
    }
  }
  TBytes bytes{static_cast<std::uint8_t>(random())};
  const TBytes body = Utf16Bytes(text);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

}  // namespace

TTarget XmlEntityTarget() {
  return {"xml-entities", XmlEntities, XmlEntitySeeds, XmlEntityTokens, 2, GenerateXmlEntities};
}

}  // namespace Fuzz
