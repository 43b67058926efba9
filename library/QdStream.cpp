#include "QdStream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "runtime/Text/Utf8.h"

namespace Qd {

// Extended values are stored as the bytes of the 80-bit format, which is
// long double here (x87: 64-bit significand with explicit leading bit,
// 15-bit exponent).
static_assert(std::numeric_limits<long double>::digits == 64 && std::numeric_limits<long double>::max_exponent == 16384,
              "long double must be the 80-bit extended format");
static_assert(sizeof(long double) >= 10);
static_assert(std::endian::native == std::endian::little);

namespace {

// The largest piece handed to the stream at once (its counts are int).
constexpr std::size_t CHUNK_C = 1 << 20;

// `text` cut to at most `limit` bytes, never inside a UTF-8 sequence: when
// the first byte left out continues a sequence, the cut moves back to that
// sequence's lead byte.
std::string CutUtf8(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<std::uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

}  // namespace

// --- Position -----------------------------------------------------------------

bool TQdStreamFiler::GetEof() { return GetPosition() >= GetSize(); }

std::int64_t TQdStreamFiler::GetPosition() { return FStream->Position(); }

void TQdStreamFiler::SetPosition(std::int64_t value) { FStream->SetPosition(value); }

std::int64_t TQdStreamFiler::GetSize() { return FStream->Size(); }

int TQdStreamFiler::Read(void* buffer, int count) { return FStream->Read(buffer, count); }

int TQdStreamFiler::Write(const void* buffer, int count) { return FStream->Write(buffer, count); }

std::int64_t TQdStreamFiler::Seek(std::int32_t offset, Rtl::TSeekOrigin origin) {
  return FStream->Seek(offset, origin);
}

std::int64_t TQdStreamFiler::Seek(std::int64_t offset, Rtl::TSeekOrigin origin) {
  return FStream->Seek(offset, origin);
}

void TQdStreamFiler::SeekToBeginning() { FStream->Seek(0, Rtl::soBeginning); }

void TQdStreamFiler::SeekToEnd() { FStream->Seek(0, Rtl::soEnd); }

// The slot keeps all 64 bits: a position beyond 2 GB comes back unchanged.
void TQdStreamFiler::SavePosition() { FSavedPosition = GetPosition(); }

void TQdStreamFiler::RestorePosition() { SetPosition(FSavedPosition); }

std::uint64_t TQdStreamFiler::Remaining() {
  const std::int64_t position = GetPosition();
  const std::int64_t size = GetSize();
  return position >= 0 && position < size ? static_cast<std::uint64_t>(size - position) : 0;
}

// --- Bytes in and out -----------------------------------------------------------

std::size_t TQdStreamFiler::ReadFully(void* buffer, std::size_t count) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const int n = FStream->Read(bytes + done, static_cast<int>(std::min(count - done, CHUNK_C)));
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  std::memset(bytes + done, 0, count - done);
  return done;
}

void TQdStreamFiler::WriteFully(const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    const std::size_t n = std::min(count, CHUNK_C);
    FStream->WriteBuffer(bytes, static_cast<int>(n));
    bytes += n;
    count -= n;
  }
}

std::uint64_t TQdStreamFiler::ReadOrdered(int size, bool ordered) {
  std::uint8_t bytes[8];
  ReadFully(bytes, static_cast<std::size_t>(size));
  const bool big = ordered && FByteOrder == boBigEndian;
  std::uint64_t value = 0;
  for (int i = 0; i < size; ++i) {
    const std::uint64_t byte = bytes[big ? i : size - 1 - i];
    value = value << 8 | byte;
  }
  return value;
}

void TQdStreamFiler::WriteOrdered(std::uint64_t value, int size, bool ordered) {
  std::uint8_t bytes[8];
  const bool big = ordered && FByteOrder == boBigEndian;
  for (int i = 0; i < size; ++i) bytes[big ? size - 1 - i : i] = static_cast<std::uint8_t>(value >> (8 * i));
  WriteFully(bytes, static_cast<std::size_t>(size));
}

// --- Numbers and characters ---------------------------------------------------------

std::uint8_t TQdStreamFiler::ReadByte() { return static_cast<std::uint8_t>(ReadOrdered(1, false)); }
void TQdStreamFiler::WriteByte(std::uint8_t value) { WriteOrdered(value, 1, false); }

std::uint8_t TQdStreamFiler::PeekByte() {
  SavePosition();
  const std::uint8_t value = ReadByte();
  RestorePosition();
  return value;
}

std::int8_t TQdStreamFiler::ReadInt8() { return static_cast<std::int8_t>(ReadByte()); }
void TQdStreamFiler::WriteInt8(std::int8_t value) { WriteByte(static_cast<std::uint8_t>(value)); }

std::uint16_t TQdStreamFiler::ReadWord() { return static_cast<std::uint16_t>(ReadOrdered(2, true)); }
void TQdStreamFiler::WriteWord(std::uint16_t value) { WriteOrdered(value, 2, true); }

std::uint16_t TQdStreamFiler::PeekWord() {
  SavePosition();
  const std::uint16_t value = ReadWord();
  RestorePosition();
  return value;
}

std::uint32_t TQdStreamFiler::ReadDoubleWord() { return static_cast<std::uint32_t>(ReadOrdered(4, true)); }
void TQdStreamFiler::WriteDoubleWord(std::uint32_t value) { WriteOrdered(value, 4, true); }

std::uint32_t TQdStreamFiler::PeekDoubleWord() {
  SavePosition();
  const std::uint32_t value = ReadDoubleWord();
  RestorePosition();
  return value;
}

std::int16_t TQdStreamFiler::ReadInt16() { return static_cast<std::int16_t>(ReadOrdered(2, false)); }
void TQdStreamFiler::WriteInt16(std::int16_t value) { WriteOrdered(static_cast<std::uint16_t>(value), 2, false); }
std::int32_t TQdStreamFiler::ReadInt32() { return static_cast<std::int32_t>(ReadOrdered(4, false)); }
void TQdStreamFiler::WriteInt32(std::int32_t value) { WriteOrdered(static_cast<std::uint32_t>(value), 4, false); }
std::int64_t TQdStreamFiler::ReadInt64() { return static_cast<std::int64_t>(ReadOrdered(8, false)); }
void TQdStreamFiler::WriteInt64(std::int64_t value) { WriteOrdered(static_cast<std::uint64_t>(value), 8, false); }

// A byte that the stream doesn't deliver reads as 0, whose high bit ends the
// number, so the loop stops at the end. Groups beyond bit 63 are read and
// dropped.
std::uint64_t TQdStreamFiler::ReadULEB128() {
  std::uint64_t value = 0;
  unsigned shift = 0;
  std::uint8_t byte;
  do {
    byte = ReadByte();
    if (shift < 64) {
      value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
      shift += 7;
    }
  } while ((byte & 0x80) != 0);
  return value;
}

void TQdStreamFiler::WriteULEB128(std::uint64_t value) {
  bool last;
  do {
    const auto chunk = static_cast<std::uint8_t>(value & 0x7F);
    last = value < 0x80;
    WriteByte(last ? chunk : static_cast<std::uint8_t>(chunk | 0x80));
    value >>= 7;
  } while (!last);
}

float TQdStreamFiler::ReadSingle() { return std::bit_cast<float>(ReadDoubleWord()); }
void TQdStreamFiler::WriteSingle(float value) { WriteDoubleWord(std::bit_cast<std::uint32_t>(value)); }
double TQdStreamFiler::ReadDouble() { return std::bit_cast<double>(ReadOrdered(8, false)); }
void TQdStreamFiler::WriteDouble(double value) { WriteOrdered(std::bit_cast<std::uint64_t>(value), 8, false); }

long double TQdStreamFiler::ReadExtended() {
  long double value = 0;
  std::uint8_t bytes[10];
  ReadFully(bytes, sizeof bytes);
  std::memcpy(&value, bytes, sizeof bytes);
  return value;
}

void TQdStreamFiler::WriteExtended(long double value) {
  std::uint8_t bytes[10];
  std::memcpy(bytes, &value, sizeof bytes);
  WriteFully(bytes, sizeof bytes);
}

char TQdStreamFiler::ReadAnsiChar() { return static_cast<char>(ReadByte()); }
void TQdStreamFiler::WriteAnsiChar(char value) { WriteByte(static_cast<std::uint8_t>(value)); }
wchar_t TQdStreamFiler::ReadWideChar() { return static_cast<wchar_t>(ReadWord()); }
void TQdStreamFiler::WriteWideChar(wchar_t value) { WriteWord(static_cast<std::uint16_t>(value)); }

// --- Strings --------------------------------------------------------------------------

// `count` bytes, or what remains of the stream when that is less: a hostile
// length never makes a larger buffer than the stream holds.
Rtl::RawByteString TQdStreamFiler::ReadAnsiCount(std::uint64_t count) {
  count = std::min(count, Remaining());
  if (count > std::numeric_limits<std::size_t>::max() / 2) count = std::numeric_limits<std::size_t>::max() / 2;
  Rtl::RawByteString text(static_cast<std::size_t>(count), '\0');
  ReadFully(text.data(), text.size());
  return text;
}

// `count` little-endian UTF-16 characters, or those that remain; an odd
// last byte makes a character with a high byte of 0.
std::wstring TQdStreamFiler::ReadWideCount(std::uint64_t count) {
  const std::uint64_t remaining = Remaining();
  if (count > remaining / 2) count = (remaining + 1) / 2;
  const Rtl::RawByteString bytes = ReadAnsiCount(count * 2);
  std::wstring text(static_cast<std::size_t>(count), L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto low = static_cast<std::uint8_t>(bytes[2 * i]);
    const auto high = 2 * i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[2 * i + 1]) : 0;
    text[i] = static_cast<wchar_t>(low | high << 8);
  }
  return text;
}

Rtl::RawByteString TQdStreamFiler::ReadAnsiString8() { return ReadAnsiCount(ReadByte()); }
Rtl::RawByteString TQdStreamFiler::ReadAnsiString16() { return ReadAnsiCount(ReadWord()); }
Rtl::RawByteString TQdStreamFiler::ReadAnsiString32() { return ReadAnsiCount(ReadDoubleWord()); }

void TQdStreamFiler::WriteAnsiString8(const Rtl::RawByteString& value) {
  const std::size_t n = std::min<std::size_t>(value.size(), 255);
  WriteByte(static_cast<std::uint8_t>(n));
  WriteFully(value.data(), n);
}

void TQdStreamFiler::WriteAnsiString16(const Rtl::RawByteString& value) {
  const std::size_t n = std::min<std::size_t>(value.size(), 65535);
  WriteWord(static_cast<std::uint16_t>(n));
  WriteFully(value.data(), n);
}

void TQdStreamFiler::WriteAnsiString32(const Rtl::RawByteString& value) {
  WriteDoubleWord(static_cast<std::uint32_t>(value.size()));
  WriteFully(value.data(), value.size());
}

// Up to a 0 or the end (what remains is asked once, not before every
// character: a file stream's size costs system calls).
Rtl::RawByteString TQdStreamFiler::ReadAnsiCString() {
  Rtl::RawByteString text;
  for (std::uint64_t left = Remaining(); left > 0; --left) {
    const char c = ReadAnsiChar();
    if (c == '\0') break;
    text.push_back(c);
  }
  return text;
}

void TQdStreamFiler::WriteAnsiCString(const Rtl::RawByteString& value) {
  WriteFully(value.data(), value.size());
  WriteByte(0);
}

std::wstring TQdStreamFiler::ReadWideString8() { return ReadWideCount(ReadByte()); }
std::wstring TQdStreamFiler::ReadWideString16() { return ReadWideCount(ReadWord()); }
std::wstring TQdStreamFiler::ReadWideString32() { return ReadWideCount(ReadDoubleWord()); }

void TQdStreamFiler::WriteWideString8(const std::wstring& value) {
  const std::size_t n = std::min<std::size_t>(value.size(), 255);
  WriteByte(static_cast<std::uint8_t>(n));
  WriteWidePlain(value.substr(0, n));
}

void TQdStreamFiler::WriteWideString16(const std::wstring& value) {
  const std::size_t n = std::min<std::size_t>(value.size(), 65535);
  WriteWord(static_cast<std::uint16_t>(n));
  WriteWidePlain(value.substr(0, n));
}

void TQdStreamFiler::WriteWideString32(const std::wstring& value) {
  WriteDoubleWord(static_cast<std::uint32_t>(value.size()));
  WriteWidePlain(value);
}

std::wstring TQdStreamFiler::ReadWideCString() {
  std::wstring text;
  for (std::uint64_t left = Remaining(); left > 0; left = left > 2 ? left - 2 : 0) {
    const wchar_t c = ReadWideChar();
    if (c == L'\0') break;
    text.push_back(c);
  }
  return text;
}

void TQdStreamFiler::WriteWideCString(const std::wstring& value) {
  for (const wchar_t c : value) WriteWideChar(c);
  WriteWideChar(L'\0');
}

std::wstring TQdStreamFiler::ReadUtf8String8() { return Rtl::Utf8Decode(ReadAnsiString8()); }
std::wstring TQdStreamFiler::ReadUtf8String16() { return Rtl::Utf8Decode(ReadAnsiString16()); }
std::wstring TQdStreamFiler::ReadUtf8String32() { return Rtl::Utf8Decode(ReadAnsiString32()); }
std::wstring TQdStreamFiler::ReadUtf8CString() { return Rtl::Utf8Decode(ReadAnsiCString()); }

void TQdStreamFiler::WriteUtf8String8(const std::wstring& value) {
  WriteAnsiString8(CutUtf8(Rtl::Utf8Encode(value), 255));
}

void TQdStreamFiler::WriteUtf8String16(const std::wstring& value) {
  WriteAnsiString16(CutUtf8(Rtl::Utf8Encode(value), 65535));
}

void TQdStreamFiler::WriteUtf8String32(const std::wstring& value) { WriteAnsiString32(Rtl::Utf8Encode(value)); }
void TQdStreamFiler::WriteUtf8CString(const std::wstring& value) { WriteAnsiCString(Rtl::Utf8Encode(value)); }

void TQdStreamFiler::WriteAnsiPlain(const Rtl::RawByteString& value) { WriteFully(value.data(), value.size()); }

void TQdStreamFiler::WriteWidePlain(const std::wstring& value) {
  Rtl::RawByteString bytes(value.size() * 2, '\0');
  for (std::size_t i = 0; i < value.size(); ++i) {
    bytes[2 * i] = static_cast<char>(value[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(static_cast<std::uint16_t>(value[i]) >> 8);
  }
  WriteFully(bytes.data(), bytes.size());
}

// --- Raw bytes ---------------------------------------------------------------------------

Rtl::RawByteString TQdStreamFiler::ReadBinary(std::int64_t count) {
  if (count <= 0) return {};
  return ReadAnsiCount(static_cast<std::uint64_t>(count));
}

Rtl::RawByteString TQdStreamFiler::PeekBinary(std::int64_t count) {
  SavePosition();
  Rtl::RawByteString value = ReadBinary(count);
  RestorePosition();
  return value;
}

void TQdStreamFiler::WriteBinary(const Rtl::RawByteString& value) { WriteFully(value.data(), value.size()); }

Rtl::TBytes TQdStreamFiler::ReadBytes(std::int64_t count) {
  if (count <= 0) return {};
  std::uint64_t n = std::min(static_cast<std::uint64_t>(count), Remaining());
  if (n > std::numeric_limits<std::size_t>::max() / 2) n = std::numeric_limits<std::size_t>::max() / 2;
  Rtl::TBytes bytes(static_cast<std::size_t>(n));
  ReadFully(bytes.data(), bytes.size());
  return bytes;
}

Rtl::TBytes TQdStreamFiler::PeekBytes(std::int64_t count) {
  SavePosition();
  Rtl::TBytes value = ReadBytes(count);
  RestorePosition();
  return value;
}

void TQdStreamFiler::WriteBytes(const Rtl::TBytes& value) { WriteFully(value.data(), value.size()); }

void TQdStreamFiler::WriteBytes(const void* data, std::int64_t count) {
  if (count > 0) WriteFully(data, static_cast<std::size_t>(count));
}

Rtl::TBytes TQdStreamFiler::ReadToDoubleWord() { return ReadBytes(GetPosition() % 4); }

void TQdStreamFiler::WriteToDoubleWord() {
  static const std::uint8_t zeros[4] = {};
  WriteFully(zeros, static_cast<std::size_t>(GetPosition() % 4));
}

// --- TQdMemoryStream -------------------------------------------------------------------------

TQdMemoryStream::TQdMemoryStream(Rtl::TStream& stream) { SetAsStream(stream); }
TQdMemoryStream::TQdMemoryStream(const std::wstring& text) { SetAsString(text); }
TQdMemoryStream::TQdMemoryStream(const Rtl::RawByteString& data) { SetAsBinary(data); }
TQdMemoryStream::TQdMemoryStream(const Rtl::TBytes& data) { SetAsBytes(data); }

std::wstring TQdMemoryStream::GetAsString() {
  FFiler.SeekToBeginning();
  const std::int64_t count = Size() / 2;
  std::wstring text(static_cast<std::size_t>(count), L'\0');
  const std::uint8_t* bytes = Memory();
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  FFiler.SetPosition(count * 2);
  return text;
}

void TQdMemoryStream::SetAsString(const std::wstring& value) {
  if (value.empty()) return;
  FFiler.WriteWidePlain(value);
  FFiler.SeekToBeginning();
}

Rtl::RawByteString TQdMemoryStream::GetAsBinary() const {
  return Rtl::RawByteString(reinterpret_cast<const char*>(Memory()), static_cast<std::size_t>(FSize));
}

void TQdMemoryStream::SetAsBinary(const Rtl::RawByteString& value) {
  if (value.empty()) return;
  FFiler.WriteBinary(value);
  FFiler.SeekToBeginning();
}

Rtl::TBytes TQdMemoryStream::GetAsBytes() const { return Bytes(); }

void TQdMemoryStream::SetAsBytes(const Rtl::TBytes& value) {
  if (value.empty()) return;
  FFiler.WriteBytes(value);
  FFiler.SeekToBeginning();
}

void TQdMemoryStream::SetAsStream(Rtl::TStream& value) {
  const std::int64_t count = value.Size() - value.Position();
  if (count > 0) CopyFrom(value, count);
  FFiler.SeekToBeginning();
}

Rtl::TBytes TQdMemoryStream::ReadBytes() { return FFiler.ReadBytes(Size() - Position()); }

}  // namespace Qd
