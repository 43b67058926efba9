// TTextFile: the text formats, the reader (TextFile.cpp) and the
// class-level coding and analysis (Coding.cpp): strict UTF-8 decoding,
// UTF-8 encoding, the content tests that tell UTF-8, UTF-16 and UTF-32 from
// other bytes, line-break kinds and "\u" escapes.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"
#include "runtime/Text/Format.h"
#include "QdClasses/Objects.h"
#include "QdScript/CodePages.h"
#include "QdStream.h"
#include "QdString/UnicodeString.h"

namespace Rtl {
class TStream;
}

namespace Qd {

enum TTextFileFormat : std::uint8_t { tfAnsi, tfUtf8, tfUtf16Le, tfUtf16Be, tfUtf32Le, tfUtf32Be, tfGb18030 };
RTL_ENUM_INFO(TTextFileFormat, L"tfAnsi", L"tfUtf8", L"tfUtf16Le", L"tfUtf16Be", L"tfUtf32Le", L"tfUtf32Be",
              L"tfGb18030")
using TTextFileFormats = Rtl::TSet<TTextFileFormat, tfGb18030>;
RTL_SET_INFO(TTextFileFormats)

// The newline detector's memory of a break character whose partner is not
// yet known.
enum TNewLineCharacter : std::uint8_t { ncNone, ncLF, ncCR };

inline constexpr int MAX_LEN_C = 256;         // read buffer size in bytes
inline constexpr int CHAR_SIZE_C = 4;         // widest code unit in bytes
inline constexpr int MIN_LENGHT_C = 10;       // characters before the analysis may call data UTF-16 or UTF-32
inline constexpr int MAX_LENGHT_C = 10000;    // bytes that the UTF-16 and UTF-32 analysis looks at
inline constexpr bool DEFAULT_USE_BOM_C = true;

// An undecodable UTF-8 sequence: the 1-based position of the byte at which
// decoding failed and the data. The text has two lines: "Invalid UTF-8
// character at position %d in string:" and the data, a character per byte.
class EUft8Exception : public EQdException {
public:
  EUft8Exception(Rtl::RawByteString data, std::uint32_t index);
  static EUft8Exception CreateData(Rtl::RawByteString data, std::uint32_t index) {
    return EUft8Exception(std::move(data), index);
  }

  std::uint32_t GetIndex() const { return FIndex; }
  const Rtl::RawByteString& GetData() const { return FData; }
  void GetLines(Rtl::TStringList& lines) const override;

private:
  std::uint32_t FIndex;
  Rtl::RawByteString FData;
};

// A syntax error in a file: the offending text, its line number and the
// position in it.
class EInvalidFileException : public Rtl::Exception {
public:
  EInvalidFileException(std::wstring msg, std::wstring line, int lineNumber, int position)
      : Rtl::Exception(std::move(msg)), FLine(std::move(line)), FLineNumber(lineNumber), FPosition(position) {}

  const std::wstring& GetLine() const { return FLine; }
  int GetLineNumber() const { return FLineNumber; }
  int GetPosition() const { return FPosition; }

private:
  std::wstring FLine;
  int FLineNumber;
  int FPosition;
};

// Reads text from a file, bytes, a string or a stream. Reading goes through
// a buffer of MAX_LEN_C bytes; the first fill decides the format from a BOM
// (which wins over a chosen format), a markup start ("<" in UTF-16 or
// UTF-32, which also wins) or, unless a format was chosen, an analysis of
// the buffer.
class TTextFile {
public:
  using TData = std::span<const std::uint8_t>;

  TTextFile();
  explicit TTextFile(const std::wstring& fileName);
  TTextFile(const TTextFile&) = delete;
  TTextFile& operator=(const TTextFile&) = delete;
  // Closes; never throws.
  ~TTextFile();

  // --- Opening for reading (each resets the buffer).

  // The file, opened for reading while others may read and write it.
  void Open(const std::wstring& fileName);
  // A copy of the bytes.
  void Open(const Rtl::TBytes& data);
  // The named resource of the program module (RT_RCDATA for an empty
  // type); Rtl::EResNotFound when it is missing.
  void Open(const std::wstring& resourceName, const std::wstring& resourceType);
  // The string's UTF-16 code units (the format becomes tfUtf16Le).
  void OpenString(std::wstring_view data);
  // The caller's stream, which stays the caller's; or a stream handed over.
  void Open(Rtl::TStream& stream);
  void Open(std::unique_ptr<Rtl::TStream> stream);
  bool IsOpen() const { return FStream != nullptr; }
  // Detaches (and frees an owned) stream; the format state stays.
  // Reading: detaches the stream. Writing to a file: replaces the target
  // with the output (read-only target: an error, the target kept; a backup
  // copy first when BackupExt is set; a missing folder is made). The new
  // content is written beside the target and renamed over it, so on any
  // failure the target keeps its old content; a target with other names
  // (a hard link) is written in place.
  void Close();

  // --- Reading.

  bool Eof();
  // The byte length of the character `index` characters ahead: 2 for
  // UTF-16, 4 for UTF-32; ANSI 2 for a lead byte of 932, 949, 936 or 950;
  // UTF-8 by the lead byte (a byte that starts no character counts 1);
  // GB18030 1 below 0x80, 4 when the second byte is 0x30-0x39, else 2. A
  // character cut by the end of the data counts what is left; 0 when there
  // is none.
  int PeekCharSize(int index);
  // The `index`-th character ahead as one 16-bit value (0 when there is
  // none), not consumed; characters above U+FFFF come truncated.
  wchar_t PeekChar(int index = 0);
  // The next character, consumed; it moves past the bytes it looked at
  // even when it raises, so `while (!Eof()) ReadChar();` always ends.
  wchar_t ReadChar();
  std::wstring ReadChars(int count);
  // The next line: up to a line break when `endChar` is 0 (the break kept
  // only with IncludeLineBreak), else up to the next `endChar`, which stays
  // unread unless it starts the line. Raises EUft8Exception for invalid
  // UTF-8 and Rtl::EConvertError for a UTF-32 unit that is no Unicode
  // scalar value.
  std::wstring ReadLine(wchar_t endChar = 0);
  // Appends to `text` what consecutive ReadLine(endChar) calls would give
  // (the same lines, the same state after them), whole lines from about
  // `maxBytes` bytes decoded in one go. Only for UTF-8 and an ASCII
  // `endChar`; otherwise nothing is read. It stops before a line with a NUL
  // byte or with bytes that don't decode (ReadLine reads it as it would)
  // and after a line that starts with one of `stopAfter` (ASCII, compared
  // ignoring case). Returns the characters appended: 0 at the end of the
  // data, for another format, and when the next line is one to leave to
  // ReadLine (also one longer than `maxBytes`). With `detectNewLine` false
  // the line-break detector is left to the caller, who feeds it the text
  // through ProcessChar when it takes the text in.
  std::size_t ReadLines(std::wstring& text, wchar_t endChar, std::size_t maxBytes,
                        std::span<const std::string_view> stopAfter, bool detectNewLine = true);
  // Moves reading on to the byte `position` of the stream (at or after
  // where reading stands, at the start of a character), for a reader that
  // took the bytes between in by other means: the format and the
  // line-break detector stay as they are (the caller gives the detector
  // those bytes' breaks). Only for a stream of bytes.
  void SkipToByte(std::int64_t position);
  // The raw bytes of the next line of a byte format (ANSI, UTF-8, GB18030).
  Rtl::RawByteString ReadAnsiLine(wchar_t endChar = 0);
  // The rest of the text with its line breaks; IncludeLineBreak stays set.
  std::wstring ReadAll();
  Rtl::RawByteString ReadAnsiAll();
  // Feeds a character to the newline detector.
  void ProcessChar(wchar_t c) { ProcessNewLineChar(c, FPreviousNewLineCharacter, FNewLine); }

  // --- Writing. Rewrite forms close first and write the BOM when UseBom is
  // set; output for a file collects in memory and replaces the file at
  // Close.

  // Output for `fileName` (or the current FileName when empty). No file is
  // made before Close.
  void Rewrite(const std::wstring& fileName);
  // Output into the caller's stream.
  void Rewrite(Rtl::TStream& stream);
  // Output into memory, fetched with OutputData or OutputString.
  void RewriteData();
  // UTF-16 LE without BOM into memory: OutputString is the text written.
  void RewriteString();
  void Write(std::wstring_view str);
  void WriteLine(std::wstring_view str);
  // The formatted text (Rtl::Format).
  void Write(std::wstring_view format, Rtl::TFormatArgs args) { Write(Rtl::Format(format, args)); }
  void WriteLine(std::wstring_view format, Rtl::TFormatArgs args) { WriteLine(Rtl::Format(format, args)); }
  void WriteLineEnd();
  void WriteChar(wchar_t c) { Write(std::wstring_view(&c, 1)); }
  // Four bytes in the file's byte order.
  void WriteUCS4(std::uint32_t value);
  // Bytes as they are; only for tfAnsi ("\"%s\" file is not an ANSI file").
  void WriteAnsi(const Rtl::RawByteString& str);
  void WriteAnsiLine(const Rtl::RawByteString& str);
  // Bytes as they are, already in the file's format (no BOM, no conversion).
  void WriteBytes(const void* data, std::size_t size);
  // Throws the collected output away; the target file stays as it was.
  void Cancel();
  // Closes the object if open; the bytes of an in-memory output.
  const Rtl::TBytes& GetOutputData();
  // GetOutputData's bytes handed over (no copy); the object keeps none.
  Rtl::TBytes TakeOutputData();

  // Output collected in memory, in the blocks it was written in: taken from
  // one object and appended to another's output without being joined.
  class TOutputBlocks {
  public:
    TOutputBlocks();
    ~TOutputBlocks();
    TOutputBlocks(TOutputBlocks&&) noexcept;
    TOutputBlocks& operator=(TOutputBlocks&&) noexcept;

  private:
    friend class TTextFile;
    struct TData;
    std::unique_ptr<TData> FData;
  };
  // Closes an in-memory output (RewriteData) and hands its bytes over as
  // their blocks; the object keeps none.
  TOutputBlocks TakeOutputBlocks();
  // Appends what another object's TakeOutputBlocks gave, as WriteBytes
  // would; in-memory output takes the blocks over without a copy.
  void WriteBlocks(TOutputBlocks blocks);
  // In-memory output (RewriteData) handed on as it is written: `sink` gets
  // each block when it is full, in order, on the writing thread; the rest
  // stays for TakeOutputBlocks. Until the next Rewrite form.
  void SetOutputSink(std::function<void(TOutputBlocks)> sink);
  std::wstring GetOutputString();

  // --- Configuration and state.

  // Chooses the format by an encoding name (case-insensitive): "utf-8",
  // "utf-16"/"ucs-2"/"ISO-10646-UCS-2" (keeps a UTF-16 byte order),
  // "unicode", "unicodeFFFE", "utf-32"/"ucs-4" (keeps a UTF-32 byte order),
  // "UTF-32LE", "UTF-32BE", "GB18030", "unicode-escape" (ANSI output with
  // "\u" escapes); any other name is a code page's encoding name (tfAnsi
  // when the table knows it). Nothing for an empty name.
  void SetEncoding(const std::wstring& name);
  // The XML encoding name: "utf-8", "utf-16", "UTF-32LE", "UTF-32BE",
  // "GB18030", or for tfAnsi the code page's encoding name.
  std::wstring GetXmlEncoding() const;
  // The encoding name of the format and code page (for tfAnsi without a
  // code page, the language's).
  std::wstring GetEncoding() const { return TextFormatToEncoding(FFormat, FCodePage, FLanguage); }
  void SetFormat(TTextFileFormat format);
  void SetCodePage(std::int32_t codePage);
  const std::wstring& GetLanguage() const { return FLanguage; }
  // Stores the language; while the format is tfAnsi without a code page,
  // the code page becomes the language's.
  void SetLanguage(const std::wstring& language);
  void SetSafeCodePage(std::int32_t codePage) {
    if (FFormat == tfAnsi) FCodePage = codePage;
  }

  const std::wstring& GetBackupExt() const { return FBackupExt; }
  void SetBackupExt(std::wstring value) { FBackupExt = std::move(value); }
  // The backup of FileName gets its extension with the dot replaced by "~"
  // (notes.txt: notes.~txt); a name without extension gets "name.~".
  void SetUseBackup(bool value);
  bool GetUseBom() const { return FUseBom; }
  void SetUseBom(bool value) { FUseBom = value; }
  bool GetUnicodeEscape() const { return FUnicodeEscape; }
  void SetUnicodeEscape(bool value) { FUnicodeEscape = value; }
  TByteOrder GetByteOrder() const {
    return FFormat == tfUtf16Be || FFormat == tfUtf32Be ? boBigEndian : boLittleEndian;
  }
  bool GetAutoDetect() const { return FAutoDetect; }
  void SetAutoDetect(bool value) { FAutoDetect = value; }
  std::int64_t GetBytesRead() const;
  std::int32_t GetCodePage() const { return FCodePage; }
  TEncodingCategory GetEncodingCategory() const { return FEncodingCategory; }
  const std::wstring& GetFileName() const { return FFileName; }
  void SetFileName(std::wstring value) { FFileName = std::move(value); }
  TTextFileFormat GetFormat() const { return FFormat; }
  bool GetFormatDetected() const { return FFormatDetected; }
  bool GetFormatSet() const { return FFormatSet; }
  bool GetHasBom() const { return FHasBom; }
  bool GetIncludeLineBreak() const { return FIncludeLineBreak; }
  void SetIncludeLineBreak(bool value) { FIncludeLineBreak = value; }
  const std::wstring& GetLastLineEnd() const { return FLastLineEnd; }
  TNewLine GetNewLine() const { return FNewLine; }
  void SetNewLine(TNewLine value) { FNewLine = value; }
  std::wstring GetNewLineString() const { return NewLineToString(FNewLine); }
  int GetPercentRead() const;
  Rtl::TStream* GetStream() const { return FStream; }
  std::int64_t GetStreamSize() const { return FStreamSize; }
  int GetUnreadByteCount() const { return FDataSize - FDataIndex; }

  // --- Format detection of a stream (its position is restored, also on an
  // exception): a BOM, then (unless `checkOnlyBom`) a markup start, then
  // the analysis of the whole stream, then its code page. Streams of 2 GB
  // and more raise Rtl::EStreamError when they must be read whole.
  static void DetectFormat(Rtl::TStream& stream, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                           bool checkOnlyBom, TTextFileFormat defaultFormat, std::int32_t defaultCodePage);
  static TTextFileFormat DetectFormat(Rtl::TStream& stream, bool checkOnlyBom, TTextFileFormat defaultFormat,
                                      std::int32_t defaultCodePage);
  static void DetectFormat(const Rtl::TBytes& data, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                           bool checkOnlyBom, TTextFileFormat defaultFormat, std::int32_t defaultCodePage);
  static TTextFileFormat DetectFormat(const Rtl::TBytes& data, bool checkOnlyBom, TTextFileFormat defaultFormat,
                                      std::int32_t defaultCodePage);
  // The file, read while others may read and write it; a name with
  // wildcards or a missing file gives the defaults, code page 0, no BOM.
  static void DetectFormat(const std::wstring& fileName, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                           bool checkOnlyBom, TTextFileFormat defaultFormat, std::int32_t defaultCodePage);
  static TTextFileFormat DetectFormat(const std::wstring& fileName, bool checkOnlyBom,
                                      TTextFileFormat defaultFormat, std::int32_t defaultCodePage);
  static bool DoesFileHaveBom(const std::wstring& fileName);
  static bool DoesFileHaveBom(const Rtl::TBytes& data);
  // A BOM, markup start or analysis finds a format other than tfAnsi.
  static bool IsTextStreamStrict(Rtl::TStream& stream);
  // A BOM finds a format other than tfAnsi.
  static bool IsTextDataStrict(const Rtl::TBytes& data);
  // 0 for empty data; else the code page that a registered converter
  // detects, or `defaultCodePage` when none does.
  static std::int32_t GetCodePage(const Rtl::TBytes& data, std::int32_t defaultCodePage);
  // The same over the whole file or stream (2 GB and more: EStreamError).
  static std::int32_t GetCodePage(const std::wstring& fileName, std::int32_t defaultCodePage);
  static std::int32_t GetCodePage(Rtl::TStream& stream, std::int32_t defaultCodePage);
  // DetectFormat with the defaults tfAnsi and 0: a format other than tfAnsi
  // is text (code page 0); tfAnsi is text when a code page was found.
  static bool IsTextFile(const std::wstring& fileName);
  static bool IsTextFile(const std::wstring& fileName, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                         bool checkOnlyBom);
  static bool IsTextStream(Rtl::TStream& stream, TTextFileFormat& format, std::int32_t& codePage, bool& bom,
                           bool checkOnlyBom);
  // The strict test, or else a detected code page.
  static bool IsTextStream(Rtl::TStream& stream);
  static bool IsTextData(const Rtl::TBytes& data);
  // The encoding name of what DetectFormat finds ("" for ANSI without a
  // code page).
  static void DetectEncoding(const std::wstring& fileName, std::wstring& encoding, bool& bom);
  static void DetectEncoding(const std::wstring& fileName, std::wstring& encoding);
  static void DetectEncoding(Rtl::TStream& stream, std::wstring& encoding, bool& bom);
  static void DetectEncoding(Rtl::TStream& stream, std::wstring& encoding);
  static std::wstring DetectEncoding(const Rtl::TBytes& data);

  // --- Encoding names of formats and languages.

  // "" for tfAnsi without code page and locale; else TextFormatToEncoding.
  static std::wstring FormatToEncoding(TTextFileFormat format, std::int32_t codePage, const std::wstring& locale);
  // "utf-8", "unicode", "unicodeFFFE", "UTF-32LE", "UTF-32BE", "GB18030";
  // for tfAnsi the code page's encoding name (without a code page, that of
  // the locale's language).
  static std::wstring TextFormatToEncoding(TTextFileFormat format, std::int32_t codePage, const std::wstring& locale);
  // The code page of `category` of the language that `locale` names in the
  // system language table; 1252 when there is none.
  static std::int32_t GetLanguageCodePage(const std::wstring& locale, TEncodingCategory category);
  static std::wstring GetLanguageEncoding(const std::wstring& locale, TEncodingCategory category);

  // --- Whole files.

  // The whole text of a file read with SetEncoding(encoding) (an empty name
  // keeps detection).
  static std::wstring ReadFile(const std::wstring& fileName, const std::wstring& encoding = L"");
  static std::wstring ReadAll(const std::wstring& fileName, const std::wstring& encoding);
  // `data` as the whole file (or into the caller's stream) in the encoding,
  // with a BOM as `bom`; the file is replaced safely.
  static void WriteFile(const std::wstring& fileName, std::wstring_view data, const std::wstring& encoding,
                        bool bom);
  static void WriteFile(Rtl::TStream& stream, std::wstring_view data, const std::wstring& encoding, bool bom);
  // A file of no bytes, unless the file exists.
  static void CreateEmptyFile(const std::wstring& fileName);
  // The number of ReadLine(0) calls until Eof over a file.
  static int GetLineCount(const std::wstring& fileName);
  // The line-break kind that the reader has decided after the first line
  // of the file (the first line's own break counts: the reader has seen
  // the unit after it).
  static TNewLine DetectFileNewLine(const std::wstring& fileName);
  // The bytes `value` takes in the encoding, without BOM.
  static std::size_t CalculateLength(std::wstring_view value, const std::wstring& encoding);
  // The file opened for reading while others may not write it; none when
  // that fails. Unlock frees it.
  static std::unique_ptr<Rtl::TStream> Lock(const std::wstring& fileName);
  static void Unlock(std::unique_ptr<Rtl::TStream>& handle) { handle.reset(); }

  // The number of ReadLine(0) calls until Eof over a string.
  static int GetLineCountString(std::wstring_view data);
  // The whole text of bytes, with detection.
  static std::wstring ReadAll(const Rtl::TBytes& data);
  // Re-encodes the file `source`, read as ANSI text in `codePage` (unless
  // detection finds another format), as UTF-8 with BOM into `destination`
  // (replaced safely) or into a new memory stream positioned at 0.
  static void AnsiToUtf8(const std::wstring& source, const std::wstring& destination, std::int32_t codePage);
  static std::unique_ptr<Rtl::TStream> AnsiToUtf8(const std::wstring& source, std::int32_t codePage);
  // Re-encodes the UTF-8 file `source` as ANSI text in `codePage`.
  static void Utf8ToAnsi(const std::wstring& source, const std::wstring& destination, std::int32_t codePage);

  // --- UTF-8 coding. Only well-formed UTF-8 is accepted (no overlong forms,
  // no surrogates, nothing above U+10FFFF). A failure is placed at the first
  // byte that can't continue a well-formed sequence (C0, C1, F5-FF and a
  // stray continuation byte: that byte; E0 80, ED A0, F0 8F, F4 90: the
  // second byte); a sequence cut by the end of the data fails at its last
  // byte.

  // The length of a character by its lead byte's upper four bits: 0-7 give
  // 1, C and D 2, E 3, F 4, and 8-B (a continuation byte) 0.
  static int GetUtf8CharacterLength(std::uint8_t b);
  // Decodes `sourceBytes` bytes into at most `maxDestChars` UTF-16 units
  // including a terminating 0 and returns the units written plus one, or -1
  // for invalid input. Without a destination it only counts. `i` is the
  // bytes taken; on a failure the 1-based position of the offending byte.
  static std::ptrdiff_t Utf8ToUnicodePos(wchar_t* dest, std::size_t maxDestChars, const char* source,
                                         std::size_t sourceBytes, std::size_t& i);
  // The UTF-16 text of `value`; invalid UTF-8 raises EUft8Exception.
  static std::wstring Utf8Decode(std::string_view value);
  // The UTF-8 bytes of `value` (lone surrogates become U+FFFD).
  static Rtl::RawByteString Utf8Encode(std::wstring_view value);
  // Converts into `dest` (at most `maxDestBytes` including a terminating 0)
  // and returns the bytes written including the terminator; without a
  // destination, the bytes needed. A multi-byte sequence that doesn't fit
  // is left out whole.
  static std::size_t UnicodeToUtf8(char* dest, std::size_t maxDestBytes, const wchar_t* source,
                                   std::size_t sourceChars);

  // --- Content analysis.

  // Byte 9, 10, 13, or 0x14 and above (0x14, not 0x20: callers rely on it).
  static bool IsAscii(std::uint8_t c);
  // Whether the whole data is well-formed UTF-8 with at least one multi-byte
  // character; `asciiOnly` tells whether it held none (pure 7-bit ASCII is
  // not reported as UTF-8). A sequence cut by the end is invalid.
  static bool IsUtf8(TData data, bool& asciiOnly);
  // The same over a whole file (2 GB and more: EStreamError).
  static bool IsUtf8(const std::wstring& fileName, bool& asciiOnly);
  // Whether the file is pure 7-bit ASCII as far as the UTF-8 walk went.
  static bool IsAsciiOnlyUtf8(const std::wstring& fileName);
  // As IsUtf8 over the start of longer data: a final sequence of up to 3
  // bytes that is cut by the end of `data` but valid so far is ignored.
  static bool IsUtf8Start(TData data, bool& asciiOnly);
  // UTF-32 of either byte order: a multiple of 4 bytes, at least
  // MIN_LENGHT_C characters, every group within the first MAX_LENGHT_C bytes
  // a value up to 10FFFF.
  static bool IsUtf32Le(TData data);
  static bool IsUtf32Be(TData data);
  // UTF-16 by its zero bytes (the threshold measured against the whole
  // length, the zeros counted within the first MAX_LENGHT_C bytes).
  static bool CheckUtf16(TData data, TTextFileFormat& format);
  // UTF-32 LE, UTF-32 BE, UTF-8, UTF-16: the first that fits sets `format`.
  static bool AnalyzeFormat(TData data, TTextFileFormat& format);
  // As AnalyzeFormat over the start of longer data (IsUtf8Start).
  static bool AnalyzeStart(TData data, TTextFileFormat& format);

  // --- Formats and names.

  // The length of the format's byte-order mark; a value outside the
  // enumeration raises "Error Message".
  static int GetBomLength(TTextFileFormat format);
  // The display name; a value outside the enumeration raises "Not
  // implemented".
  static std::wstring GetFormatName(TTextFileFormat format);
  // The format's encoding category and back; categories without a format
  // and values outside the enumerations raise "Not implemented".
  static TEncodingCategory FormatToEcodingCategory(TTextFileFormat format);
  static TTextFileFormat EcodingCategoryToFormat(TEncodingCategory category);

  // The format that an encoding name gives (case-insensitive): "utf-8",
  // "unicode", "unicodeFFFE", "UTF-32LE", "UTF-32BE" and "GB18030" their own;
  // "utf-16", "ucs-2" and "ISO-10646-UCS-2" `current` when that is a UTF-16
  // format, else tfUtf16Le; any other name tfAnsi.
  static TTextFileFormat EncodingToTextFormat(std::wstring_view encoding, TTextFileFormat current);
  // The format with current = tfAnsi, and the code page the table gives
  // for the name.
  static void EncodingToTextFormat(const std::wstring& encoding, TTextFileFormat& format, std::int32_t& codePage);

  // Raises EInvalidFileException with the lines "Invalid file: %s" (the name
  // without its folder, only for a name), `description`, `msg` (only when
  // not empty), "At position %d" or, with a line counter above 0, "At
  // position %d, on line %d", and `line` in double quotes; CR LF between.
  [[noreturn]] static void InvalidFile(std::wstring_view fileName, std::wstring_view line,
                                       std::wstring_view description, std::wstring_view msg, int lineCounter,
                                       int position);

  // --- Line breaks.

  // The characters of a line break; a value outside raises "Error Message".
  static std::wstring NewLineToString(TNewLine value);
  // One step of the newline detector: the character after a break character
  // decides the kind.
  static void ProcessNewLineChar(wchar_t c, TNewLineCharacter& previous, TNewLine& newLine);
  // The kind of line break in `str` (nlCrLf when nothing decides).
  static TNewLine DetectNewLine(std::wstring_view str);

  // Characters above 127 as "\u" plus four upper-case hexadecimal digits;
  // backslash, BS, TAB, LF, FF, CR, double quote and apostrophe as their
  // two-character escapes when listed in `extraChars`.
  static std::wstring WideToUnicodeEscape(std::wstring_view wideStr, std::wstring_view extraChars);

private:
  // Refills the buffer and returns the unread bytes; the first fill detects
  // the format.
  int ReadData();
  void DetectAtFirstFill();
  // The size in bytes of the units that lines are read in.
  int UnitSize() const;
  // Refills the buffer when fewer than CHAR_SIZE_C bytes remain behind the
  // byte `index` ahead of the read position.
  void CheckData(int index);
  // The byte length of the character at `offset` bytes ahead (0: none).
  int CharSizeAt(int offset);
  // Walks `index` characters; the offset of the next one (-1: none).
  int CharOffset(int index);
  // Takes the next unit of `size` bytes in the file's byte order (a unit cut
  // by the end of the data is what is left); false when nothing is left.
  bool NextUnit(int size, std::uint32_t& c, int& taken);
  bool PeekUnit(int size, std::uint32_t& c, int& taken);
  // The units of the next line as read by the line procedure.
  std::vector<std::uint32_t> ReadUnits(wchar_t endChar);
  // The same for a byte format up to a line break, taking runs of bytes.
  Rtl::RawByteString ReadByteLine();
  void DoWriteHeader();
  // Ends the output: an in-memory output becomes OutputData; true when a
  // stream was open.
  bool DoClose(bool keepOutput);
  void ResetBuffer() {
    FDataIndex = 0;
    FDataSize = 0;
  }

  bool FAutoDetect = false;
  std::wstring FBackupExt;
  std::int32_t FCodePage = 0;
  TEncodingCategory FCodePageCategory = ecAnsi;
  // MAX_LEN_C bytes; ReadLines makes room for its blocks.
  std::vector<std::uint8_t> FData = std::vector<std::uint8_t>(MAX_LEN_C);
  int FDataIndex = 0;
  int FDataSize = 0;
  TEncodingCategory FEncodingCategory = ecAnsi;
  std::wstring FFileName;
  TTextFileFormat FFormat = tfAnsi;
  bool FFormatDetected = false;
  bool FFormatSet = false;
  bool FHasBom = false;
  bool FIncludeLineBreak = false;
  std::wstring FLanguage;
  std::wstring FLastLineEnd;
  TNewLine FNewLine = nlCrLf;
  TNewLineCharacter FPreviousNewLineCharacter = ncNone;
  Rtl::TStream* FStream = nullptr;
  std::unique_ptr<Rtl::TStream> FOwnedStream;  // set when the object owns FStream
  std::int64_t FStreamSize = 0;
  // The stream's position as the reader left it (no call into the stream
  // per character: a file stream's position is a system call).
  std::int64_t FStreamPosition = 0;
  Rtl::TBytes FOutputData;
  std::string FEncoded;  // the bytes of one Write, kept for the next
  bool FToFile = false;       // the output replaces FFileName at Close
  bool FToMemory = false;     // the output is collected in FOwnedStream
  bool FUnicodeEscape = false;
  bool FUseBom = DEFAULT_USE_BOM_C;
  bool FIsStreamUtf16 = false;
};

}  // namespace Qd
