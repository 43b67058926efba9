// Unit QdStream: typed binary reading and writing on any seekable stream
// (TQdStreamFiler), and an in-memory stream that carries its own filer
// (TQdMemoryStream).
//
// Encodings (byte order applies only where said; little-endian otherwise):
// - byte, 8-bit integer, 8-bit character: 1 byte;
// - word, double word, single (its 4 bytes as a double word), UTF-16
//   character: 2/4/4/2 bytes, byte order applies;
// - 16-, 32-, 64-bit signed integers, double: little-endian always;
// - extended: the 10 bytes of the 80-bit format, little-endian always;
// - unsigned LEB128: 7 bits a byte, low groups first, high bit on all but
//   the last byte;
// - strings with a length prefix: the prefix (byte, word or double word;
//   byte order applies to the word and the double word), then the units.
//   The length counts characters, for the UTF-8 forms bytes of UTF-8.
//   UTF-16 characters inside such strings stay little-endian in both byte
//   orders; those of WriteWideCString follow the byte order;
// - zero-terminated strings: the units, then a 0 unit.
//
// Reading at the end and hostile data: a byte the stream doesn't deliver
// reads as 0. A length prefix or a count larger than what remains of the
// stream gives only what remains, so no read allocates more than the
// stream holds. ReadULEB128 stops at the end (a missing byte is 0, the last
// of a number) and ignores bits beyond 64. Zero-terminated reads stop at
// the end.
//
// The UTF-8 writers with an 8- or 16-bit length cut the text at the last
// whole character within 255 or 65535 bytes; the UTF-8 readers replace
// malformed bytes by U+FFFD.
#pragma once

#include <cstdint>
#include <string>

#include "QdClasses/Objects.h"
#include "runtime/Core/Types.h"
#include "runtime/IO/Streams.h"

namespace Qd {

enum TByteOrder : std::uint8_t { boLittleEndian = 0, boBigEndian = 1 };

class TQdStreamFiler : public TQdObject {
public:
  // Wraps `stream` (not owned; it must outlive the filer). Little-endian,
  // saved position 0.
  explicit TQdStreamFiler(Rtl::TStream& stream) : FStream(&stream) {}

  TByteOrder GetByteOrder() const { return FByteOrder; }
  void SetByteOrder(TByteOrder value) { FByteOrder = value; }
  bool GetEof();
  std::int64_t GetPosition();
  void SetPosition(std::int64_t value);
  std::int64_t GetSize();
  Rtl::TStream& GetStream() const { return *FStream; }

  // Pass-through to the stream: the number of bytes moved.
  int Read(void* buffer, int count);
  int Write(const void* buffer, int count);
  // Origin: soBeginning, soCurrent, soEnd; the new position.
  std::int64_t Seek(std::int32_t offset, Rtl::TSeekOrigin origin);
  std::int64_t Seek(std::int64_t offset, Rtl::TSeekOrigin origin);
  void SeekToBeginning();
  void SeekToEnd();

  // The one saved position (64 bits); every peek replaces it.
  void SavePosition();
  void RestorePosition();

  std::uint8_t ReadByte();
  void WriteByte(std::uint8_t value);
  std::uint8_t PeekByte();
  std::int8_t ReadInt8();
  void WriteInt8(std::int8_t value);
  std::uint16_t ReadWord();
  void WriteWord(std::uint16_t value);
  std::uint16_t PeekWord();
  std::uint32_t ReadDoubleWord();
  void WriteDoubleWord(std::uint32_t value);
  std::uint32_t PeekDoubleWord();
  std::int16_t ReadInt16();
  void WriteInt16(std::int16_t value);
  std::int32_t ReadInt32();
  void WriteInt32(std::int32_t value);
  std::int64_t ReadInt64();
  void WriteInt64(std::int64_t value);
  std::uint64_t ReadULEB128();
  void WriteULEB128(std::uint64_t value);
  float ReadSingle();
  void WriteSingle(float value);
  double ReadDouble();
  void WriteDouble(double value);
  // long double is the 80-bit extended format in this toolchain.
  long double ReadExtended();
  void WriteExtended(long double value);
  char ReadAnsiChar();
  void WriteAnsiChar(char value);
  wchar_t ReadWideChar();
  void WriteWideChar(wchar_t value);

  // 8-bit strings; the 8- and 16-bit length forms write at most 255 and
  // 65535 bytes.
  Rtl::RawByteString ReadAnsiString8();
  void WriteAnsiString8(const Rtl::RawByteString& value);
  Rtl::RawByteString ReadAnsiString16();
  void WriteAnsiString16(const Rtl::RawByteString& value);
  Rtl::RawByteString ReadAnsiString32();
  void WriteAnsiString32(const Rtl::RawByteString& value);
  Rtl::RawByteString ReadAnsiCString();
  void WriteAnsiCString(const Rtl::RawByteString& value);
  // UTF-16 strings; the 8- and 16-bit length forms write at most 255 and
  // 65535 characters.
  std::wstring ReadWideString8();
  void WriteWideString8(const std::wstring& value);
  std::wstring ReadWideString16();
  void WriteWideString16(const std::wstring& value);
  std::wstring ReadWideString32();
  void WriteWideString32(const std::wstring& value);
  std::wstring ReadWideCString();
  void WriteWideCString(const std::wstring& value);
  // UTF-8 strings.
  std::wstring ReadUtf8String8();
  void WriteUtf8String8(const std::wstring& value);
  std::wstring ReadUtf8String16();
  void WriteUtf8String16(const std::wstring& value);
  std::wstring ReadUtf8String32();
  void WriteUtf8String32(const std::wstring& value);
  std::wstring ReadUtf8CString();
  void WriteUtf8CString(const std::wstring& value);
  // Plain text: no length, no terminator.
  void WriteAnsiPlain(const Rtl::RawByteString& value);
  void WriteWidePlain(const std::wstring& value);

  // Raw bytes; a count of 0 or less gives an empty result.
  Rtl::RawByteString ReadBinary(std::int64_t count);
  Rtl::RawByteString PeekBinary(std::int64_t count);
  void WriteBinary(const Rtl::RawByteString& value);
  Rtl::TBytes ReadBytes(std::int64_t count);
  Rtl::TBytes PeekBytes(std::int64_t count);
  void WriteBytes(const Rtl::TBytes& value);
  void WriteBytes(const void* data, std::int64_t count);

  // r = position mod 4: reads r bytes (none when r is 0) / writes r zero
  // bytes. The two are a pair: what one writes, the other skips.
  Rtl::TBytes ReadToDoubleWord();
  void WriteToDoubleWord();

private:
  // Reads up to `count` bytes (fewer at the end); the rest of `buffer` is
  // zero-filled. Returns the number of bytes delivered.
  std::size_t ReadFully(void* buffer, std::size_t count);
  void WriteFully(const void* buffer, std::size_t count);
  // The bytes between the position and the end (0 beyond the end).
  std::uint64_t Remaining();
  std::uint64_t ReadOrdered(int size, bool ordered);
  void WriteOrdered(std::uint64_t value, int size, bool ordered);
  Rtl::RawByteString ReadAnsiCount(std::uint64_t count);
  std::wstring ReadWideCount(std::uint64_t count);

  TByteOrder FByteOrder = boLittleEndian;
  std::int64_t FSavedPosition = 0;
  Rtl::TStream* FStream;
};

// A memory stream with its own filer (little-endian) and whole-content
// access. The setters write at the current position and don't empty the
// stream first: content beyond what they write stays.
class TQdMemoryStream : public Rtl::TMemoryStream {
public:
  TQdMemoryStream() = default;
  // Then SetAsStream / SetAsString / SetAsBinary / SetAsBytes.
  explicit TQdMemoryStream(Rtl::TStream& stream);
  explicit TQdMemoryStream(const std::wstring& text);
  explicit TQdMemoryStream(const Rtl::RawByteString& data);
  explicit TQdMemoryStream(const Rtl::TBytes& data);
  // Works on the caller's block of `size` bytes, without a copy: reads and
  // writes stay within it; a write that would grow it raises
  // Rtl::EStreamError.
  TQdMemoryStream(void* memory, std::int64_t size) : Rtl::TMemoryStream(memory, size) {}

  TQdStreamFiler& GetFiler() { return FFiler; }

  // The content from the beginning as UTF-16 text of Size div 2 characters
  // (an odd last byte is ignored); the position ends after the bytes read.
  std::wstring GetAsString();
  void SetAsString(const std::wstring& value);
  // Copies of the whole content; the position doesn't move.
  Rtl::RawByteString GetAsBinary() const;
  void SetAsBinary(const Rtl::RawByteString& value);
  Rtl::TBytes GetAsBytes() const;
  void SetAsBytes(const Rtl::TBytes& value);
  // Copies `value` from its position to its end here, then seeks to the
  // beginning.
  void SetAsStream(Rtl::TStream& value);

  bool GetEof() { return FFiler.GetEof(); }
  void SeekToBeginning() { FFiler.SeekToBeginning(); }
  void SeekToEnd() { FFiler.SeekToEnd(); }
  void SavePosition() { FFiler.SavePosition(); }
  void RestorePosition() { FFiler.RestorePosition(); }

  // The filer's typed operations.
  std::uint8_t ReadByte() { return FFiler.ReadByte(); }
  void WriteByte(std::uint8_t value) { FFiler.WriteByte(value); }
  std::uint8_t PeekByte() { return FFiler.PeekByte(); }
  std::int8_t ReadInt8() { return FFiler.ReadInt8(); }
  void WriteInt8(std::int8_t value) { FFiler.WriteInt8(value); }
  std::uint16_t ReadWord() { return FFiler.ReadWord(); }
  void WriteWord(std::uint16_t value) { FFiler.WriteWord(value); }
  std::uint16_t PeekWord() { return FFiler.PeekWord(); }
  std::uint32_t ReadDoubleWord() { return FFiler.ReadDoubleWord(); }
  void WriteDoubleWord(std::uint32_t value) { FFiler.WriteDoubleWord(value); }
  std::uint32_t PeekDoubleWord() { return FFiler.PeekDoubleWord(); }
  std::int16_t ReadInt16() { return FFiler.ReadInt16(); }
  void WriteInt16(std::int16_t value) { FFiler.WriteInt16(value); }
  std::int32_t ReadInt32() { return FFiler.ReadInt32(); }
  void WriteInt32(std::int32_t value) { FFiler.WriteInt32(value); }
  std::int64_t ReadInt64() { return FFiler.ReadInt64(); }
  void WriteInt64(std::int64_t value) { FFiler.WriteInt64(value); }
  std::uint64_t ReadULEB128() { return FFiler.ReadULEB128(); }
  void WriteULEB128(std::uint64_t value) { FFiler.WriteULEB128(value); }
  float ReadSingle() { return FFiler.ReadSingle(); }
  void WriteSingle(float value) { FFiler.WriteSingle(value); }
  double ReadDouble() { return FFiler.ReadDouble(); }
  void WriteDouble(double value) { FFiler.WriteDouble(value); }
  long double ReadExtended() { return FFiler.ReadExtended(); }
  void WriteExtended(long double value) { FFiler.WriteExtended(value); }
  char ReadAnsiChar() { return FFiler.ReadAnsiChar(); }
  void WriteAnsiChar(char value) { FFiler.WriteAnsiChar(value); }
  wchar_t ReadWideChar() { return FFiler.ReadWideChar(); }
  void WriteWideChar(wchar_t value) { FFiler.WriteWideChar(value); }
  Rtl::RawByteString ReadAnsiString8() { return FFiler.ReadAnsiString8(); }
  void WriteAnsiString8(const Rtl::RawByteString& value) { FFiler.WriteAnsiString8(value); }
  Rtl::RawByteString ReadAnsiString16() { return FFiler.ReadAnsiString16(); }
  void WriteAnsiString16(const Rtl::RawByteString& value) { FFiler.WriteAnsiString16(value); }
  Rtl::RawByteString ReadAnsiString32() { return FFiler.ReadAnsiString32(); }
  void WriteAnsiString32(const Rtl::RawByteString& value) { FFiler.WriteAnsiString32(value); }
  Rtl::RawByteString ReadAnsiCString() { return FFiler.ReadAnsiCString(); }
  void WriteAnsiCString(const Rtl::RawByteString& value) { FFiler.WriteAnsiCString(value); }
  std::wstring ReadWideString8() { return FFiler.ReadWideString8(); }
  void WriteWideString8(const std::wstring& value) { FFiler.WriteWideString8(value); }
  std::wstring ReadWideString16() { return FFiler.ReadWideString16(); }
  void WriteWideString16(const std::wstring& value) { FFiler.WriteWideString16(value); }
  std::wstring ReadWideString32() { return FFiler.ReadWideString32(); }
  void WriteWideString32(const std::wstring& value) { FFiler.WriteWideString32(value); }
  std::wstring ReadWideCString() { return FFiler.ReadWideCString(); }
  void WriteWideCString(const std::wstring& value) { FFiler.WriteWideCString(value); }
  std::wstring ReadUtf8String8() { return FFiler.ReadUtf8String8(); }
  void WriteUtf8String8(const std::wstring& value) { FFiler.WriteUtf8String8(value); }
  std::wstring ReadUtf8String16() { return FFiler.ReadUtf8String16(); }
  void WriteUtf8String16(const std::wstring& value) { FFiler.WriteUtf8String16(value); }
  std::wstring ReadUtf8String32() { return FFiler.ReadUtf8String32(); }
  void WriteUtf8String32(const std::wstring& value) { FFiler.WriteUtf8String32(value); }
  std::wstring ReadUtf8CString() { return FFiler.ReadUtf8CString(); }
  void WriteUtf8CString(const std::wstring& value) { FFiler.WriteUtf8CString(value); }
  void WriteAnsiPlain(const Rtl::RawByteString& value) { FFiler.WriteAnsiPlain(value); }
  void WriteWidePlain(const std::wstring& value) { FFiler.WriteWidePlain(value); }
  Rtl::RawByteString ReadBinary(std::int64_t count) { return FFiler.ReadBinary(count); }
  Rtl::RawByteString PeekBinary(std::int64_t count) { return FFiler.PeekBinary(count); }
  void WriteBinary(const Rtl::RawByteString& value) { FFiler.WriteBinary(value); }
  // The bytes from the position to the end.
  Rtl::TBytes ReadBytes();
  Rtl::TBytes ReadBytes(std::int64_t count) { return FFiler.ReadBytes(count); }
  Rtl::TBytes PeekBytes(std::int64_t count) { return FFiler.PeekBytes(count); }
  void WriteBytes(const Rtl::TBytes& value) { FFiler.WriteBytes(value); }
  void WriteBytes(const void* data, std::int64_t count) { FFiler.WriteBytes(data, count); }
  Rtl::TBytes ReadToDoubleWord() { return FFiler.ReadToDoubleWord(); }
  void WriteToDoubleWord() { FFiler.WriteToDoubleWord(); }

private:
  TQdStreamFiler FFiler{*this};
};

}  // namespace Qd
