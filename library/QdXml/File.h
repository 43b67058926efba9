// The XML document: its top-level nodes, read from a file, a stream, a
// resource, bytes or a string, in tree mode (the whole tree under Items and
// Root) or in event mode (OnElement reports each element as its start tag
// is read). The reader works on decoded text taken in chunks that end
// before each "<", with a cursor that consumes the buffer; replacement text
// of entities in content is read from a stack of input sources.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "QdClasses/Encodings.h"
#include "QdClasses/Lists.h"
#include "QdLanguages/LanguageIdForms.h"
#include "QdStructuredFile.h"
#include "QdXml/Entities.h"
#include "QdXml/Model.h"
#include "QdXml/OutputBuffer.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TSpareThread;
class TStream;
class TStringList;
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


// What the writer does besides writing the tree: xoEncodePredefined writes
// every predefined character as a named entity where a node recorded no form.
enum TXmlWriteOption : std::uint8_t { xoEncodePredefined = 0, xoWriteEncoding = 1 };
RTL_ENUM_INFO(TXmlWriteOption, L"xoEncodePredefined", L"xoWriteEncoding")
using TXmlWriteOptions = Rtl::TSet<TXmlWriteOption, xoWriteEncoding>;
RTL_SET_INFO(TXmlWriteOptions)
inline const TXmlWriteOptions DEFAULT_XML_WRITE_OPTIONS_C{};

// The layout of a start tag: no indentation and line end, the whole tag on
// one line, or each attribute on a line of its own.
enum TXmlElementWriteMode : std::uint8_t { xwNoIdent = 0, xwSingleLine = 1, xwMultiLine = 2 };
RTL_ENUM_INFO(TXmlElementWriteMode, L"xwNoIdent", L"xwSingleLine", L"xwMultiLine")

// The line length of the binary writers that take none.
inline constexpr int XML_LINE_LENGTH_C = 100;
// The step in which the current output line grows.
inline constexpr int WRITE_DELTA_C = 256;
inline constexpr const wchar_t* YES_NO_C[2] = {L"no", L"yes"};

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
  // What the codes of the "xml:lang" attributes read so far show of how
  // they are written (emptied when a load starts), and the one form each
  // set stands for.
  TLanguageIdKinds GetLanguageIdKinds() const { return FLanguageIdKinds; }
  TLanguageIdCases GetLanguageIdCases() const { return FLanguageIdCases; }
  TLanguageIdScripts GetLanguageIdScripts() const { return FLanguageIdScripts; }
  TLanguageIdKind GetLanguageIdKind() const;
  TLanguageIdCase GetLanguageIdCase() const;
  TLanguageIdScript GetLanguageIdScript() const;
  // Adds what the code `id` shows to the three sets.
  void DetectLanguageId(const std::wstring& id);
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

  std::wstring WriteToString() override;
  Rtl::TBytes WriteToBytes() override;


  // ===== Writing (QdXml/Writer.cpp) ===========================================
  // Output goes through the text writer: a file replaced at Close, the
  // caller's stream, or memory. The default layout indents by two spaces per
  // open element; with xoKeepFormat the recorded whitespace is written back
  // instead. Markup never ends early: the writer raises on a comment, CDATA
  // section, processing instruction or script that holds its own end and on
  // names that are not names, and always writes "<", a bare "&", an
  // attribute's own quote and the ">" of "]]>" in content as references.

  // Output to a file (replaced at Close), a stream, or memory.
  void Rewrite(const std::wstring& fileName);
  void Rewrite(Rtl::TStream& stream);
  void Rewrite();
  // UTF-16 LE text without BOM or generated declaration into memory.
  void RewriteString();
  // Forgets the root and closes the text writer (the file is replaced).
  void Close();
  // Throws the output away; a target file stays as it was.
  void Cancel();
  bool IsOpen() const;

  // The whole tree (or `root` alone); on any exception the output is
  // cancelled, so a target file keeps its old content.
  void WriteFile(const std::wstring& fileName, TXmlElement* root = nullptr);
  void WriteFile(Rtl::TStream& stream);
  static void WriteFileFromRoot(const std::wstring& fileName, TXmlElement* root);
  void WriteItems();
  void WriteElement(TXmlElement* element, bool indent);

  // --- Direct writing.
  void WriteStartTag(const std::wstring& name, const TXmlAttributes* attributes = nullptr, bool lineEnd = true,
                     TXmlElementWriteMode writeMode = xwSingleLine, const std::wstring& whiteSpaces = L"");
  void WriteStartTag(const std::wstring& name, const std::wstring& attributeName,
                     const std::wstring& attributeValue, bool lineEnd = true,
                     TXmlElementWriteMode writeMode = xwSingleLine, const std::wstring& whiteSpaces = L"");
  void WriteEndTag(bool writeLeadingSpaces = true, const std::wstring& whiteSpaces = L"");
  void WriteSingleElement(const std::wstring& name, const TXmlAttributes* attributes,
                          TXmlElementWriteMode writeMode = xwSingleLine, const std::wstring& startWhiteSpaces = L"",
                          const std::wstring& endWhiteSpaces = L"");
  void WriteSingleElement(TXmlElement* element, TXmlElementWriteMode writeMode = xwSingleLine);
  void WriteDeclaration(TXmlElement* element);
  void WriteDocType(const std::wstring& value);
  void WriteElementDeclaration(const std::wstring& value);
  void WriteCData(const std::wstring& value);
  void WriteComment(const std::wstring& value);
  void WriteScript(const std::wstring& value);
  void WriteProcessing(const std::wstring& value);
  void WriteText(const std::wstring& value);
  void WriteEmptyLine();
  void WriteNewLine();

  // --- Typed writers: content of the open element, or a whole element
  // (nothing when `optional` and the value equals `Default`).
  void WriteString(const std::wstring& value);
  void WriteString(const std::wstring& name, const std::wstring& value, const TXmlAttributes* attributes,
                   const std::wstring& Default = L"", bool optional = true, bool indent = true);
  void WriteString(const std::wstring& name, const std::wstring& value, const std::wstring& Default = L"",
                   bool optional = true, bool indent = true);
  void WriteInteger(std::int64_t value);
  void WriteInteger(const std::wstring& name, std::int64_t value, const TXmlAttributes* attributes,
                    std::int64_t Default = 0, bool optional = true, bool indent = true);
  void WriteInteger(const std::wstring& name, std::int64_t value, std::int64_t Default = 0, bool optional = true,
                    bool indent = true);
  void WriteFloat(double value);
  void WriteFloat(const std::wstring& name, double value, const TXmlAttributes* attributes, double Default = 0,
                  bool optional = true, bool indent = true);
  void WriteFloat(const std::wstring& name, double value, double Default = 0, bool optional = true,
                  bool indent = true);
  void WriteBoolean(bool value);
  void WriteBoolean(const std::wstring& name, bool value, const TXmlAttributes* attributes, bool Default = false,
                    bool optional = true, bool indent = true);
  void WriteBoolean(const std::wstring& name, bool value, bool Default = false, bool optional = true,
                    bool indent = true);
  void WriteDateTime(Rtl::TDateTime value);
  void WriteDateTime(const std::wstring& name, Rtl::TDateTime value, const TXmlAttributes* attributes,
                     Rtl::TDateTime Default = 0, bool optional = true, bool indent = true);
  void WriteDateTime(const std::wstring& name, Rtl::TDateTime value, Rtl::TDateTime Default = 0,
                     bool optional = true, bool indent = true);
  void WriteEnum(const std::wstring& name, const Rtl::TEnumInfo* typeInfo, int value, int Default);
  void WriteSet(const std::wstring& name, const Rtl::TSetInfo& typeInfo, int size, const void* value,
                const void* Default);
  void WriteStrings(const std::wstring& name, const Rtl::TStringList& value, int count,
                    const std::wstring& itemName);
  void WriteStrings(const std::wstring& name, const Rtl::TStringList& value, const std::wstring& itemName) {
    WriteStrings(name, value, -1, itemName);
  }
  void WriteFiles(const std::wstring& name, const std::wstring& dir, const Rtl::TStringList& value, int count,
                  const std::wstring& itemName);
  void WriteEncryptedString(const std::wstring& name, const std::wstring& value, int lineLength);
  void WriteCompressed(const Rtl::TBytes& value);
  void WriteCompressed(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                       int lineLength);
  void WriteBase64(const Rtl::TBytes& value);
  void WriteBase64(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                   int lineLength);
  void WriteBase32(const Rtl::TBytes& value);
  void WriteBase32(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                   int lineLength);
  void WriteBase16(const Rtl::TBytes& value);
  void WriteBase16(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                   int lineLength);
  void WriteUrl(const Rtl::TBytes& value);
  void WriteUrl(const std::wstring& name, const Rtl::TBytes& value, const TXmlAttributes* attributes,
                int lineLength);
  void WriteBinary(const Rtl::TBytes& value, TBinaryEncoding encoding);
  void WriteBinary(const std::wstring& name, const Rtl::TBytes& value, TBinaryEncoding encoding,
                   const TXmlAttributes* attributes, int lineLength);

  // --- Encoding for output.
  std::wstring EncodeString(std::wstring_view value);
  std::wstring EncodeString(std::wstring_view value, const TXmlEntityCodings& codings,
                            const TXmlPartEntities* partEntities);
  static std::wstring EncodeXmlString(const std::wstring& value);

  // --- Writing state.
  TXmlWriteOptions GetWriteOptions() const { return FWriteOptions; }
  void SetWriteOptions(TXmlWriteOptions value) { FWriteOptions = value; }
  int GetIndentSpaceCount() const { return static_cast<int>(FWriteDepth); }
  int GetStackSize() const { return static_cast<int>(FWriteDepth); }
  // The text written since the last line end.
  const std::wstring& GetWriteLine() const;
  // The in-memory output (closing an open output first).
  const Rtl::TBytes& GetOutputData();
  std::wstring GetOutputString();
  std::wstring GetIndentSpaces(int extra) const;

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
  // WriteStartTag after the name's check (the tree writer checks it first).
  void OpenTag(const std::wstring& name, const TXmlAttributes* attributes, bool lineEnd,
               TXmlElementWriteMode writeMode, const std::wstring& whiteSpaces);
  class TParser;
  friend class TParser;
  // A second reader that reads the later part of a large document on
  // another thread while this one reads the part before it; its nodes join
  // this reader's tree where its part starts.
  class TSplitReader;
  friend class TSplitReader;
  // Set on the document of such a part while it is read.
  TSplitReader* FPartOf = nullptr;
  // Where the input starts in the stream that Load reads; -1 outside Load.
  std::int64_t FInputStart = -1;
  // Reads that part from `stream` into a document root of its own.
  void ReadPart(Rtl::TStream& stream);

  void AddElement(std::unique_ptr<TXmlElement> element, TXmlElement* current);
  void ParseDocType(std::wstring_view text);

  // --- Writing state and helpers (QdXml/Writer.cpp).
  class TWriter;
  friend class TWriter;
  // A second writer that writes the later children of one large element on
  // another thread while this one writes the first ones; its bytes follow
  // this writer's at the element's end.
  class TSplitWriter;
  friend class TSplitWriter;
  // Whether the children of `element` are worth two threads: a tree of
  // many nodes, written by the text writer in a format whose pieces join.
  bool WorthSplitting(const TXmlElement* element) const;
  // Set up as a writer of a piece of `owner`'s output at its current depth.
  void SetUpAsPartOf(TXmlFile& owner);
  TXmlFileEntities& WriteEntities() const;
  void Write(std::wstring_view str, bool lineEnd = false);
  // The piece written into FOutput from `start` on is complete: ends the
  // line after it (`lineEnd`) or when it holds a line break, and flushes a
  // full buffer. Write is this after appending.
  void EndPiece(std::size_t start, bool lineEnd);
  void AppendIndent(int extra);
  void ResetOutput();
  // The writing state reset for a new output (before the text writer's Rewrite).
  void StartOutput();
  // WriteFile(stream) into the text writer's own memory, whose bytes are
  // taken over rather than copied out of a stream.
  Rtl::TBytes WriteToMemory();
  // Indentation (when `indent`) + open + value + close; a line end in the default layout.
  void WriteMarkup(std::wstring_view open, std::wstring_view value, std::wstring_view close, bool indent);
  void DoWriteDeclaration();
  void DoWriteElement(const std::wstring& name, const TXmlAttributes* attributes, const std::wstring& value,
                      bool indent);
  void DoWriteValue(const std::wstring& value);
  void WriteAttributeLines(const TXmlAttributes* attributes);
  std::wstring EncodeFormattedBase(TBinaryEncoding encoding, const Rtl::TBytes& data, int lineLength) const;
  void WriteFormattedBase16(const Rtl::TBytes& data, int lineLength);
  void WriteFormattedUrl(const Rtl::TBytes& data, int lineLength);
  void FlushPending(std::wstring& pending, std::wstring& indentation);
  // The names of the open elements: the first FWriteDepth (the strings
  // beyond are kept for reuse).
  std::vector<std::wstring> FWriteElements;
  std::size_t FWriteDepth = 0;
  // The text writer's line end, as text.
  TNewLine FNewLineKind = TNewLine{};
  std::wstring FNewLineText;
  // The current line: FWriteLine holds its flushed part, FOutput its rest
  // from FLineStart on (joined when asked for).
  mutable std::wstring FWriteLine;
  mutable std::size_t FLineStart = 0;
  // A line ended in the output since the writing began.
  bool FLineEnded = false;
  // The entity table that values are encoded with: the document's own
  // (none here), or that of the writer whose children a second writer
  // writes (read only while both run).
  TXmlFileEntities* FWriteEntities = nullptr;
  // A second writer may take over children (never for a second writer).
  bool FMaySplit = true;
  TXmlWriteOptions FWriteOptions = DEFAULT_XML_WRITE_OPTIONS_C;
  // Open elements written inline (mixed content, preserved space) in the
  // default layout: no indentation or line ends of the writer's own.
  int FInline = 0;
  // Output not yet handed to the text writer (flushed in blocks and at
  // Close).
  using TOutputBuffer = TXmlOutputBuffer;
  static constexpr std::size_t OUTPUT_BLOCK_C = 32768;
  TOutputBuffer FOutput;
  // The encoded form of one value, before it joins the output.
  std::wstring FEncoded;
  void FlushOutput();

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
  TLanguageIdCases FLanguageIdCases;
  TLanguageIdKinds FLanguageIdKinds;
  TLanguageIdScripts FLanguageIdScripts;
  void ResetLanguageIds() {
    FLanguageIdCases = {};
    FLanguageIdKinds = {};
    FLanguageIdScripts = {};
  }
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

// The unit's second thread: it reads the later part of a large document
// while the reader reads the first, and writes the later half of a large
// element's children while the tree writer writes the first; none before
// the unit started.
Rtl::TSpareThread* XmlSpareThread();

// The tree writer hands the later half of a large element's children to a
// second thread when the element holds about this many nodes or more
// (estimated from its first children); 0: every element with two children
// or more, SIZE_MAX: never. A setting for tests that compare both ways.
void SetXmlSplitWriteNodes(std::size_t nodes);
std::size_t GetXmlSplitWriteNodes();

// The reader of a whole document in memory (UTF-8, tree mode, no events)
// hands the later part of one of this many bytes or more to a second
// thread (0: any size, SIZE_MAX: never). A setting for tests that compare
// both ways.
void SetXmlSplitReadBytes(std::size_t bytes);
std::size_t GetXmlSplitReadBytes();
// How many parts read on the second thread joined their document's tree
// (since the program started).
std::size_t GetXmlSplitReadsJoined();

}  // namespace Qd
