#include "runtime/IO/Streams.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Handles.h"
#include "runtime/IO/Strings.h"

namespace Rtl {

// --- TStream ---------------------------------------------------------------

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, soCurrent);
  const std::int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) { throw EStreamError(LoadResString(SStreamSetSize)); }

void TStream::ReadBuffer(void* buffer, int count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError(LoadResString(SReadError));
}

void TStream::WriteBuffer(const void* buffer, int count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError(LoadResString(SWriteError));
}

void TStream::WriteBytes(const TBytes& bytes) {
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
    throw EWriteError(LoadResString(SWriteError));
  WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  const std::int64_t total = count;
  TBytes buffer(static_cast<size_t>(std::min<std::int64_t>(count, 0x10000)));
  while (count > 0) {
    const int n = static_cast<int>(std::min<std::int64_t>(count, static_cast<std::int64_t>(buffer.size())));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    count -= n;
  }
  return total;
}

// --- THandleStream / TFileStream --------------------------------------------

int THandleStream::Read(void* buffer, int count) {
  if (count <= 0) return 0;
  DWORD done = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(FHandle), buffer, static_cast<DWORD>(count), &done, nullptr))
    return 0;
  return static_cast<int>(done);
}

int THandleStream::Write(const void* buffer, int count) {
  if (count <= 0) return 0;
  DWORD done = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(FHandle), buffer, static_cast<DWORD>(count), &done, nullptr))
    return 0;
  return static_cast<int>(done);
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  const DWORD method = origin == soBeginning ? FILE_BEGIN : origin == soCurrent ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(FHandle), distance, &result, method)) return -1;
  return result.QuadPart;
}

void THandleStream::SetSize(std::int64_t newSize) {
  Seek(newSize, soBeginning);
  if (!SetEndOfFile(reinterpret_cast<HANDLE>(FHandle))) RaiseLastOSError();
}

namespace {

HANDLE OpenFileHandle(const std::wstring& fileName, unsigned mode) {
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
    const DWORD share = (mode & 0xF0) == fmShareDenyNone ? FILE_SHARE_READ | FILE_SHARE_WRITE
                        : (mode & 0xF0) == fmShareDenyWrite ? FILE_SHARE_READ
                                                            : 0;
    return CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static const DWORD access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD shares[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  const unsigned a = mode & 3;
  const unsigned s = (mode & 0xF0) >> 4;
  if (a > 2 || s > 4) throw EFOpenError(Format(LoadResString(SFOpenError), {fileName, LoadResString(SInvalidMode)}));
  return CreateFileW(fileName.c_str(), access[a], shares[s], nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

}  // namespace

TFileStream::TFileStream(const std::wstring& fileName, unsigned mode)
    : THandleStream(0), FFileName(fileName) {
  TFileHandle handle(OpenFileHandle(fileName, mode));
  if (!handle) {
    const DWORD error = GetLastError();
    if ((mode & 0xFF00) == fmCreate)
      throw EFCreateError(Format(LoadResString(SFCreateError), {fileName, SysErrorMessage(error)}));
    throw EFOpenError(Format(LoadResString(SFOpenError), {fileName, SysErrorMessage(error)}));
  }
  FHandle = reinterpret_cast<THandle>(handle.Release());
}

// The header keeps the handle as an integer; it goes back into its owner
// type to be closed.
TFileStream::~TFileStream() { TFileHandle(reinterpret_cast<HANDLE>(FHandle)).Reset(); }

// --- Memory streams --------------------------------------------------------

void TCustomMemoryStream::SetPointer(const std::uint8_t* memory, std::int64_t size) {
  FMemory = memory;
  FSize = size;
}

int TCustomMemoryStream::Read(void* buffer, int count) {
  if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  const std::int64_t n = std::min<std::int64_t>(count, FSize - FPosition);
  std::memcpy(buffer, FMemory + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<int>(n);
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t target = origin == soBeginning ? offset : origin == soCurrent ? FPosition + offset : FSize + offset;
  if (target < 0) target = 0;
  FPosition = target;
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) const {
  if (FSize > 0) stream.WriteBuffer(FMemory, static_cast<int>(FSize));
}

void TCustomMemoryStream::SaveToFile(const std::wstring& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

void TMemoryStream::Grow(std::int64_t capacity) {
  if (capacity > static_cast<std::int64_t>(FData.size())) {
    std::int64_t newCapacity = std::max<std::int64_t>(capacity, static_cast<std::int64_t>(FData.size()) * 3 / 2);
    newCapacity = (newCapacity + 0x1FFF) & ~static_cast<std::int64_t>(0x1FFF);
    FData.resize(static_cast<size_t>(newCapacity));
  }
  FMemory = FData.data();
}

// A block without memory or with no size is an empty block, which can't
// grow either.
TMemoryStream::TMemoryStream(void* memory, std::int64_t size)
    : FBlock(memory != nullptr && size > 0 ? static_cast<std::uint8_t*>(memory) : nullptr), FOnBlock(true) {
  SetPointer(FBlock, FBlock != nullptr ? size : 0);
}

int TMemoryStream::Write(const void* buffer, int count) {
  if (count <= 0 || FPosition < 0) return 0;
  const std::int64_t end = FPosition + count;
  if (FOnBlock) {
    // The caller's block can't grow: nothing is written then.
    if (end > FSize) throw EStreamError(LoadResString(SStreamSetSize));
    std::memcpy(FBlock + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
  }
  if (end > FSize) {
    Grow(end);
    FSize = end;
  }
  std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  return count;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) newSize = 0;
  if (FOnBlock) {
    if (newSize != FSize) throw EStreamError(LoadResString(SStreamSetSize));
    return;
  }
  Grow(newSize);
  if (newSize > FSize) std::memset(FData.data() + FSize, 0, static_cast<size_t>(newSize - FSize));
  FSize = newSize;
  if (FPosition > FSize) FPosition = FSize;
}

void TMemoryStream::Clear() {
  if (FOnBlock) throw EStreamError(LoadResString(SStreamSetSize));
  FData.clear();
  FData.shrink_to_fit();
  FMemory = nullptr;
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const std::int64_t size = stream.Size();
  SetSize(size);
  if (size > 0) stream.ReadBuffer(Memory(), static_cast<int>(size));
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::wstring& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

TBytesStream::TBytesStream(const TBytes& bytes) {
  if (!bytes.empty()) {
    Grow(static_cast<std::int64_t>(bytes.size()));
    std::memcpy(FData.data(), bytes.data(), bytes.size());
    FSize = static_cast<std::int64_t>(bytes.size());
  }
}

// --- TResourceStream -------------------------------------------------------

TResourceStream::TResourceStream(HINST instance, const std::wstring& resName, const wchar_t* resType) {
  Initialize(instance, resName.c_str(), resType, resName);
}

TResourceStream::TResourceStream(HINST instance, int resId, const wchar_t* resType) {
  Initialize(instance, MAKEINTRESOURCEW(resId), resType, IntToStr(resId));
}

void TResourceStream::Initialize(HINST instance, const wchar_t* name, const wchar_t* type,
                                 const std::wstring& display) {
  HMODULE module = reinterpret_cast<HMODULE>(instance);
  HRSRC info = FindResourceW(module, name, type != nullptr ? type : RT_RCDATA);
  if (info == nullptr) throw EResNotFound(Format(LoadResString(SResNotFound), {display}));
  HGLOBAL handle = LoadResource(module, info);
  if (handle == nullptr) throw EResNotFound(Format(LoadResString(SResNotFound), {display}));
  SetPointer(static_cast<const std::uint8_t*>(LockResource(handle)), SizeofResource(module, info));
}

int TResourceStream::Write(const void*, int) { throw EStreamError(LoadResString(SCantWriteResourceStream)); }

}  // namespace Rtl
