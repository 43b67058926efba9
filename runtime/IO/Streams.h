// Byte streams of the runtime: the abstract stream, file streams over Win32
// handles, memory streams and read-only streams over a module's resource.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Core/Object.h"
#include "runtime/Core/Types.h"

namespace Rtl {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
public:
  // Reads or writes up to `count` bytes; returns how many were moved.
  virtual int Read(void* buffer, int count) = 0;
  virtual int Write(const void* buffer, int count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t value) { Seek(value, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t newSize);

  // All or nothing: EReadError "Stream read error" / EWriteError
  // "Stream write error" when fewer bytes move.
  void ReadBuffer(void* buffer, int count);
  void WriteBuffer(const void* buffer, int count);
  void WriteBytes(const TBytes& bytes);
  // Copies `count` bytes from the source's position; 0 copies the whole
  // source from its start. Returns the number of bytes copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// Puts a stream back at the position it had when the keeper was made,
// however the scope is left (a stream that can't seek back stays where it
// is: a destructor never throws).
class TStreamPositionKeeper {
public:
  explicit TStreamPositionKeeper(TStream& stream) : FStream(stream), FPosition(stream.Position()) {}
  ~TStreamPositionKeeper() {
    try {
      FStream.SetPosition(FPosition);
    } catch (...) {  // NOLINT(bugprone-empty-catch)
    }
  }
  TStreamPositionKeeper(const TStreamPositionKeeper&) = delete;
  TStreamPositionKeeper& operator=(const TStreamPositionKeeper&) = delete;

private:
  TStream& FStream;
  std::int64_t FPosition;
};

// A stream over an operating-system file handle (not owned).
class THandleStream : public TStream {
public:
  explicit THandleStream(THandle handle) : FHandle(handle) {}
  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;
  THandle Handle() const { return FHandle; }

protected:
  THandle FHandle;
};

// File open modes: one access mode combined with one share mode, or fmCreate.
inline constexpr unsigned fmCreate = 0xFF00;
inline constexpr unsigned fmOpenRead = 0x0000;
inline constexpr unsigned fmOpenWrite = 0x0001;
inline constexpr unsigned fmOpenReadWrite = 0x0002;
inline constexpr unsigned fmShareCompat = 0x0000;
inline constexpr unsigned fmShareExclusive = 0x0010;
inline constexpr unsigned fmShareDenyWrite = 0x0020;
inline constexpr unsigned fmShareDenyRead = 0x0030;
inline constexpr unsigned fmShareDenyNone = 0x0040;

// A named file; EFCreateError "Cannot create file \"%s\". %s" or EFOpenError
// "Cannot open file \"%s\". %s" when it can't be created or opened.
class TFileStream : public THandleStream {
public:
  TFileStream(const std::wstring& fileName, unsigned mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const std::wstring& FileName() const { return FFileName; }

private:
  std::wstring FFileName;
};

// A stream over a block of memory that it doesn't grow.
class TCustomMemoryStream : public TStream {
public:
  int Read(void* buffer, int count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return FSize; }
  const std::uint8_t* Memory() const { return FMemory; }
  void SaveToStream(TStream& stream) const;
  void SaveToFile(const std::wstring& fileName) const;

protected:
  void SetPointer(const std::uint8_t* memory, std::int64_t size);
  const std::uint8_t* FMemory = nullptr;
  std::int64_t FSize = 0;
  std::int64_t FPosition = 0;
};

// A growable memory stream that owns its bytes, or a stream over a block of
// the caller's memory (not owned, not copied): that one reads and writes
// within the block and keeps its size; a write that would grow it, SetSize
// to another size and Clear raise EStreamError "Stream size can't be
// changed" and change nothing.
class TMemoryStream : public TCustomMemoryStream {
public:
  TMemoryStream() = default;
  TMemoryStream(void* memory, std::int64_t size);
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  int Write(const void* buffer, int count) override;
  void SetSize(std::int64_t newSize) override;
  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::wstring& fileName);
  std::uint8_t* Memory() { return FOnBlock ? FBlock : FData.data(); }
  const std::uint8_t* Memory() const { return FOnBlock ? FBlock : FData.data(); }
  // The stream's bytes (exactly Size() of them).
  TBytes Bytes() const { return TBytes(Memory(), Memory() + FSize); }

protected:
  void Grow(std::int64_t capacity);
  TBytes FData;  // capacity; the first FSize bytes are the content
  std::uint8_t* FBlock = nullptr;  // the caller's block (none for size 0)...
  bool FOnBlock = false;           // ... when the stream works on one
};

// A memory stream that starts with a copy of the given bytes.
class TBytesStream : public TMemoryStream {
public:
  explicit TBytesStream(const TBytes& bytes = {});
};

// A read-only stream over a resource of a loaded module (RT_RCDATA when
// no type is given). EResNotFound "Resource %s not found" when missing.
class TResourceStream : public TCustomMemoryStream {
public:
  TResourceStream(HINST instance, const std::wstring& resName, const wchar_t* resType = nullptr);
  TResourceStream(HINST instance, int resId, const wchar_t* resType = nullptr);
  int Write(const void* buffer, int count) override;

private:
  void Initialize(HINST instance, const wchar_t* name, const wchar_t* type, const std::wstring& display);
};

}  // namespace Rtl
