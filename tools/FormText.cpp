#include "tools/FormText.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "runtime/Toolkit/FormFormat.h"

namespace FormTools {

EFormTextError::EFormTextError(int line, const std::string& message)
    : std::runtime_error("line " + std::to_string(line) + ": " + message), FLine(line),
      FMessage(message) {}

namespace {

enum class TToken { End, Identifier, Integer, String, Symbol };

// The text cut into tokens, one at a time. A string token already holds its
// UTF-16 code units: quoted runs and #codes glued together.
class TLexer {
public:
  explicit TLexer(std::string_view text) : FText(text) { Next(); }

  TToken Kind() const { return FKind; }
  int Line() const { return FTokenLine; }
  const std::string& Text() const { return FToken; }  // as written
  std::int64_t Integer() const { return FInteger; }
  const std::u16string& String() const { return FString; }
  bool IsSymbol(char c) const { return FKind == TToken::Symbol && FToken[0] == c; }
  bool IsKeyword(std::string_view word) const;

  void Next();
  // The hexadecimal digits up to "}", read after a "{" token.
  std::vector<std::uint8_t> ReadBinary();

  [[noreturn]] void Fail(const std::string& message) const { throw EFormTextError(FTokenLine, message); }
  std::string Describe() const { return FKind == TToken::End ? "the end of the text" : "'" + FToken + "'"; }

private:
  char Peek(std::size_t ahead = 0) const {
    return FPos + ahead < FText.size() ? FText[FPos + ahead] : '\0';
  }
  bool AtEnd() const { return FPos >= FText.size(); }
  void SkipBlanks();
  void ReadNumber();
  void ReadString();
  void ReadQuoted();
  void ReadCharCode();
  void AppendCodePoint(std::uint32_t cp);

  std::string_view FText;
  std::size_t FPos = 0;
  int FLine = 1;
  int FTokenLine = 1;
  TToken FKind = TToken::End;
  std::string FToken;
  std::int64_t FInteger = 0;
  std::u16string FString;
};

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool TLexer::IsKeyword(std::string_view word) const {
  return FKind == TToken::Identifier && EqualsIgnoringCase(FToken, word);
}

void TLexer::SkipBlanks() {
  while (!AtEnd()) {
    const char c = Peek();
    if (c == '\n') {
      ++FLine;
      ++FPos;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++FPos;
    } else if (c == '/' && Peek(1) == '/') {
      while (!AtEnd() && Peek() != '\n') ++FPos;
    } else {
      return;
    }
  }
}

void TLexer::Next() {
  SkipBlanks();
  FTokenLine = FLine;
  FToken.clear();
  if (AtEnd()) {
    FKind = TToken::End;
    return;
  }
  const char c = Peek();
  if (IsIdentStart(c)) {
    // A dotted name (Font.Name) is one token.
    const std::size_t start = FPos;
    while (IsIdentChar(Peek()) || (Peek() == '.' && IsIdentStart(Peek(1)))) ++FPos;
    FKind = TToken::Identifier;
    FToken.assign(FText.substr(start, FPos - start));
  } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '$' ||
             ((c == '-' || c == '+') && (std::isdigit(static_cast<unsigned char>(Peek(1))) || Peek(1) == '$'))) {
    ReadNumber();
  } else if (c == '\'' || c == '#') {
    ReadString();
  } else if (std::string_view("=:[](),+{}<>").find(c) != std::string_view::npos) {
    FKind = TToken::Symbol;
    FToken.assign(1, c);
    ++FPos;
  } else {
    FToken.assign(1, c);
    Fail("unexpected character '" + FToken + "'");
  }
}

void TLexer::ReadNumber() {
  const std::size_t start = FPos;
  bool negative = false;
  if (Peek() == '-' || Peek() == '+') negative = FText[FPos++] == '-';
  const bool hex = Peek() == '$';
  if (hex) ++FPos;
  const unsigned base = hex ? 16 : 10;
  // Up to 2^63 for a negative number, 2^63 - 1 otherwise; hexadecimal
  // digits may fill all 64 bits.
  const std::uint64_t limit = hex ? std::numeric_limits<std::uint64_t>::max()
                                  : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + negative;
  std::uint64_t value = 0;
  int digits = 0;
  bool overflow = false;
  for (int d; (d = HexDigit(Peek())) >= 0 && (hex || d < 10); ++FPos, ++digits) {
    if (value > (limit - static_cast<unsigned>(d)) / base) overflow = true;
    else value = value * base + static_cast<unsigned>(d);
  }
  FKind = TToken::Integer;
  FToken.assign(FText.substr(start, FPos - start));
  if (digits == 0) Fail("digits expected after '" + FToken + "'");
  if (Peek() == '.' || Peek() == 'e' || Peek() == 'E') Fail("floating-point values are not supported");
  if (IsIdentChar(Peek())) Fail("invalid number '" + FToken + Peek() + "'");
  if (overflow) Fail("integer " + FToken + " is out of range");
  const std::int64_t magnitude = static_cast<std::int64_t>(value);  // two's complement for 2^63
  FInteger = negative ? static_cast<std::int64_t>(0 - value) : magnitude;
}

void TLexer::ReadString() {
  const std::size_t start = FPos;
  FKind = TToken::String;
  FString.clear();
  while (Peek() == '\'' || Peek() == '#') {
    if (Peek() == '\'') ReadQuoted();
    else ReadCharCode();
  }
  FToken.assign(FText.substr(start, std::min<std::size_t>(FPos - start, 40)));
}

void TLexer::ReadQuoted() {
  ++FPos;  // the opening quote
  for (;;) {
    if (AtEnd() || Peek() == '\n' || Peek() == '\r') Fail("unterminated string");
    if (Peek() == '\'') {
      if (Peek(1) != '\'') break;
      FString += u'\'';
      FPos += 2;
      continue;
    }
    // One UTF-8 sequence.
    const auto lead = static_cast<unsigned char>(FText[FPos]);
    const int length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || FPos + static_cast<std::size_t>(length) > FText.size()) Fail("invalid UTF-8 in a string");
    std::uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(FText[FPos + static_cast<std::size_t>(i)]);
      if ((next & 0xC0) != 0x80) Fail("invalid UTF-8 in a string");
      cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr std::uint32_t MIN_C[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < MIN_C[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) Fail("invalid UTF-8 in a string");
    AppendCodePoint(cp);
    FPos += static_cast<std::size_t>(length);
  }
  ++FPos;  // the closing quote
}

void TLexer::ReadCharCode() {
  ++FPos;  // '#'
  const bool hex = Peek() == '$';
  if (hex) ++FPos;
  std::uint32_t cp = 0;
  int digits = 0;
  for (int d; (d = HexDigit(Peek())) >= 0 && (hex || d < 10); ++FPos, ++digits) {
    cp = cp * (hex ? 16 : 10) + static_cast<unsigned>(d);
    if (cp > 0x10FFFF) Fail("character code out of range");
  }
  if (digits == 0) Fail("character code expected after '#'");
  AppendCodePoint(cp);
}

void TLexer::AppendCodePoint(std::uint32_t cp) {
  if (cp < 0x10000) {
    FString += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    FString += static_cast<char16_t>(0xD800 + (cp >> 10));
    FString += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

std::vector<std::uint8_t> TLexer::ReadBinary() {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (;;) {
    SkipBlanks();
    if (AtEnd()) Fail("'}' expected after binary data");
    const char c = Peek();
    ++FPos;
    if (c == '}') break;
    const int d = HexDigit(c);
    if (d < 0) Fail(std::string("invalid hexadecimal digit '") + c + "' in binary data");
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + d));
      high = -1;
    }
  }
  if (high >= 0) Fail("binary data with an odd number of digits");
  Next();
  return bytes;
}

// Writes the binary stream while the text is parsed.
class TConverter {
public:
  explicit TConverter(std::string_view text) : FLexer(text) {}

  std::vector<std::uint8_t> Run() {
    FOut.assign(std::begin(Rtl::FORM_SIGNATURE_C), std::end(Rtl::FORM_SIGNATURE_C));
    if (!IsObjectKeyword()) FLexer.Fail("'object' expected but " + FLexer.Describe() + " found");
    ParseObject(0);
    if (FLexer.Kind() != TToken::End) FLexer.Fail("text after the end of the form: " + FLexer.Describe());
    return std::move(FOut);
  }

private:
  bool IsObjectKeyword() const {
    return FLexer.IsKeyword("object") || FLexer.IsKeyword("inherited") || FLexer.IsKeyword("inline");
  }

  std::string ExpectIdentifier(const char* what) {
    if (FLexer.Kind() != TToken::Identifier)
      FLexer.Fail(std::string(what) + " expected but " + FLexer.Describe() + " found");
    std::string name = FLexer.Text();
    FLexer.Next();
    return name;
  }

  void ExpectSymbol(char c) {
    if (!FLexer.IsSymbol(c)) FLexer.Fail(std::string("'") + c + "' expected but " + FLexer.Describe() + " found");
    FLexer.Next();
  }

  // Objects and lists nest as deep as the reader takes them (`depth` counts
  // the objects around this one).
  void ParseObject(int depth) {
    if (depth >= Rtl::FORM_MAX_DEPTH_C) FLexer.Fail("objects nested too deep");
    std::uint8_t flags = 0;
    if (FLexer.IsKeyword("inherited")) flags |= Rtl::ffInherited;
    if (FLexer.IsKeyword("inline")) flags |= Rtl::ffInline;
    FLexer.Next();
    std::string objectName;
    std::string className = ExpectIdentifier("an object name");
    if (FLexer.IsSymbol(':')) {
      FLexer.Next();
      objectName = std::move(className);
      className = ExpectIdentifier("a class name");
    }
    bool hasChildPos = false;
    std::int64_t childPos = 0;
    if (FLexer.IsSymbol('[')) {
      FLexer.Next();
      if (FLexer.Kind() != TToken::Integer) FLexer.Fail("a child position expected but " + FLexer.Describe() + " found");
      childPos = FLexer.Integer();
      hasChildPos = true;
      FLexer.Next();
      ExpectSymbol(']');
      flags |= Rtl::ffChildPos;
    }
    if (flags != 0) {
      Byte(Rtl::FILER_FLAGS_MARK_C | flags);
      if (hasChildPos) Integer(childPos);
    }
    ShortString(className);
    ShortString(objectName);
    while (FLexer.Kind() == TToken::Identifier && !FLexer.IsKeyword("end") && !IsObjectKeyword())
      ParseProperty(depth);
    Byte(Rtl::vaNull);
    while (IsObjectKeyword()) ParseObject(depth + 1);
    Byte(Rtl::vaNull);
    if (!FLexer.IsKeyword("end")) FLexer.Fail("'end' expected but " + FLexer.Describe() + " found");
    FLexer.Next();
  }

  void ParseProperty(int depth) {
    ShortString(ExpectIdentifier("a property name"));
    ExpectSymbol('=');
    ParseValue(depth);
  }

  void ParseValue(int depth) {
    switch (FLexer.Kind()) {
      case TToken::Integer:
        Integer(FLexer.Integer());
        FLexer.Next();
        return;
      case TToken::String: {
        std::u16string text = FLexer.String();
        FLexer.Next();
        while (FLexer.IsSymbol('+')) {
          FLexer.Next();
          if (FLexer.Kind() != TToken::String) FLexer.Fail("a string expected after '+' but " + FLexer.Describe() + " found");
          text += FLexer.String();
          FLexer.Next();
        }
        String(text);
        return;
      }
      case TToken::Identifier:
        if (FLexer.IsKeyword("true")) Byte(Rtl::vaTrue);
        else if (FLexer.IsKeyword("false")) Byte(Rtl::vaFalse);
        else if (FLexer.IsKeyword("nil")) Byte(Rtl::vaNil);
        else if (FLexer.Text().find('.') != std::string::npos) FLexer.Fail("invalid identifier '" + FLexer.Text() + "'");
        else {
          Byte(Rtl::vaIdent);
          ShortString(FLexer.Text());
        }
        FLexer.Next();
        return;
      case TToken::Symbol:
        if (FLexer.IsSymbol('[')) return ParseSet();
        if (FLexer.IsSymbol('(')) return ParseList(depth);
        if (FLexer.IsSymbol('{')) {
          const std::vector<std::uint8_t> bytes = FLexer.ReadBinary();
          Byte(Rtl::vaBinary);
          Int32(Length(bytes.size()));
          FOut.insert(FOut.end(), bytes.begin(), bytes.end());
          return;
        }
        if (FLexer.IsSymbol('<')) FLexer.Fail("collections are not supported");
        break;
      case TToken::End:
        break;
    }
    FLexer.Fail("a value expected but " + FLexer.Describe() + " found");
  }

  void ParseSet() {
    FLexer.Next();  // '['
    Byte(Rtl::vaSet);
    if (!FLexer.IsSymbol(']')) {
      for (;;) {
        ShortString(ExpectIdentifier("a set element"));
        if (!FLexer.IsSymbol(',')) break;
        FLexer.Next();
      }
    }
    ExpectSymbol(']');
    Byte(0);
  }

  void ParseList(int depth) {
    if (depth >= Rtl::FORM_MAX_DEPTH_C) FLexer.Fail("lists nested too deep");
    FLexer.Next();  // '('
    Byte(Rtl::vaList);
    while (!FLexer.IsSymbol(')')) ParseValue(depth + 1);
    FLexer.Next();
    Byte(Rtl::vaNull);
  }

  // --- Output --------------------------------------------------------------

  void Byte(std::uint8_t b) { FOut.push_back(b); }

  void Little(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) Byte(static_cast<std::uint8_t>(value >> (8 * i)));
  }

  void Int32(std::int32_t value) { Little(static_cast<std::uint32_t>(value), 4); }

  std::int32_t Length(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) FLexer.Fail("value too long");
    return static_cast<std::int32_t>(size);
  }

  // The smallest width that holds the value.
  void Integer(std::int64_t value) {
    if (value >= INT8_MIN && value <= INT8_MAX) {
      Byte(Rtl::vaInt8);
      Little(static_cast<std::uint64_t>(value), 1);
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
      Byte(Rtl::vaInt16);
      Little(static_cast<std::uint64_t>(value), 2);
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
      Byte(Rtl::vaInt32);
      Little(static_cast<std::uint64_t>(value), 4);
    } else {
      Byte(Rtl::vaInt64);
      Little(static_cast<std::uint64_t>(value), 8);
    }
  }

  // Names are identifiers, hence ASCII.
  void ShortString(const std::string& name) {
    if (name.size() > 255) FLexer.Fail("name longer than 255 characters: " + name.substr(0, 40) + "...");
    Byte(static_cast<std::uint8_t>(name.size()));
    FOut.insert(FOut.end(), name.begin(), name.end());
  }

  // ASCII text as single-byte text, anything else as UTF-16.
  void String(const std::u16string& text) {
    bool ascii = true;
    for (char16_t c : text) ascii = ascii && c < 0x80;
    if (ascii && text.size() <= 255) {
      Byte(Rtl::vaString);
      Byte(static_cast<std::uint8_t>(text.size()));
    } else if (ascii) {
      Byte(Rtl::vaLString);
      Int32(Length(text.size()));
    } else {
      Byte(Rtl::vaWString);
      Int32(Length(text.size()));
      for (char16_t c : text) Little(c, 2);
      return;
    }
    for (char16_t c : text) Byte(static_cast<std::uint8_t>(c));
  }

  TLexer FLexer;
  std::vector<std::uint8_t> FOut;
};

}  // namespace

std::vector<std::uint8_t> ConvertFormText(std::string_view text) {
  // A byte-order mark is allowed at the start.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return TConverter(text).Run();
}

}  // namespace FormTools
