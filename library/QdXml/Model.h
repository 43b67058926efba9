// The XML document model: the tree that the reader builds and the writer
// writes. Besides names, values and attributes it keeps every node kind of a
// file, the whitespace around names, values and attributes, the quote of
// each attribute and how special characters were written, so that a
// document read and written again comes out unchanged. Typed accessors read
// and write values kept as attributes or as child elements.
//
// Memory: a tree of a large document has many nodes, so a node keeps the
// rarely set parts (whitespace, the caller's data and tag, the split of a
// localised attribute name, the recorded forms of characters, attributes
// and children) in records made on first use; a node without them is a few
// pointers and its name and value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "QdClasses/Encodings.h"
#include "QdClasses/Lists.h"
#include "QdClasses/Objects.h"
#include "QdXml/Entities.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/DateTime.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"
#include "runtime/Text/StringList.h"

namespace Qd {

enum TXmlElementType : std::uint8_t {
  xeWhiteSpace = 0,  // a run of whitespace between other nodes
  xeDeclaration,     // the XML declaration
  xeDocType,         // a document type declaration
  xeElement,         // an element type declaration of a DTD
  xeScript,          // a server script block, "<%" ... "%>"
  xeProcessing,      // a processing instruction, "<?" ... "?>"
  xeComment,
  xeCData,
  xeSingle,          // an element written as an empty-element tag
  xeDouble,          // an element with start and end tag
  xeText,            // a text node in mixed content
};
RTL_ENUM_INFO(TXmlElementType, L"xeWhiteSpace", L"xeDeclaration", L"xeDocType", L"xeElement", L"xeScript",
              L"xeProcessing", L"xeComment", L"xeCData", L"xeSingle", L"xeDouble", L"xeText")

// The quote of an attribute: double quote or apostrophe.
enum TXmlSeparator : std::uint8_t { xsDouble = 0, xsSingle = 1 };
RTL_ENUM_INFO(TXmlSeparator, L"xsDouble", L"xsSingle")
inline constexpr wchar_t SEPARATOR_C[2] = {L'"', L'\''};

enum TXmlSpace : std::uint8_t { xpDefault = 0, xpPreserve = 1 };
RTL_ENUM_INFO(TXmlSpace, L"xpDefault", L"xpPreserve")

// The expand marker of a node in a tree display.
enum TXmlLineBegining : std::uint8_t { xlbNone = 0, xlbPlus = 1, xlbMinus = 2 };
RTL_ENUM_INFO(TXmlLineBegining, L"xlbNone", L"xlbPlus", L"xlbMinus")

enum TSmartBoolean : std::uint8_t { sbNull = 0, sbTrue = 1, sbFalse = 2 };
RTL_ENUM_INFO(TSmartBoolean, L"sbNull", L"sbTrue", L"sbFalse")

class TXmlElement;
class TXmlAttributes;

// The common base of attributes and nodes.
class TXmlPart : public TQdObject {
  RTL_CLASS(TXmlPart, TQdObject)
public:
  TXmlPart() = default;
  ~TXmlPart() override;
  // Attributes and nodes come from the model's pool of small blocks.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size) noexcept;

  // Copies both whitespace fields, Codings, Enabled, Name, Parent, Value and
  // the part entities (`source` must be a TXmlPart).
  void Assign(const Rtl::TPersistent& source) override;
  // Parts are not equal by this test; attributes compare their own way.
  bool Equals(const Rtl::TObject* obj) const override;

  virtual std::wstring GetStringValue() const;
  virtual void SetStringValue(const std::wstring& value);
  // Called when the value changes; nothing here.
  virtual void ValueChanged() {}

  const std::wstring& GetName() const { return FName; }
  virtual void SetName(std::wstring value);
  const std::wstring& GetValue() const { return FValue; }
  // Assigns and calls ValueChanged, only when the value differs.
  virtual void SetValue(std::wstring value);
  TXmlElement* GetParent() const { return FParent; }
  void SetParent(TXmlElement* value) { FParent = value; }
  void* GetData() const { return FExtra ? FExtra->Data : nullptr; }
  void SetData(void* value) {
    if (value != nullptr || FExtra) Extra().Data = value;
  }
  std::intptr_t GetTag() const { return FExtra ? FExtra->Tag : 0; }
  void SetTag(std::intptr_t value) {
    if (value != 0 || FExtra) Extra().Tag = value;
  }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool value) { FEnabled = value; }
  int GetLineNumber() const { return FLineNumber; }
  void SetLineNumber(int value) { FLineNumber = value; }
  const std::wstring& GetBeforeWhiteSpaces() const;
  void SetBeforeWhiteSpaces(std::wstring value);
  const std::wstring& GetAfterWhiteSpaces() const;
  void SetAfterWhiteSpaces(std::wstring value);
  const TXmlEntityCodings& GetCodings() const { return FCodings; }
  void SetCodings(const TXmlEntityCodings& value) { FCodings = value; }
  // The recorded forms of single characters; an empty record when none.
  const TXmlPartEntities& GetPartEntities() const;
  // Copies `value` in and calls ValueChanged, unless the two are equal.
  void SetPartEntities(const TXmlPartEntities& value);
  // The record itself, made on first use (for the reader to fill).
  TXmlPartEntities& PartEntities();
  bool HasPartEntities() const {
    return FExtra && FExtra->PartEntities != nullptr && FExtra->PartEntities->GetCount() > 0;
  }

  // Binary views of StringValue.
  Rtl::TBytes GetBinary(TBinaryEncoding encoding) const;
  void SetBinary(const Rtl::TBytes& value, TBinaryEncoding encoding);
  Rtl::TBytes GetAsBase64() const { return GetBinary(beBase64); }
  void SetAsBase64(const Rtl::TBytes& value) { SetBinary(value, beBase64); }
  Rtl::TBytes GetAsBase32() const { return GetBinary(beBase32); }
  void SetAsBase32(const Rtl::TBytes& value) { SetBinary(value, beBase32); }
  Rtl::TBytes GetAsBase16() const { return GetBinary(beBase16); }
  void SetAsBase16(const Rtl::TBytes& value) { SetBinary(value, beBase16); }
  Rtl::TBytes GetAsUrl() const { return GetBinary(beUrl); }
  void SetAsUrl(const Rtl::TBytes& value) { SetBinary(value, beUrl); }
  // Base64 of zip-packed bytes.
  Rtl::TBytes GetAsCompressed() const;
  void SetAsCompressed(const Rtl::TBytes& value);
  // Read: the bytes in the encoding recognised in the value (at least 80
  // characters, whitespace allowed), else none. Write: in the encoding
  // recognised in the current value, else Base64.
  Rtl::TBytes GetAsBinary() const;
  void SetAsBinary(const Rtl::TBytes& value);

protected:
  // Raises "The empty element cannot be changed" for EmptyElement.
  void CheckChangeable() const;
  // A single space: the whitespace most often found around names and values.
  // The parts keep it as a flag rather than in their record of rarely set
  // parts; the getters return this string for it.
  static const std::wstring& SingleSpace();
  // A whitespace field kept as a flag: its text (one space or none), and
  // whether a text can be kept so.
  static const std::wstring& FlagSpaces(bool space);
  static bool FitsSpaceFlag(const std::wstring& value) { return value.empty() || value == SingleSpace(); }
  // The value without ValueChanged (for SetStringValue overrides).
  void StoreValue(std::wstring value) { FValue = std::move(value); }

private:
  friend class TXmlFile;  // its reader moves values between nodes it builds

  // The rarely set parts, in one record made on first use (which takes over
  // the single-space flags: while the record lives, it holds the whitespace).
  struct TExtra {
    std::wstring Before;
    std::wstring After;
    void* Data = nullptr;
    std::intptr_t Tag = 0;
    std::unique_ptr<TXmlPartEntities> PartEntities;
  };
  TExtra& Extra();

  std::unique_ptr<TExtra> FExtra;
  std::wstring FName;
  std::wstring FValue;
  TXmlElement* FParent = nullptr;
  int FLineNumber = 0;
  TXmlEntityCodings FCodings{};
  bool FEnabled : 1 = true;
  bool FBeforeSpace : 1 = false;  // Before is " " (no record)
  bool FAfterSpace : 1 = false;   // After is " " (no record)
};

class TXmlAttribute : public TXmlPart {
  RTL_CLASS(TXmlAttribute, TXmlPart)
public:
  TXmlAttribute() = default;
  TXmlAttribute(std::wstring name, std::wstring value);
  ~TXmlAttribute() override;

  // TXmlPart's fields, the three whitespace fields and the separator.
  void Assign(const Rtl::TPersistent& source) override;
  // Another attribute with the same name, value, quote and codings.
  bool Equals(const Rtl::TObject* obj) const override;
  std::wstring GetStringValue() const override { return GetValue(); }
  void SetStringValue(const std::wstring& value) override { SetValue(value); }
  // Also tells the element's collection, whose index of names changes.
  void SetName(std::wstring value) override;

  // Typed views of the value; reading never raises.
  std::wstring GetAsString() const { return GetValue(); }
  void SetAsString(std::wstring value) { SetValue(std::move(value)); }
  wchar_t GetAsChar() const;
  void SetAsChar(wchar_t value);
  char GetAsAnsiChar() const;
  void SetAsAnsiChar(char value);
  std::int64_t GetAsInteger() const;
  void SetAsInteger(std::int64_t value);
  double GetAsFloat() const;
  void SetAsFloat(double value);
  // True unless the value is exactly "0".
  bool GetAsBoolean() const { return GetValue() != L"0"; }
  void SetAsBoolean(bool value) { SetValue(value ? L"1" : L"0"); }
  Rtl::TDateTime GetAsDate() const;
  void SetAsDate(Rtl::TDateTime value);
  Rtl::TDateTime GetAsDateTime() const;
  void SetAsDateTime(Rtl::TDateTime value);
  void SetAsDateTimeMs(Rtl::TDateTime value);

  bool IsInteger() const;
  // The name starts with "xmlns:".
  bool IsNamespace() const;
  // Chooses the quote that the value doesn't need escaped.
  void DetectSeparator();
  // The name without a locale suffix and the locale code (see ReadLocale),
  // computed once.
  const std::wstring& GetBaseName();
  const std::wstring& GetLocale();

  TXmlSeparator GetSeparator() const { return FSeparator; }
  void SetSeparator(TXmlSeparator value) { FSeparator = value; }
  const std::wstring& GetNameWhiteSpaces() const;
  void SetNameWhiteSpaces(std::wstring value);
  const std::wstring& GetSeparatorWhiteSpaces() const;
  void SetSeparatorWhiteSpaces(std::wstring value);
  const std::wstring& GetValueWhiteSpaces() const;
  void SetValueWhiteSpaces(std::wstring value);

private:
  struct TExtra {
    std::wstring BaseName;
    std::wstring Locale;
    std::wstring NameWhiteSpaces;
    std::wstring SeparatorWhiteSpaces;
    std::wstring ValueWhiteSpaces;
  };
  TExtra& Extra();
  void ReadLocale();

  // The small fields first: they fit in the end of TXmlPart's fields. The
  // whitespace fields that are a single space, without a record, are flags.
  bool FLocaleRead : 1 = false;
  bool FNameSpace : 1 = false;
  bool FSeparatorSpace : 1 = false;
  bool FValueSpace : 1 = false;
  TXmlSeparator FSeparator = xsDouble;
  std::unique_ptr<TExtra> FExtra;
};

class TXmlAttributesEnumerator {
public:
  explicit TXmlAttributesEnumerator(const TXmlAttributes* attributes) : FAttributes(attributes) {}
  bool MoveNext();
  TXmlAttribute* GetCurrent() const;

private:
  const TXmlAttributes* FAttributes;
  int FIndex = -1;
};

// The attributes of an element: unique names, in their order.
class TXmlAttributes : public TQdObjects {
  RTL_CLASS(TXmlAttributes, TQdObjects)
public:
  TXmlAttributes() = default;
  explicit TXmlAttributes(TXmlElement* parent) : FParent(parent) {}
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size) noexcept;

  TXmlElement* GetParent() const { return FParent; }
  void SetParent(TXmlElement* value) { FParent = value; }
  void Assign(const Rtl::TPersistent& source) override;

  TXmlAttribute* GetItems(int index) const;
  TXmlAttribute* GetItems(int index) { return static_cast<const TXmlAttributes&>(*this).GetItems(index); }
  // The attribute of that name, created and appended empty when missing.
  TXmlAttribute* GetItems(std::wstring_view name);
  TXmlAttribute* Find(std::wstring_view name) const;
  int FindIndex(std::wstring_view name) const;
  // The first attribute whose name contains `name`.
  TXmlAttribute* FindPartial(std::wstring_view name) const;
  bool DoesExist(std::wstring_view name) const { return FindIndex(name) >= 0; }
  bool DoesExistPartial(std::wstring_view name) const { return FindPartial(name) != nullptr; }
  // Removes the first attribute of that name.
  void Remove(std::wstring_view name);
  // Appends (`index` < 0 or >= Count) or inserts; raises "Element already
  // contains %s attribute" for a name that exists (the attribute is freed).
  TXmlAttribute* Add(std::unique_ptr<TXmlAttribute> attribute, int index = -1);

  // "xml:lang": a new one goes first; an empty value removes it.
  std::wstring GetLanguage() const;
  void SetLanguage(const std::wstring& value);
  TXmlAttributes& SetXmlLang(const std::wstring& value);
  // "xml:space" "preserve" (appended when new), or removes it.
  TXmlAttributes& SetPreserveSpace(bool value);

  TXmlAttributesEnumerator GetEnumerator() const { return TXmlAttributesEnumerator(this); }

  // --- Typed attributes -----------------------------------------------------
  // GetT: the typed view, or `Default` when the attribute is missing.
  // SetT: nothing when `optional` and `value` equals `Default` (an existing
  // attribute keeps its value); otherwise writes the attribute, or adds it
  // at `index` (-1 appends). ForceT: SetT with optional off. AddT: always a
  // new attribute.

  std::wstring GetString(std::wstring_view name, const std::wstring& Default = L"") const;
  TXmlAttributes& SetString(std::wstring_view name, const std::wstring& value, const std::wstring& Default = L"",
                            bool optional = true, int index = -1);
  TXmlAttributes& ForceString(std::wstring_view name, const std::wstring& value);
  TXmlAttribute* AddString(std::wstring_view name, const std::wstring& value, int index = -1);

  Rtl::RawByteString GetAnsiString(std::wstring_view name, const Rtl::RawByteString& Default = {}) const;
  TXmlAttributes& SetAnsiString(std::wstring_view name, const Rtl::RawByteString& value,
                                const Rtl::RawByteString& Default = {}, bool optional = true, int index = -1);

  wchar_t GetChar(std::wstring_view name, wchar_t Default = 0) const;
  TXmlAttributes& SetChar(std::wstring_view name, wchar_t value, wchar_t Default = 0, bool optional = true,
                          int index = -1);
  TXmlAttributes& ForceChar(std::wstring_view name, wchar_t value);
  TXmlAttribute* AddChar(std::wstring_view name, wchar_t value, int index = -1);

  std::int64_t GetInteger(std::wstring_view name, std::int64_t Default = 0) const;
  TXmlAttributes& SetInteger(std::wstring_view name, std::int64_t value, std::int64_t Default = 0,
                             bool optional = true, int index = -1);
  TXmlAttributes& ForceInteger(std::wstring_view name, std::int64_t value);
  TXmlAttribute* AddInteger(std::wstring_view name, std::int64_t value, int index = -1);

  double GetFloat(std::wstring_view name, double Default = 0) const;
  TXmlAttributes& SetFloat(std::wstring_view name, double value, double Default = 0, bool optional = true,
                           int index = -1);
  TXmlAttributes& ForceFloat(std::wstring_view name, double value);
  TXmlAttribute* AddFloat(std::wstring_view name, double value, int index = -1);

  // Only "0" and "1" are read; any other text gives `Default`.
  bool GetBoolean(std::wstring_view name, bool Default = false) const;
  TXmlAttributes& SetBoolean(std::wstring_view name, bool value, bool Default = false, bool optional = true,
                             int index = -1);
  TXmlAttributes& ForceBoolean(std::wstring_view name, bool value);
  TXmlAttribute* AddBoolean(std::wstring_view name, bool value, int index = -1);

  TSmartBoolean GetSmartBoolean(std::wstring_view name, TSmartBoolean Default = sbNull) const;

  Rtl::TDateTime GetDateTime(std::wstring_view name, Rtl::TDateTime Default = 0) const;
  TXmlAttributes& SetDateTime(std::wstring_view name, Rtl::TDateTime value, Rtl::TDateTime Default = 0,
                              bool optional = true, int index = -1, bool includeMilliSeconds = false);
  TXmlAttributes& ForceDateTime(std::wstring_view name, Rtl::TDateTime value);
  TXmlAttribute* AddDateTime(std::wstring_view name, Rtl::TDateTime value, int index = -1);

  TXmlAttributes& SetDate(std::wstring_view name, Rtl::TDateTime value, Rtl::TDateTime Default = 0,
                          bool optional = true, int index = -1);
  TXmlAttribute* AddDate(std::wstring_view name, Rtl::TDateTime value, int index = -1);

  Rtl::TBytes GetBase64(std::wstring_view name, const Rtl::TBytes& Default = {}) const;
  TXmlAttributes& SetBase64(std::wstring_view name, const Rtl::TBytes& value, const Rtl::TBytes& Default = {},
                            bool optional = true, int index = -1);
  TXmlAttribute* AddBase64(std::wstring_view name, const Rtl::TBytes& value, int index = -1);

  std::wstring GetEncryptedString(std::wstring_view name, const std::wstring& Default = L"") const;
  TXmlAttributes& SetEncryptedString(std::wstring_view name, const std::wstring& value,
                                     const std::wstring& Default = L"", bool optional = true, int index = -1);

  // The lines joined with ";" and split again.
  void GetStrings(std::wstring_view name, Rtl::TStringList& value) const;
  TXmlAttributes& SetStrings(std::wstring_view name, const Rtl::TStringList& value, bool optional = true,
                             int index = -1);

  // A registered class by name (none when unknown or missing).
  const Rtl::TClass* GetClass(std::wstring_view name, const Rtl::TClass* Default = nullptr) const;
  // Writes only a class that differs from `Default`; returns none otherwise.
  TXmlAttributes* SetClass(std::wstring_view name, const Rtl::TClass* value, const Rtl::TClass* Default = nullptr,
                           bool optional = true, int index = -1);

  // Enumerations by member name or number; see the .cpp.
  int GetEnum(std::wstring_view name, const Rtl::TTypeInfo& typeInfo, int Default) const;
  // The value of the first of `names` that exists.
  int GetEnum(const std::vector<std::wstring>& names, const Rtl::TTypeInfo& typeInfo, int Default) const;
  TXmlAttributes& SetEnum(std::wstring_view name, int value, const Rtl::TTypeInfo* typeInfo, int Default,
                          bool optional = true, int index = -1);
  template <class E>
  E GetEnum(std::wstring_view name, E Default) const {
    return static_cast<E>(GetEnum(name, Rtl::TypeInfo<E>(), static_cast<int>(Default)));
  }
  template <class E>
  TXmlAttributes& SetEnum(std::wstring_view name, E value, E Default, bool optional = true, int index = -1) {
    return SetEnum(name, static_cast<int>(value), &Rtl::TypeInfo<E>(), static_cast<int>(Default), optional,
                   index);
  }

  // Sets as text of the set parser ("[a,b]").
  void GetSet(std::wstring_view name, const Rtl::TSetInfo& typeInfo, void* value, int size,
              const void* Default) const;
  TXmlAttributes& SetSet(std::wstring_view name, const Rtl::TSetInfo& typeInfo, const void* value, int size,
                         const void* Default, bool optional = true, int index = -1);
  template <class S>
  S GetSet(std::wstring_view name, const S& Default) const {
    S result;
    GetSet(name, Rtl::TypeInfo<S>(), result.Data(), S::Size, Default.Data());
    return result;
  }
  template <class S>
  TXmlAttributes& SetSet(std::wstring_view name, const S& value, const S& Default, bool optional = true,
                         int index = -1) {
    return SetSet(name, Rtl::TypeInfo<S>(), value.Data(), S::Size, Default.Data(), optional, index);
  }

  // An attribute of the collection was renamed.
  void NameChanged() { FNames.reset(); }

private:
  // Writes the text of an existing attribute or adds one at `index`.
  TXmlAttributes& Write(std::wstring_view name, const std::wstring& text, int index);
  void RebuildNames() const;

  TXmlElement* FParent = nullptr;
  // For a long collection of an element: the position of each name, checked
  // before use and rebuilt when the count changed behind it.
  mutable std::unique_ptr<std::unordered_map<std::wstring, int>> FNames;
  mutable int FNamesCount = 0;
};

class TXmlElementEnumerator {
public:
  explicit TXmlElementEnumerator(const TXmlElement* element) : FElement(element) {}
  bool MoveNext();
  TXmlElement* GetCurrent() const;

private:
  const TXmlElement* FElement;
  int FIndex = -1;
};

// The children of an element, in document order. A long list also keeps,
// by name and form, its last child (`LastByName`, made when appending past
// LAST_BY_NAME_MIN_C children and dropped by every other change), so that
// numbering an appended child needs no scan of its siblings. A key views
// the name of a child in the list (the first one of that name and form),
// which lives and keeps its name as long as the index does.
struct TXmlLastKey {
  std::wstring_view Name;
  TXmlElementType Type;
  bool operator==(const TXmlLastKey&) const = default;
};
struct TXmlLastKeyHash {
  std::size_t operator()(const TXmlLastKey& key) const noexcept {
    return std::hash<std::wstring_view>{}(key.Name) ^ static_cast<std::size_t>(key.Type);
  }
};
// The index itself: a few keys in a list searched in order (a long list of
// children mostly has few names: no hashing and no node per key), more in
// a hash map.
class TXmlLastIndex {
public:
  // The last child of the key's name and form (null for a new key), to be
  // set to the next one.
  TXmlElement*& Last(const TXmlLastKey& key);

private:
  static constexpr std::size_t FEW_C = 16;
  std::vector<std::pair<TXmlLastKey, TXmlElement*>> FFew;
  std::unique_ptr<std::unordered_map<TXmlLastKey, TXmlElement*, TXmlLastKeyHash>> FMany;
};
struct TXmlElementList : std::vector<std::unique_ptr<TXmlElement>> {
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size) noexcept;
  std::unique_ptr<TXmlLastIndex> LastByName;
};
inline constexpr std::size_t LAST_BY_NAME_MIN_C = 32;
// Before the index is made, this many of the last children are looked at.
inline constexpr std::size_t LAST_BY_NAME_LOOK_BACK_C = 8;

// Any node of the tree; its kind says which.
class TXmlElement : public TXmlPart {
  RTL_CLASS(TXmlElement, TXmlPart)
public:
  // At most this many characters of a value are shown by DisplayString
  // (a member, since the text reader has a constant of the same name).
  static constexpr int MAX_LEN_C = 40;

  TXmlElement() = default;
  explicit TXmlElement(std::wstring name, TXmlElementType elementType = xeDouble);
  // Frees the subtree without recursion, so that any depth is safe.
  ~TXmlElement() override;

  // The part fields, a copy of the attributes, ContainsText, kind, both tag
  // whitespaces, Index, Tag and copies of all children.
  void Assign(const Rtl::TPersistent& source) override;
  std::wstring GetStringValue() const override { return GetValue(); }
  void SetStringValue(const std::wstring& value) override { SetValue(value); }
  // An xeSingle node becomes xeDouble and loses its start-tag whitespace.
  void ValueChanged() override;
  void SetName(std::wstring value) override;
  void SetValue(std::wstring value) override;

  // --- Fields ------------------------------------------------------------------

  TXmlElementType GetElementType() const { return FElementType; }
  // Setting xeSingle clears the value.
  void SetElementType(TXmlElementType value);
  bool GetContainsText() const { return FContainsText; }
  void SetContainsText(bool value) { FContainsText = value; }
  bool GetExpanded() const { return FExpanded; }
  void SetExpanded(bool value) { FExpanded = value; }
  int GetIndex() const { return FIndex; }
  void SetIndex(int value) { FIndex = value; }
  Rtl::TObject* GetObjectData() const { return FTagExtra ? FTagExtra->ObjectData : nullptr; }
  void SetObjectData(Rtl::TObject* value) {
    if (value != nullptr || FTagExtra) TagExtra().ObjectData = value;
  }
  const std::wstring& GetStartWhiteSpaces() const;
  void SetStartWhiteSpaces(std::wstring value);
  const std::wstring& GetEndWhiteSpaces() const;
  void SetEndWhiteSpaces(std::wstring value);
  // The attributes, made on first use.
  TXmlAttributes& GetAttributes();
  const TXmlAttributes& GetAttributes() const;
  bool HasAttributes() const { return FAttributes != nullptr && FAttributes->GetCount() > 0; }
  // One of the attributes was renamed.
  void AttributeRenamed() {
    if (FAttributes) FAttributes->NameChanged();
  }
  void SetAttributes(const TXmlAttributes& attributes);

  // --- Structure -------------------------------------------------------------

  int GetCount() const { return FElements ? static_cast<int>(FElements->size()) : 0; }
  TXmlElement* GetElements(int index) const;
  // The child at `index`, unchecked: 0 <= index < GetCount() (for walks
  // that keep to the count).
  TXmlElement* ChildAt(std::size_t index) const { return (*FElements)[index].get(); }
  TXmlElementEnumerator GetEnumerator() const { return TXmlElementEnumerator(this); }
  // Number of ancestors.
  int GetLevel() const;
  // 0 for a leaf, else 1 + the greatest depth of a child.
  int GetDepth() const;
  // Index within the parent (by identity), 0 if not found.
  int GetPosition() const;
  int GetNoneWhiteSpaceCount() const;
  bool IsEmpty() const { return GetCount() == 0 && !HasAttributes(); }
  TXmlLineBegining GetLineBegining() const;

  TXmlElement* Add(TXmlElementType elementType, const std::wstring& value, const std::wstring& name = L"");
  TXmlElement* Add(const std::wstring& name);
  TXmlElement* AddSingle(const std::wstring& name);
  TXmlElement* AddText(const std::wstring& value);
  TXmlElement* AddComment(const std::wstring& value);
  TXmlElement* AddString(const std::wstring& name, const std::wstring& value);
  // Appends `element`, or with `smart` frees an empty one (no children, no
  // attributes) and returns none.
  TXmlElement* Add(std::unique_ptr<TXmlElement> element, bool smart = false);
  // Appends, but before a trailing whitespace child.
  TXmlElement* Append(std::unique_ptr<TXmlElement> element);
  TXmlElement* Insert(std::unique_ptr<TXmlElement> element, int index);
  TXmlElement* Insert(const std::wstring& name, int index);
  // After `anchor` (by identity), or appended when it is no child.
  TXmlElement* InsertAfter(std::unique_ptr<TXmlElement> element, const TXmlElement* anchor);
  TXmlElement* InsertAfter(const std::wstring& name, const TXmlElement* anchor);
  // The child list and Index rule behind every insertion.
  TXmlElement* DoAdd(std::unique_ptr<TXmlElement> element, int index);

  void Delete(int index);
  // Frees the child `element` (by identity); nothing when it is no child.
  void Remove(const TXmlElement* element);
  // Frees every child of that name.
  void Remove(std::wstring_view name);
  // Deletes from the end while the count exceeds the element's position,
  // so the element itself goes too; a node that is no child removes all.
  void RemoveAllAfter(const TXmlElement* element);
  void ClearElements();
  void ClearValueAndElements();
  // Takes the child out of the tree and hands it to the caller.
  std::unique_ptr<TXmlElement> Extract(int index);
  // Moves every child of `from` to the end of this element's children, in
  // their order (each numbered as Add numbers it).
  void AppendChildrenOf(TXmlElement& from);

  // A copy appended to the parent, after a copy of the whitespace node that
  // precedes this one; CloneLast the same through Add(..., false).
  TXmlElement* Clone();
  TXmlElement* CloneLast();

  TXmlElement* FindPrevious(const TXmlElement* element) const;
  TXmlElement* FindNext(const TXmlElement* element) const;
  // Every childless xeDouble node with an empty value becomes xeSingle.
  void Optimize();
  // Sets the name only when it is empty.
  void CheckName(const std::wstring& name);

  // --- Search ------------------------------------------------------------------
  // Names compare exactly; an index of -1 matches any Index.

  // An empty name returns the element itself.
  TXmlElement* Find(std::wstring_view name, int index = -1, int startIndex = 0) const;
  // Find(name), or EmptyElement.
  TXmlElement* Get(std::wstring_view name) const;
  bool DoesExist(std::wstring_view name) const { return Find(name) != nullptr; }
  bool ElementExists(std::wstring_view name) const { return DoesExist(name); }
  int ElementCount(std::wstring_view name) const;
  TXmlElement* FindByLanguage(std::wstring_view name, std::wstring_view language, int index = -1) const;
  TXmlElement* FindByAttribute(std::wstring_view name, std::wstring_view attributeName,
                               std::wstring_view attributeValue, std::wstring_view language) const;
  TXmlElement* FindWithAttribute(std::wstring_view name, std::wstring_view attributeName,
                                 std::wstring_view attributeValue) const;
  TXmlElement* FindSub(std::wstring_view name, int index, std::wstring_view language) const;
  TXmlElement* FindType(TXmlElementType elementType, int index = -1) const;
  TXmlElement* FindText(int index = -1) const { return FindType(xeText, index); }
  std::wstring GetText(int index = -1) const;
  void SetText(const std::wstring& value, int index = -1);
  // Appends the matching children (borrowed) or their values; their count.
  int GetList(std::wstring_view name, Rtl::TList& list) const;
  int GetValues(std::wstring_view name, Rtl::TStringList& list) const;
  bool HasMoreThan(TXmlElementType elementType, int limit) const;
  bool HasMoreThan(std::wstring_view name, std::wstring_view language, int limit) const;

  // --- Value views -------------------------------------------------------------

  std::wstring GetWhiteSpacesValue() const;
  std::wstring GetNormalizedValue() const;
  std::wstring GetTrimmedValue() const;
  std::wstring GetWhiteSpaceRemovedValue() const;
  TXmlSpace GetSpace() const;
  bool PreserveSpaces() const { return GetSpace() == xpPreserve; }
  bool ActualPreserveSpaces() const;
  std::wstring GetCheckedValue() const;
  std::wstring GetLanguage() const;
  void SetLanguage(const std::wstring& value);
  TXmlElement& SetXmlLang(const std::wstring& value);
  TXmlElement& SetPreserveSpace(bool value);
  // The raw markup of the content: read as empty; writing it parses markup
  // and comes with the reader (raises "Not implemented" for now).
  std::wstring GetRawValue() const { return {}; }
  void SetRawValue(const std::wstring& value);

  // The context name with its Index, such as "item[2]".
  std::wstring GetContext() const;
  std::wstring GetDisplayString() const;

  // --- Markup ------------------------------------------------------------------

  std::wstring AddTagsAround(const std::wstring& value) const;
  static std::wstring AddTagsAround(const std::wstring& tagName, const std::wstring& value);
  std::wstring StructureToString(bool normalize) const;
  // The inverse parses markup and comes with the reader ("Not implemented").
  void StringToStructure(const std::wstring& value);

  // --- Typed child elements ------------------------------------------------------
  // The text of the first child named `name`; an empty name is the
  // element's own value. SetT writes that child or appends an xeDouble one,
  // and does nothing when `optional` and the texts of value and Default are
  // equal; ForceT: optional off; AddT: always a new child.

  std::wstring GetString(std::wstring_view name, const std::wstring& Default = L"", int index = -1) const;
  std::wstring GetLanguageString(std::wstring_view name, std::wstring_view language,
                                 const std::wstring& Default = L"") const;
  TXmlElement& SetString(std::wstring_view name, const std::wstring& value, const std::wstring& Default = L"",
                         bool optional = true);
  TXmlElement& ForceString(std::wstring_view name, const std::wstring& value);

  Rtl::RawByteString GetAnsiString(std::wstring_view name, const Rtl::RawByteString& Default = {}) const;
  TXmlElement& SetAnsiString(std::wstring_view name, const Rtl::RawByteString& value,
                             const Rtl::RawByteString& Default = {}, bool optional = true);

  std::wstring GetEncryptedString(std::wstring_view name, const std::wstring& Default = L"") const;
  TXmlElement& SetEncryptedString(std::wstring_view name, const std::wstring& value,
                                  const std::wstring& Default = L"", bool optional = true);

  wchar_t GetChar(std::wstring_view name, wchar_t Default = 0) const;
  TXmlElement& SetChar(std::wstring_view name, wchar_t value, wchar_t Default = 0, bool optional = true);

  std::int64_t GetInteger(std::wstring_view name, std::int64_t Default = 0) const;
  TXmlElement& SetInteger(std::wstring_view name, std::int64_t value, std::int64_t Default = 0,
                          bool optional = true);
  TXmlElement& ForceInteger(std::wstring_view name, std::int64_t value);
  TXmlElement* AddInteger(std::wstring_view name, std::int64_t value);

  double GetFloat(std::wstring_view name, double Default = 0) const;
  TXmlElement& SetFloat(std::wstring_view name, double value, double Default = 0, bool optional = true);

  // "0"/"1", or False/True ignoring case; anything else gives Default.
  bool GetBoolean(std::wstring_view name, bool Default = false) const;
  TXmlElement& SetBoolean(std::wstring_view name, bool value, bool Default = false, bool optional = true);
  TXmlElement& ForceBoolean(std::wstring_view name, bool value);

  TSmartBoolean GetSmartBoolean(std::wstring_view name, TSmartBoolean Default = sbNull) const;

  // A Default of 0 stands for the current date-time.
  Rtl::TDateTime GetDateTime(std::wstring_view name, Rtl::TDateTime Default = 0) const;
  TXmlElement& SetDateTime(std::wstring_view name, Rtl::TDateTime value, Rtl::TDateTime Default = 0,
                           bool optional = true);

  void GetSet(std::wstring_view name, const Rtl::TSetInfo& typeInfo, void* value, int size,
              const void* Default) const;
  TXmlElement& SetSet(std::wstring_view name, const Rtl::TSetInfo& typeInfo, const void* value, int size,
                      const void* Default);
  template <class S>
  S GetSet(std::wstring_view name, const S& Default) const {
    S result;
    GetSet(name, Rtl::TypeInfo<S>(), result.Data(), S::Size, Default.Data());
    return result;
  }
  template <class S>
  TXmlElement& SetSet(std::wstring_view name, const S& value, const S& Default) {
    return SetSet(name, Rtl::TypeInfo<S>(), value.Data(), S::Size, Default.Data());
  }

  // Clears `list` and adds the values of the children `itemName` of the
  // child `name`; GetFiles makes each a full path relative to `dir`.
  void GetStrings(std::wstring_view name, Rtl::TStringList& list, std::wstring_view itemName) const;
  void GetFiles(std::wstring_view name, const std::wstring& dir, Rtl::TStringList& list,
                std::wstring_view itemName) const;

  Rtl::TBytes GetCompressed(std::wstring_view name) const;
  Rtl::TBytes GetBase64(std::wstring_view name) const;
  Rtl::TBytes GetBase32(std::wstring_view name) const;
  Rtl::TBytes GetBase16(std::wstring_view name) const;
  Rtl::TBytes GetUrl(std::wstring_view name) const;

  // The element's own value (the typed views with an empty name).
  std::wstring GetAsString(const std::wstring& Default = L"") const { return GetString(L"", Default); }
  std::int64_t GetAsInteger(std::int64_t Default = 0) const { return GetInteger(L"", Default); }
  double GetAsFloat(double Default = 0) const { return GetFloat(L"", Default); }
  bool GetAsBoolean(bool Default = false) const { return GetBoolean(L"", Default); }
  Rtl::TDateTime GetAsDateTime(Rtl::TDateTime Default = 0) const { return GetDateTime(L"", Default); }

private:
  // Frees the nodes and their trees with a work list, never by recursion.
  static void FreeTrees(TXmlElementList& pending) noexcept;
  friend class TXmlFile;  // its reader moves values between nodes it builds

  // The whitespace inside the tags and the caller's object, made on first use
  // (a tag whitespace of a single space alone is a flag).
  struct TTagExtra {
    std::wstring Start;
    std::wstring End;
    Rtl::TObject* ObjectData = nullptr;
  };
  TTagExtra& TagExtra();
  // The child that holds the text `name` (the element itself for an empty
  // name), or none.
  const TXmlElement* ValueHolder(std::wstring_view name) const;
  // The child `name`, created when missing (the element itself for "").
  TXmlElement& WriteHolder(std::wstring_view name);
  TXmlElement& WriteText(std::wstring_view name, const std::wstring& text, const std::wstring& defaultText,
                         bool optional);
  int IndexOfChild(const TXmlElement* element) const;
  // Drops the parent's index of last children (a child's name or form
  // changed).
  void ChildChanged() const;

  // The small fields first: they fit in the end of TXmlPart's fields (a
  // tree has many nodes).
  TXmlElementType FElementType = xeDouble;
  bool FContainsText : 1 = false;
  bool FExpanded : 1 = true;
  bool FStartSpace : 1 = false;  // Start is " " (no record)
  bool FEndSpace : 1 = false;    // End is " " (no record)
  int FIndex = 0;
  std::unique_ptr<TXmlAttributes> FAttributes;
  std::unique_ptr<TXmlElementList> FElements;
  std::unique_ptr<TTagExtra> FTagExtra;
};

// The one empty element that Get returns for a missing child; it refuses
// every change. Raises "QdXml is not started" outside the unit's lifetime.
TXmlElement& EmptyElement();
// Whether `element` is the empty element (false before start-up).
bool IsEmptyElement(const TXmlElement* element);
bool IsEmptyPart(const TXmlPart* part);

// The document class (QdXml/File.h).
class TXmlFile;

}  // namespace Qd

namespace Qd::QdXmlUnit {

// Creates EmptyElement and registers the model's classes; shutdown undoes it.
void Initialization();
void Finalization();

}  // namespace Qd::QdXmlUnit
