// Unit QdZip: zip archives listed, extracted and written (TQdZip), safely
// for archives from anywhere.
//
// Names. Entries are written with UTF-8 names (flagged as such) unless
// zoAnsiNames is set: then a name is stored unflagged in code page 437, and
// a name that code page can't hold is still stored as flagged UTF-8. Names
// are read as UTF-8 when flagged, otherwise as code page 437 unless they are
// valid UTF-8. The listing shows "\" for "/".
//
// Extraction refuses (EZipException naming the entry) before anything is
// written: an empty or rooted name, one with ":", a ".." component, a
// component that ends in a dot or a space, a device name (CON, NUL, COM1,
// also with an extension), a control character or one of <>"|?*; a path
// that resolves outside the destination, or one that passes through an
// existing link below it. Entries stored as links are written as plain
// files.
//
// Limits against archive bombs (properties, with these defaults): entries
// per archive 1,000,000; bytes written by one extraction call 16 GiB
// (counted as produced); byte-array results 1 GiB; inflated-to-compressed
// ratio of an entry 1,100 (above deflate's maximum of about 1,032).
// Inflation stops at a limit. An entry that inflates past its declared size
// or fails its CRC is refused too, and its partial file removed. Extracted
// files are written beside the target and renamed over it when complete.
//
// Writing: files are read in blocks when the archive is closed; a changed
// archive is written as a new file beside the old one and renamed over it,
// so a failed or cancelled write leaves the old archive as it was. ZIP64
// records are written where sizes, offsets or the entry count need them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "QdClasses/Objects.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/Types.h"
#include "runtime/IO/Streams.h"
#include "runtime/Text/StringList.h"

namespace Qd {

// Every failure of an archive: the container's errors, refused names,
// limits, bad data.
class EZipException : public Rtl::Exception {
public:
  explicit EZipException(std::wstring message) : Rtl::Exception(std::move(message)) {}
};

enum TQdZipOption : std::uint8_t { zoUnixNames = 0, zoAnsiNames = 1 };
using TQdZipOptions = Rtl::TSet<TQdZipOption, zoAnsiNames>;
inline constexpr TQdZipOptions DEFAULT_ZIP_OPTIONS_C{zoUnixNames};

// The compression methods that the writer knows (the header's field).
inline constexpr int ZIP_METHOD_STORED_C = 0;
inline constexpr int ZIP_METHOD_DEFLATED_C = 8;
inline constexpr int ZIP_METHOD_AES_C = 99;

// Asked for each file that ZipDir meets: the handler may change the
// compression method (deflate by default) or set skip (false by default).
using TQdZipFileEvent = std::function<void(const std::wstring& fileName, int& compression, bool& skip)>;

// The limits against archive bombs.
inline constexpr std::int64_t ZIP_MAX_ENTRIES_C = 1000000;
inline constexpr std::int64_t ZIP_MAX_EXTRACT_BYTES_C = std::int64_t{16} << 30;
inline constexpr std::int64_t ZIP_MAX_DATA_BYTES_C = std::int64_t{1} << 30;
inline constexpr std::int64_t ZIP_MAX_RATIO_C = 1100;

namespace ZipDetail {
class TArchive;
}

class TQdZip;

class TQdZipEnumerator {
public:
  explicit TQdZipEnumerator(TQdZip* zip) : FZip(zip) {}
  bool MoveNext();
  std::wstring GetCurrent() const;

private:
  TQdZip* FZip;
  int FIndex = -1;
};

class TQdZip : public TQdObject {
public:
  TQdZip();
  // Removes the destination directory only when this object made it as a
  // temporary directory (ExtractToTempDir, ExtractAllToTempDir).
  ~TQdZip() override;

  // Opens the archive for reading; one true flag per entry. The stream is
  // not owned and must outlive the object (or the next Load).
  void Load(const std::wstring& fileName);
  void Load(Rtl::TStream& stream);

  int GetCount() const;
  // The stored name with one trailing "/" removed and "/" turned into "\".
  std::wstring GetFileName(int index) const;
  // The header's compression-method field (99 for AES-encrypted entries).
  int GetCompressionMethod(int index) const;
  std::wstring GetFileNames(int index) const { return GetFileName(index); }
  int GetCompressionMethods(int index) const { return GetCompressionMethod(index); }
  bool GetSelected(int index) const;
  void SetSelected(int index, bool value);
  std::unique_ptr<TQdZipEnumerator> GetEnumerator() { return std::make_unique<TQdZipEnumerator>(this); }

  // Extracts the entry `fileName` (stored name, "\" or "/") into
  // `destionationDir` with its subdirectories; returns the file's path.
  std::wstring Extract(const std::wstring& fileName, const std::wstring& destionationDir);
  std::wstring ExtractToTempDir(const std::wstring& fileName, const std::wstring& tempDirName);
  void ExtractAll(const std::wstring& destionationDir, bool createSubDirs = true);
  std::wstring ExtractAllToTempDir(const std::wstring& tempDirName, bool createSubDirs = true);
  // The bytes of entry `index` (within the byte-array limit).
  Rtl::TBytes ExtractToBytes(int index);
  // Writes entry `index` to `stream` in blocks (within the extraction
  // limit); the checks of size, ratio and CRC come with the read.
  void ExtractToStream(int index, Rtl::TStream& stream);

  // Zips the files below `rootDir` into `zipFile` (see the unit's notes).
  void ZipDir(const std::wstring& zipFile, const std::wstring& rootDir);

  bool GetDeleteExisting() const { return FDeleteExisting; }
  void SetDeleteExisting(bool value) { FDeleteExisting = value; }
  const std::wstring& GetDestionationDir() const { return FDestionationDir; }
  TQdZipOptions GetOptions() const { return FOptions; }
  void SetOptions(TQdZipOptions value) { FOptions = value; }
  bool GetSubDirs() const { return FSubDirs; }
  void SetSubDirs(bool value) { FSubDirs = value; }
  const TQdZipFileEvent& GetOnFile() const { return FOnFile; }
  void SetOnFile(TQdZipFileEvent value) { FOnFile = std::move(value); }
  const TPercentProgressEvent& GetOnProgress() const { return FOnProgress; }
  void SetOnProgress(TPercentProgressEvent value) { FOnProgress = std::move(value); }

  std::int64_t GetMaxEntries() const { return FMaxEntries; }
  void SetMaxEntries(std::int64_t value) { FMaxEntries = value; }
  std::int64_t GetMaxExtractBytes() const { return FMaxExtractBytes; }
  void SetMaxExtractBytes(std::int64_t value) { FMaxExtractBytes = value; }
  std::int64_t GetMaxDataBytes() const { return FMaxDataBytes; }
  void SetMaxDataBytes(std::int64_t value) { FMaxDataBytes = value; }
  std::int64_t GetMaxRatio() const { return FMaxRatio; }
  void SetMaxRatio(std::int64_t value) { FMaxRatio = value; }

  // --- Class-level operations ---
  static int GetFileCount(const std::wstring& fileName);
  static std::wstring UnzipAll(const std::wstring& zipFile, const std::wstring& tempDirName);
  static std::wstring UnzipAll(Rtl::TStream& stream, const std::wstring& tempDirName);
  static std::wstring UnzipAllData(const Rtl::TBytes& data, const std::wstring& tempDirName);
  static bool UnzipSingleFile(const std::wstring& zipFile, const std::wstring& destinationFileName);
  static bool UnzipSingleFile(Rtl::TStream& stream, const std::wstring& destinationFileName);
  static bool UnzipFile(const std::wstring& zipFile, const std::wstring& fileName,
                        const std::wstring& destinationFileName);
  static std::wstring UnzipFile(const std::wstring& zipFile, const std::wstring& fileName);
  static Rtl::TBytes ZipData(const Rtl::TBytes& data, const std::wstring& archiveFileName = L"");
  static Rtl::TBytes UnzipData(const Rtl::TBytes& data);
  static void ZipFiles(const std::wstring& zipFile, const Rtl::TStringList& fileNames, const std::wstring& rootDir);
  static Rtl::TBytes ZipFiles(const Rtl::TStringList& fileNames, const std::wstring& rootDir);
  static void ZipFile(const std::wstring& zipFile, const std::wstring& fileName, const std::wstring& rootDir);
  static void ZipDir(const std::wstring& zipFile, const std::wstring& rootDir, bool subDirs, bool deleteExisting,
                     TQdZipOptions options = DEFAULT_ZIP_OPTIONS_C, TQdZipFileEvent onFile = nullptr,
                     TPercentProgressEvent onProgress = nullptr);
  static bool IsZipFile(const std::wstring& filename);
  static bool IsZipStream(Rtl::TStream& stream);
  static bool IsZipData(const Rtl::TBytes& data);
  static bool IsEncrypted(int generalPurposeFlag, int compressionMethod);

  // Opens an archive held in `data` (not copied: it must outlive the
  // object or the next Load).
  void LoadData(const Rtl::TBytes& data);
  // Writes entry `index` to the file `fileName` (no name check: the caller
  // chose the target).
  void ExtractTo(int index, const std::wstring& fileName);
  // The index of the first entry named `fileName` ("\" or "/", ASCII
  // letters case-insensitively); -1 when none.
  int Locate(const std::wstring& fileName) const;

private:
  ZipDetail::TArchive& Archive() const;
  void Loaded();
  void CheckIndex(int index) const;
  // The stored name as UTF-8 decoded, "/" kept.
  std::wstring GetRawName(int index) const;
  // Refuses entry `index` when its name could write outside a destination.
  void CheckName(int index) const;
  // Extracts entry `index` below `destination` after the name checks,
  // counting against `budget`; `path` gets the written path.
  void ExtractEntry(int index, const std::wstring& destination, bool createSubDirs, std::int64_t& budget,
                    std::wstring* path);
  void ReportProgress(double percent, bool& cancel);

  bool FDeleteExisting = false;
  std::wstring FDestionationDir;
  bool FDeleteDestionationDir = false;
  TQdZipOptions FOptions = DEFAULT_ZIP_OPTIONS_C;
  std::vector<bool> FSelected;
  bool FSubDirs = true;
  std::unique_ptr<ZipDetail::TArchive> FZip;
  // The temporary directories this object made: the only ones it removes.
  std::vector<std::wstring> FTempDirs;
  TQdZipFileEvent FOnFile;
  TPercentProgressEvent FOnProgress;
  std::int64_t FMaxEntries = ZIP_MAX_ENTRIES_C;
  std::int64_t FMaxExtractBytes = ZIP_MAX_EXTRACT_BYTES_C;
  std::int64_t FMaxDataBytes = ZIP_MAX_DATA_BYTES_C;
  std::int64_t FMaxRatio = ZIP_MAX_RATIO_C;
};

// Range-for over the entry names.
class TQdZipIterator {
public:
  TQdZipIterator(const TQdZip* zip, int index) : FZip(zip), FIndex(index) {}
  std::wstring operator*() const { return FZip->GetFileName(FIndex); }
  TQdZipIterator& operator++() {
    ++FIndex;
    return *this;
  }
  bool operator==(const TQdZipIterator& other) const { return FIndex == other.FIndex; }

private:
  const TQdZip* FZip;
  int FIndex;
};

inline TQdZipIterator begin(const TQdZip& zip) { return {&zip, 0}; }
inline TQdZipIterator end(const TQdZip& zip) { return {&zip, zip.GetCount()}; }

}  // namespace Qd
