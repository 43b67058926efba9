// File-name masks: '*', '?' and bracketed sets, matched without
// backtracking blow-up.
//
// The mask is first read into tokens (a literal, '?', a set, '*'); each
// token but '*' matches exactly one character, so a greedy matcher that
// remembers only the last '*' is exact and takes at most
// length(mask) * length(str) steps, whatever the text.
#include <vector>

#include "QdString/UnicodeString.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"
#include "QdString/Strings.h"

namespace Qd {

namespace {

constexpr int MAX_MASK_STARS_C = 30;

struct TRange {
  wchar_t First;
  wchar_t Last;
  bool Contains(wchar_t c) const { return c >= First && c <= Last; }
};

enum TTokenKind : std::uint8_t { tkChar, tkAnyChar, tkSet, tkStar };

struct TToken {
  TTokenKind Kind;
  wchar_t Char = 0;       // tkChar
  bool Negated = false;   // tkSet
  std::size_t First = 0;  // tkSet: its ranges in TMask::Ranges
  std::size_t Last = 0;
};

struct TMask {
  std::vector<TToken> Tokens;
  std::vector<TRange> Ranges;

  bool InSet(const TToken& set, wchar_t c) const {
    for (std::size_t i = set.First; i < set.Last; ++i)
      if (Ranges[i].Contains(c)) return true;
    return false;
  }

  // ASCII letters match regardless of case, in sets as everywhere.
  bool Matches(const TToken& token, wchar_t c) const {
    switch (token.Kind) {
      case tkChar:
        return Rtl::AsciiSameChar(token.Char, c);
      case tkAnyChar:
        return true;
      case tkSet: {
        // The other case of an ASCII letter; any other character itself.
        const wchar_t other = Rtl::IsAsciiUpper(c) ? Rtl::AsciiLower(c) : Rtl::AsciiUpper(c);
        const bool member = InSet(token, c) || (other != c && InSet(token, other));
        return member != token.Negated;
      }
      case tkStar:
        break;
    }
    return false;
  }
};

[[noreturn]] void InvalidMask(std::wstring_view mask, const Rtl::TResStringRec& reason, std::size_t index) {
  throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SInvalidMask),
                                   {mask, Rtl::LoadResString(reason), static_cast<int>(index) + 1}));
}

// Reads the set that opens at text[open] ('[') into mask; returns the index
// after its ']'. `original` is the mask as given, for messages.
std::size_t ReadSet(std::wstring_view text, std::size_t open, std::wstring_view original, TMask& mask) {
  TToken token{tkSet};
  token.First = mask.Ranges.size();
  std::size_t i = open + 1;
  if (i < text.size() && text[i] == L'!') {
    token.Negated = true;
    ++i;
  }
  if (i < text.size() && text[i] == L']') InvalidMask(original, SMaskEmptySet, open);
  while (i < text.size() && text[i] != L']') {
    const wchar_t c = text[i];
    const bool beforeEnd = i + 1 < text.size() && text[i + 1] == L']';
    // A '-' is a member only right before the closing bracket; anywhere
    // else it would begin a range with no first character.
    if (c == L'-' && !beforeEnd) InvalidMask(original, SMaskRangeStart, i);
    if (i + 2 < text.size() && text[i + 1] == L'-' && text[i + 2] != L']') {
      mask.Ranges.push_back({c, text[i + 2]});  // an inverted range matches nothing
      i += 3;
    } else {
      mask.Ranges.push_back({c, c});
      ++i;
    }
  }
  if (i >= text.size()) InvalidMask(original, SMaskUnterminatedSet, open);
  token.Last = mask.Ranges.size();
  mask.Tokens.push_back(token);
  return i + 1;
}

TMask ReadMask(std::wstring_view text, std::wstring_view original) {
  TMask mask;
  int stars = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const wchar_t c = text[i];
    if (c == L'[') {
      i = ReadSet(text, i, original, mask);
      continue;
    }
    if (c == L'*') {
      if (++stars > MAX_MASK_STARS_C)
        throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SMaskTooManyStars), {original, MAX_MASK_STARS_C}));
      // A run of '*' matches what one does.
      if (mask.Tokens.empty() || mask.Tokens.back().Kind != tkStar) mask.Tokens.push_back({tkStar});
    } else if (c == L'?') {
      mask.Tokens.push_back({tkAnyChar});
    } else {
      mask.Tokens.push_back({tkChar, c});
    }
    ++i;
  }
  return mask;
}

bool Match(const TMask& mask, std::wstring_view str) {
  const std::vector<TToken>& tokens = mask.Tokens;
  constexpr std::size_t NONE = static_cast<std::size_t>(-1);
  std::size_t t = 0, s = 0;
  std::size_t starToken = NONE, starText = 0;
  while (s < str.size()) {
    if (t < tokens.size() && tokens[t].Kind == tkStar) {
      starToken = t++;
      starText = s;
    } else if (t < tokens.size() && mask.Matches(tokens[t], str[s])) {
      ++t;
      ++s;
    } else if (starToken != NONE) {
      // Let the last '*' take one more character and retry after it.
      t = starToken + 1;
      s = ++starText;
    } else {
      return false;
    }
  }
  while (t < tokens.size() && tokens[t].Kind == tkStar) ++t;
  return t == tokens.size();
}

}  // namespace

bool TUnicodeString::CompareMask(std::wstring_view mask, std::wstring_view str, bool ignoreCase) {
  if (!ignoreCase) return Match(ReadMask(mask, mask), str);
  return Match(ReadMask(Rtl::AsciiLowerCase(mask), mask), Rtl::AsciiLowerCase(str));
}

}  // namespace Qd
