// Data-directory discovery at start-up: a probe program is copied into chosen
// directories and started there against the real registry and shell folders
// of the test prefix.
#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <utility>
#include <vector>

#include "QdClasses.h"
#include "TestSupport.h"
#include "runtime/Text/Ascii.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Handles.h"

namespace {

using Qd::rvRegistry32;
using Qd::rvRegistry64;
using Qd::TShell;
using TestSupport::OtherView;
using TestSupport::OwnView;
using TestSupport::TTempDir;
using TestSupport::TTestKey;

struct TProbeResult {
  int ExitCode = -1;
  std::wstring ApplicationDir;
  std::wstring DataDir;
  std::wstring ProjectDir;
  std::wstring Shutdown;
  std::wstring Restart;
};

std::wstring ReadText(const std::wstring& fileName) {
  const Rtl::TFileHandle file(
      CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  return Rtl::Utf8Decode(bytes);
}

class DataDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    DeleteMakerKeys();
    Documents = TShell::GetFolder(Qd::ftDocuments);
    PublicDocuments = TShell::GetFolder(Qd::ftPublicDocuments);
    ASSERT_FALSE(Documents.empty());
    ASSERT_FALSE(PublicDocuments.empty());
    UserFolder = Documents + L"\\Korvanta";
    Marker = UserFolder + L"\\Korvanta.qdo";
    PublicFolder = PublicDocuments + L"\\Korvanta";
    // The user's documents folder may be shared with the machine's owner:
    // a marker found there is never touched.
    if (TestSupport::Exists(Marker)) GTEST_SKIP() << "a marker file exists already: " << TestSupport::Narrow(Marker);
    MadeUserFolder = !TestSupport::Exists(UserFolder);
  }

  void TearDown() override {
    DeleteMakerKeys();
    if (MadeMarker) {
      Qd::TFile::DeleteFile(Marker);
      RemoveDirectoryW(Marker.c_str());  // the case that made a directory of that name
    }
    if (MadeUserFolder) RemoveDirectoryW(UserFolder.c_str());
  }

  static void DeleteMakerKeys() {
    TTestKey(rvRegistry64, L"Software\\Korvanta").DeleteTree();
    TTestKey(rvRegistry32, L"Software\\Korvanta").DeleteTree();
  }

  void MakeMarker() {
    MadeMarker = true;
    TestSupport::WriteFile(Marker, "");
  }

  // A product of the program's own view (the 32-bit one for the 32-bit
  // build, the 64-bit one for the 64-bit build).
  static TTestKey Product(const std::wstring& key, const std::wstring& installDir, const std::wstring& dataDir) {
    TTestKey product(OwnView(), L"Software\\Korvanta\\" + key);
    product.WriteString(L"InstallDir", installDir);
    product.WriteString(L"DataDir", dataDir);
    return product;
  }

  // Copies the probe into `dir` and runs it there.
  TProbeResult RunProbeIn(const std::wstring& dir) {
    const std::wstring probe = Rtl::ExtractFilePath(Rtl::GetModuleFileName()) + L"datadir_probe.exe";
    const std::wstring copy = dir + L"\\probe.exe";
    TestSupport::MakeDir(dir);
    EXPECT_TRUE(CopyFileW(probe.c_str(), copy.c_str(), FALSE)) << TestSupport::Narrow(probe);
    const std::wstring output = Output / L"probe.txt";
    DeleteFileW(output.c_str());
    TProbeResult result;
    result.ExitCode = TestSupport::RunProcess(L"\"" + copy + L"\" \"" + output + L"\"", Output.Path());
    std::vector<std::wstring> lines;
    const std::wstring text = ReadText(output);
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find(L'\n', start);
      if (end == std::wstring::npos) break;
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    if (lines.size() == 5) {
      result.ApplicationDir = lines[0];
      result.DataDir = lines[1];
      result.ProjectDir = lines[2];
      result.Shutdown = lines[3];
      result.Restart = lines[4];
    }
    DeleteFileW(copy.c_str());
    return result;
  }

  std::wstring Documents, PublicDocuments, UserFolder, Marker, PublicFolder;
  bool MadeUserFolder = false;
  bool MadeMarker = false;
  TTempDir Temp{L"kvdata"};
  TTempDir Output{L"kvprobe"};
};

// --- The registered product --------------------------------------------------

TEST_F(DataDirTest, InstallDirInAnotherLetterCaseGivesItsDataDir) {
  const std::wstring app = Temp / L"Apps\\Product";
  Product(L"Product", Rtl::AsciiUpperCase(app), L"D:\\Product Data");
  const TProbeResult result = RunProbeIn(app);
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.ApplicationDir, app);
  EXPECT_EQ(result.DataDir, L"D:\\Product Data");
  EXPECT_EQ(result.ProjectDir, L"");
  EXPECT_EQ(result.Shutdown, L"cleared");
  EXPECT_EQ(result.Restart, L"restarted");
}

TEST_F(DataDirTest, OnlyAsciiLettersMatchWithoutCase) {
  const std::wstring app = Temp / L"Apps\\\u00C9t\u00E9";  // "Été"
  Product(L"Product", Temp / L"Apps\\\u00E9t\u00E9", L"D:\\Product Data");
  const TProbeResult result = RunProbeIn(app);
  EXPECT_EQ(result.ApplicationDir, app);
  EXPECT_EQ(result.DataDir, PublicFolder);
}

TEST_F(DataDirTest, MatchingProductWithoutDataDirKeepsTheExecutablesDirectory) {
  MakeMarker();  // the documents folders aren't considered at all
  const std::wstring app = Temp / L"Product";
  Product(L"Product", app, L"");
  EXPECT_EQ(RunProbeIn(app).DataDir, app);
  TTestKey(OwnView(), L"Software\\Korvanta\\Product").DeleteTree();
  TTestKey product(OwnView(), L"Software\\Korvanta\\Missing");
  product.WriteString(L"InstallDir", app);  // no "DataDir" value at all
  EXPECT_EQ(RunProbeIn(app).DataDir, app);
}

TEST_F(DataDirTest, InstallDirWithTrailingBackslashDoesntMatch) {
  const std::wstring app = Temp / L"Product";
  Product(L"Product", app + L"\\", L"D:\\Product Data");
  EXPECT_EQ(RunProbeIn(app).DataDir, PublicFolder);
}

TEST_F(DataDirTest, FirstMatchingProductInEnumerationOrderDecides) {
  const std::wstring app = Temp / L"Product";
  Product(L"Other", Temp / L"Elsewhere", L"D:\\Other Data");
  Product(L"First", app, L"D:\\First Data");
  Product(L"Second", app, L"D:\\Second Data");
  // The order is the registry's: ask it which matching product comes first.
  Qd::TRegistry registry(Qd::KEY_READ | Qd::TQdRegistry::ViewAccessFlag(OwnView()));
  registry.SetRootKey(Qd::HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.OpenKey(L"\\Software\\Korvanta"));
  Rtl::TStringList keys;
  registry.GetKeyNames(keys);
  std::wstring first;
  for (const std::wstring& key : keys)
    if (key != L"Other" && first.empty()) first = key;
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(RunProbeIn(app).DataDir, L"D:\\" + first + L" Data");
}

TEST_F(DataDirTest, OnlyTheProgramsOwnRegistryViewIsRead) {
  const std::wstring app = Temp / L"Product";
  TTestKey product(OtherView(), L"Software\\Korvanta\\Product");
  product.WriteString(L"InstallDir", app);
  product.WriteString(L"DataDir", L"D:\\Product Data");
  EXPECT_EQ(RunProbeIn(app).DataDir, PublicFolder);
}

TEST_F(DataDirTest, ValuesOfOtherTypesReadAsEmptyAndDontStopStartUp) {
  const std::wstring app = Temp / L"Product";
  TTestKey number(OwnView(), L"Software\\Korvanta\\Number");
  number.WriteDword(L"InstallDir", 42);
  number.WriteString(L"DataDir", L"D:\\Number Data");
  TProbeResult result = RunProbeIn(app);
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.DataDir, PublicFolder);

  // A matching product whose "DataDir" is raw bytes keeps the executable's
  // directory.
  TTestKey bytes(OwnView(), L"Software\\Korvanta\\Bytes");
  bytes.WriteString(L"InstallDir", app);
  bytes.WriteBinary(L"DataDir", {0x44, 0x00, 0x3A, 0x00});
  result = RunProbeIn(app);
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.DataDir, app);
}

// --- The documents folders -----------------------------------------------------

TEST_F(DataDirTest, MarkerFileDecidesBetweenUserAndPublicDocuments) {
  const std::wstring app = Temp / L"Portable";
  EXPECT_EQ(RunProbeIn(app).DataDir, PublicFolder);  // no key at all
  TTestKey(OwnView(), L"Software\\Korvanta").Create();
  EXPECT_EQ(RunProbeIn(app).DataDir, PublicFolder);  // no product

  MadeMarker = true;
  TestSupport::MakeDir(Marker);  // a directory of that name is no marker
  EXPECT_EQ(RunProbeIn(app).DataDir, PublicFolder);
  ASSERT_TRUE(RemoveDirectoryW(Marker.c_str()));

  MakeMarker();
  const TProbeResult result = RunProbeIn(app);
  EXPECT_EQ(result.ApplicationDir, app);
  EXPECT_EQ(result.DataDir, UserFolder);
}

// Points a shell folder's registry entry at a folder that doesn't exist, so
// that the shell can't resolve it, and restores the entry (and the copy that
// the shell keeps of resolved folders) afterwards. HKEY_CURRENT_USER is one
// key in both views, so everything is read before anything is written.
class TUnresolvedShellFolder {
public:
  TUnresolvedShellFolder(Qd::TRootKey root, const std::wstring& valueName) : FRoot(root), FName(valueName) {
    for (const wchar_t* key : {USER_SHELL_FOLDERS_C, SHELL_FOLDERS_C})
      for (Qd::TRegistryView view : {rvRegistry64, rvRegistry32}) {
        Qd::TRegistry registry(Qd::KEY_READ | Qd::TQdRegistry::ViewAccessFlag(view));
        registry.SetRootKey(root);
        if (!registry.OpenKey(std::wstring(L"\\") + key) || !Qd::TQdRegistry::IsStringValue(registry, valueName)) continue;
        FSaved.push_back({view, key, registry.GetDataType(valueName), registry.ReadString(valueName)});
      }
    const std::wstring missing = L"C:\\KvTest Nowhere " + std::to_wstring(GetCurrentProcessId());
    for (const TSaved& saved : FSaved)
      if (saved.Key == USER_SHELL_FOLDERS_C) TTestKey(saved.View, saved.Key, FRoot).WriteExpandString(FName, missing);
  }
  ~TUnresolvedShellFolder() {
    for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) {
      const TTestKey key(it->View, it->Key, FRoot);
      if (it->Type == Qd::rdExpandString) key.WriteExpandString(FName, it->Value);
      else key.WriteString(FName, it->Value);
    }
  }
  TUnresolvedShellFolder(const TUnresolvedShellFolder&) = delete;
  TUnresolvedShellFolder& operator=(const TUnresolvedShellFolder&) = delete;

  bool Changed() const {
    for (const TSaved& saved : FSaved)
      if (saved.Key == USER_SHELL_FOLDERS_C) return true;
    return false;
  }

private:
  struct TSaved {
    Qd::TRegistryView View;
    std::wstring Key;
    Qd::TRegDataType Type;
    std::wstring Value;
  };
  static constexpr const wchar_t* USER_SHELL_FOLDERS_C =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  static constexpr const wchar_t* SHELL_FOLDERS_C =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  Qd::TRootKey FRoot;
  std::wstring FName;
  std::vector<TSaved> FSaved;
};

TEST_F(DataDirTest, UnresolvedDocumentsFoldersNeverGiveAPathOnTheCurrentDrive) {
  const std::wstring app = Temp / L"Portable";
  {
    TUnresolvedShellFolder documents(Qd::HKEY_CURRENT_USER, L"Personal");
    if (!documents.Changed()) GTEST_SKIP() << "the documents folder has no registry entry here";
    MakeMarker();
    EXPECT_EQ(RunProbeIn(app).DataDir, PublicFolder);
    {
      TUnresolvedShellFolder common(Qd::HKEY_LOCAL_MACHINE, L"Common Documents");
      if (!common.Changed()) GTEST_SKIP() << "the public documents folder has no registry entry here";
      const TProbeResult result = RunProbeIn(app);
      EXPECT_EQ(result.ExitCode, 0);
      EXPECT_EQ(result.DataDir, app);  // not "\\Korvanta"
    }
  }
  EXPECT_EQ(TShell::GetFolder(Qd::ftDocuments), Documents);
  EXPECT_EQ(TShell::GetFolder(Qd::ftPublicDocuments), PublicDocuments);
}

// --- A removable drive ----------------------------------------------------------

// Wine's mount manager maps a drive letter to a directory with a drive type of
// our choosing, as its configuration tool does; Windows has no such request.
class TWineRemovableDrive {
public:
  explicit TWineRemovableDrive(const std::wstring& dir) {
    using TUnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<TUnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr) return;
    const Rtl::TProcessHeapMemory<char> unixPath(unixFileName(dir.c_str()));
    if (!unixPath) return;
    const std::string mountPoint = unixPath.Get();
    for (wchar_t letter = L'R'; letter <= L'Y' && FLetter == 0; ++letter) {
      const std::wstring root = std::wstring(1, letter) + L":\\";
      if (GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR) continue;
      if (Define(letter, DRIVE_REMOVABLE, mountPoint) && GetDriveTypeW(root.c_str()) == DRIVE_REMOVABLE)
        FLetter = letter;
    }
  }
  ~TWineRemovableDrive() {
    if (FLetter != 0) Define(FLetter, DRIVE_NO_ROOT_DIR, "");
  }
  TWineRemovableDrive(const TWineRemovableDrive&) = delete;
  TWineRemovableDrive& operator=(const TWineRemovableDrive&) = delete;

  // The drive letter, or 0 when no drive could be mapped.
  wchar_t Letter() const { return FLetter; }

private:
  struct TUnixDrive {
    ULONG Size, Type, FsType;
    DWORD Serial;
    ULONGLONG UnixDev;
    WCHAR Letter;
    USHORT MountPoint, Device, Label;
  };
  static constexpr DWORD DEFINE_UNIX_DRIVE_C = 0x6DC080;

  // An empty mount point removes the drive.
  static bool Define(wchar_t letter, ULONG type, const std::string& mountPoint) {
    const Rtl::TFileHandle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager) return false;
    std::vector<char> request(sizeof(TUnixDrive) + (mountPoint.empty() ? 0 : mountPoint.size() + 1));
    TUnixDrive drive{};
    drive.Size = static_cast<ULONG>(request.size());
    drive.Type = type;
    drive.Letter = static_cast<WCHAR>(letter - L'A' + L'a');
    if (!mountPoint.empty()) {
      drive.MountPoint = sizeof(TUnixDrive);
      mountPoint.copy(request.data() + sizeof(TUnixDrive), mountPoint.size());
    }
    std::memcpy(request.data(), &drive, sizeof drive);
    return DeviceIoControl(manager.Get(), DEFINE_UNIX_DRIVE_C, request.data(), static_cast<DWORD>(request.size()),
                           nullptr, 0, nullptr, nullptr) != FALSE;
  }

  wchar_t FLetter = 0;
};

TEST_F(DataDirTest, RemovableDriveKeepsTheExecutablesDirectory_WineMountManager) {
  TWineRemovableDrive drive(Temp.Path());
  if (drive.Letter() == 0) GTEST_SKIP() << "no removable drive can be mapped here (Wine's mount manager only)";
  const std::wstring app = std::wstring(1, drive.Letter()) + L":\\Product";
  ASSERT_EQ(Qd::TFile::GetDriveType(app), Qd::dtRemovable);
  Product(L"Product", app, L"D:\\Product Data");  // the registry isn't asked
  MakeMarker();
  const TProbeResult result = RunProbeIn(app);
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.ApplicationDir, app);
  EXPECT_EQ(result.DataDir, app);
  EXPECT_TRUE(TestSupport::Exists(Temp / L"Product"));  // the same directory, seen from drive C
}

}  // namespace
