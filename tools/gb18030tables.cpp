// gb18030tables: turns the GB18030 character map of the build machine (the
// text form of a charmap file: "<Uxxxx> /xNN/xNN..." lines and
// "<Uxxxx>..<Uyyyy> /xNN/xNN/xNN/xNN" ranges) into the tables of the
// library's GB18030 converter, as a C++ source file.
//
//   gb18030tables <charmap.txt> <output.cpp>
//
// The tables follow the map exactly: bytes to characters for the one-byte,
// two-byte and four-byte forms of the Basic Multilingual Plane, and
// characters of that plane to bytes. The four-byte form of U+10000-U+10FFFF
// is computed by the converter; the tool checks that every line of the map
// for those characters agrees with it. Any line it can't read, any byte
// sequence outside GB18030's forms and any character mapped twice stop the
// build.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>
#include <algorithm>

namespace {

constexpr std::uint32_t FOUR_BYTE_BMP_COUNT_C = 39420;     // 0x81308130..0x8439FE39
constexpr std::uint32_t FOUR_BYTE_SUPPLEMENTARY_C = 189000;  // the linear index of 0x90308130

[[noreturn]] void Fail(const std::string& what, int line) {
  std::cerr << "gb18030tables: line " << line << ": " << what << "\n";
  std::exit(1);
}

// "<U4E00>" or "<U00020000>" at `pos`; advances past it.
bool ReadCodePoint(const std::string& text, std::size_t& pos, std::uint32_t& value) {
  if (text.compare(pos, 2, "<U") != 0) return false;
  const std::size_t end = text.find('>', pos);
  if (end == std::string::npos || end == pos + 2) return false;
  value = 0;
  for (std::size_t i = pos + 2; i < end; ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return false;
    value = value * 16 + static_cast<std::uint32_t>(digit);
    if (value > 0x10FFFF) return false;
  }
  pos = end + 1;
  return true;
}

// "/x81/x30" at `pos`: the bytes.
bool ReadBytes(const std::string& text, std::size_t& pos, std::vector<unsigned>& bytes) {
  bytes.clear();
  while (pos + 4 <= text.size() && text[pos] == '/' && text[pos + 1] == 'x') {
    unsigned value = 0;
    for (std::size_t i = pos + 2; i < pos + 4; ++i) {
      const char c = text[i];
      unsigned digit;
      if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
      else return false;
      value = value * 16 + digit;
    }
    bytes.push_back(value);
    pos += 4;
  }
  return !bytes.empty();
}

bool IsFourByte(const std::vector<unsigned>& b) {
  return b.size() == 4 && b[0] >= 0x81 && b[0] <= 0xFE && b[1] >= 0x30 && b[1] <= 0x39 && b[2] >= 0x81 &&
         b[2] <= 0xFE && b[3] >= 0x30 && b[3] <= 0x39;
}

std::uint32_t Linear(const std::vector<unsigned>& b) {
  return (((b[0] - 0x81) * 10 + (b[1] - 0x30)) * 126 + (b[2] - 0x81)) * 10 + (b[3] - 0x30);
}

struct TTables {
  std::vector<std::int32_t> OneByte = std::vector<std::int32_t>(256, -1);
  std::vector<std::uint32_t> TwoByte = std::vector<std::uint32_t>(126 * 191, 0);
  std::vector<std::uint16_t> FourByte = std::vector<std::uint16_t>(FOUR_BYTE_BMP_COUNT_C, 0);
  std::vector<std::uint32_t> Encode = std::vector<std::uint32_t>(65536, 0);
  std::vector<bool> Encoded = std::vector<bool>(65536, false);
  // Characters outside the plane with a two-byte sequence, ascending.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> Supplementary;
  std::size_t Mappings = 0;
};

void Add(TTables& tables, std::uint32_t c, const std::vector<unsigned>& b, int line) {
  ++tables.Mappings;
  if (c >= 0xD800 && c <= 0xDFFF) Fail("a surrogate is mapped", line);
  if (c > 0xFFFF) {
    // Outside the plane: the computed four-byte form, or a two-byte
    // sequence of the map (which then replaces the four-byte form).
    if (b.size() == 2) {
      if (b[0] < 0x81 || b[0] > 0xFE || b[1] < 0x40 || b[1] > 0xFE || b[1] == 0x7F)
        Fail("a two-byte sequence outside the two-byte form", line);
      std::uint32_t& slot = tables.TwoByte[(b[0] - 0x81) * 191 + (b[1] - 0x40)];
      if (slot != 0) Fail("a two-byte sequence mapped twice", line);
      slot = c;
      tables.Supplementary.push_back({c, b[0] << 8 | b[1]});
      return;
    }
    if (!IsFourByte(b) || Linear(b) != FOUR_BYTE_SUPPLEMENTARY_C + (c - 0x10000))
      Fail("a supplementary character outside the computed four-byte form", line);
    return;
  }
  std::uint32_t packed = 0;
  if (b.size() == 1) {
    if (tables.OneByte[b[0]] >= 0) Fail("a byte mapped twice", line);
    tables.OneByte[b[0]] = static_cast<std::int32_t>(c);
    packed = b[0];
  } else if (b.size() == 2) {
    if (b[0] < 0x81 || b[0] > 0xFE || b[1] < 0x40 || b[1] > 0xFE || b[1] == 0x7F || c == 0)
      Fail("a two-byte sequence outside the two-byte form", line);
    std::uint32_t& slot = tables.TwoByte[(b[0] - 0x81) * 191 + (b[1] - 0x40)];
    if (slot != 0) Fail("a two-byte sequence mapped twice", line);
    slot = c;
    packed = b[0] << 8 | b[1];
  } else if (IsFourByte(b) && Linear(b) < FOUR_BYTE_BMP_COUNT_C && c != 0) {
    std::uint16_t& slot = tables.FourByte[Linear(b)];
    if (slot != 0) Fail("a four-byte sequence mapped twice", line);
    slot = static_cast<std::uint16_t>(c);
    packed = b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3];
  } else {
    Fail("a byte sequence outside GB18030's forms for its character", line);
  }
  if (tables.Encoded[c]) Fail("a character mapped twice", line);
  tables.Encoded[c] = true;
  tables.Encode[c] = packed;
}

// The next four-byte sequence (the last byte counts fastest).
void Increment(std::vector<unsigned>& b, int line) {
  if (!IsFourByte(b)) Fail("a range of sequences other than four-byte ones", line);
  if (++b[3] <= 0x39) return;
  b[3] = 0x30;
  if (++b[2] <= 0xFE) return;
  b[2] = 0x81;
  if (++b[1] <= 0x39) return;
  b[1] = 0x30;
  if (++b[0] > 0xFE) Fail("a range past the last four-byte sequence", line);
}

template <class T>
void WriteArray(std::ostream& out, const char* declaration, const std::vector<T>& values) {
  out << declaration << " = {";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i % 16 == 0) out << "\n ";
    out << ' ' << static_cast<long long>(values[i]) << ',';
  }
  out << "\n};\n\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: gb18030tables <charmap.txt> <output.cpp>\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "gb18030tables: cannot read " << argv[1] << "\n";
    return 1;
  }
  TTables tables;
  std::string text;
  bool inMap = false;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text == "CHARMAP") { inMap = true; continue; }
    if (text == "END CHARMAP") { inMap = false; continue; }
    if (!inMap || text.empty() || text[0] == '%') continue;
    std::size_t pos = 0;
    std::uint32_t first, last;
    if (!ReadCodePoint(text, pos, first)) Fail("not a mapping", line);
    last = first;
    if (text.compare(pos, 2, "..") == 0) {
      pos += 2;
      if (!ReadCodePoint(text, pos, last) || last < first) Fail("a broken range", line);
    }
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    std::vector<unsigned> bytes;
    if (!ReadBytes(text, pos, bytes) || bytes.size() == 3 || bytes.size() > 4) Fail("no byte sequence", line);
    for (std::uint32_t c = first;; ++c) {
      Add(tables, c, bytes, line);
      if (c == last) break;
      Increment(bytes, line);
    }
  }
  if (tables.Mappings == 0) Fail("no mappings at all", line);

  std::ofstream out(argv[2]);
  out << "// Generated by tools/gb18030tables from the build machine's GB18030 character\n"
         "// map; not kept in the repository.\n"
         "#include \"QdString/Gb18030Tables.h\"\n\n"
         "namespace Qd::Gb18030 {\n\n"
      << "const std::size_t MAPPINGS_C = " << tables.Mappings << ";\n\n";
  WriteArray(out, "const std::int32_t ONE_BYTE_C[256]", tables.OneByte);
  WriteArray(out, "const std::uint32_t TWO_BYTE_C[126 * 191]", tables.TwoByte);
  WriteArray(out, "const std::uint16_t FOUR_BYTE_C[FOUR_BYTE_BMP_COUNT_C]", tables.FourByte);
  WriteArray(out, "const std::uint32_t ENCODE_C[65536]", tables.Encode);
  std::sort(tables.Supplementary.begin(), tables.Supplementary.end());
  out << "const std::size_t SUPPLEMENTARY_COUNT_C = " << tables.Supplementary.size() << ";\n"
      << "const TSupplementaryPair SUPPLEMENTARY_C[" << std::max<std::size_t>(tables.Supplementary.size(), 1)
      << "] = {";
  for (const auto& [c, packed] : tables.Supplementary) out << "\n  {" << c << ", " << packed << "},";
  if (tables.Supplementary.empty()) out << "{0, 0}";
  out << "\n};\n\n}  // namespace Qd::Gb18030\n";
  if (!out) {
    std::cerr << "gb18030tables: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
