// Unit QdDirectory: the entries of one directory that match a wildcard
// filter, as items with kind, name, size and time, and class-level services
// built on that listing (recursive file lists, first-file search, counts,
// emptiness, subdirectories, copies with an optional size-and-date check).
//
// Open makes the listed directory the process's current directory until
// Close or the destructor; the listing itself uses the full path and never
// depends on the current directory. A listing is therefore not reentrant
// across threads, nor safe beside code that relies on the current
// directory. The class-level services restore the current directory when
// they return, also by an exception.
//
// The recursive services never descend into a link (an entry with the
// reparse-point attribute, or a directory that opens somewhere else than
// where it is listed, as Wine's unix links do): a link to a parent can't
// make the walk endless or lead it outside the tree. The link itself is
// still listed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "QdClasses/Lists.h"
#include "QdClasses/Objects.h"
#include "runtime/Core/DateTime.h"
#include "runtime/Core/Set.h"
#include "runtime/Text/StringList.h"

namespace Qd {

enum TQdFileKind : std::uint8_t { fkDirectory = 0, fkFile = 1 };
using TQdFileKinds = Rtl::TSet<TQdFileKind, fkFile>;

class TQdDirectory;

class TQdDirectoryItem : public TQdObject {
public:
  TQdDirectoryItem(TQdDirectory* parent, TQdFileKind kind, std::wstring name, std::int64_t size,
                   Rtl::TDateTime time, bool isLink)
      : FKind(kind), FName(std::move(name)), FSize(size), FTime(time), FParent(parent), FIsLink(isLink) {}

  TQdFileKind GetKind() const { return FKind; }
  const std::wstring& GetName() const { return FName; }
  std::int64_t GetSize() const { return FSize; }
  // The last-write time in local time, by the zone's rules on that date.
  Rtl::TDateTime GetTime() const { return FTime; }
  // The extension of the name with its period; "" when none.
  std::wstring GetExt() const;
  // The parent's path with a trailing "\", then the name.
  std::wstring GetFileName() const;
  // The entry carries the reparse-point attribute (a junction or a
  // symbolic link).
  bool GetIsLink() const { return FIsLink; }

private:
  TQdFileKind FKind;
  std::wstring FName;
  std::int64_t FSize;
  Rtl::TDateTime FTime;
  TQdDirectory* FParent;  // not owned
  bool FIsLink;
};

class TQdDirectoryEnumerator {
public:
  explicit TQdDirectoryEnumerator(TQdDirectory* directory) : FDirectory(directory) {}
  // True while there is a next item (false for no directory).
  bool MoveNext();
  TQdDirectoryItem* GetCurrent() const;

private:
  TQdDirectory* FDirectory;
  int FIndex = -1;
};

class TQdDirectory : public TQdObject {
public:
  TQdDirectory() = default;
  // Close, then the items go.
  ~TQdDirectory() override;

  // Lists the entries of Path (the current directory when empty; the path
  // is made full first) that match Filter and Kinds, "." and ".." left
  // out, in the order of the file system. A path that is not an existing
  // directory gives an empty list. Otherwise the directory becomes the
  // process's current directory until Close.
  void Open();
  // Makes the current directory what it was before Open again (nothing
  // when Open didn't change it).
  void Close();

  // Every attribute is admitted: 511 (hexadecimal 1FF).
  int GetAttributes() const { return 0x1FF; }
  int GetCount() const { return FItems.Count(); }
  TQdDirectoryItem* GetItems(int index) const;
  // Frees the item and removes it.
  void Delete(int index) { FItems.Delete(index); }
  std::unique_ptr<TQdDirectoryEnumerator> GetEnumerator() { return std::make_unique<TQdDirectoryEnumerator>(this); }

  const std::wstring& GetFilter() const { return FFilter; }
  void SetFilter(std::wstring value) { FFilter = std::move(value); }
  void SetKind(TQdFileKind value) { FKinds = TQdFileKinds{value}; }
  TQdFileKinds GetKinds() const { return FKinds; }
  void SetKinds(TQdFileKinds value) { FKinds = value; }
  const std::wstring& GetPath() const { return FPath; }
  void SetPath(std::wstring value) { FPath = std::move(value); }

  // --- Class-level services (each lists with temporary directories) ---

  // Appends the full name of every file in `path` matching `filter`, in
  // listing order; with `subDirs` then those of each subdirectory, depth
  // first.
  static void GetFiles(const std::wstring& path, const std::wstring& filter, Rtl::TStringList& files, bool subDirs);
  // The same with the directory part of `maskedFileName` as path and its
  // name part as filter.
  static void GetFiles(const std::wstring& maskedFileName, Rtl::TStringList& files, bool subDirs);
  // The full name of the first matching file in `path`; when none and
  // `subDirs`, the first found in the subdirectories, depth first; "" when
  // none.
  static std::wstring GetFirstFile(const std::wstring& path, const std::wstring& filter, bool subDirs);
  static std::wstring GetFirstFile(const std::wstring& maskedFileName, bool subDirs);
  static int GetFileCount(const std::wstring& path, const std::wstring& filter, bool subDirs);
  static int GetDirCount(const std::wstring& path);
  // True when `path` holds no file and no subdirectory (also when missing).
  static bool IsEmpty(const std::wstring& path);
  // Appends the names (not paths) of the subdirectories.
  static void GetSubDirs(const std::wstring& path, Rtl::TStringList& dirs);
  // `path` + "\" + the name of its first subdirectory; "" when none.
  static std::wstring GetFirstSub(const std::wstring& path);
  // Copies the files matching `sourceMask` into `targetDir` (created when
  // missing; existing targets are overwritten), with `checkDateAndSize`
  // only those whose target is missing or differs in size or last-write
  // time. The number of files copied successfully.
  static int CopyFiles(const std::wstring& sourceMask, const std::wstring& targetDir, bool checkDateAndSize);

private:
  std::wstring FCurrentDir;
  std::wstring FFilter = L"*.*";
  TObjectList FItems;
  TQdFileKinds FKinds{fkDirectory, fkFile};
  std::wstring FPath;
};

// Range-for over a directory's items.
class TQdDirectoryIterator {
public:
  TQdDirectoryIterator(const TQdDirectory* directory, int index) : FDirectory(directory), FIndex(index) {}
  TQdDirectoryItem* operator*() const { return FDirectory->GetItems(FIndex); }
  TQdDirectoryIterator& operator++() {
    ++FIndex;
    return *this;
  }
  bool operator==(const TQdDirectoryIterator& other) const { return FIndex == other.FIndex; }

private:
  const TQdDirectory* FDirectory;
  int FIndex;
};

inline TQdDirectoryIterator begin(const TQdDirectory& directory) { return {&directory, 0}; }
inline TQdDirectoryIterator end(const TQdDirectory& directory) { return {&directory, directory.GetCount()}; }

}  // namespace Qd
