// TFile: byte stamps in streams, streams as bytes and text, file size and
// age, and whole-file reading and writing.
#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>

#include "QdClasses/File.h"
#include "QdClasses/FileFlusher.h"
#include "QdClasses/System.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Format.h"
#include "runtime/IO/Streams.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Handles.h"
#include "QdClasses/Strings.h"
#include "runtime/IO/Strings.h"

namespace Qd {

namespace {


// Reads `count` bytes unless the stream ends first; true when all came.
bool ReadFully(Rtl::TStream& stream, std::uint8_t* buffer, std::int64_t count) {
  while (count > 0) {
    const int chunk = static_cast<int>(std::min<std::int64_t>(count, 0x10000));
    const int done = stream.Read(buffer, chunk);
    if (done <= 0) return false;
    buffer += done;
    count -= done;
  }
  return true;
}

bool StampAt(Rtl::TStream& stream, const std::uint8_t* stamp, std::size_t size, int start) {
  if (size == 0) return true;
  Rtl::TStreamPositionKeeper keeper(stream);
  std::uint8_t skipped[4096];
  for (std::int64_t left = std::max(start, 0); left > 0;) {
    const std::int64_t chunk = std::min<std::int64_t>(left, sizeof skipped);
    if (!ReadFully(stream, skipped, chunk)) return false;
    left -= chunk;
  }
  Rtl::TBytes found(size);
  return ReadFully(stream, found.data(), static_cast<std::int64_t>(size)) &&
         std::memcmp(found.data(), stamp, size) == 0;
}

// The whole stream from its start, into a byte container.
template <class TContainer>
TContainer ReadWholeStream(Rtl::TStream* stream) {
  TContainer result;
  if (stream == nullptr) return result;
  Rtl::TStreamPositionKeeper keeper(*stream);
  stream->SetPosition(0);
  const std::int64_t size = stream->Size();
  if (size > std::numeric_limits<int>::max())
    throw Rtl::EStreamError(Rtl::LoadResString(SStreamTooLarge));
  if (size > 0) {
    result.resize(static_cast<std::size_t>(size));
    stream->ReadBuffer(result.data(), static_cast<int>(size));
  }
  return result;
}

[[noreturn]] void RaiseCreateError(const std::wstring& fileName, DWORD error) {
  throw Rtl::EFCreateError(
      Rtl::Format(Rtl::LoadResString(Rtl::SFCreateError), {fileName, Rtl::SysErrorMessage(error)}));
}

[[noreturn]] void RaiseOpenError(const std::wstring& fileName, DWORD error) {
  throw Rtl::EFOpenError(Rtl::Format(Rtl::LoadResString(Rtl::SFOpenError), {fileName, Rtl::SysErrorMessage(error)}));
}

// Writes the bytes in pieces that a single write takes.
void WriteAll(Rtl::TStream& stream, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (std::size_t done = 0; done < size;) {
    const int chunk = static_cast<int>(std::min<std::size_t>(size - done, 1u << 24));
    stream.WriteBuffer(p + done, chunk);
    done += static_cast<std::size_t>(chunk);
  }
}

}  // namespace

// --- Stamps, streams and bytes ---------------------------------------------------

bool TFile::CheckStamp(Rtl::TStream& stream, const Rtl::TBytes& stamp, int start) {
  return StampAt(stream, stamp.data(), stamp.size(), start);
}

bool TFile::CheckStamp(Rtl::TStream& stream, const Rtl::RawByteString& stamp, int start) {
  return StampAt(stream, reinterpret_cast<const std::uint8_t*>(stamp.data()), stamp.size(), start);
}

Rtl::RawByteString TFile::BytesToBinaryString(const Rtl::TBytes& value) {
  return Rtl::RawByteString(value.begin(), value.end());
}

Rtl::TBytes TFile::StreamToBytes(Rtl::TStream* value) { return ReadWholeStream<Rtl::TBytes>(value); }

Rtl::RawByteString TFile::StreamToBinaryString(Rtl::TStream* value) {
  return ReadWholeStream<Rtl::RawByteString>(value);
}

std::wstring TFile::StreamToString(Rtl::TStream* value) { return Rtl::Utf8Decode(StreamToBinaryString(value)); }

// --- Whole files, size and age -------------------------------------------------

std::int64_t TFile::GetFileSize(const std::wstring& fileName) {
  if (!Rtl::FileExists(fileName)) throw Rtl::Exception(Rtl::LoadResString(SFileNotExists));
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(fileName.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The last-write time is kept by the file system as UTC: it is taken as it
// is, not through local time, which would apply today's daylight-saving
// offset to a time of another season.
Rtl::TDateTime TFile::GetFileAge(const std::wstring& fileName) {
  if (fileName.empty() || !Rtl::FileExists(fileName)) return 0;
  const Rtl::TFileHandle file(CreateFileW(fileName.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return 0;
  FILETIME lastWrite;
  SYSTEMTIME utc;
  if (!GetFileTime(file.Get(), nullptr, nullptr, &lastWrite) || !FileTimeToSystemTime(&lastWrite, &utc)) return 0;
  Rtl::TSystemTime value;
  std::memcpy(&value, &utc, sizeof value);
  value.Milliseconds = 0;
  Rtl::TDateTime result;
  if (!Rtl::TryEncodeDateTime(value.Year, value.Month, value.Day, value.Hour, value.Minute, value.Second, 0,
                              result))
    return 0;
  return result;
}

bool TFile::SameFileSizeAndAge(const std::wstring& fileName1, const std::wstring& fileName2) {
  return GetFileSize(fileName1) == GetFileSize(fileName2) && GetFileAge(fileName1) == GetFileAge(fileName2);
}

Rtl::TBytes TFile::FileToBytes(const std::wstring& fileName) {
  const std::int64_t size = GetFileSize(fileName);
  if (size < 0) RaiseOpenError(fileName, GetLastError());
  if (size > std::numeric_limits<int>::max())
    throw Rtl::EReadError(Rtl::Format(Rtl::LoadResString(SFileTooLarge), {fileName}));
  Rtl::TBytes result(static_cast<std::size_t>(size));
  if (size > 0) {
    // Every kind of sharing, deletion included: a program that holds the
    // file open to rename or delete it doesn't keep it from being read.
    const Rtl::TFileHandle file(CreateFileW(fileName.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseOpenError(fileName, GetLastError());
    Rtl::THandleStream stream(reinterpret_cast<Rtl::THandle>(file.Get()));
    stream.ReadBuffer(result.data(), static_cast<int>(size));
  }
  return result;
}

void TFile::BytesToFile(const Rtl::TBytes& data, const std::wstring& fileName) {
  CreateDir(Rtl::ExtractFileDir(fileName));
  if (!HasOtherNames(fileName)) {
    TFileReplacement replacement(fileName);
    replacement.Write(data.data(), data.size());
    replacement.Commit();
    return;
  }
  Rtl::TFileStream file(fileName, Rtl::fmCreate);
  WriteAll(file, data.data(), data.size());
}

bool TFile::HasOtherNames(const std::wstring& fileName) {
  const DWORD attributes = GetFileAttributesW(fileName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  const Rtl::TFileHandle file(CreateFileW(fileName.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  // The standard information holds the count of names; the whole record
  // (GetFileInformationByHandle) also asks for the volume's serial number,
  // which can take milliseconds.
  FILE_STANDARD_INFO info;
  return file && GetFileInformationByHandleEx(file.Get(), FileStandardInfo, &info, sizeof info) &&
         info.NumberOfLinks > 1;
}

// --- Flushing in the background ---------------------------------------------------

TFileFlusher::~TFileFlusher() {
  {
    const std::lock_guard lock(FLock);
    FEnding = true;
  }
  FChanged.NotifyAll();
  if (FThread.joinable()) FThread.join();
}

bool TFileFlusher::Started() noexcept {
  if (FThread.joinable()) return true;
  try {
    FThread = std::thread([this] { Loop(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TFileFlusher::Request(void* handle) noexcept {
  {
    const std::lock_guard lock(FLock);
    if (FEnding || (FWaiting != nullptr && FWaiting != handle) || !Started()) return;
    FWaiting = handle;
  }
  FChanged.NotifyAll();
}

void TFileFlusher::Forget(void* handle) noexcept {
  std::unique_lock lock(FLock);
  if (FWaiting == handle) FWaiting = nullptr;
  FChanged.Wait(lock, [&] { return FRunning != handle; });
}

bool TFileFlusher::RemoveLater(const std::wstring& fileName) noexcept {
  // Beyond this many waiting, the callers remove their own.
  constexpr std::size_t MAX_WAITING_C = 16;
  {
    const std::lock_guard lock(FLock);
    if (FEnding || FRemovals.size() >= MAX_WAITING_C || !Started()) return false;
    try {
      FRemovals.push_back(fileName);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  FChanged.NotifyAll();
  return true;
}

void TFileFlusher::Settle() noexcept {
  std::unique_lock lock(FLock);
  FChanged.Wait(lock, [this] { return FRemovals.empty() && !FRemoving; });
}

// Flushes first (a writer waits for them); the removals queued are all
// done before the thread ends.
void TFileFlusher::Loop() {
  std::unique_lock lock(FLock);
  for (;;) {
    FChanged.Wait(lock, [this] { return FWaiting != nullptr || !FRemovals.empty() || FEnding; });
    if (FWaiting != nullptr && !FEnding) {
      FRunning = std::exchange(FWaiting, nullptr);
      lock.unlock();
      // A head start only: a failure shows again in the flush of Commit.
      FlushFileBuffers(FRunning);
      lock.lock();
      FRunning = nullptr;
    } else if (!FRemovals.empty()) {
      const std::wstring fileName = std::move(FRemovals.front());
      FRemovals.pop_front();
      FRemoving = true;
      lock.unlock();
      DeleteFileW(fileName.c_str());
      lock.lock();
      FRemoving = false;
    } else {
      return;
    }
    FChanged.NotifyAll();
  }
}

// --- Replacing a file's content ---------------------------------------------------

namespace {

// Output written before a piece, from which each piece after it is flushed
// in the background: a file written in one piece (or a few small ones) is
// flushed by Commit alone.
constexpr std::size_t BACKGROUND_FLUSH_FROM_C = std::size_t{256} << 10;
// Old content from which it is removed in the background (see Commit).
constexpr std::int64_t BACKGROUND_REMOVE_FROM_C = std::int64_t{1} << 20;

// Gives the content of `target` the second name `name` when it is large
// and that name can be removed again: not while a program holds the target
// open without letting it be deleted, nor when it is read-only (the rename
// fails then anyway).
bool NameOldContent(const std::wstring& target, const std::wstring& name) {
  const Rtl::TFileHandle old(CreateFileW(target.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  FILE_BASIC_INFO basic;
  FILE_STANDARD_INFO standard;
  return old && GetFileInformationByHandleEx(old.Get(), FileBasicInfo, &basic, sizeof basic) &&
         (basic.FileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
         GetFileInformationByHandleEx(old.Get(), FileStandardInfo, &standard, sizeof standard) &&
         standard.AllocationSize.QuadPart >= BACKGROUND_REMOVE_FROM_C &&
         CreateHardLinkW(name.c_str(), target.c_str(), nullptr);
}

}  // namespace

struct TFileReplacement::TState {
  std::wstring FileName;  // as the caller gave it, for messages
  std::wstring Target;
  std::wstring Partial;
  Rtl::TFileHandle Handle;
  std::size_t Written = 0;
  TFileFlusher* Flusher = nullptr;  // set by the first request
  bool Done = false;  // committed, or failed and removed

  // Closes and removes the new file; the target is not touched.
  void Discard() noexcept {
    if (Done) return;
    Done = true;
    CloseHandle();
    DeleteFileW(Partial.c_str());
  }

  // Closes the new file once no flush of it runs.
  void CloseHandle() noexcept {
    if (Flusher != nullptr) std::exchange(Flusher, nullptr)->Forget(Handle.Get());
    Handle.Reset();
  }
};

TFileReplacement::TFileReplacement(const std::wstring& fileName) : FState(std::make_unique<TState>()) {
  FState->FileName = fileName;
  FState->Target = Rtl::ExpandFileName(fileName);
  FState->Partial =
      TFile::AddBackSlash(Rtl::ExtractFileDir(FState->Target)) + L"~qd" + TQdSystem::GetGuid() + L".tmp";
  FState->Handle.Reset(CreateFileW(FState->Partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!FState->Handle) {
    FState->Done = true;
    RaiseCreateError(fileName, GetLastError());
  }
}

TFileReplacement::~TFileReplacement() { FState->Discard(); }

void TFileReplacement::Write(const void* data, std::size_t size) {
  if (FState->Done) throw Rtl::EWriteError(Rtl::LoadResString(Rtl::SWriteError));
  try {
    Rtl::THandleStream stream(reinterpret_cast<Rtl::THandle>(FState->Handle.Get()));
    WriteAll(stream, data, size);
  } catch (...) {
    FState->Discard();
    throw;
  }
  if (FState->Written >= BACKGROUND_FLUSH_FROM_C) {
    if (FState->Flusher == nullptr) FState->Flusher = FileFlusher();
    if (FState->Flusher != nullptr) FState->Flusher->Request(FState->Handle.Get());
  }
  FState->Written += size;
}

void TFileReplacement::Commit() {
  TState& state = *FState;
  if (state.Done) throw Rtl::EWriteError(Rtl::LoadResString(Rtl::SWriteError));
  if (!FlushFileBuffers(state.Handle.Get())) {
    const DWORD error = GetLastError();
    state.Discard();
    Rtl::RaiseLastOSError(error);
  }
  state.CloseHandle();  // closed before it takes the target's place
  // Whoever removes the last name of the old content frees its blocks,
  // which for a large file can take the rename as long as the flush. With
  // a second name of it made first ("~qd<guid>.old"), that is the flusher's
  // thread instead, right after. Where no such name is made, the rename
  // frees them.
  TFileFlusher* const flusher = FileFlusher();
  std::wstring old;
  if (flusher != nullptr) {
    old = Rtl::ChangeFileExt(state.Partial, L".old");
    if (!NameOldContent(state.Target, old)) old.clear();
  }
  if (!MoveFileExW(state.Partial.c_str(), state.Target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    if (!old.empty()) DeleteFileW(old.c_str());
    state.Discard();
    RaiseCreateError(state.FileName, error);
  }
  state.Done = true;
  if (!old.empty() && !flusher->RemoveLater(old)) DeleteFileW(old.c_str());
}

}  // namespace Qd
