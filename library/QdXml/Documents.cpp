// TXmlFile's class-level recognisers, the texts of external DTDs and
// entities, and the element operations that parse markup through the
// reader.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "QdClasses/File.h"
#include "QdTextFile/TextFile.h"
#include "QdXml/ExternalFetch.h"
#include "QdXml/File.h"
#include "QdXml/Strings.h"
#include "QdXml/Characters.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && IsXmlSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsXmlSpace(s.back())) s.remove_suffix(1);
  return s;
}

// The text of the bytes of an external file: an XML file is decoded as its
// declaration says; other text as the text reader detects it.
std::wstring BytesToText(const Rtl::TBytes& data) {
  if (data.empty()) return {};
  // Only a file that starts with a declaration is read as XML: text
  // declarations alone (a DTD) would otherwise be taken as markup.
  if (TXmlFile::IsXmlBytes(data, true)) {
    Rtl::TMemoryStream stream;
    stream.WriteBuffer(data.data(), static_cast<int>(data.size()));
    stream.SetPosition(0);
    TXmlFile xml;
    xml.SetLoadOnlyDeclaration(true);
    xml.SetDoNotRaiseOnInvalidData(true);
    xml.Load(stream);
    return xml.GetLine() + xml.GetTextFile().ReadAll();
  }
  return TTextFile::ReadAll(data);
}

std::wstring ReadText(const std::wstring& fileName, std::size_t maxSize, std::uint32_t timeout) {
  if (fileName.empty()) return {};
  if (XmlExternal::IsHttpAddress(fileName)) {
    auto body = XmlExternal::FetchHttp(fileName, maxSize, timeout);
    return body ? BytesToText(*body) : std::wstring();
  }
  XmlExternal::TLocalFile file = XmlExternal::ReadLocalFile(fileName, maxSize);
  if (file.Result == XmlExternal::lrMissing) {
    const std::wstring ext = Rtl::AsciiLowerCase(Rtl::ExtractFileExt(fileName));
    if (ext == L".dtd") throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlIncludeNotFound), {fileName}));
    return {};
  }
  return file.Result == XmlExternal::lrRead ? BytesToText(file.Data) : std::wstring();
}

}  // namespace

// --- External text -------------------------------------------------------------

std::wstring TXmlFileEntities::FileNameToString(const std::wstring& fileName) {
  return ReadText(fileName, static_cast<std::size_t>(XML_MAX_EXTERNAL_SIZE_C), XML_EXTERNAL_TIMEOUT_C);
}

std::wstring TXmlFileEntities::ReadExternal(const std::wstring& fileName) const {
  if (!IsExternalAllowed(fileName)) return {};
  return ReadText(fileName, static_cast<std::size_t>(std::max<std::int64_t>(0, FMaxExternalSize)),
                  static_cast<std::uint32_t>(std::max(0, FExternalTimeout)));
}

void TXmlFileEntities::SetFileName(const std::wstring& name) {
  if (IsHttpFileName(name)) {
    const std::size_t slash = name.rfind(L'/');
    FRoot = name.substr(0, slash == std::wstring::npos ? name.size() : slash);
  } else {
    FRoot = Rtl::ExtractFilePath(name);
  }
  SetData(ReadExternal(name));
}

// --- Recognisers ------------------------------------------------------------------

bool TXmlFile::IsXmlString(std::wstring_view str, bool strictCheck) {
  const std::wstring_view s = Trim(str);
  if (strictCheck) return s.starts_with(L"<?xml");
  return s.starts_with(L"<") && !Rtl::AsciiSameText(s.substr(1, 4), L"html");
}

bool TXmlFile::IsXmlFile(const std::wstring& fileName, bool strictCheck) {
  if (!Rtl::FileExists(fileName)) return false;
  try {
    TTextFile text(fileName);
    while (!text.Eof()) {
      const std::wstring line = text.ReadLine();
      if (!Trim(line).empty()) return IsXmlString(line, strictCheck);
    }
  } catch (const std::exception&) {
  }
  return false;
}

bool TXmlFile::IsXmlStream(Rtl::TStream& stream, bool strictCheck) {
  const std::int64_t position = stream.Position();
  bool result = false;
  try {
    if (stream.Size() > position) {
      TTextFile text;
      text.Open(stream);
      result = IsXmlString(text.ReadLine(), strictCheck);
    }
  } catch (const std::exception&) {
    result = false;
  }
  stream.SetPosition(position);
  return result;
}

bool TXmlFile::IsXmlBytes(const Rtl::TBytes& data, bool strictCheck) {
  if (data.empty()) return false;
  Rtl::TMemoryStream stream;
  stream.WriteBuffer(data.data(), static_cast<int>(data.size()));
  stream.SetPosition(0);
  return IsXmlStream(stream, strictCheck);
}

bool TXmlFile::IsXmlDataString(std::wstring_view str) {
  return str.find(L'<') != std::wstring_view::npos && str.find(L'>') != std::wstring_view::npos &&
         (str.find(L"/>") != std::wstring_view::npos || str.find(L"</") != std::wstring_view::npos);
}

bool TXmlFile::IsWellFormed(const std::wstring& str) {
  try {
    TXmlFile xml;
    xml.LoadFromString(str);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TXmlFile::IsHtmlString(std::wstring_view str, bool strictCheck) {
  if (str.find(L"<html") != std::wstring_view::npos) return true;
  return !strictCheck && (str.find(L"<h") != std::wstring_view::npos || str.find(L"<p") != std::wstring_view::npos);
}

namespace {

bool FirstLineIsHtml(TTextFile& text, bool strictCheck) {
  while (!text.Eof()) {
    const std::wstring line = text.ReadLine();
    if (!line.empty()) return TXmlFile::IsHtmlString(line, strictCheck);
  }
  return false;
}

}  // namespace

bool TXmlFile::IsHtmlFile(const std::wstring& fileName, bool strictCheck) {
  TTextFile text(fileName);
  return FirstLineIsHtml(text, strictCheck);
}

bool TXmlFile::IsHtmlStream(Rtl::TStream& stream, bool strictCheck) {
  const std::int64_t position = stream.Position();
  bool result = false;
  {
    TTextFile text;
    text.Open(stream);
    result = FirstLineIsHtml(text, strictCheck);
  }
  stream.SetPosition(position);
  return result;
}

bool TXmlFile::IsHtmlBytes(const Rtl::TBytes& data, bool strictCheck) {
  if (data.empty()) return false;
  Rtl::TMemoryStream stream;
  stream.WriteBuffer(data.data(), static_cast<int>(data.size()));
  stream.SetPosition(0);
  return IsHtmlStream(stream, strictCheck);
}

std::wstring TXmlFile::GetFileEncoding(const std::wstring& fileName) {
  TXmlFile xml;
  xml.SetLoadOnlyDeclaration(true);
  xml.Load(fileName);
  if (xml.GetItemCount() == 0) return {};
  return xml.GetItems(0)->GetAttributes().GetString(L"encoding");
}

std::wstring TXmlFile::LanguageToCode(std::wstring_view value) {
  std::size_t split = value.find(L'_');
  if (split == std::wstring_view::npos) split = value.find(L'-');
  if (split == std::wstring_view::npos) return Rtl::AsciiLowerCase(value);
  std::wstring result = Rtl::AsciiLowerCase(value.substr(0, split));
  if (split + 1 < value.size()) result += L"-" + Rtl::AsciiUpperCase(value.substr(split + 1));
  return result;
}

int TXmlFile::RemoveNullCharacter(std::wstring& value) {
  int result = 0;
  std::size_t out = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == L'\0')
      result = static_cast<int>(out) + 1;  // its place in the text as it is when it goes
    else
      value[out++] = value[i];
  }
  value.resize(out);
  return result;
}

// --- Element operations through the reader ----------------------------------------

void TXmlElement::SetRawValue(const std::wstring& value) {
  CheckChangeable();
  ClearElements();
  if (value.find(L'<') == std::wstring::npos) {
    SetValue(value);
    return;
  }
  const Rtl::RawByteString utf8 = TTextFile::Utf8Encode(value);
  TXmlFile xml;
  xml.Load(Rtl::TBytes(utf8.begin(), utf8.end()));
  for (int i = 0; i < xml.GetItemCount(); ++i) {
    auto copy = std::make_unique<TXmlElement>();
    copy->Assign(*xml.GetItems(i));
    Add(std::move(copy), false);
  }
}

void TXmlElement::StringToStructure(const std::wstring& value) {
  CheckChangeable();
  if (value.find(L'<') == std::wstring::npos) {
    ClearElements();
    auto entities = TXmlFileEntities::CreateDefault();
    SetValue(entities->DecodeString(value, TXmlEntityFormats{xfPredefined}, nullptr));
    return;
  }
  TXmlFile xml;
  xml.SetOptions(TXmlOptions{xoKeepFormat});
  try {
    if (!xml.LoadFromString(L"<root>" + value + L"</root>") || xml.GetRoot() == nullptr) return;
  } catch (const std::exception&) {
    return;
  }
  ClearValueAndElements();
  const TXmlElement& root = *xml.GetRoot();
  if (root.GetCount() == 0) {
    SetValue(root.GetValue());
    return;
  }
  for (int i = 0; i < root.GetCount(); ++i) {
    auto copy = std::make_unique<TXmlElement>();
    copy->Assign(*root.GetElements(i));
    Add(std::move(copy), false);
  }
}

}  // namespace Qd
