// The reader of TXmlFile. The parser keeps the decoded text that is not yet
// parsed in a buffer with a cursor: chunks of the text reader (each ending
// before a "<") are appended, consumed text is only dropped from the front
// once it is more than half of the buffer, and every search for the end of
// a construct starts where the previous search of that construct stopped,
// so no construct is scanned twice. Replacement text of entities met in
// content is read from a stack of sources above the buffer.
#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "QdClasses/File.h"
#include "QdString/UnicodeString.h"
#include "QdTextFile/TextFile.h"
#include "QdXml/File.h"
#include "QdXml/Strings.h"
#include "QdXml/Characters.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Threads.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/IO/Strings.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

constexpr std::size_t npos = std::wstring::npos;

// FindAny in `t` from `from` on: the offset, or npos.
template <class... TUnits>
inline std::size_t FindAnyFrom(std::wstring_view t, std::size_t from, TUnits... units) {
  if (from >= t.size()) return npos;
  const std::size_t k = from + FindAny(t.data() + from, t.size() - from, units...);
  return k == t.size() ? npos : k;
}
inline std::size_t FindChar(std::wstring_view t, std::size_t from, wchar_t a) { return FindAnyFrom(t, from, a); }
// The offset of `str` in `t` from `from` on, or npos.
inline std::size_t FindText(std::wstring_view t, std::wstring_view str, std::size_t from) {
  if (str.empty()) return from <= t.size() ? from : npos;
  for (std::size_t k = FindChar(t, from, str[0]); k != npos && str.size() <= t.size() - k;
       k = FindChar(t, k + 1, str[0]))
    if (t.compare(k, str.size(), str) == 0) return k;
  return npos;
}

[[noreturn]] void IntInvalidXml(std::wstring_view line) {
  if (line.empty()) throw Rtl::Exception(Rtl::LoadResString(SXmlInvalid));
  throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlInvalidAtLine), {std::wstring(line)}));
}

// --- Well-formedness (xoStrict) ---------------------------------------------------

bool IsNameStart(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' ||
         (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
         (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xD800 && c <= 0xDB7F) ||  // the high surrogates of U+10000-U+EFFFF
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD);
}

bool IsNameChar(wchar_t c) {
  return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.' || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040) || (c >= 0xDC00 && c <= 0xDFFF);
}

bool IsName(std::wstring_view name) {
  if (name.empty() || !IsNameStart(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(), IsNameChar);
}

// The first unit that is no XML character (a lone surrogate included), or npos.
std::size_t FindBadChar(std::wstring_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\t' || c == L'\n' || c == L'\r' || (c >= 0x20 && c < 0xD800) || (c >= 0xE000 && c <= 0xFFFD)) continue;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    return i;
  }
  return npos;
}

// Whether decoding could find or record anything: a reference or one of the
// predefined characters written plainly. Texts without them are taken as
// they are (their codings are empty).
bool HasSpecial(std::wstring_view text) {
  return FindAny(text.data(), text.size(), L'&', L'<', L'>', L'\'', L'"') != text.size();
}

bool IsCharValue(unsigned long v) {
  return v == 9 || v == 10 || v == 13 || (v >= 0x20 && v <= 0xD7FF) || (v >= 0xE000 && v <= 0xFFFD) ||
         (v >= 0x10000 && v <= 0x10FFFF);
}

// The text of a character reference between "&" and ";" ("#n", "#xh")
// names a character that XML allows.
bool IsCharReference(std::wstring_view ref) {
  if (ref.size() < 2 || ref[0] != L'#') return false;
  const bool hex = ref[1] == L'x';
  std::wstring_view digits = ref.substr(hex ? 2 : 1);
  while (digits.size() > 1 && digits[0] == L'0') digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 8) return false;
  unsigned long value = 0;
  for (wchar_t c : digits) {
    const int d = c >= L'0' && c <= L'9'          ? c - L'0'
                  : hex && c >= L'a' && c <= L'f' ? c - L'a' + 10
                  : hex && c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                  : -1;
    if (d < 0) return false;
    value = value * (hex ? 16 : 10) + static_cast<unsigned long>(d);
  }
  return IsCharValue(value);
}

// Calls `each` with the text between every "&" of `text` and the ";" after
// it ("name", "#n", "#xh"), or with an empty text for an "&" that no ";"
// follows; stops when `each` returns false and returns false then.
template <class TEach>
bool ForEachReference(std::wstring_view text, TEach each) {
  for (std::size_t i = text.find(L'&'); i != npos; i = text.find(L'&', i + 1)) {
    const std::size_t semicolon = text.find(L';', i);
    if (!each(semicolon == npos ? std::wstring_view() : text.substr(i + 1, semicolon - i - 1))) return false;
    if (semicolon == npos) break;
    i = semicolon;
  }
  return true;
}

// Whether the text of a reference (see ForEachReference) is a name or a
// character that XML allows.
bool IsReference(std::wstring_view ref) {
  return !ref.empty() && (ref[0] == L'#' ? IsCharReference(ref) : IsName(ref));
}

// A read-only stream over the caller's bytes, which are neither copied nor
// owned: the reader only reads its input.
class TBytesView : public Rtl::TCustomMemoryStream {
public:
  explicit TBytesView(const Rtl::TBytes& data) : TBytesView(data.data(), data.size()) {}
  TBytesView(const std::uint8_t* data, std::size_t size) {
    SetPointer(const_cast<std::uint8_t*>(data), static_cast<std::int64_t>(size));
  }
  int Write(const void*, int) override { throw Rtl::EStreamError(Rtl::LoadResString(Rtl::SStreamSetSize)); }
};

// What the bytes of a UTF-8 input before a place decode to, when they are
// well-formed UTF-8 (each reader makes sure that it decoded its text in
// blocks, which only well-formed text without NUL is): the UTF-16 units and
// the line breaks (counted as the parser counts them: CR LF and LF CR are
// one). Valid is false when a declaration at the start holds other than
// ASCII (it may have been decoded otherwise).
struct TUtf8Prefix {
  bool Valid = false;
  std::size_t Units = 0;
  std::size_t Lines = 0;
};

// The number of high bits set in a word whose other bits are clear (the
// masks of the scans below), without a call for a population count.
inline std::size_t HighBits(std::uint64_t mask) {
  return static_cast<std::size_t>(((mask >> 7) * 0x0101010101010101ULL) >> 56);
}

// The sum of the eight byte counts of `lanes` (each at most 255).
inline std::size_t SumLanes(std::uint64_t lanes) {
  constexpr std::uint64_t EVEN_C = 0x00FF00FF00FF00FFULL;
  const std::uint64_t pairs = (lanes & EVEN_C) + ((lanes >> 8) & EVEN_C);
  return static_cast<std::size_t>((pairs * 0x0001000100010001ULL) >> 48);
}

// Of eight bytes of UTF-8 text, the high bit of each continuation byte
// (10xxxxxx) and of each leading byte of four (11110xxx).
constexpr std::uint64_t HIGH_BITS_C = 0x8080808080808080ULL;
inline std::uint64_t ContinuationBytes(std::uint64_t w) { return w & ~(w << 1) & HIGH_BITS_C; }
inline std::uint64_t FourByteLeads(std::uint64_t w) {
  return w & (w << 1) & (w << 2) & (w << 3) & ~(w << 4) & HIGH_BITS_C;
}

// The UTF-16 units that eight bytes of UTF-8 text begin: every byte but the
// continuation bytes one, the leading bytes of four one more.
inline std::size_t Utf8UnitsInWord(std::uint64_t w) {
  return 8 - HighBits(ContinuationBytes(w)) + HighBits(FourByteLeads(w));
}

// Counts of many words kept per byte (the scans below): added up only every
// 255 words, without a multiplication per word (slow where words are two
// registers).
struct TLaneCounts {
  std::uint64_t Lanes = 0;
  std::size_t Total = 0;
  void Add(std::uint64_t highBits) { Lanes += highBits >> 7; }
  void Settle() {
    Total += SumLanes(Lanes);
    Lanes = 0;
  }
};

#if defined(RTL_SSE2_PATHS)
// Byte counts of up to 255 blocks of sixteen bytes, one per lane (a lane of
// a comparison's result is -1 where it holds): their sum.
RTL_SSE2 inline std::size_t SumByteLanes(__m128i lanes) {
  const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
  return static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
         static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
}

// Adds to the lanes of `continuations` and `fours` the continuation bytes
// (10xxxxxx) and the leading bytes of four (11110xxx) among sixteen bytes.
RTL_SSE2 inline void CountUtf8Bytes(__m128i v, __m128i& continuations, __m128i& fours) {
  continuations = _mm_sub_epi8(continuations, _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xC0))),
                                                             _mm_set1_epi8(static_cast<char>(0x80))));
  fours = _mm_sub_epi8(fours, _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xF8))),
                                             _mm_set1_epi8(static_cast<char>(0xF0))));
}

// ScanUtf8Prefix's blocks of sixteen bytes from p while they hold no CR:
// their units and lines added to `result`; where they end.
RTL_SSE2 const std::uint8_t* ScanUtf8Blocks(const std::uint8_t* p, const std::uint8_t* stop, TUtf8Prefix& result,
                                            bool& lastLf) {
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  while (stop - p >= 16) {
    __m128i lines = _mm_setzero_si128(), continuations = lines, fours = lines;
    std::size_t blocks = 0;
    for (; blocks < 255 && stop - p >= 16; ++blocks, p += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)) != 0) break;
      const __m128i isLf = _mm_cmpeq_epi8(v, lf);
      lines = _mm_sub_epi8(lines, isLf);
      CountUtf8Bytes(v, continuations, fours);
      lastLf = (_mm_movemask_epi8(isLf) & 0x8000) != 0;
    }
    result.Lines += SumByteLanes(lines);
    result.Units += 16 * blocks - SumByteLanes(continuations) + SumByteLanes(fours);
    if (blocks < 255) break;  // a CR, or the end
  }
  return p;
}

// Utf8BytesOfUnits's blocks of 64 bytes while their units stay within
// `units`: where they end, and `u` the units before it.
RTL_SSE2 std::size_t Utf8UnitBlocks(const std::uint8_t* p, std::size_t n, std::size_t units, std::size_t& u) {
  std::size_t b = 0;
  while (b + 64 <= n) {
    __m128i continuations = _mm_setzero_si128(), fours = continuations;
    for (std::size_t k = 0; k < 64; k += 16)
      CountUtf8Bytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + b + k)), continuations, fours);
    const std::size_t inBlock = 64 - SumByteLanes(continuations) + SumByteLanes(fours);
    if (u + inBlock > units) break;
    u += inBlock;
    b += 64;
  }
  return b;
}
#endif

TUtf8Prefix ScanUtf8Prefix(const std::uint8_t* data, std::size_t size, std::size_t start, std::size_t place) {
  TUtf8Prefix result;
  const std::uint8_t* p = data + start;
  const std::uint8_t* const stop = data + place;
  const std::uint8_t* const end = data + size;
  // A declaration is read before the encoding it names applies.
  static constexpr char DECLARATION_C[] = "<?xml";
  if (static_cast<std::size_t>(end - p) >= 5 && std::equal(p, p + 5, DECLARATION_C)) {
    for (const std::uint8_t* q = p; q < end && !(q > p && q[-1] == '?' && q[0] == '>'); ++q)
      if (*q >= 0x80) return result;
  }
  constexpr std::uint64_t ONES_C = 0x0101010101010101ULL;
  constexpr std::uint64_t LOW_C = 0x7F7F7F7F7F7F7F7FULL;
  // The high bit of each zero byte of `v`, exactly.
  const auto zeros = [](std::uint64_t v) { return ~(((v & LOW_C) + LOW_C) | v | LOW_C); };
  bool lastCr = false, lastLf = false;
  // One byte: a leading byte is a unit (two for four bytes), a line break
  // counts as the parser counts it, any other byte ends a break.
  const auto one = [&](std::uint8_t b) {
    result.Units += ((b & 0xC0) != 0x80 ? 1u : 0u) + (b >= 0xF0 ? 1u : 0u);
    if (b == '\n') {
      if (!lastCr) ++result.Lines;
      lastLf = !lastCr;
      lastCr = false;
    } else if (b == '\r') {
      if (!lastLf) ++result.Lines;
      lastCr = !lastLf;
      lastLf = false;
    } else {
      lastCr = lastLf = false;
    }
  };
  TLaneCounts lines, continuations, fours;
  std::size_t words = 0;
#if defined(RTL_SSE2_PATHS)
  const bool sse2 = Rtl::Cpu::HasSse2();
#endif
  for (; stop - p >= 8; p += 8) {
#if defined(RTL_SSE2_PATHS)
    // Blocks of sixteen where the processor can, up to a CR.
    if (sse2 && !lastCr) {
      p = ScanUtf8Blocks(p, stop, result, lastLf);
      if (stop - p < 8) break;
    }
#endif
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (lastCr || zeros(word ^ (ONES_C * '\r')) != 0) {
      for (int i = 0; i < 8; ++i) one(p[i]);
      continue;
    }
    // Without CR (and none before it): each LF is a line; the bytes of
    // longer sequences are never CR or LF.
    const std::uint64_t lf = zeros(word ^ (ONES_C * '\n'));
    lines.Add(lf);
    lastLf = (lf >> 63) != 0;
    continuations.Add(ContinuationBytes(word));
    fours.Add(FourByteLeads(word));
    if (++words % 255 == 0) {
      lines.Settle();
      continuations.Settle();
      fours.Settle();
    }
  }
  lines.Settle();
  continuations.Settle();
  fours.Settle();
  result.Lines += lines.Total;
  // Every continuation byte counted is one of the words' bytes.
  result.Units += 8 * words - continuations.Total + fours.Total;
  for (; p < stop; ++p) one(*p);
  result.Valid = true;
  return result;
}

// The bytes of the first `units` UTF-16 units of the well-formed UTF-8
// text p[0, n): eight bytes at a time, the last ones one by one.
std::size_t Utf8BytesOfUnits(const std::uint8_t* p, std::size_t n, std::size_t units) {
  std::size_t b = 0, u = 0;
  // Sixty-four bytes at a time while the units stay within the count.
#if defined(RTL_SSE2_PATHS)
  if (Rtl::Cpu::HasSse2()) b = Utf8UnitBlocks(p, n, units, u);
#endif
  while (b + 64 <= n) {
    TLaneCounts continuations, fours;
    for (std::size_t k = 0; k < 64; k += 8) {
      std::uint64_t w;
      std::memcpy(&w, p + b + k, 8);
      continuations.Add(ContinuationBytes(w));
      fours.Add(FourByteLeads(w));
    }
    continuations.Settle();
    fours.Settle();
    const std::size_t inBlock = 64 - continuations.Total + fours.Total;
    if (u + inBlock > units) break;
    u += inBlock;
    b += 64;
  }
  while (b + 8 <= n) {
    std::uint64_t w;
    std::memcpy(&w, p + b, 8);
    const std::size_t inWord = Utf8UnitsInWord(w);
    if (u + inWord > units) break;
    u += inWord;
    b += 8;
  }
  // A sequence begun before stays whole.
  while (b < n && (p[b] & 0xC0) == 0x80) ++b;
  while (u < units && b < n) {
    const std::uint8_t lead = p[b];
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    u += length == 4 ? 2 : 1;
    b += length;
  }
  return std::min(b, n);
}

// A source of replacement text: the entity's value and the cursor in it.
struct TSource {
  const TXmlEntity* Entity;
  std::size_t Pos;
  std::size_t Depth;  // open elements when it was pushed: its markup must be balanced
};

}  // namespace

class TXmlFile::TParser {
public:
  explicit TParser(TXmlFile& owner) : F(owner), FText(*owner.FFile) {}

  TXmlFile& F;
  TTextFile& FText;
  std::wstring FLine;      // the buffered text of the input
  std::size_t FPos = 0;    // the cursor in FLine
  std::vector<TSource> FSources;  // replacement texts being read, innermost last
  int FLineCounter = 1;
  int FLinePosition = 1;
  bool FLastCr = false;    // the last character counted was a CR (CR LF is one break)
  bool FLastLf = false;
  // The pending whitespace: its text; the node is made only when it is added.
  std::wstring FWhiteSpaceText;
  bool FWhiteSpace = false;
  // The text is copied into a buffer whose room is used again: most
  // whitespace is never kept in a node.
  void SetWhiteSpace(const std::wstring& text) {
    FWhiteSpaceText.assign(text);
    FWhiteSpace = true;
  }
  // The forms of a language code are looked at once per code and load: a
  // document repeats a few codes many times (up to this many are kept).
  static constexpr std::size_t LANGUAGE_IDS_KEPT_C = 256;
  std::unordered_set<std::wstring> FLanguageIds;
  void DetectLanguageId(const std::wstring& id) {
    if (FLanguageIds.contains(id)) return;
    if (FLanguageIds.size() < LANGUAGE_IDS_KEPT_C) FLanguageIds.insert(id);
    F.DetectLanguageId(id);
  }
  // Buffers of the readers below, kept for their room.
  std::wstring FEndName, FLeading, FTextBuffer;
  std::unique_ptr<TXmlElement> TakeWhiteSpace() {
    auto node = std::make_unique<TXmlElement>(L"", xeWhiteSpace);
    node->SetValue(FWhiteSpaceText);
    FWhiteSpaceText.clear();
    FWhiteSpace = false;
    return node;
  }
  bool FStop = false;      // reading stops (invalid data, declaration only, cancel)
  std::size_t FDeepest = 0;  // the most elements open at once

  // --- The current source -----------------------------------------------

  bool InEntity() const { return !FSources.empty(); }
  // (No range checks: the cursors never pass the ends of their texts.)
  [[gnu::always_inline]] std::wstring_view Text() const {
    if (FSources.empty()) [[likely]]
      return std::wstring_view(FLine.data() + FPos, FLine.size() - FStaged - FPos);
    const TSource& s = FSources.back();
    const std::wstring& r = s.Entity->GetReplacementText();
    return std::wstring_view(r.data() + s.Pos, r.size() - s.Pos);
  }
  // Whether more text can be appended to the current source.
  bool CanFill() { return FSources.empty() && (FStaged > 0 || !FText.Eof()); }

  // Appends the next chunk to the buffer; False when the input is used up.
  bool DoReadLine() {
    if (!FSources.empty()) return false;
    if (FStaged > 0) {
      ShowStagedChunk();
      return true;
    }
    if (FText.Eof()) return false;
    if (FPos > 4096 && FPos * 2 > FLine.size()) {
      Sync();
      FCounted = 0;
      DetectLineBreaks();
      FUndetectedStart = FUndetectedEnd = 0;
      FErased += FPos;
      FLine.erase(0, FPos);
      FHoldEnd = FHoldEnd > FPos ? FHoldEnd - FPos : 0;
      FPos = 0;
    }
    const std::size_t before = FLine.size();
    if (CanReadBlock()) {
      FStaged = FText.ReadLines(FLine, L'<', BLOCK_BYTES_C, STOP_AFTER_C, false);
      if (FStaged > 0) {
        HoldAtStopLine(before);
        ShowStagedChunk();
        return true;
      }
    }
    DetectLineBreaks();
    // Text that the blocks leave to ReadLine may not be well-formed UTF-8:
    // no part of the document is read by a second reader then.
    FReadByChunk = true;
    std::wstring chunk = FText.ReadLine(L'<');
    F.FEntities->CountRead(chunk.size());
    FChunkReads += chunk.size();
    if (F.FOnProgress) {
      const int permille = F.GetPermille();
      if (permille != F.FLastPermille) {
        F.FOnProgress(&F, FText.GetStreamSize(), FText.GetBytesRead(), F.FCancelled);
        F.FLastPermille = F.GetPermille();
      }
    }
    if (chunk.find(L'\0') != npos) {
      F.FInvalidData = true;
      FLine += chunk;
      InvalidXml(L"Null character not allowed");
      FStop = true;
      return true;
    }
    FLine += chunk;
    HoldAtStopLine(before);
    return true;
  }

  // Reading in blocks. Without events (progress, element, ignored
  // attribute: they could see how far the input was read), the text after
  // the first declaration is decoded in blocks of whole chunks up to a "<"
  // and kept at the end of the buffer, out of sight of the parser; each
  // DoReadLine shows it the next chunk, so that everything that depends on
  // what was read (the expansion limit, the places of errors) stays as it
  // is chunk by chunk. A block has no NUL and no bytes that don't decode
  // (the text reader leaves those chunks to ReadLine) and ends after a
  // chunk that starts a declaration; until the cursor has passed that chunk
  // the input is read chunk by chunk, so that an encoding the declaration
  // names applies to every byte after it.
  static constexpr std::size_t BLOCK_BYTES_C = 64 * 1024;
  static constexpr std::string_view STOP_LINES_C[] = {"<?xml"};
  static constexpr std::span<const std::string_view> STOP_AFTER_C{STOP_LINES_C};
  std::size_t FStaged = 0;   // characters at the end of FLine that the parser has not been shown
  std::size_t FErased = 0;   // characters read and dropped from the front of FLine
  std::size_t FChunkReads = 0;  // characters of the input counted as read (CountRead)
  bool FReadByChunk = false;    // a chunk was read by ReadLine, not in a block
  // Where the cursor is in the input, in characters from its start (in the
  // input, not in a replacement text).
  std::size_t InputPosition() const { return FErased + FPos; }
  // Reads on to `position` of the input without parsing what lies before it
  // (its lines, line breaks and characters are counted as when it is parsed).
  // Staged text is shown as far as the position at once, not chunk by chunk:
  // the position is where a chunk starts.
  void SkipTo(std::size_t position) {
    while (InputPosition() < position) {
      const std::size_t visible = FLine.size() - FStaged;
      if (FPos < visible) {
        FPos += std::min(position - InputPosition(), visible - FPos);
      } else if (FStaged > 0) {
        ShowStaged(std::min(position - InputPosition(), FStaged));
      } else if (!DoReadLine()) {
        return;
      }
    }
  }
  std::size_t FHoldEnd = 0;  // in FLine: no block is read while the cursor is before it
  bool CanReadBlock() const {
    return !F.FOnProgress && !F.FOnElement && !F.FOnIgnoreAttribute && !F.FLoadOnlyDeclaration && FPos >= FHoldEnd;
  }
  void ShowStagedChunk() {
    const std::size_t from = FLine.size() - FStaged;
    const std::size_t next = FindChar(FLine, from + 1, L'<');
    ShowStaged((next == npos ? FLine.size() : next) - from);
  }
  // Shows the next `count` staged characters.
  void ShowStaged(std::size_t count) {
    const std::size_t from = FLine.size() - FStaged;
    FStaged -= count;
    F.FEntities->CountRead(count);
    FChunkReads += count;
    // The line-break kind is detected from what was shown, as chunk by
    // chunk; the detector is given the shown text late, in one pass (see
    // DetectLineBreaks).
    if (FUndetectedEnd != from) {
      DetectLineBreaks();
      FUndetectedStart = from;
    }
    FUndetectedEnd = from + count;
  }
  // Shown text of blocks that the line-break detector has not been given:
  // FLine[FUndetectedStart, FUndetectedEnd). It is given before the text
  // reader reads a chunk itself (which it gives the detector as it reads),
  // before consumed text leaves the buffer, and when the load ends or fails.
  std::size_t FUndetectedStart = 0, FUndetectedEnd = 0;
  void DetectLineBreaks() {
    const std::size_t count = FUndetectedEnd - FUndetectedStart;
    FUndetectedStart = FUndetectedEnd;
    DetectLineBreaks(FLine.data() + FUndetectedEnd - count, count);
  }
  // Gives the detector the text p[0, count), characters or the bytes of
  // UTF-8 text (only CR, LF and other tell apart for it).
  template <class TChar>
  void DetectLineBreaks(const TChar* p, std::size_t count) {
    if (count == 0) return;
    // Only a break character and the one after it change the detector's
    // state (the first character may follow a break given before).
    FText.ProcessChar(static_cast<wchar_t>(p[0]));
    std::size_t done = 1;  // characters before this were given to the detector
    for (std::size_t k = 0; k < count;) {
      const std::size_t b = k + FindAny(p + k, count - k, L'\r', L'\n');
      if (b == count) break;
      // The break and the character after it.
      for (std::size_t j = std::max(b, done); j <= b + 1 && j < count; ++j)
        FText.ProcessChar(static_cast<wchar_t>(p[j]));
      done = std::max(done, std::min(b + 2, count));
      k = b + 1;
    }
  }
  // Holds block reading when the text read from `from` on ends with a chunk
  // that starts a declaration.
  void HoldAtStopLine(std::size_t from) {
    const std::size_t k = FLine.rfind(L'<');
    if (k == npos || k < from) return;
    const std::wstring_view chunk = std::wstring_view(FLine).substr(k);
    if (chunk.size() >= 5 && Rtl::AsciiSameText(chunk.substr(0, 5), L"<?xml")) FHoldEnd = FLine.size();
  }

  // Lines and columns are counted in the order the text is read, so that
  // CR LF and LF CR count as one break however the text was cut. In the
  // buffer they are counted late, up to the cursor when they are asked for
  // (Sync: a line number or a report), in one pass over what was read since;
  // in replacement texts as the cursor moves (the buffer is counted up to
  // the cursor before one is pushed).
  std::size_t FCounted = 0;  // in FLine: the text before it is counted
  void CountLines(const wchar_t* p, std::size_t n) {
    std::size_t k = 0;
    for (;;) {
      const std::size_t next = k + FindAny(p + k, n - k, L'\n', L'\r');
      if (next > k) {
        FLinePosition += static_cast<int>(next - k);
        FLastCr = FLastLf = false;
      }
      if (next == n) break;
      if (p[next] == L'\n') {
        if (!FLastCr) ++FLineCounter;
        FLinePosition = 1;
        FLastLf = !FLastCr;
        FLastCr = false;
      } else {
        if (!FLastLf) ++FLineCounter;
        FLinePosition = 1;
        FLastCr = !FLastLf;
        FLastLf = false;
      }
      k = next + 1;
    }
  }
  void Sync() {
    if (FPos > FCounted) CountLines(FLine.data() + FCounted, FPos - FCounted);
    FCounted = FPos;
  }
  // The line and the column of the cursor.
  int LineNumber() {
    Sync();
    return FLineCounter;
  }
  int LinePosition() {
    Sync();
    return FLinePosition;
  }

  // Moves the cursor on by `count` characters.
  void Advance(std::size_t count) {
    const std::size_t n = std::min(count, Text().size());
    if (FSources.empty()) [[likely]] {
      FPos += n;
      return;
    }
    TSource& s = FSources.back();
    CountLines(s.Entity->GetReplacementText().data() + s.Pos, n);
    s.Pos += n;
  }
  std::wstring Take(std::size_t count) {
    std::wstring result(Text().substr(0, count));
    Advance(count);
    return result;
  }
  // Take, appended to `to` (no string of its own).
  void TakeTo(std::wstring& to, std::size_t count) {
    to.append(Text().substr(0, count));
    Advance(count);
  }

  // Makes sure that text is available: pops used-up replacement texts and
  // reads chunks. False at the end of the input.
  bool Ensure() {
    for (;;) {
      if (!Text().empty()) return true;
      if (!FSources.empty()) {
        if (Strict() && FSources.back().Depth != F.FElementStack.size())
          NotWf(L"the elements of entity \"" + FSources.back().Entity->GetName() + L"\" are not balanced");
        FSources.pop_back();
        continue;
      }
      if (FStop || !DoReadLine()) return false;
    }
  }

  // The offset of `str` from the cursor in the current source, reading
  // chunks as needed; npos when the input ends first. A given `errorChar`
  // before it raises "Invalid XML".
  std::size_t GetEnd(std::wstring_view str, wchar_t errorChar = 0) {
    std::size_t from = 0;
    for (;;) {
      const std::wstring_view t = Text();
      const std::size_t found = FindText(t, str, from);
      if (found != npos) {
        if (errorChar != 0 && t.substr(0, found).find(errorChar) != npos) IntInvalidXml(L"");
        return found;
      }
      if (t.size() >= str.size()) from = t.size() - str.size() + 1;
      if (!DoReadLine()) return npos;
    }
  }

  // --- Well-formedness (xoStrict) ---------------------------------------------

  bool Strict() const { return F.FOptions.Contains(xoStrict); }
  bool FSeenNode = false;     // a node was read (a declaration must come first)
  bool FSeenDocType = false;
  bool FExternalSubset = false;  // declarations may come from outside: undeclared entities pass
  std::wstring FLastRaw;  // the raw text of the last attribute value

  void NotWf(const std::wstring& what) {
    InvalidXml(Rtl::Format(Rtl::LoadResString(SXmlNotWellFormed), {what}));
    FStop = true;
  }
  void CheckChars(std::wstring_view text, const wchar_t* where) {
    if (FindBadChar(text) != npos) NotWf(std::wstring(L"a character that XML does not allow in ") + where);
  }
  void CheckName(std::wstring_view name, const wchar_t* what) {
    if (!IsName(name)) NotWf(std::wstring(L"invalid ") + what + L" \"" + std::wstring(name) + L"\"");
  }
  // References: "&name;" to a declared entity, "&#n;" and "&#xh;" to a character.
  void CheckReferences(std::wstring_view text, bool attribute) {
    const std::wstring fault = ReferenceFault(text, attribute);
    if (!fault.empty()) NotWf(fault);
  }
  // What is wrong with the first faulty reference of `text`, or empty.
  std::wstring ReferenceFault(std::wstring_view text, bool attribute) const {
    std::wstring fault;
    ForEachReference(text, [&](std::wstring_view ref) {
      if (!ref.empty() && ref[0] == L'#') {
        if (!IsCharReference(ref)) fault = L"invalid character reference \"&" + std::wstring(ref) + L";\"";
      } else if (!IsName(ref)) {
        fault = L"\"&\" that starts no reference";
      } else if (const TXmlEntity* entity = F.FEntities->FindName(ref); entity == nullptr) {
        if (!FExternalSubset) fault = L"undeclared entity \"" + std::wstring(ref) + L"\"";
      } else if (FUnparsed.contains(ref)) {
        fault = L"reference to unparsed entity \"" + std::wstring(ref) + L"\"";
      } else if (attribute) {
        fault = AttributeFault(*entity);
      }
      return fault.empty();
    });
    return fault;
  }

  // What keeps an entity out of an attribute value, or empty: it is
  // external (or unparsed), or its replacement text, with the entities it
  // refers to, holds a "<" (a reference in it is no markup), an "&" that
  // starts no reference, or a reference to an undeclared entity.
  std::wstring AttributeFault(const TXmlEntity& entity) const {
    std::set<const TXmlEntity*> seen;
    std::vector<const TXmlEntity*> open{&entity};
    while (!open.empty()) {
      const TXmlEntity* e = open.back();
      open.pop_back();
      if (!seen.insert(e).second) continue;
      if (e->GetFormat() == xfExternal || FUnparsed.contains(e->GetName()))
        return L"reference to external entity \"" + e->GetName() + L"\" in an attribute value";
      if (e->GetFormat() != xfLocal) continue;
      const std::wstring& r = e->GetReplacementText();
      if (r.find(L'<') != npos) return L"\"<\" in the replacement text of \"" + e->GetName() + L"\" in an attribute value";
      std::wstring fault;
      ForEachReference(r, [&](std::wstring_view ref) {
        if (!IsReference(ref))
          fault = L"\"&\" that starts no reference in the replacement text of \"" + e->GetName() + L"\"";
        else if (ref[0] == L'#')
          return true;
        else if (const TXmlEntity* next = F.FEntities->FindName(ref))
          open.push_back(next);
        else if (!FExternalSubset)
          fault = L"undeclared entity \"" + std::wstring(ref) + L"\"";
        return fault.empty();
      });
      if (!fault.empty()) return fault;
    }
    return {};
  }
  // General entities declared with NDATA: never referenced by name.
  std::set<std::wstring, std::less<>> FUnparsed;
  // The default values of attribute lists, checked once the document type's
  // entities are known: the value and the number of entity declarations
  // before it (an entity it refers to must be declared before it).
  std::vector<std::pair<std::wstring, std::size_t>> FDefaults;
  std::map<std::wstring, std::size_t, std::less<>> FDeclaredAt;  // each general entity's first declaration

  // The defaults' references are known to be well formed (CheckDocType).
  void CheckDefaults() {
    std::wstring fault;
    for (const auto& [value, before] : FDefaults)
      if (!ForEachReference(value, [&, before = before](std::wstring_view ref) {
            if (ref.empty() || ref[0] == L'#') return true;
            const auto declared = FDeclaredAt.find(ref);
            const TXmlEntity* entity = F.FEntities->FindName(ref);
            if (declared == FDeclaredAt.end() || declared->second >= before || entity == nullptr) {
              if (!FExternalSubset) fault = L"undeclared entity \"" + std::wstring(ref) + L"\" in a default value";
            } else {
              fault = AttributeFault(*entity);
            }
            return fault.empty();
          }))
        return NotWf(fault);
  }

  // --- Reports -------------------------------------------------------------

  void InvalidXml(const std::wstring& msg) {
    F.FInvalidData = true;
    if (!F.FDoNotRaiseOnInvalidData) Raise(msg);
  }
  // Raises whatever DoNotRaiseOnInvalidData says.
  [[noreturn]] void Raise(const std::wstring& msg) {
    F.FInvalidData = true;
    TTextFile::InvalidFile(FText.GetFileName(), Text().substr(0, 256), Rtl::LoadResString(SXmlErrorParsing), msg,
                           LineNumber(), LinePosition());
  }
  [[noreturn]] void UnexpectedEnd() { Raise(Rtl::LoadResString(SXmlUnexpectedEnd)); }

  // --- Small readers ---------------------------------------------------------

  std::wstring RemoveWhiteSpaces() {
    std::size_t n = 0;
    for (;;) {
      const std::wstring_view t = Text();
      while (n < t.size() && IsXmlSpace(t[n])) ++n;
      if (n < t.size() || !DoReadLine()) break;
    }
    return Take(n);
  }

  std::wstring GetTagName() {
    std::wstring name;
    GetTagName(name);
    return name;
  }
  // The same into `name`, whose room is used again.
  void GetTagName(std::wstring& name) {
    name.clear();
    std::size_t n = 0;
    for (;;) {
      const std::wstring_view t = Text();
      while (n < t.size()) {
        const wchar_t c = t[n];
        if (c == L'>' || c == L'/' || c == L'?' || IsXmlSpace(c)) return TakeTo(name, n);
        if (c == L'<') {
          InvalidXml(Rtl::LoadResString(SXmlNameInvalidChar));
          return TakeTo(name, n);
        }
        ++n;
      }
      if (!DoReadLine()) UnexpectedEnd();
    }
  }

  // The text up to `delimiter`, which is consumed too.
  std::wstring TextUpTo(std::wstring_view delimiter) {
    const std::size_t end = GetEnd(delimiter);
    if (end == npos) UnexpectedEnd();
    std::wstring result = Take(end);
    Advance(delimiter.size());
    return result;
  }

  bool StartsWith(std::wstring_view s) {
    FillTo(s.size());
    return Text().starts_with(s);
  }
  // Reads chunks until the current source shows `count` characters or can
  // show no more.
  void FillTo(std::size_t count) {
    while (Text().size() < count)
      if (!DoReadLine()) break;
  }

  // --- Nodes -------------------------------------------------------------------

  void AddNode(std::unique_ptr<TXmlElement> node, TXmlElement* current) { F.AddElement(std::move(node), current); }

  // The text last read inside an element, held back as the parts of a text
  // node until something else happens to that element: when the element
  // ends with it as its only child, the fold at the end tag takes the parts
  // straight into the element, and neither the node nor the child list is
  // ever made. Anything else makes the node and adds it first.
  struct TPendingText {
    std::wstring Value, Before, After;
    TXmlEntityCodings Codings{};
    std::unique_ptr<TXmlPartEntities> Entities;  // how its references were written (a text with "&")
  };
  TPendingText FPendingText;
  bool FHasPendingText = false;
  TXmlElement* FPendingParent = nullptr;
  std::unique_ptr<TXmlPartEntities> FDecodedEntities;  // the record for the next text's references
  // The text node of `text`'s parts, which it takes.
  static std::unique_ptr<TXmlElement> MakeTextNode(TPendingText& text) {
    auto node = std::make_unique<TXmlElement>(L"", xeText);
    if (text.Entities) node->Extra().PartEntities = std::move(text.Entities);
    node->SetCodings(text.Codings);
    node->SetBeforeWhiteSpaces(std::move(text.Before));
    node->SetValue(std::move(text.Value));
    node->SetAfterWhiteSpaces(std::move(text.After));
    return node;
  }
  void FlushText() {
    if (FHasPendingText) {
      FHasPendingText = false;
      AddNode(MakeTextNode(FPendingText), FPendingParent);
    }
    FPendingParent = nullptr;
  }

  void FlushWhiteSpace(TXmlElement* current) {
    if (FWhiteSpace && F.IsKeepFormat()) AddNode(TakeWhiteSpace(), current);
  }

  std::unique_ptr<TXmlAttribute> ReadAttribute() {
    // Only the text of this attribute is looked at (never the rest of the
    // tag), so a tag with many attributes is read in one pass.
    if (Text().empty() && !DoReadLine()) UnexpectedEnd();
    std::wstring_view t = Text();
    if (t.empty() || t[0] == L'>' || t[0] == L'/' || t[0] == L'?') return nullptr;
    std::size_t n = 0;
    for (;;) {
      t = Text();
      while (n < t.size() && t[n] != L'=' && t[n] != L'>' && t[n] != L'/' && !IsXmlSpace(t[n])) ++n;
      if (n < t.size() || !DoReadLine()) break;
    }
    if (n == Text().size()) UnexpectedEnd();
    auto attribute = std::make_unique<TXmlAttribute>();
    attribute->SetName(Take(n));
    if (Strict()) CheckName(attribute->GetName(), L"attribute name");
    attribute->SetLineNumber(LineNumber());
    attribute->SetNameWhiteSpaces(RemoveWhiteSpaces());
    t = Text();
    if (t.empty()) {
      InvalidXml(Rtl::LoadResString(SXmlNoData));
      return nullptr;
    }
    if (t[0] != L'=') {
      InvalidXml(Rtl::LoadResString(SXmlNoQuote));
      return nullptr;
    }
    Advance(1);
    attribute->SetSeparatorWhiteSpaces(RemoveWhiteSpaces());
    t = Text();
    if (t.empty()) {
      InvalidXml(Rtl::LoadResString(SXmlNoData));
      return nullptr;
    }
    if (t[0] != L'"' && t[0] != L'\'') {
      InvalidXml(Rtl::LoadResString(SXmlNoQuote));
      return nullptr;
    }
    const wchar_t quote = t[0];
    attribute->SetSeparator(quote == L'"' ? xsDouble : xsSingle);
    Advance(1);
    const std::size_t end = GetEnd(std::wstring_view(&quote, 1));
    if (end == npos) UnexpectedEnd();
    if (Strict()) {
      const std::wstring_view raw = Text().substr(0, end);
      FLastRaw.assign(raw);
      if (raw.find(L'<') != npos) NotWf(L"\"<\" in an attribute value");
      CheckChars(raw, L"an attribute value");
      CheckReferences(raw, true);
    }
    std::wstring value;
    TXmlEntityCodings codings = XML_EMPTY_CODINGS_C;
    if (F.FOptions.Contains(xoNoEncodeDecode)) {
      value = Take(end);
    } else {
      TXmlEntityFormats formats = F.FEntityFormats;
      formats.Exclude(xfLocal);
      formats.Exclude(xfExternal);
      // A record of the forms only for a value with references: nodes stay small.
      const std::wstring_view raw = Text().substr(0, end);
      if (HasSpecial(raw)) {
        value = F.FEntities->DecodeString(raw, formats,
                                          raw.find(L'&') != npos ? &attribute->PartEntities() : nullptr);
        codings = F.FEntities->GetThisCodings();
      } else {
        value.assign(raw);
      }
      Advance(end);
    }
    Advance(1);
    if (F.IsRemoveWhiteSpace() && F.IsKeepFormat()) {
      std::size_t b = 0;
      while (b < value.size() && IsXmlSpace(value[b])) ++b;
      std::size_t e = value.size();
      while (e > b && IsXmlSpace(value[e - 1])) --e;
      attribute->SetBeforeWhiteSpaces(value.substr(0, b));
      attribute->SetAfterWhiteSpaces(value.substr(e));
      value = value.substr(b, e - b);
    } else if (F.IsRemoveWhiteSpace()) {
      std::size_t b = 0;
      while (b < value.size() && IsXmlSpace(value[b])) ++b;
      std::size_t e = value.size();
      while (e > b && IsXmlSpace(value[e - 1])) --e;
      value.erase(e);
      value.erase(0, b);
    }
    attribute->SetValue(std::move(value));
    codings[quote == L'"' ? xeQuot : xeApos].Include(xcEntity);
    attribute->SetCodings(codings);
    attribute->SetValueWhiteSpaces(RemoveWhiteSpaces());
    if (std::wstring_view(attribute->GetName()) == std::wstring_view(L"xml:lang")) DetectLanguageId(attribute->GetValue());
    return attribute;
  }

  void ReadDeclaration(TXmlElement* current) {
    if (Strict() && (FSeenNode || current != nullptr || LineNumber() != 1 || LinePosition() != 6)) NotWf(L"an XML declaration that is not at the start");
    auto node = std::make_unique<TXmlElement>(L"xml", xeDeclaration);
    node->SetStartWhiteSpaces(RemoveWhiteSpaces());
    int index = 0;
    static constexpr const wchar_t* ORDER_C[3] = {L"version", L"encoding", L"standalone"};
    int next = 0;
    bool spaced = !node->GetStartWhiteSpaces().empty();
    while (auto attribute = ReadAttribute()) {
      if (Strict()) {
        const std::wstring& name = attribute->GetName();
        int at = -1;
        for (int k = next; k < 3; ++k)
          if (name == ORDER_C[k]) at = k;
        if (at < 0 || (index == 0 && at != 0) || !spaced) NotWf(L"invalid XML declaration");
        next = at + 1;
        if (at >= 0 && FLastRaw != attribute->GetValue()) NotWf(L"whitespace in a value of the XML declaration");
        if (at == 1) {
          const std::wstring& v = attribute->GetValue();
          bool ok = !v.empty() && ((v[0] >= L'a' && v[0] <= L'z') || (v[0] >= L'A' && v[0] <= L'Z'));
          for (wchar_t c : v)
            if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' ||
                  c == L'_' || c == L'-'))
              ok = false;
          if (!ok) NotWf(L"invalid encoding name");
        }
        if (at == 2 && attribute->GetValue() != L"yes" && attribute->GetValue() != L"no")
          NotWf(L"invalid standalone value");
        spaced = !attribute->GetValueWhiteSpaces().empty();
      }
      ++index;
      TXmlAttribute* a = node->GetAttributes().Add(std::move(attribute));
      if (Rtl::AsciiSameText(a->GetName(), L"version")) {
        F.FVersion = a->GetValue();
        if (F.FVersion != L"1.0")
          throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlUnknownVersion), {F.FVersion}));
      } else if (Rtl::AsciiSameText(a->GetName(), L"encoding")) {
        F.FEncodingAttributeValue = a->GetValue();
        ApplyEncoding(a->GetValue());
      }
    }
    if (F.FInvalidData) {
      FStop = true;
      return;
    }
    if (Strict() && index == 0) NotWf(L"an XML declaration without version");
    if (!StartsWith(L"?>")) {
      if (Strict()) return NotWf(L"invalid XML declaration");
      UnexpectedEnd();
    }
    Advance(2);
    AddNode(std::move(node), current);
    if (F.FLoadOnlyDeclaration) FStop = true;
  }

  void ApplyEncoding(const std::wstring& value) {
    if (F.FOptions.Contains(xoIgnoreEncoding) || value.empty()) return;
    if (FText.GetFormatDetected() && TTextFile::EncodingToTextFormat(value, FText.GetFormat()) != FText.GetFormat())
      throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlEncodingConflict), {FText.GetXmlEncoding(), value}));
    if (!FText.GetHasBom()) FText.SetEncoding(value);
  }

  void ReadDocType(TXmlElement* current) {
    if (Strict() && (FSeenDocType || current != nullptr || F.FRoot != nullptr))
      NotWf(L"a document type that is not before the root element");
    FSeenDocType = true;
    Advance(8);  // "!DOCTYPE"
    // The text through the closing ">": an internal subset ends at the first
    // "]" outside literals, comments and processing instructions.
    std::size_t n = 0;
    wchar_t quote = 0;
    bool subset = false;
    std::wstring_view t = Text();
    for (;;) {
      t = Text();
      if (n >= t.size()) {
        if (!DoReadLine()) UnexpectedEnd();
        continue;
      }
      const wchar_t c = t[n];
      if (quote != 0) {
        if (c == quote) quote = 0;
        ++n;
      } else if (c == L'"' || c == L'\'') {
        quote = c;
        ++n;
      } else if (subset && c == L'<' && (t.substr(n).starts_with(L"<!--") || t.substr(n).starts_with(L"<?") ||
                                          t.size() - n < 4)) {
        if (t.size() - n < 4) {
          if (!DoReadLine()) UnexpectedEnd();
          continue;
        }
        const std::wstring_view close = t[n + 1] == L'?' ? L"?>" : L"-->";
        const std::size_t end = t.find(close, n + 2);
        if (end == npos) {
          if (!DoReadLine()) UnexpectedEnd();
          continue;
        }
        n = end + close.size();
      } else if (!subset && c == L'[') {
        subset = true;
        ++n;
      } else if (subset && c == L']') {
        subset = false;
        ++n;
      } else if (!subset && c == L'>') {
        break;
      } else {
        ++n;
      }
    }
    std::wstring text = Take(n);
    Advance(1);
    if (Strict()) CheckDocType(text);
    F.ParseDocType(text);
    if (Strict() && !FStop) CheckDefaults();
    std::size_t b = 0;
    while (b < text.size() && IsXmlSpace(text[b])) ++b;
    auto node = std::make_unique<TXmlElement>(L"", xeDocType);
    node->SetValue(text.substr(b));
    AddNode(std::move(node), current);
  }

  // The content model (EMPTY, ANY, mixed or children) of an element
  // declaration at `p`.
  static bool ContentSpec(std::wstring_view text, std::size_t& p) {
    const auto rest = [&] { return text.substr(p); };
    const auto skip = [&] {
      while (p < text.size() && IsXmlSpace(text[p])) ++p;
    };
    if (rest().starts_with(L"EMPTY")) return p += 5, true;
    if (rest().starts_with(L"ANY")) return p += 3, true;
    if (p >= text.size() || text[p] != L'(') return false;
    const std::size_t open = p;
    ++p;
    skip();
    if (rest().starts_with(L"#PCDATA")) {
      p += 7;
      bool names = false;
      for (;;) {
        skip();
        if (p < text.size() && text[p] == L')') {
          ++p;
          if (p < text.size() && text[p] == L'*') return ++p, true;
          return !names;
        }
        if (p >= text.size() || text[p] != L'|') return false;
        ++p;
        skip();
        const std::size_t start = p;
        if (p < text.size() && IsNameStart(text[p]))
          while (++p < text.size() && IsNameChar(text[p])) {
          }
        if (p == start) return false;
        names = true;
      }
    }
    p = open;
    // children: nested choices and sequences, with a stack of separators.
    std::vector<wchar_t> separators;
    for (;;) {
      if (p < text.size() && text[p] == L'(') {
        ++p;
        separators.push_back(0);
        skip();
        continue;
      }
      const std::size_t start = p;
      if (p < text.size() && IsNameStart(text[p]))
        while (++p < text.size() && IsNameChar(text[p])) {
        }
      if (p == start) return false;
      if (p < text.size() && (text[p] == L'?' || text[p] == L'*' || text[p] == L'+')) ++p;
      for (;;) {
        skip();
        if (p >= text.size() || separators.empty()) return false;
        const wchar_t c = text[p];
        if (c == L')') {
          ++p;
          separators.pop_back();
          if (p < text.size() && (text[p] == L'?' || text[p] == L'*' || text[p] == L'+')) ++p;
          if (separators.empty()) return true;
          continue;
        }
        if (c != L'|' && c != L',') return false;
        if (separators.back() != 0 && separators.back() != c) return false;
        separators.back() = c;
        ++p;
        skip();
        break;
      }
    }
  }

  // The document type's syntax: the root name, an external identifier, the
  // internal subset's declarations, comments, processing instructions and
  // parameter-entity references.
  void CheckDocType(std::wstring_view text) {
    std::size_t p = 0;
    const auto spaces = [&] {
      const std::size_t start = p;
      while (p < text.size() && IsXmlSpace(text[p])) ++p;
      return p > start;
    };
    const auto name = [&] {
      const std::size_t start = p;
      if (p < text.size() && IsNameStart(text[p]))
        while (++p < text.size() && IsNameChar(text[p])) {
        }
      return text.substr(start, p - start);
    };
    const auto literal = [&](std::wstring_view& value) {
      if (p >= text.size() || (text[p] != L'"' && text[p] != L'\'')) return false;
      const std::size_t end = text.find(text[p], p + 1);
      if (end == npos) return false;
      value = text.substr(p + 1, end - p - 1);
      p = end + 1;
      return true;
    };
    const auto externalId = [&](bool publicOnly) {
      std::wstring_view v;
      if (text.substr(p).starts_with(L"SYSTEM")) {
        p += 6;
        return spaces() && literal(v) && v.find(L'#') == npos;
      }
      if (text.substr(p).starts_with(L"PUBLIC")) {
        p += 6;
        if (!spaces() || !literal(v)) return false;
        for (wchar_t c : v)
          if (!(c == L' ' || c == L'\r' || c == L'\n' || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                (c >= L'0' && c <= L'9') || std::wstring_view(L"-'()+,./:=?;!*#@$_%").find(c) != npos))
            return false;
        const std::size_t before = p;
        const bool spaced = spaces();
        if (literal(v)) return spaced;
        p = before;
        return publicOnly;
      }
      return false;
    };
    const auto fail = [&](const wchar_t* what) { NotWf(std::wstring(L"invalid document type: ") + what); };
    // Every "&" of a literal starts a reference to a name or a character.
    const auto references = [](std::wstring_view value) { return ForEachReference(value, IsReference); };
    std::size_t declarations = 0;  // general entity declarations so far
    if (!spaces() || name().empty()) return fail(L"no root name");
    const bool spaced = spaces();
    if (p < text.size() && text[p] != L'[') {
      if (!spaced || !externalId(false)) return fail(L"invalid external identifier");
      FExternalSubset = true;
      spaces();
    }
    if (p < text.size() && text[p] == L'[') {
      ++p;
      for (;;) {
        spaces();
        if (p >= text.size()) return fail(L"the internal subset does not end");
        const std::wstring_view rest = text.substr(p);
        if (rest[0] == L']') {
          ++p;
          break;
        }
        if (rest[0] == L'%') {
          ++p;
          if (name().empty() || p >= text.size() || text[p] != L';') return fail(L"invalid parameter-entity reference");
          ++p;
          FExternalSubset = true;
        } else if (rest.starts_with(L"<!--")) {
          const std::size_t end = text.find(L"-->", p + 4);
          if (end == npos) return fail(L"a comment does not end");
          const std::wstring_view body = text.substr(p + 4, end - p - 4);
          if (body.find(L"--") != npos || (!body.empty() && body.back() == L'-')) return fail(L"\"--\" in a comment");
          p = end + 3;
        } else if (rest.starts_with(L"<?")) {
          p += 2;
          const std::wstring_view target = name();
          if (target.empty() || Rtl::AsciiSameText(target, L"xml")) return fail(L"invalid processing instruction");
          const std::size_t end = text.find(L"?>", p);
          if (end == npos || (end > p && !IsXmlSpace(text[p]))) return fail(L"invalid processing instruction");
          p = end + 2;
        } else if (rest.starts_with(L"<!ENTITY")) {
          p += 8;
          if (!spaces()) return fail(L"invalid entity declaration");
          bool parameter = false;
          if (p < text.size() && text[p] == L'%') {
            ++p;
            parameter = true;
            if (!spaces()) return fail(L"invalid entity declaration");
          }
          const std::wstring_view entityName = name();
          if (entityName.empty() || !spaces()) return fail(L"invalid entity declaration");
          if (!parameter) FDeclaredAt.try_emplace(std::wstring(entityName), ++declarations);
          std::wstring_view value;
          if (literal(value)) {
            if (value.find(L'%') != npos) return fail(L"a parameter-entity reference in an entity value");
            if (!references(value)) return fail(L"\"&\" that starts no reference");
            if (FindBadChar(value) != npos) return fail(L"a character that XML does not allow");
          } else {
            if (!externalId(false)) return fail(L"invalid entity declaration");
            const std::size_t before = p;
            if (spaces() && text.substr(p).starts_with(L"NDATA")) {
              if (parameter) return fail(L"NDATA in a parameter entity");
              p += 5;
              if (!spaces() || name().empty()) return fail(L"invalid entity declaration");
              if (FDeclaredAt[std::wstring(entityName)] == declarations) FUnparsed.emplace(entityName);
            } else {
              p = before;
            }
          }
          spaces();
          if (p >= text.size() || text[p] != L'>') return fail(L"invalid entity declaration");
          ++p;
        } else if (rest.starts_with(L"<!NOTATION")) {
          p += 10;
          if (!spaces() || name().empty() || !spaces() || !externalId(true)) return fail(L"invalid notation");
          spaces();
          if (p >= text.size() || text[p] != L'>') return fail(L"invalid notation");
          ++p;
        } else if (rest.starts_with(L"<!ELEMENT")) {
          p += 9;
          if (!spaces() || name().empty() || !spaces()) return fail(L"invalid element declaration");
          if (!ContentSpec(text, p)) return fail(L"invalid content model");
          spaces();
          if (p >= text.size() || text[p] != L'>') return fail(L"invalid element declaration");
          ++p;
        } else if (rest.starts_with(L"<!ATTLIST")) {
          p += 9;
          if (!spaces() || name().empty()) return fail(L"invalid attribute-list declaration");
          for (;;) {
            const bool spaced2 = spaces();
            if (p < text.size() && text[p] == L'>') break;
            if (!spaced2 || name().empty() || !spaces()) return fail(L"invalid attribute definition");
            static constexpr const wchar_t* TYPES_C[] = {L"CDATA", L"IDREFS", L"IDREF", L"ID", L"ENTITY",
                                                         L"ENTITIES", L"NMTOKENS", L"NMTOKEN"};
            bool typed = false;
            for (const wchar_t* type : TYPES_C)
              if (text.substr(p).starts_with(type)) {
                p += std::wstring_view(type).size();
                typed = true;
                break;
              }
            if (!typed) {
              bool notation = false;
              if (text.substr(p).starts_with(L"NOTATION")) {
                p += 8;
                if (!spaces()) return fail(L"invalid attribute type");
                notation = true;
              }
              if (p >= text.size() || text[p] != L'(') return fail(L"invalid attribute type");
              ++p;
              for (;;) {
                spaces();
                const std::size_t start = p;
                if (notation) {
                  if (name().empty()) return fail(L"invalid attribute type");
                } else {
                  while (p < text.size() && IsNameChar(text[p])) ++p;
                  if (p == start) return fail(L"invalid attribute type");
                }
                spaces();
                if (p < text.size() && text[p] == L'|') {
                  ++p;
                  continue;
                }
                if (p < text.size() && text[p] == L')') {
                  ++p;
                  break;
                }
                return fail(L"invalid attribute type");
              }
            }
            if (!spaces()) return fail(L"invalid attribute definition");
            if (text.substr(p).starts_with(L"#REQUIRED")) {
              p += 9;
            } else if (text.substr(p).starts_with(L"#IMPLIED")) {
              p += 8;
            } else {
              if (text.substr(p).starts_with(L"#FIXED")) {
                p += 6;
                if (!spaces()) return fail(L"invalid default value");
              }
              std::wstring_view value;
              if (!literal(value) || value.find(L'<') != npos) return fail(L"invalid default value");
              if (!references(value)) return fail(L"\"&\" that starts no reference");
              if (value.find(L'&') != npos) FDefaults.emplace_back(value, declarations + 1);
            }
          }
          ++p;
        } else {
          return fail(L"an unknown declaration");
        }
      }
      spaces();
    }
    if (p != text.size()) fail(L"text after the internal subset");
  }

  // The whitespace around a folded child's text goes into its element (the
  // child is freed right after); none set leaves the element's as it is.
  static void MoveBefore(TXmlElement& child, TXmlElement& element) {
    if (child.FExtra)
      element.SetBeforeWhiteSpaces(std::move(child.FExtra->Before));
    else if (child.FBeforeSpace)
      element.SetBeforeWhiteSpaces(TXmlPart::SingleSpace());
  }
  static void MoveAfter(TXmlElement& child, TXmlElement& element) {
    if (child.FExtra)
      element.SetAfterWhiteSpaces(std::move(child.FExtra->After));
    else if (child.FAfterSpace)
      element.SetAfterWhiteSpaces(TXmlPart::SingleSpace());
  }

  // The whitespace node pending or folded at an end tag, then the item stack popped.
  void ReadEndTag(std::vector<TXmlElement*>& items) {
    if (GetEnd(L">", L'<') == npos) UnexpectedEnd();
    Advance(1);  // "/"
    std::wstring& name = FEndName;
    GetTagName(name);
    if (Strict()) {
      CheckName(name, L"element name");
      if (InEntity() && F.FElementStack.size() <= FSources.back().Depth)
        NotWf(L"an end tag in entity \"" + FSources.back().Entity->GetName() + L"\" for an element opened outside it");
    }
    TXmlElement* current = items.empty() ? nullptr : items.back();
    if (FHasPendingText && FPendingParent != current) FlushText();
    if (!F.FOnElement && current == nullptr)
      throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlInvalidEndTag), {name}));
    if (current != nullptr && current->GetName() != name) {
      FlushText();
      if (F.FMakeWellFormed) {
        if (current->GetCount() == 0 && current->GetValue().empty()) current->SetElementType(xeSingle);
      } else {
        InvalidXml(Rtl::Format(Rtl::LoadResString(SXmlEndTagMismatch), {name, current->GetName()}));
      }
    }
    const std::wstring spaces = RemoveWhiteSpaces();
    if (Text().empty()) UnexpectedEnd();
    if (Strict() && Text()[0] != L'>') NotWf(L"an end tag with more than a name");
    Advance(1);  // ">"
    if (current != nullptr) {
      current->SetEndWhiteSpaces(spaces);
      if (FHasPendingText && (current->GetCount() > 0 || FWhiteSpace || !current->GetContainsText())) FlushText();
      if (FHasPendingText) {
        // The held text is the only child: folded as below, without a node.
        FHasPendingText = false;
        FPendingParent = nullptr;
        TPendingText& child = FPendingText;
        current->SetBeforeWhiteSpaces(std::move(child.Before));
        current->SetValue(std::move(child.Value));
        if (child.Entities && child.Entities->GetCount() > 0) current->SetPartEntities(*child.Entities);
        current->SetCodings(child.Codings);
        current->SetAfterWhiteSpaces(std::move(child.After));
      } else if (current->GetCount() == 0 && current->GetValue().empty() && FWhiteSpace) {
        if (current->GetElementType() == xeDouble) current->SetValue(FWhiteSpaceText);
        FWhiteSpace = false;
      } else if (current->GetCount() == 1) {
        // The only child goes into the element; its texts are moved, as the
        // child is freed right after.
        TXmlElement* child = current->GetElements(0);
        if (child->GetElementType() == xeWhiteSpace) {
          current->SetValue(std::move(child->FValue));
          if (child->HasPartEntities()) current->SetPartEntities(child->GetPartEntities());
          current->Delete(0);
        } else if (current->GetContainsText() && child->GetElementType() == xeText) {
          MoveBefore(*child, *current);
          current->SetValue(std::move(child->FValue));
          if (child->HasPartEntities()) current->SetPartEntities(child->GetPartEntities());
          current->SetCodings(child->GetCodings());
          MoveAfter(*child, *current);
          current->Delete(0);
        }
      }
      items.pop_back();
    }
    if (!F.FElementStack.empty()) F.FElementStack.pop_back();
  }

  // Returns the element when it was made and must be reported (event mode).
  void ReadStartTag(std::vector<TXmlElement*>& items, bool treeMode) {
    TXmlElement* current = items.empty() ? nullptr : items.back();
    auto element = std::make_unique<TXmlElement>(GetTagName(), xeDouble);
    if (Strict()) CheckName(element->GetName(), L"element name");
    element->SetLineNumber(LineNumber());
    element->SetStartWhiteSpaces(RemoveWhiteSpaces());
    bool spaced = !element->GetStartWhiteSpaces().empty();
    while (auto attribute = ReadAttribute()) {
      if (Strict() && !spaced) NotWf(L"attributes not separated by whitespace");
      spaced = !attribute->GetValueWhiteSpaces().empty();
      if (F.FOnIgnoreAttribute && F.FOnIgnoreAttribute(&F, attribute.get(), element.get())) continue;
      element->GetAttributes().Add(std::move(attribute));
    }
    if (F.FInvalidData) {
      FStop = true;
      return;
    }
    if (Strict() && !F.FInvalidData && !StartsWith(L">") && !StartsWith(L"/>")) NotWf(L"a start tag that does not end with \">\" or \"/>\"");
    if (F.FInvalidData) {
      FStop = true;
      return;
    }
    if (StartsWith(L"/")) {
      element->SetElementType(xeSingle);
      Advance(std::min<std::size_t>(2, Text().size()));
    } else {
      Advance(1);
      F.FElementStack.push_back(element->GetName());
      FDeepest = std::max(FDeepest, F.FElementStack.size());
      if (static_cast<int>(F.FElementStack.size()) > F.FMaxDepth)
        Raise(Rtl::Format(Rtl::LoadResString(SXmlTooDeep), {F.FMaxDepth}));
    }
    if (treeMode) {
      const bool isDouble = element->GetElementType() == xeDouble;
      TXmlElement* added = element.get();
      AddNode(std::move(element), current);
      if (isDouble) items.push_back(added);
      return;
    }
    // Event mode: report the element, then destroy it.
    const bool single = element->GetElementType() == xeSingle;
    F.FElementRead = single;
    F.FActiveElement = element.get();
    TXmlEventResult result = xrEnter;
    struct TReset {
      TXmlFile& F;
      ~TReset() { F.FActiveElement = nullptr; }
    } reset{F};
    F.FOnElement(&F, element.get(), result);
    if (result == xrSkip && !F.FElementRead) {
      F.FElementRead = true;
      F.ReadElement(element.get());
    } else if (result == xrCancel) {
      F.FCancelled = true;
      FStop = true;
    }
  }

  void ReadMarkup(std::vector<TXmlElement*>& items, bool treeMode) {
    TXmlElement* current = items.empty() ? nullptr : items.back();
    // A held text node waits only for an end tag.
    if (FHasPendingText && !(Text().size() > 1 && Text()[1] == L'/')) FlushText();
    FlushWhiteSpace(current);
    Advance(1);  // "<"
    if (Text().empty() && !Ensure()) IntInvalidXml(L"");
    if (IsXmlSpace(Text()[0])) IntInvalidXml(Text());
    const wchar_t c = Text()[0];
    // Past a "?", the tests below look at up to 8 characters (FillTo), also
    // when the markup turns out to be an end or start tag: the input is read
    // that far before any tag, so where a later fault shows stays the same.
    if (c == L'?') {
      Advance(1);
      std::wstring name = GetTagName();
      if (name == L"xml") {
        ReadDeclaration(current);
      } else {
        auto node = std::make_unique<TXmlElement>(L"", xeProcessing);
        node->SetValue(name + TextUpTo(L"?>"));
        if (Strict()) {
          CheckName(name, L"processing instruction target");
          if (Rtl::AsciiSameText(name, L"xml")) NotWf(L"a processing instruction named \"" + name + L"\"");
          const std::wstring& v = node->GetValue();
          if (v.size() > name.size() && !IsXmlSpace(v[name.size()]))
            NotWf(L"a processing instruction without whitespace after its target");
          CheckChars(v, L"a processing instruction");
        }
        AddNode(std::move(node), current);
      }
    } else if (FillTo(8), c == L'!' && Text().starts_with(L"![CDATA[")) {
      Advance(8);
      auto node = std::make_unique<TXmlElement>(L"", xeCData);
      node->SetValue(TextUpTo(L"]]>"));
      if (Strict()) {
        if (current == nullptr && treeMode) NotWf(L"a CDATA section outside the root element");
        CheckChars(node->GetValue(), L"a CDATA section");
      }
      AddNode(std::move(node), current);
    } else if (c == L'!' && Text().starts_with(L"!DOCTYPE")) {
      ReadDocType(current);
    } else if (c == L'%') {
      if (Strict()) return NotWf(L"a script block");
      Advance(1);
      auto node = std::make_unique<TXmlElement>(L"", xeScript);
      node->SetValue(TextUpTo(L"%>"));
      AddNode(std::move(node), current);
    } else if (c == L'!' && Text().starts_with(L"!--")) {
      Advance(3);
      auto node = std::make_unique<TXmlElement>(L"", xeComment);
      node->SetValue(TextUpTo(L"-->"));
      if (Strict()) {
        const std::wstring& v = node->GetValue();
        if (v.find(L"--") != npos || (!v.empty() && v.back() == L'-')) NotWf(L"\"--\" in a comment");
        CheckChars(v, L"a comment");
      }
      AddNode(std::move(node), current);
    } else if (c == L'!') {
      if (Strict()) return NotWf(L"a declaration outside the document type");
      TextUpTo(L">");
    } else if (c == L'/') {
      ReadEndTag(items);
    } else {
      ReadStartTag(items, treeMode);
    }
    FSeenNode = true;
    FWhiteSpace = false;
  }

  // Pushes the replacement text of the entity whose reference starts the
  // text; False when it is no reference to a declared local or external
  // entity with a value.
  bool PushEntity() {
    const std::wstring_view t = Text();
    const std::size_t semicolon = t.find(L';');
    if (Strict()) {
      CheckReferences(t.substr(0, semicolon == npos ? t.size() : semicolon + 1), false);
      if (F.FElementStack.empty() && !F.FOnElement) NotWf(L"a reference outside the root element");
    }
    if (semicolon == npos || semicolon < 2 || semicolon > 256 || t[1] == L'#') return false;
    const std::wstring_view name = t.substr(1, semicolon - 1);
    const TXmlEntity* entity = F.FEntities->FindName(name);
    if (entity == nullptr || entity->GetFormat() == xfPredefined || !entity->GetLoaded() ||
        !F.FEntityFormats.Contains(entity->GetFormat()))
      return false;
    for (const TSource& s : FSources)
      if (s.Entity == entity)
        Raise(Rtl::Format(Rtl::LoadResString(SXmlSelfReference), {std::wstring(name)}));
    if (static_cast<int>(FSources.size()) >= F.FEntities->GetMaxEntityNesting())
      Raise(Rtl::Format(Rtl::LoadResString(SXmlNestingLimit), {F.FEntities->GetMaxEntityNesting()}));
    try {
      F.FEntities->CountExpansion(entity->GetReplacementText().size());
    } catch (const Rtl::Exception& e) {
      Raise(e.Message());
    }
    Advance(semicolon + 1);
    if (!entity->GetReplacementText().empty()) {
      if (FSources.empty()) Sync();
      FSources.push_back({entity, 0, F.FElementStack.size()});
    }
    return true;
  }

  void ReadCharacterData(std::vector<TXmlElement*>& items) {
    TXmlElement* current = items.empty() ? nullptr : items.back();
    const bool stripping = F.IsRemoveWhiteSpace() && !(current != nullptr && current->PreserveSpaces());
    const bool expand = !F.FOptions.Contains(xoNoEncodeDecode) &&
                        (F.FEntityFormats.Contains(xfLocal) || F.FEntityFormats.Contains(xfExternal));
    std::wstring& leading = FLeading;
    std::wstring& text = FTextBuffer;
    leading.clear();
    text.clear();
    for (;;) {
      if (F.FOnProgress && F.FCancelled) return;
      if (!Ensure()) break;
      std::wstring_view t = Text();
      if (t[0] == L'<') break;
      if (expand && t[0] == L'&' && PushEntity()) continue;
      std::size_t n = 0;
      if (text.empty() && stripping) {
        while (n < t.size() && IsXmlSpace(t[n])) ++n;
        TakeTo(leading, n);
        t = Text();
        n = 0;
        if (t.empty() || t[0] == L'<') continue;
        if (expand && t[0] == L'&' && PushEntity()) continue;
      }
      const std::size_t stop = expand ? FindAnyFrom(t, 1, L'<', L'&') : FindChar(t, 1, L'<');
      n = stop == npos ? t.size() : stop;
      TakeTo(text, n);
      if (FStop) return;
    }
    if (Strict()) {
      const std::wstring all = leading + text;
      CheckChars(all, L"text");
      if (all.find(L"]]>") != npos) NotWf(L"\"]]>\" in text");
      if (current == nullptr && !std::all_of(all.begin(), all.end(), IsXmlSpace) && F.FOnElement == nullptr)
        NotWf(L"text outside the root element");
      if (!expand) CheckReferences(all, false);
    }
    std::wstring trailing;
    if (stripping) {
      std::size_t e = text.size();
      while (e > 0 && IsXmlSpace(text[e - 1])) --e;
      if (e < text.size()) {
        trailing.assign(text, e);
        text.resize(e);
      }
    }
    const bool allSpace = std::all_of(text.begin(), text.end(), IsXmlSpace);
    if (text.empty() && !leading.empty()) {
      SetWhiteSpace(leading);
      return;
    }
    if (allSpace) {
      SetWhiteSpace(text);
      return;
    }
    TXmlEntityCodings codings{};
    bool recorded = false;  // the references' forms went into FDecodedEntities
    if (!F.FOptions.Contains(xoNoEncodeDecode)) {
      TXmlEntityFormats formats;
      if (F.FEntityFormats.Contains(xfPredefined)) formats.Include(xfPredefined);
      if (HasSpecial(text)) {
        recorded = text.find(L'&') != npos;
        if (recorded) {
          if (FDecodedEntities) FDecodedEntities->Clear();
          else FDecodedEntities = std::make_unique<TXmlPartEntities>();
        }
        text = F.FEntities->DecodeString(text, formats, recorded ? FDecodedEntities.get() : nullptr);
        codings = F.FEntities->GetThisCodings();
      }
    }
    if (text.empty()) return;
    // Text outside the root is added at once (nothing is held for it).
    TPendingText topLevel;
    if (current != nullptr) {
      current->SetContainsText(true);
      FlushText();
    }
    TPendingText& pending = current != nullptr ? FPendingText : topLevel;
    pending.Before.assign(leading);
    // The value gets a string of its own size; the buffer keeps its room.
    pending.Value = std::wstring(text);
    pending.After = std::move(trailing);
    pending.Codings = codings;
    pending.Entities.reset();
    if (recorded) pending.Entities = std::move(FDecodedEntities);
    if (current == nullptr) return AddNode(MakeTextNode(topLevel), current);
    FHasPendingText = true;
    FPendingParent = current;
  }
};

// --- The later part of a large document, on a second thread ----------------------

namespace {

// See SetXmlSplitReadBytes.
std::atomic<std::size_t> GSplitReadBytes{512 * 1024};
std::atomic<std::size_t> GSplitReadsJoined{0};
// The part starts at the first start tag of the sought name at or after
// this share of the input (the second thread first counts what comes
// before it; the two threads end about together).
constexpr double SPLIT_READ_SHARE_C = 0.52;

}  // namespace

void SetXmlSplitReadBytes(std::size_t bytes) { GSplitReadBytes = bytes; }
std::size_t GetXmlSplitReadBytes() { return GSplitReadBytes; }
std::size_t GetXmlSplitReadsJoined() { return GSplitReadsJoined; }

// The reader of the whole document goes on as it would without a second
// reader: when its cursor reaches the start of the part (exactly, at a
// "<", outside replacement text), it takes the part's nodes into the
// element open there, the state its reader had at the part's end (pending
// whitespace and text, the entities' records and counts, the language
// codes) and goes on where the part ended (see TakeOver): at the first end
// tag of an element that was open before the part. The part is read only
// when nothing it depends on can differ: both readers decoded their text in
// blocks (well-formed UTF-8), the options and the entities are the
// document's, and its text starts with a start tag; everything it would
// have to check against the first part (the depth, the expansion limit,
// space kept by the element it joins) is checked when it joins, and when
// anything does not hold, or the cursor passes the start without stopping
// there, its nodes are dropped and the document is read on as it is.
class TXmlFile::TSplitReader {
public:
  TSplitReader(TXmlFile& owner, const std::uint8_t* data, std::size_t size, std::size_t start, std::size_t split)
      : FData(data), FSize(size), FStart(start), FSplit(split) {
    FPart.FPartOf = this;
    FPart.FOptions = owner.FOptions;
    FPart.FOptions.Include(xoPartial);
    FPart.FOptions.Include(xoIgnoreEncoding);
    FPart.FEntityFormats = owner.FEntityFormats;
    FPart.FIgnoreDtd = true;
    FPart.FMaxDepth = owner.FMaxDepth;
    FPart.FEntities->CopyForPart(*owner.FEntities);
    FPart.FFile->SetFormat(tfUtf8);
  }
  ~TSplitReader() {
    if (FThread == nullptr) return;
    FCancel.store(true, std::memory_order_relaxed);
    try {
      FThread->Wait();
    } catch (...) {  // NOLINT(bugprone-empty-catch): the part's failure only drops it
    }
  }
  TSplitReader(const TSplitReader&) = delete;
  TSplitReader& operator=(const TSplitReader&) = delete;

  // Starts the part on the spare thread; false when it is busy.
  bool Start() {
    Rtl::TSpareThread* thread = XmlSpareThread();
    if (thread == nullptr || !thread->TryRun([this] { Run(); })) return false;
    FThread = thread;
    return true;
  }

  // The reader of a part for the document that `p` reads, whose root
  // `root` has a child, started; none when the document does not qualify
  // or the spare thread is busy.
  static std::unique_ptr<TSplitReader> Create(TXmlFile& owner, TParser& p, const TXmlElement& root);

  // By the part's reader, at the top of its loop: true when the part ends
  // here (at an end tag of an element open before it, with the reader's
  // state kept for Join), or is not read on (the owner gave up, or what
  // follows changes the document).
  bool PartEnds(TParser& p, const std::vector<TXmlElement*>& items) {
    if (FCancel.load(std::memory_order_relaxed)) {
      p.FStop = true;
      return true;
    }
    if (p.Text()[0] != L'<') return false;
    p.FillTo(2);
    std::wstring_view t = p.Text();
    if (t.size() > 1 && (t[1] == L'!' || t[1] == L'?')) {
      // A document type or a declaration changes the document (its
      // entities, its encoding): the part is not read on.
      p.FillTo(9);
      t = p.Text();
      if (t.starts_with(L"<!DOCTYPE") || t.starts_with(L"<?xml")) {
        p.FStop = true;
        return true;
      }
    }
    if (items.size() != 1 || !p.FSources.empty() || t.size() < 2 || t[1] != L'/') return false;
    FStopped = true;
    FPartReadByChunk = p.FReadByChunk;
    FStopPosition = p.InputPosition();
    p.Sync();
    FEndLine = p.FLineCounter;
    FEndColumn = p.FLinePosition;
    FEndLastCr = p.FLastCr;
    FEndLastLf = p.FLastLf;
    FDeepest = p.FDeepest;
    FChunkReads = p.FChunkReads;
    FWhiteSpace = p.FWhiteSpace;
    FWhiteSpaceText = std::move(p.FWhiteSpaceText);
    p.FWhiteSpace = false;
    FHasPendingText = p.FHasPendingText;
    if (FHasPendingText) FPendingText = std::move(p.FPendingText);
    p.FHasPendingText = false;
    p.FPendingParent = nullptr;
    return true;
  }

  // Where the part starts, in characters of the input; a position beyond
  // every input when there is no part. Waits for the second thread to work
  // it out once the text reader has read past the part's start (the cursor
  // may reach it then).
  std::size_t SplitPosition(const TTextFile& text) const {
    std::size_t position = FSplitPosition.load(std::memory_order_acquire);
    while (position == UNKNOWN_C && text.GetBytesRead() >= static_cast<std::int64_t>(FSplit)) {
      std::this_thread::yield();
      position = FSplitPosition.load(std::memory_order_acquire);
    }
    return position;
  }

  // By the reader of the whole document, its cursor at the part's start:
  // takes the part in (see above); false when it is dropped.
  bool Join(TParser& p, std::vector<TXmlElement*>& items);
  void TakeOver(TParser& p);

private:
  void Run() noexcept {
    try {
      const TUtf8Prefix prefix = ScanUtf8Prefix(FData, FSize, FStart, FSplit);
      if (!prefix.Valid) {
        FSplitPosition.store(NO_PART_C, std::memory_order_release);
        return;
      }
      FLine = static_cast<int>(std::min<std::size_t>(prefix.Lines + 1, INT_MAX));
      FSplitPosition.store(prefix.Units, std::memory_order_release);
      TBytesView stream(FData + FSplit, FSize - FSplit);
      FPart.ReadPart(stream);
      FRead = FStopped && !FPart.FInvalidData && !FPartReadByChunk;
      if (FRead) FStopByte = FSplit + Utf8BytesOfUnits(FData + FSplit, FSize - FSplit, FStopPosition);
    } catch (...) {
      FRead = false;
      std::size_t unknown = UNKNOWN_C;
      FSplitPosition.compare_exchange_strong(unknown, NO_PART_C, std::memory_order_release);
    }
  }

  friend class TXmlFile;
  const std::uint8_t* FData;
  std::size_t FSize, FStart, FSplit;
  Rtl::TSpareThread* FThread = nullptr;
  std::atomic<bool> FCancel{false};
  // SplitPosition before the second thread has worked it out, and when there
  // is no part.
  static constexpr std::size_t UNKNOWN_C = SIZE_MAX;
  static constexpr std::size_t NO_PART_C = SIZE_MAX - 1;
  std::atomic<std::size_t> FSplitPosition{UNKNOWN_C};
  // The line of the part's first character, as the reader of the whole
  // counts lines when no replacement text held a line break before it.
  int FLine = 1;
  TXmlFile FPart;
  // The part's reader's state where it stopped.
  bool FRead = false;
  bool FStopped = false;
  bool FPartReadByChunk = false;
  std::size_t FStopPosition = 0;  // characters of the part up to its stop
  std::size_t FStopByte = 0;      // where the stop is in the input
  // The line counter's state at the stop.
  int FEndLine = 1;
  int FEndColumn = 1;
  bool FEndLastCr = false;
  bool FEndLastLf = false;
  std::size_t FDeepest = 0;
  std::size_t FChunkReads = 0;
  bool FWhiteSpace = false;
  std::wstring FWhiteSpaceText;
  bool FHasPendingText = false;
  TParser::TPendingText FPendingText;
};

std::unique_ptr<TXmlFile::TSplitReader> TXmlFile::TSplitReader::Create(TXmlFile& owner, TParser& p,
                                                                       const TXmlElement& root) {
  const std::size_t least = GSplitReadBytes;
  if (least == SIZE_MAX || owner.FFile->GetFormat() != tfUtf8 || !p.FSources.empty()) return nullptr;
  auto* memory = dynamic_cast<Rtl::TCustomMemoryStream*>(owner.FFile->GetStream());
  if (memory == nullptr || memory->Size() < owner.FInputStart) return nullptr;
  const auto* data = static_cast<const std::uint8_t*>(memory->Memory());
  const auto size = static_cast<std::size_t>(memory->Size());
  if (size < least) return nullptr;
  // The part starts at a start tag named as the root's first element,
  // most likely one of its siblings.
  std::string name = "<";
  for (int i = 0; i < root.GetCount() && name.size() == 1; ++i) {
    const TXmlElement* child = root.GetElements(i);
    if (child->GetElementType() != xeSingle && child->GetElementType() != xeDouble) continue;
    for (wchar_t c : child->GetName()) {
      if (c >= 0x80) return nullptr;
      name += static_cast<char>(c);
    }
  }
  if (name.size() == 1) return nullptr;
  const std::size_t start = static_cast<std::size_t>(owner.FInputStart) + (owner.FFile->GetHasBom() ? 3 : 0);
  // Beyond the cursor: its characters take three bytes at most each.
  const auto from = std::max(static_cast<std::size_t>(static_cast<double>(size) * SPLIT_READ_SHARE_C),
                             start + 3 * p.InputPosition() + 1);
  const char* const begin = reinterpret_cast<const char*>(data);
  const std::string_view input(begin, size);
  std::size_t split = from;
  for (;; ++split) {
    split = input.find(name, split);
    if (split == std::string_view::npos || split + name.size() >= size) return nullptr;
    const char after = input[split + name.size()];
    if (after == ' ' || after == '\t' || after == '\r' || after == '\n' || after == '>' || after == '/') break;
  }
  if (start >= split) return nullptr;
  auto reader = std::make_unique<TSplitReader>(owner, data, size, start, split);
  if (!reader->Start()) return nullptr;
  return reader;
}

// Moves the reader of the whole document to the part's end. When it has not
// shown itself text beyond that end, the text between is not decoded again:
// the line counter takes the part's, the line-break detector gets the
// part's breaks from its bytes, the text reader goes on at the end's byte.
// Otherwise it reads on through the text without parsing it.
void TXmlFile::TSplitReader::TakeOver(TParser& p) {
  const std::size_t start = FSplitPosition.load(std::memory_order_relaxed);
  const std::size_t stop = start + FStopPosition;
  p.Sync();
  p.DetectLineBreaks();
  const std::size_t shown = p.FErased + (p.FLine.size() - p.FStaged);
  if (shown > stop || shown < start) return p.SkipTo(stop);
  const std::size_t shownByte = FSplit + Utf8BytesOfUnits(FData + FSplit, FStopByte - FSplit, shown - start);
  p.DetectLineBreaks(FData + shownByte, FStopByte - shownByte);
  p.F.FEntities->CountRead(stop - shown);
  p.FChunkReads += stop - shown;
  p.FLinePosition = FEndLine > FLine ? FEndColumn : p.FLinePosition + FEndColumn - 1;
  p.FLineCounter += FEndLine - FLine;
  p.FLastCr = FEndLastCr;
  p.FLastLf = FEndLastLf;
  // The buffer ends at the cursor, which stands at the stop.
  p.FLine.resize(p.FPos);
  p.FStaged = 0;
  p.FUndetectedStart = p.FUndetectedEnd = p.FPos;
  p.FCounted = p.FPos;
  p.FHoldEnd = std::min(p.FHoldEnd, p.FPos);
  p.FErased = stop - p.FPos;
  p.FText.SkipToByte(static_cast<std::int64_t>(FStopByte));
}

void TXmlFile::ReadPart(Rtl::TStream& stream) {
  FFile->Open(stream);
  ReadElement(nullptr);
}

namespace {

// Moves the line numbers of a node's tree (its elements and attributes) by `delta`.
void ShiftLines(TXmlElement* node, int delta) {
  std::vector<TXmlElement*> work{node};
  while (!work.empty()) {
    TXmlElement* e = work.back();
    work.pop_back();
    if (e->GetLineNumber() != 0) e->SetLineNumber(e->GetLineNumber() + delta);
    if (e->HasAttributes())
      for (int i = 0; i < e->GetAttributes().GetCount(); ++i) {
        TXmlAttribute* a = e->GetAttributes().GetItems(i);
        if (a->GetLineNumber() != 0) a->SetLineNumber(a->GetLineNumber() + delta);
      }
    for (int i = 0; i < e->GetCount(); ++i) work.push_back(e->GetElements(i));
  }
}

}  // namespace

bool TXmlFile::TSplitReader::Join(TParser& p, std::vector<TXmlElement*>& items) {
  FThread->Wait();
  FThread = nullptr;
  if (!FRead || p.FReadByChunk || items.empty() || FPart.FItems.GetCount() != 1) return false;
  TXmlFile& F = p.F;
  TXmlElement* current = items.back();
  TXmlElement* partRoot = FPart.GetItems(0);
  if (F.IsRemoveWhiteSpace() && current->PreserveSpaces()) return false;
  if (F.FElementStack.size() + FDeepest > static_cast<std::size_t>(std::max(F.FMaxDepth, 0))) return false;
  TXmlFileEntities& entities = *F.FEntities;
  const TXmlFileEntities& partEntities = *FPart.FEntities;
  if (entities.GetExpandedChars() + partEntities.GetExpandedChars() >
      std::max(entities.GetMaxEntityExpansion(), entities.GetReadChars() * 10))
    return false;
  // What ReadMarkup does before a start tag.
  if (p.FHasPendingText) p.FlushText();
  p.FlushWhiteSpace(current);
  const int first = current->GetCount();
  current->AppendChildrenOf(*partRoot);
  if (partRoot->GetContainsText()) current->SetContainsText(true);
  const int line = p.LineNumber();
  if (line != FLine)
    for (int i = first; i < current->GetCount(); ++i) ShiftLines(current->GetElements(i), line - FLine);
  p.FSeenNode = true;
  p.FWhiteSpace = FWhiteSpace;
  p.FWhiteSpaceText = std::move(FWhiteSpaceText);
  if (FHasPendingText) {
    p.FPendingText = std::move(FPendingText);
    p.FHasPendingText = true;
    p.FPendingParent = current;
  }
  entities.TakeOverPart(partEntities);
  entities.CountRead(static_cast<std::size_t>(partEntities.GetReadChars()) - FChunkReads);
  entities.CountExpansion(static_cast<std::size_t>(partEntities.GetExpandedChars()));
  F.FLanguageIdCases += FPart.FLanguageIdCases;
  F.FLanguageIdKinds += FPart.FLanguageIdKinds;
  F.FLanguageIdScripts += FPart.FLanguageIdScripts;
  TakeOver(p);
  ++GSplitReadsJoined;
  return true;
}

// --- TXmlFile ---------------------------------------------------------------------

TXmlFile::TXmlFile() : FEntities(std::make_unique<TXmlFileEntities>()) { FFile->SetIncludeLineBreak(true); }

TXmlFile::~TXmlFile() {
  // Output still collected by the writer goes to the text writer, which
  // closes as it does (and throws the output away while an exception unwinds).
  try {
    if (std::uncaught_exceptions() == 0) FlushOutput();
  } catch (...) {  // NOLINT(bugprone-empty-catch): a destructor never throws
  }
}

TXmlElement* TXmlFile::GetItems(int index) const { return static_cast<TXmlElement*>(FItems.GetItems(index)); }

void TXmlFile::Clear() {
  if (FParser) FParser->FWhiteSpace = false;
  FItems.Clear();
  FRoot = nullptr;
  FHeader = nullptr;
}

TXmlElement* TXmlFile::AddRoot(const std::wstring& name) {
  Clear();
  auto header = std::make_unique<TXmlElement>(L"xml", xeDeclaration);
  header->GetAttributes().AddString(L"version", L"1.0");
  header->GetAttributes().AddString(L"encoding", L"utf-8");
  AddElement(std::move(header), nullptr);
  AddElement(std::make_unique<TXmlElement>(name, xeDouble), nullptr);
  return FRoot;
}

TXmlElement* TXmlFile::FindElement(std::wstring_view name) const {
  for (int i = 0; i < FItems.GetCount(); ++i)
    if (GetItems(i)->GetName() == name) return GetItems(i);
  return nullptr;
}

TXmlElement* TXmlFile::Get(std::wstring_view name) const {
  return FRoot != nullptr && FRoot->GetName() == name ? FRoot : &EmptyElement();
}

TXmlElement* TXmlFile::GetHeader() {
  if (FHeader == nullptr)
    for (int i = 0; i < FItems.GetCount(); ++i)
      if (GetItems(i)->GetElementType() == xeDeclaration) {
        FHeader = GetItems(i);
        break;
      }
  return FHeader;
}

bool TXmlFile::HasEncoding() {
  TXmlElement* header = GetHeader();
  return header != nullptr && header->GetAttributes().DoesExist(L"encoding");
}

std::wstring TXmlFile::GetEncoding() const { return FFile->GetXmlEncoding(); }

void TXmlFile::SetEncoding(const std::wstring& value) {
  TXmlElement* header = GetHeader();
  if (header != nullptr && FWriteEncoding) header->GetAttributes().SetString(L"encoding", value);
  FFile->SetEncoding(value);
}

void TXmlFile::SetForcedEncoding(const std::wstring& value) {
  if (value.empty()) return;
  FFile->SetEncoding(value);
  AddOption(xoIgnoreEncoding);
}

bool TXmlFile::GetHasBom() const { return FFile->GetHasBom(); }
std::int64_t TXmlFile::GetStreamSize() const { return FFile->GetStreamSize(); }

int TXmlFile::GetPermille() const {
  const std::int64_t size = FFile->GetStreamSize();
  return size <= 0 ? 0 : static_cast<int>(1000 * FFile->GetBytesRead() / size);
}

std::wstring TXmlFile::GetLine() {
  if (!FParser) return {};
  FParser->Ensure();
  return std::wstring(FParser->Text());
}

bool TXmlFile::Eof() { return !FParser || !FParser->Ensure(); }

void TXmlFile::AddElement(std::unique_ptr<TXmlElement> element, TXmlElement* current) {
  if (current != nullptr) {
    current->Add(std::move(element), false);
    return;
  }
  const TXmlElementType type = element->GetElementType();
  if (type == xeSingle || type == xeDouble) {
    if (FRoot != nullptr) throw Rtl::Exception(Rtl::LoadResString(SXmlOneTopLevel));
    FRoot = element.get();
  }
  FItems.Add(std::move(element));
}

void TXmlFile::ParseDocType(std::wstring_view text) {
  std::size_t p = 0;
  const auto skip = [&] {
    while (p < text.size() && IsXmlSpace(text[p])) ++p;
  };
  skip();
  while (p < text.size() && !IsXmlSpace(text[p]) && text[p] != L'[') ++p;
  skip();
  const auto literal = [&]() -> std::wstring {
    skip();
    if (p >= text.size() || (text[p] != L'"' && text[p] != L'\'')) return {};
    const wchar_t quote = text[p++];
    const std::size_t end = text.find(quote, p);
    const std::size_t stop = end == npos ? text.size() : end;
    std::wstring result(text.substr(p, stop - p));
    p = end == npos ? text.size() : end + 1;
    return result;
  };
  std::wstring identifier;
  if (text.substr(p).starts_with(L"SYSTEM")) {
    p += 6;
    identifier = literal();
  } else if (text.substr(p).starts_with(L"PUBLIC")) {
    p += 6;
    literal();
    identifier = literal();
  }
  skip();
  // The internal subset is read first: its declarations take precedence
  // over those of the external DTD.
  if (p < text.size() && text[p] == L'[') {
    const std::size_t end = text.rfind(L']');
    FEntities->SetData(text.substr(p + 1, (end == npos || end < p ? text.size() : end) - p - 1));
  }
  if (!identifier.empty() && !FIgnoreDtd) {
    if (!TXmlFileEntities::IsHttpFileName(identifier)) identifier = TFile::GetFullPath(identifier, FEntities->GetRoot());
    if (FEntities->IsExternalAllowed(identifier)) {
      const std::wstring root = FEntities->GetRoot();
      FEntities->SetFileName(identifier);
      FEntities->SetRoot(root);
    }
  }
}

void TXmlFile::ReadElement(TXmlElement* parentElement) {
  const bool nested = FParser != nullptr;
  if (!nested) FParser = std::make_unique<TParser>(*this);
  struct TDone {
    TXmlFile& F;
    bool Nested;
    ~TDone() {
      // After a declaration-only load the buffered rest stays readable (Line).
      if (!Nested && !F.FLoadOnlyDeclaration) F.FParser.reset();
    }
  } done{*this, nested};
  TParser& p = *FParser;
  if (!nested) {
    p.FLineCounter = FPartOf != nullptr ? FPartOf->FLine : 1;
    p.FLinePosition = 1;
    if (!FOptions.Contains(xoPartial)) {
      const wchar_t c = FFile->PeekChar(0);
      if (FFile->Eof() || !(c == L'\t' || c == L'\n' || c == L'\r' || c == L' ' || c == L'<'))
        p.InvalidXml(Rtl::LoadResString(SXmlInvalidTopLevel));
      else if (c == L'<' && FFile->PeekChar(1) == L'?' && FFile->PeekChar(2) == L'x' &&
               FFile->PeekChar(3) == L'm' && FFile->PeekChar(4) == L'l' && IsXmlSpace(FFile->PeekChar(5))) {
        // The declaration is read character by character, so that the
        // encoding it names applies to every byte after its "?>".
        while (!FFile->Eof() && p.FLine.size() < 4096) {
          p.FLine += FFile->ReadChar();
          if (p.FLine.ends_with(L"?>")) break;
        }
        FEntities->CountRead(p.FLine.size());
      }
    }
  }
  std::vector<TXmlElement*> items;
  if (FOptions.Contains(xoPartial) && !nested) {
    auto root = std::make_unique<TXmlElement>(L"root", xeDouble);
    items.push_back(root.get());
    AddElement(std::move(root), nullptr);
  } else if (parentElement != nullptr) {
    items.push_back(parentElement);
  }
  const bool treeMode = !FOnElement || parentElement != nullptr;
  const std::size_t openAtStart = FElementStack.size();
  // A large document in memory may have its later part read on the spare
  // thread (see TSplitReader), once the root has a child.
  bool maySplit = !nested && parentElement == nullptr && FPartOf == nullptr && !FOnElement && !FOnProgress &&
                  !FOnIgnoreAttribute && !FLoadOnlyDeclaration && !FMakeWellFormed &&
                  !FOptions.Contains(xoPartial) && !FOptions.Contains(xoStrict) && FInputStart >= 0;
  std::unique_ptr<TSplitReader> split;
  try {
    while (!p.FStop && !(FOnProgress && FCancelled)) {
      if (!p.Ensure()) break;
      if (maySplit && items.size() == 1 && items[0]->GetCount() > 0) {
        maySplit = false;
        split = TSplitReader::Create(*this, p, *items[0]);
      }
      if (split && p.FSources.empty()) {
        const std::size_t at = p.InputPosition();
        const std::size_t start = split->SplitPosition(*FFile);
        if (at == start && p.Text()[0] == L'<') {
          const bool joined = split->Join(p, items);
          split.reset();
          if (joined) continue;
        } else if (at > start) {
          split.reset();
        }
      }
      if (FPartOf != nullptr && FPartOf->PartEnds(p, items)) break;
      if (p.Text()[0] == L'<')
        p.ReadMarkup(items, treeMode);
      else
        p.ReadCharacterData(items);
      if (parentElement != nullptr && items.empty()) {
        p.FlushText();
        p.DetectLineBreaks();
        return;
      }
    }
  } catch (...) {
    // A failed load keeps what it read, the held text node too, and the
    // line-break kind of what it was shown.
    p.FlushText();
    p.DetectLineBreaks();
    throw;
  }
  p.FlushText();
  p.DetectLineBreaks();
  if (FOptions.Contains(xoStrict) && !nested && parentElement == nullptr && FRoot == nullptr && !p.FStop &&
      !FCancelled && !FOnElement)
    p.NotWf(L"no root element");
  const bool open = parentElement != nullptr ? !items.empty()
                                             : (items.size() > (FOptions.Contains(xoPartial) ? 1u : 0u) ||
                                                FElementStack.size() > openAtStart);
  if (open && !p.FStop && !FCancelled && !FOptions.Contains(xoPartial) && !FMakeWellFormed)
    p.InvalidXml(Rtl::LoadResString(SXmlUnexpectedEnd));
  if (p.FWhiteSpace && IsKeepFormat() && !p.FStop)
    AddElement(p.TakeWhiteSpace(), items.empty() ? nullptr : items.back());
  p.FWhiteSpace = false;
}

// --- Loading --------------------------------------------------------------------

namespace {

// Files up to this size are read into memory before parsing.
constexpr std::int64_t WHOLE_FILE_MAX_C = 256LL * 1024 * 1024;

}  // namespace

bool TXmlFile::Load(Rtl::TStream& stream) {
  FInputStart = stream.Position();
  struct TReset {
    std::int64_t& Start;
    ~TReset() { Start = -1; }
  } reset{FInputStart};
  Clear();
  FParser.reset();
  FElementStack.clear();
  FEntities->ResetCounters();
  ResetLanguageIds();
  FFile->Open(stream);
  ReadElement(nullptr);
  FFile->SetUseBom(FFile->GetHasBom());
  FWriteHeader = FItems.GetCount() > 0 && GetItems(0)->GetElementType() == xeDeclaration;
  return !FCancelled && !FInvalidData;
}

bool TXmlFile::Load(const std::wstring& fileName) {
  FDelayedStream.reset();
  if (!Rtl::FileExists(fileName)) return false;
  auto stream = std::make_unique<Rtl::TFileStream>(fileName, Rtl::fmOpenRead | Rtl::fmShareDenyNone);
  FFile->SetFileName(fileName);
  FEntities->SetRoot(Rtl::ExtractFilePath(fileName));
  if (!FLoadOnlyDeclaration && stream->Size() <= WHOLE_FILE_MAX_C) {
    // Read in one go: the text reader then refills from memory, not with
    // one system call per fill.
    Rtl::TMemoryStream memory;
    memory.LoadFromStream(*stream);
    stream.reset();
    const bool result = Load(memory);
    FFile->SetFileName(fileName);
    FFile->Close();
    return result;
  }
  const bool result = Load(*stream);
  FFile->SetFileName(fileName);
  if (FLoadOnlyDeclaration) FDelayedStream = std::move(stream);
  else FFile->Close();
  return result;
}

bool TXmlFile::Load(const std::wstring& resourceName, const std::wstring& resourceType) {
  Clear();
  FElementStack.clear();
  FEntities->ResetCounters();
  ResetLanguageIds();
  FParser.reset();
  FFile->Open(resourceName, resourceType);
  ReadElement(nullptr);
  FFile->SetUseBom(FFile->GetHasBom());
  FWriteHeader = FItems.GetCount() > 0 && GetItems(0)->GetElementType() == xeDeclaration;
  FFile->Close();
  return !FCancelled && !FInvalidData;
}

bool TXmlFile::Load(const Rtl::TBytes& data) {
  if (data.empty()) throw Rtl::Exception(L"No data!");
  TBytesView stream(data);
  const bool result = Load(stream);
  FFile->Close();
  return result;
}

bool TXmlFile::LoadFromString(const std::wstring& value) {
  FCheckHeader = false;
  FFile->SetEncoding(L"unicode");
  AddOption(xoIgnoreEncoding);
  FFile->SetUseBom(false);
  Rtl::TMemoryStream stream;
  for (wchar_t c : value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>(c >> 8)};
    stream.WriteBuffer(bytes, 2);
  }
  stream.SetPosition(0);
  const bool result = Load(stream);
  FFile->Close();
  return result;
}

// --- Event mode -----------------------------------------------------------------

TXmlElement* TXmlFile::GetActiveElement() {
  if (FActiveElement == nullptr) throw Rtl::Exception(Rtl::LoadResString(SXmlNotProcessMode));
  if (!FElementRead) {
    FElementRead = true;
    ReadElement(FActiveElement);
  }
  return FActiveElement;
}

std::wstring TXmlFile::ReadString(std::wstring_view name, const std::wstring& Default) {
  return GetActiveElement()->GetString(name, Default, -1);
}
std::int64_t TXmlFile::ReadInteger(std::wstring_view name, std::int64_t Default) {
  return GetActiveElement()->GetInteger(name, Default);
}
double TXmlFile::ReadFloat(std::wstring_view name, double Default) { return GetActiveElement()->GetFloat(name, Default); }
bool TXmlFile::ReadBoolean(std::wstring_view name, bool Default) {
  return GetActiveElement()->GetBoolean(name, Default);
}
Rtl::TDateTime TXmlFile::ReadDateTime(std::wstring_view name, Rtl::TDateTime Default) {
  return GetActiveElement()->GetDateTime(name, Default);
}
Rtl::TBytes TXmlFile::ReadCompressed(std::wstring_view name) { return GetActiveElement()->GetCompressed(name); }
Rtl::TBytes TXmlFile::ReadBase64(std::wstring_view name) { return GetActiveElement()->GetBase64(name); }
Rtl::TBytes TXmlFile::ReadBase32(std::wstring_view name) { return GetActiveElement()->GetBase32(name); }
Rtl::TBytes TXmlFile::ReadBase16(std::wstring_view name) { return GetActiveElement()->GetBase16(name); }
Rtl::TBytes TXmlFile::ReadUrl(std::wstring_view name) { return GetActiveElement()->GetUrl(name); }

Rtl::TBytes TXmlFile::ReadBinary(std::wstring_view name, TBinaryEncoding encoding) {
  switch (encoding) {
    case beBase64: return ReadBase64(name);
    case beBase32: return ReadBase32(name);
    case beBase16: return ReadBase16(name);
    case beUrl: return ReadUrl(name);
    default: throw Rtl::Exception(L"Error Message");
  }
}

std::wstring TXmlFile::ReadEncryptedString(std::wstring_view name) {
  return TUnicodeString::Decrypt(ReadBase64(name));
}

}  // namespace Qd
