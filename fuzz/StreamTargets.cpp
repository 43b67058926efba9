// The fuzz target of the stream filer: programs of typed reads, peeks, seeks
// (and writes into a block of fixed size) over hostile data, in both byte
// orders, on three kinds of stream.
//
// Input: byte 0 the settings (bit 0 big-endian; bits 1-2 the stream: the
// library's memory stream, a filer over a runtime memory stream, the memory
// stream over a block of the target's own), byte 1 the length p of the
// program, the next p bytes the program (an operation a byte, some with an
// argument byte), the rest the data.
//
// After every operation: the position lies within 0 and the size, and
// nothing read is larger than the stream. Each value read is written to a
// fresh stream and must read back the same.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdStream.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"

namespace Fuzz {

namespace {

enum TOp : std::uint8_t {
  opByte, opInt8, opWord, opDoubleWord, opInt16, opInt32, opInt64, opULEB128, opSingle, opDouble, opExtended,
  opAnsiChar, opWideChar, opAnsiString8, opAnsiString16, opAnsiString32, opAnsiCString, opWideString8,
  opWideString16, opWideString32, opWideCString, opUtf8String8, opUtf8String16, opUtf8String32, opUtf8CString,
  opBinary, opBytes, opPeekByte, opPeekWord, opPeekDoubleWord, opPeekBinary, opPeekBytes, opToDoubleWord,
  opSeekBeginning, opSeekCurrent, opSeekEnd, opSave, opRestore, opToggleOrder, opAsString, opRestBytes,
  opBlockWrite, opCount
};

class TCheck {
public:
  TCheck(Qd::TQdStreamFiler& filer, std::int64_t size) : FFiler(filer), FSize(size) {}

  void Position() const {
    const std::int64_t position = FFiler.GetPosition();
    if (position < 0 || position > FFiler.GetSize()) Fail("stream-filer: a position outside the stream");
  }
  // Nothing read may be larger than the stream: a hostile length must not
  // make a larger buffer.
  void Bytes(std::size_t count) const {
    if (count > static_cast<std::uint64_t>(FSize)) Fail("stream-filer: a read larger than the stream");
  }
  void Chars(std::size_t count) const {
    if (count * 2 > static_cast<std::uint64_t>(FSize) + 1) Fail("stream-filer: a read larger than the stream");
  }

private:
  Qd::TQdStreamFiler& FFiler;
  std::int64_t FSize;
};

// Writes `value` with `write` on a fresh stream in `order`, reads it back
// with `read` and compares.
template <class T, class W, class R>
void RoundTrip(Qd::TByteOrder order, const T& value, W write, R read, const char* what) {
  Rtl::TMemoryStream stream;
  Qd::TQdStreamFiler filer(stream);
  filer.SetByteOrder(order);
  write(filer, value);
  filer.SeekToBeginning();
  if (!(read(filer) == value)) Fail(std::string("stream-filer: no round trip of ") + what);
  if (!filer.GetEof()) Fail(std::string("stream-filer: a round trip that leaves bytes: ") + what);
}

#define QD_ROUND_TRIP(Kind, value) \
  RoundTrip(filer.GetByteOrder(), value, [](auto& f, const auto& v) { f.Write##Kind(v); }, \
            [](auto& f) { return f.Read##Kind(); }, #Kind)

// `block`: the stream works on a block of fixed size, which the program
// also writes into (a write that would grow it must be refused and change
// nothing).
void RunProgram(Qd::TQdStreamFiler& filer, TInput program, Qd::TQdMemoryStream* memory, bool block) {
  const std::int64_t size = filer.GetSize();
  const TCheck check(filer, size);
  std::size_t pc = 0;
  auto argument = [&]() -> std::uint8_t { return pc < program.size() ? program[pc++] : 0; };
  while (pc < program.size()) {
    const auto op = static_cast<TOp>(program[pc++] % opCount);
    switch (op) {
      case opByte: QD_ROUND_TRIP(Byte, filer.ReadByte()); break;
      case opInt8: QD_ROUND_TRIP(Int8, filer.ReadInt8()); break;
      case opWord: QD_ROUND_TRIP(Word, filer.ReadWord()); break;
      case opDoubleWord: QD_ROUND_TRIP(DoubleWord, filer.ReadDoubleWord()); break;
      case opInt16: QD_ROUND_TRIP(Int16, filer.ReadInt16()); break;
      case opInt32: QD_ROUND_TRIP(Int32, filer.ReadInt32()); break;
      case opInt64: QD_ROUND_TRIP(Int64, filer.ReadInt64()); break;
      case opULEB128: QD_ROUND_TRIP(ULEB128, filer.ReadULEB128()); break;
      case opSingle: {
        const float value = filer.ReadSingle();
        if (!std::isnan(value)) QD_ROUND_TRIP(Single, value);
        break;
      }
      case opDouble: {
        const double value = filer.ReadDouble();
        if (!std::isnan(value)) QD_ROUND_TRIP(Double, value);
        break;
      }
      case opExtended: filer.ReadExtended(); break;  // any 10 bytes, also those no arithmetic takes
      case opAnsiChar: QD_ROUND_TRIP(AnsiChar, filer.ReadAnsiChar()); break;
      case opWideChar: QD_ROUND_TRIP(WideChar, filer.ReadWideChar()); break;
      case opAnsiString8: {
        const auto value = filer.ReadAnsiString8();
        check.Bytes(value.size());
        QD_ROUND_TRIP(AnsiString8, value);
        break;
      }
      case opAnsiString16: {
        const auto value = filer.ReadAnsiString16();
        check.Bytes(value.size());
        QD_ROUND_TRIP(AnsiString16, value);
        break;
      }
      case opAnsiString32: {
        const auto value = filer.ReadAnsiString32();
        check.Bytes(value.size());
        QD_ROUND_TRIP(AnsiString32, value);
        break;
      }
      case opAnsiCString: {
        const auto value = filer.ReadAnsiCString();
        check.Bytes(value.size());
        QD_ROUND_TRIP(AnsiCString, value);
        break;
      }
      case opWideString8: {
        const auto value = filer.ReadWideString8();
        check.Chars(value.size());
        QD_ROUND_TRIP(WideString8, value);
        break;
      }
      case opWideString16: {
        const auto value = filer.ReadWideString16();
        check.Chars(value.size());
        QD_ROUND_TRIP(WideString16, value);
        break;
      }
      case opWideString32: {
        const auto value = filer.ReadWideString32();
        check.Chars(value.size());
        QD_ROUND_TRIP(WideString32, value);
        break;
      }
      case opWideCString: {
        const auto value = filer.ReadWideCString();
        check.Chars(value.size());
        QD_ROUND_TRIP(WideCString, value);
        break;
      }
      // Decoded UTF-8 may be longer than its bytes (U+FFFD for one byte),
      // so it is checked in characters, and goes round as UTF-8 of its own.
      case opUtf8String8: check.Bytes(filer.ReadUtf8String8().size()); break;
      case opUtf8String16: check.Bytes(filer.ReadUtf8String16().size()); break;
      case opUtf8String32: {
        const auto value = filer.ReadUtf8String32();
        check.Bytes(value.size());
        QD_ROUND_TRIP(Utf8String32, value);
        break;
      }
      case opUtf8CString: check.Bytes(filer.ReadUtf8CString().size()); break;
      case opBinary: {
        const std::int64_t count = static_cast<std::int8_t>(argument()) * std::int64_t{0x1000001};
        check.Bytes(filer.ReadBinary(count).size());
        break;
      }
      case opBytes: {
        const std::int64_t count = static_cast<std::int64_t>(argument()) << (argument() % 64);
        check.Bytes(filer.ReadBytes(count).size());
        break;
      }
      case opPeekByte: filer.PeekByte(); break;
      case opPeekWord: filer.PeekWord(); break;
      case opPeekDoubleWord: filer.PeekDoubleWord(); break;
      case opPeekBinary: {
        const std::int64_t before = filer.GetPosition();
        check.Bytes(filer.PeekBinary(argument()).size());
        if (filer.GetPosition() != before) Fail("stream-filer: a peek moved the position");
        break;
      }
      case opPeekBytes: check.Bytes(filer.PeekBytes(static_cast<std::int64_t>(argument()) << 32).size()); break;
      case opToDoubleWord: check.Bytes(filer.ReadToDoubleWord().size()); break;
      // Seeks stay within the stream: the program moves, the reads must not
      // carry the position out.
      case opSeekBeginning: filer.SetPosition(size == 0 ? 0 : argument() % (size + 1)); break;
      case opSeekCurrent: {
        const std::int64_t target = filer.GetPosition() + static_cast<std::int8_t>(argument());
        filer.Seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 0, size) - filer.GetPosition()),
                   Rtl::soCurrent);
        break;
      }
      case opSeekEnd: filer.Seek(-static_cast<std::int64_t>(argument() % (size + 1)), Rtl::soEnd); break;
      case opSave: filer.SavePosition(); break;
      case opRestore: filer.RestorePosition(); break;
      case opToggleOrder:
        filer.SetByteOrder(filer.GetByteOrder() == Qd::boLittleEndian ? Qd::boBigEndian : Qd::boLittleEndian);
        break;
      case opAsString:
        if (memory != nullptr) {
          const std::wstring text = memory->GetAsString();
          if (static_cast<std::int64_t>(text.size()) != size / 2) Fail("stream-filer: GetAsString of a wrong length");
          if (memory->Position() != size / 2 * 2) Fail("stream-filer: GetAsString left the position elsewhere");
        }
        break;
      case opRestBytes:
        if (memory != nullptr) {
          const std::int64_t left = size - memory->Position();
          if (static_cast<std::int64_t>(memory->ReadBytes().size()) != left) Fail("stream-filer: ReadBytes short");
        }
        break;
      case opBlockWrite:
        if (block) {
          const std::int64_t before = filer.GetPosition();
          const bool fits = before + 4 <= size;
          try {
            filer.WriteDoubleWord(0xA5A5A5A5);
            if (!fits) Fail("stream-filer: the caller's block grew");
          } catch (const Rtl::EStreamError&) {
            if (fits) Fail("stream-filer: a write within the caller's block was refused");
            if (filer.GetPosition() != before) Fail("stream-filer: a refused write moved the position");
          }
          if (filer.GetSize() != size) Fail("stream-filer: the caller's block changed its size");
        }
        break;
      case opCount: break;
    }
    check.Position();
  }
}

void StreamFiler(TInput input) {
  if (input.size() < 2) return;
  const std::uint8_t settings = input[0];
  const std::size_t programLength = std::min<std::size_t>(input[1], input.size() - 2);
  const TInput program = input.subspan(2, programLength);
  const TInput data = input.subspan(2 + programLength);
  const Qd::TByteOrder order = (settings & 1) != 0 ? Qd::boBigEndian : Qd::boLittleEndian;
  switch ((settings >> 1) % 3) {
    case 0: {
      Qd::TQdMemoryStream stream(TBytes(data.begin(), data.end()));
      stream.GetFiler().SetByteOrder(order);
      RunProgram(stream.GetFiler(), program, &stream, false);
      break;
    }
    case 1: {
      Rtl::TBytesStream stream(TBytes(data.begin(), data.end()));
      Qd::TQdStreamFiler filer(stream);
      filer.SetByteOrder(order);
      RunProgram(filer, program, nullptr, false);
      break;
    }
    default: {
      // An exact-size block: a read past its end would show under the
      // checked library's bounds.
      std::vector<std::uint8_t> block(data.begin(), data.end());
      Qd::TQdMemoryStream stream(block.data(), static_cast<std::int64_t>(block.size()));
      stream.GetFiler().SetByteOrder(order);
      RunProgram(stream.GetFiler(), program, &stream, true);
      break;
    }
  }
}

// A program of `length` random operations with arguments.
void AddProgram(TBytes& input, std::uint64_t& state, std::size_t length) {
  input.push_back(static_cast<std::uint8_t>(length));
  for (std::size_t i = 0; i < length; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    input.push_back(static_cast<std::uint8_t>(state >> 56));
  }
}

// Structured data: typed values written by the filer, with long LEB128
// runs, huge length prefixes and truncation mixed in.
TBytes StreamFilerGenerate(std::uint64_t seed) {
  std::uint64_t state = seed ^ 0x5DEECE66Dull;
  auto next = [&state]() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 33;
  };
  TBytes input{static_cast<std::uint8_t>(next())};
  AddProgram(input, state, 1 + next() % 40);
  Rtl::TMemoryStream data;
  Qd::TQdStreamFiler filer(data);
  filer.SetByteOrder((input[0] & 1) != 0 ? Qd::boBigEndian : Qd::boLittleEndian);
  const std::size_t values = 1 + next() % 12;
  for (std::size_t i = 0; i < values; ++i) {
    switch (next() % 10) {
      case 0: filer.WriteULEB128(next() << 31 | next()); break;
      case 1:  // a long run of continuation bytes
        for (std::uint64_t n = 8 + next() % 200; n > 0; --n) filer.WriteByte(0x80 | static_cast<std::uint8_t>(next()));
        break;
      case 2: filer.WriteDoubleWord(0xFFFFFFFF); break;  // a huge length prefix
      case 3: filer.WriteWord(static_cast<std::uint16_t>(0xFF00 | next())); break;
      case 4: filer.WriteAnsiString8(std::string(next() % 40, static_cast<char>('a' + next() % 26))); break;
      case 5: filer.WriteWideString16(std::wstring(next() % 20, static_cast<wchar_t>(next()))); break;
      case 6: filer.WriteUtf8String8(std::wstring(next() % 100, static_cast<wchar_t>(0x80 + next() % 0x7000))); break;
      case 7: filer.WriteWideCString(std::wstring(next() % 10, L'x')); break;
      case 8: filer.WriteExtended(static_cast<long double>(static_cast<std::int64_t>(next())) / 3); break;
      default: filer.WriteDouble(static_cast<double>(next())); break;
    }
  }
  TBytes bytes = data.Bytes();
  if (!bytes.empty() && next() % 3 == 0) bytes.resize(next() % bytes.size());  // truncated
  input.insert(input.end(), bytes.begin(), bytes.end());
  return input;
}

std::vector<TBytes> StreamFilerSeeds() {
  return {
      {0x00, 4, opULEB128, opAnsiString32, opWideString32, opAsString, 0xE5, 0x8E, 0x26, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
      {0x01, 6, opWord, opWideCString, opPeekWord, opSave, opRestore, opToDoubleWord, 0x12, 0x34, 0, 'a', 0, 0},
      {0x04, 3, opBytes, 0xFF, 40, 1, 2, 3},
      {0x02, 5, opSeekEnd, 3, opUtf8String8, opRestBytes, opExtended, 2, 0xC3, 0xA9, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF,
       0x3F},
  };
}

std::vector<std::string> StreamFilerTokens() {
  return {"\xFF\xFF\xFF\xFF", "\xFF\xFF", "\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80", "\xE5\x8E\x26",
          std::string(1, '\0'), std::string(2, '\0'), "\xC3", "\xE2\x82", "\xF0\x9F\x98"};
}

}  // namespace

// Listed by Targets.cpp.
TTarget StreamFilerTarget() {
  return {"stream-filer", StreamFiler, StreamFilerSeeds, StreamFilerTokens, 8, StreamFilerGenerate};
}

}  // namespace Fuzz
