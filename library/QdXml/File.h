// The XML document: its top-level nodes, read from a file, a stream, a
// resource, bytes or a string, in tree mode (the whole tree under Items and
// Root) or in event mode (OnElement reports each element as its start tag
// is read). The reader works on decoded text taken in chunks that end
// before each "<", with a cursor that consumes the buffer; replacement text
// of entities in content is read from a stack of input sources.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "QdClasses/Lists.h"
#include "QdStructuredFile.h"
#include "QdXml/Entities.h"
#include "QdXml/Model.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStream;
}

namespace Qd {

enum TXmlOption : std::uint8_t {
  xoIgnoreEncoding = 0,
  xoKeepFormat = 1,
  xoRemoveWhiteSpace = 2,
  xoPartial = 3,
  xoNoEncodeDecode = 4,
  xoStrict = 5,
};
RTL_ENUM_INFO(TXmlOption, L"xoIgnoreEncoding", L"xoKeepFormat", L"xoRemoveWhiteSpace", L"xoPartial",
              L"xoNoEncodeDecode", L"xoStrict")
using TXmlOptions = Rtl::TSet<TXmlOption, xoStrict>;
RTL_SET_INFO(TXmlOptions)

inline const TXmlOptions DEFAULT_XML_OPTIONS_C{xoRemoveWhiteSpace};
// The default limit of element nesting.
inline constexpr int XML_MAX_DEPTH_C = 256;

enum TXmlEventResult : std::uint8_t { xrEnter = 0, xrSkip = 1, xrCancel = 2 };
RTL_ENUM_INFO(TXmlEventResult, L"xrEnter", L"xrSkip", L"xrCancel")

class TXmlFile;
using TXmlEvent = std::function<void(TXmlFile* sender, TXmlElement* element, TXmlEventResult& result)>;
using TIgnoreAttributeEvent = std::function<bool(TXmlFile* sender, TXmlAttribute* attribute, TXmlElement* element)>;
using TStepProgressEvent =
    std::function<void(Rtl::TObject* sender, std::int64_t total, std::int64_t position, bool& cancel)>;

class TXmlFile : public TStructuredFile {
  RTL_CLASS(TXmlFile, Rtl::TObject)
public:
  TXmlFile();
  ~TXmlFile() override;

  // --- Loading: True when reading was neither cancelled nor met invalid data.
  bool Load(const std::wstring& fileName);
  bool Load(Rtl::TStream& stream);
  bool Load(const std::wstring& resourceName, const std::wstring& resourceType);
  bool Load(const Rtl::TBytes& data);
  bool LoadFromString(const std::wstring& value);

  // --- Document.
  void ReadElement(TXmlElement* parentElement);
  bool Eof();
  void Clear();
  TXmlElement* AddRoot(const std::wstring& name);
  TXmlElement* FindElement(std::wstring_view name) const;
  TXmlElement* Get(std::wstring_view name) const;
  std::wstring PeekElement() const { return FElementStack.empty() ? std::wstring() : FElementStack.back(); }

  int GetItemCount() const { return FItems.GetCount(); }
  TXmlElement* GetItems(int index) const;
  TXmlElement* GetRoot() const { return FRoot; }
  TXmlElement* GetHeader();
  bool HasEncoding();
  std::wstring GetEncoding() const;
  void SetEncoding(const std::wstring& value);
  void SetForcedEncoding(const std::wstring& value);
  const std::wstring& GetVersion() const { return FVersion; }
  TXmlFileEntities& GetEntities() const { return *FEntities; }
  const std::vector<std::wstring>& GetElementStack() const { return FElementStack; }
  const std::wstring& GetEncodingAttributeValue() const { return FEncodingAttributeValue; }
  // The buffered text not yet parsed.
  std::wstring GetLine();
  int GetPermille() const;

  // --- Event mode.
  TXmlElement* GetActiveElement();
  std::wstring ReadString(std::wstring_view name, const std::wstring& Default = L"");
  std::wstring ReadStringValue(const std::wstring& Default = L"") { return ReadString(L"", Default); }
  std::int64_t ReadInteger(std::wstring_view name, std::int64_t Default = 0);
  std::int64_t ReadIntegerValue(std::int64_t Default = 0) { return ReadInteger(L"", Default); }
  double ReadFloat(std::wstring_view name, double Default = 0);
  double ReadFloatValue(double Default = 0) { return ReadFloat(L"", Default); }
  bool ReadBoolean(std::wstring_view name, bool Default = false);
  bool ReadBooleanValue(bool Default = false) { return ReadBoolean(L"", Default); }
  Rtl::TDateTime ReadDateTime(std::wstring_view name, Rtl::TDateTime Default = 0);
  Rtl::TDateTime ReadDateTimeValue(Rtl::TDateTime Default = 0) { return ReadDateTime(L"", Default); }
  Rtl::TBytes ReadCompressed(std::wstring_view name);
  Rtl::TBytes ReadBase64(std::wstring_view name);
  Rtl::TBytes ReadBase32(std::wstring_view name);
  Rtl::TBytes ReadBase16(std::wstring_view name);
  Rtl::TBytes ReadUrl(std::wstring_view name);
  Rtl::TBytes ReadBinary(std::wstring_view name, TBinaryEncoding encoding);
  std::wstring ReadEncryptedString(std::wstring_view name);

  // --- Options and state.
  TXmlOptions GetOptions() const { return FOptions; }
  void SetOptions(TXmlOptions value) { FOptions = value; }
  void AddOption(TXmlOption option) { FOptions.Include(option); }
  bool IsKeepFormat() const { return FOptions.Contains(xoKeepFormat); }
  bool IsRemoveWhiteSpace() const { return FOptions.Contains(xoRemoveWhiteSpace); }
  bool UseDefaultFormat() const { return !IsKeepFormat(); }
  TXmlEntityFormats GetEntityFormats() const { return FEntityFormats; }
  void SetEntityFormats(TXmlEntityFormats value) { FEntityFormats = value; }
  bool GetIgnoreDtd() const { return FIgnoreDtd; }
  void SetIgnoreDtd(bool value) { FIgnoreDtd = value; }
  bool GetLoadOnlyDeclaration() const { return FLoadOnlyDeclaration; }
  void SetLoadOnlyDeclaration(bool value) { FLoadOnlyDeclaration = value; }
  bool GetMakeWellFormed() const { return FMakeWellFormed; }
  void SetMakeWellFormed(bool value) { FMakeWellFormed = value; }
  bool GetDoNotRaiseOnInvalidData() const { return FDoNotRaiseOnInvalidData; }
  void SetDoNotRaiseOnInvalidData(bool value) { FDoNotRaiseOnInvalidData = value; }
  bool GetCheckHeader() const { return FCheckHeader; }
  void SetCheckHeader(bool value) { FCheckHeader = value; }
  const TXmlEntityCoding& GetDefaultCoding() const { return FDefaultCoding; }
  void SetDefaultCoding(const TXmlEntityCoding& value) { FDefaultCoding = value; }
  bool GetWriteHeader() const { return FWriteHeader; }
  void SetWriteHeader(bool value) { FWriteHeader = value; }
  bool GetWriteEncoding() const { return FWriteEncoding; }
  void SetWriteEncoding(bool value) { FWriteEncoding = value; }
  bool GetWriteStandalone() const { return FWriteStandalone; }
  void SetWriteStandalone(bool value) { FWriteStandalone = value; }
  bool GetStandalone() const { return FStandalone; }
  void SetStandalone(bool value) {
    if (value != FStandalone) FWriteStandalone = true;
    FStandalone = value;
  }
  bool GetCancelled() const { return FCancelled; }
  bool GetInvalidData() const { return FInvalidData; }
  // Elements nested deeper than this raise, whatever DoNotRaiseOnInvalidData says.
  int GetMaxDepth() const { return FMaxDepth; }
  void SetMaxDepth(int value) { FMaxDepth = value; }
  const TXmlEvent& GetOnElement() const { return FOnElement; }
  void SetOnElement(TXmlEvent value) { FOnElement = std::move(value); }
  const TStepProgressEvent& GetOnProgress() const { return FOnProgress; }
  void SetOnProgress(TStepProgressEvent value) { FOnProgress = std::move(value); }
  const TIgnoreAttributeEvent& GetOnIgnoreAttribute() const { return FOnIgnoreAttribute; }
  void SetOnIgnoreAttribute(TIgnoreAttributeEvent value) { FOnIgnoreAttribute = std::move(value); }
  bool GetHasBom() const;
  std::int64_t GetStreamSize() const;

  // The writer comes with the next step; these raise "Not implemented".
  std::wstring WriteToString() override;
  Rtl::TBytes WriteToBytes() override;

  // --- Class-level functions.
  static std::wstring GetFileEncoding(const std::wstring& fileName);
  static bool IsXmlString(std::wstring_view str, bool strictCheck);
  static bool IsXmlFile(const std::wstring& fileName, bool strictCheck);
  static bool IsXmlStream(Rtl::TStream& stream, bool strictCheck);
  static bool IsXmlBytes(const Rtl::TBytes& data, bool strictCheck);
  static bool IsXmlDataString(std::wstring_view str);
  static bool IsWellFormed(const std::wstring& str);
  static bool IsHtmlString(std::wstring_view str, bool strictCheck);
  static bool IsHtmlFile(const std::wstring& fileName, bool strictCheck);
  static bool IsHtmlStream(Rtl::TStream& stream, bool strictCheck);
  static bool IsHtmlBytes(const Rtl::TBytes& data, bool strictCheck);
  static std::wstring LanguageToCode(std::wstring_view value);
  static int RemoveNullCharacter(std::wstring& value);

  // The character of a predefined entity name, or 0.
  static wchar_t EntityToChar(std::wstring_view name);
  // A predefined character's name ("&name;" with `full`); any other
  // character as itself.
  static std::wstring CharToEntity(wchar_t c, bool full);
  static std::wstring EntityEncode(std::wstring_view value);
  static bool CodingsEquals(const TXmlEntityCodings& codings1, const TXmlEntityCodings& codings2);
  // Per entity: Default for an empty set, else the preferred form seen.
  static void CodingsToCoding(const TXmlEntityCodings& codings, const TXmlEntityCoding& Default,
                              TXmlEntityCoding& result);
  // Splits a name that ends in a locale code ("caption_de_DE").
  static bool ParseBundle(const std::wstring& name, std::wstring& baseName, std::wstring& language,
                          std::wstring& country, std::wstring& variant, wchar_t languageSeparator,
                          wchar_t countrySeparator, bool strictCheck);

private:
  class TParser;
  friend class TParser;

  void AddElement(std::unique_ptr<TXmlElement> element, TXmlElement* current);
  void ParseDocType(std::wstring_view text);

  std::unique_ptr<Rtl::TStream> FDelayedStream;
  TXmlElement* FActiveElement = nullptr;
  bool FCancelled = false;
  bool FCheckHeader = true;
  TXmlEntityCoding FDefaultCoding = XML_DEFAULT_CODING_C;
  std::wstring FEncodingAttributeValue;
  bool FElementRead = false;
  std::vector<std::wstring> FElementStack;
  std::unique_ptr<TXmlFileEntities> FEntities;
  TXmlEntityFormats FEntityFormats = XML_DEFAULT_ENTITYFORMATS_C;
  bool FIgnoreDtd = false;
  TQdObjectList FItems;
  int FLastPermille = -1;
  bool FLoadOnlyDeclaration = false;
  TXmlOptions FOptions = DEFAULT_XML_OPTIONS_C;
  bool FMakeWellFormed = false;
  TXmlElement* FHeader = nullptr;
  TXmlElement* FRoot = nullptr;
  bool FStandalone = false;
  std::wstring FVersion = L"1.0";
  bool FWriteHeader = true;
  bool FWriteEncoding = true;
  bool FWriteStandalone = false;
  bool FDoNotRaiseOnInvalidData = false;
  bool FInvalidData = false;
  int FMaxDepth = XML_MAX_DEPTH_C;
  TXmlEvent FOnElement;
  TStepProgressEvent FOnProgress;
  TIgnoreAttributeEvent FOnIgnoreAttribute;
  // The reader's state while a load runs (the buffer, the cursor, the
  // sources, the counters); none between loads.
  std::unique_ptr<TParser> FParser;
};

}  // namespace Qd
