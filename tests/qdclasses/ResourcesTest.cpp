// TResources over the test program's own resources (TestResources.rc), the
// program file loaded as a data file, and files that have none.
#include <gtest/gtest.h>

#include "QdClasses.h"
#include "TestSupport.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Win32.h"

using Qd::TResources;

namespace {

Rtl::TBytes Bytes(const std::string& text) { return Rtl::TBytes(text.begin(), text.end()); }

Rtl::TBytes FileBytes(const std::wstring& fileName) {
  Rtl::TMemoryStream stream;
  stream.LoadFromFile(fileName);
  return stream.Bytes();
}

const wchar_t* const RCDATA_C = L"#10";

}  // namespace

TEST(Resources, DoesExistInTheProgram) {
  EXPECT_TRUE(TResources::DoesExist(RCDATA_C, L"QDTESTDATA"));
  EXPECT_TRUE(TResources::DoesExist(RCDATA_C, L"qdtestdata"));  // names ignore case
  EXPECT_TRUE(TResources::DoesExist(L"KORVANTA", L"QDBLOB"));
  EXPECT_FALSE(TResources::DoesExist(RCDATA_C, L"QDBLOB"));
  EXPECT_FALSE(TResources::DoesExist(L"KORVANTA", L"NOPE"));
  EXPECT_FALSE(TResources::DoesExist(L"", L""));
  // By language: 0 accepts any.
  EXPECT_TRUE(TResources::DoesExist(RCDATA_C, L"QDGERMAN", 0, 0x0407));
  EXPECT_FALSE(TResources::DoesExist(RCDATA_C, L"QDGERMAN", 0, 0x040C));
  EXPECT_TRUE(TResources::DoesExist(RCDATA_C, L"QDGERMAN", 0, 0));
}

TEST(Resources, LoadGivesTheBytesOrNone) {
  EXPECT_EQ(TResources::Load(std::wstring(RCDATA_C), std::wstring(L"QDTESTDATA")), Bytes("Hello, resource"));
  EXPECT_EQ(TResources::Load(L"KORVANTA", L"QDBLOB"), Bytes("Korvanta blob"));
  EXPECT_EQ(TResources::Load(L"#10", L"QDGERMAN"), Bytes("Guten Tag"));
  // A numbered type as the system's integer resource pointer.
  EXPECT_EQ(TResources::Load(reinterpret_cast<const wchar_t*>(10), L"QDTESTDATA"), Bytes("Hello, resource"));
  EXPECT_TRUE(TResources::Load(L"KORVANTA", L"NOPE").empty());
}

TEST(Resources, FileFormsLoadTheFileAsData) {
  const std::wstring program = Rtl::GetModuleFileName();
  EXPECT_TRUE(TResources::DoesExist(program, RCDATA_C, L"QDTESTDATA"));
  EXPECT_TRUE(TResources::DoesExist(program, RCDATA_C, L"QDGERMAN", 0x0407));
  EXPECT_FALSE(TResources::DoesExist(program, RCDATA_C, L"QDGERMAN", 0x040C));
  EXPECT_FALSE(TResources::DoesExist(program, L"KORVANTA", L"NOPE"));
  EXPECT_EQ(TResources::Load(program, L"KORVANTA", L"QDBLOB"), Bytes("Korvanta blob"));
  EXPECT_TRUE(TResources::Load(program, L"KORVANTA", L"NOPE").empty());

  TestSupport::TTempDir dir;
  const std::wstring text = dir / L"plain.txt";
  TestSupport::WriteFile(text, "not a module");
  const std::wstring missing = dir / L"missing.exe";
  for (const std::wstring& file : {text, missing, dir.Path(), Rtl::ExtractFilePath(program) + L"*.exe",
                                   Rtl::ExtractFilePath(program) + L"test_qdobjects.ex?"}) {
    EXPECT_FALSE(TResources::DoesExist(file, RCDATA_C, L"QDTESTDATA")) << TestSupport::Narrow(file);
    EXPECT_TRUE(TResources::Load(file, RCDATA_C, L"QDTESTDATA").empty()) << TestSupport::Narrow(file);
  }
}

// A relative name is the file of that name in the current directory, not a
// loaded module that happens to have the same name.
TEST(Resources, FileFormsLoadTheNamedFileNotALoadedModuleOfThatName) {
  TestSupport::TTempDir dir;
  const std::wstring program = Rtl::ExtractFileName(Rtl::GetModuleFileName());
  TestSupport::WriteFile(dir / program, "not a module");
  wchar_t previous[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
  const bool exists = TResources::DoesExist(program, RCDATA_C, L"QDTESTDATA");
  const Rtl::TBytes loaded = TResources::Load(program, RCDATA_C, L"QDTESTDATA");
  SetCurrentDirectoryW(previous);
  EXPECT_FALSE(exists);
  EXPECT_TRUE(loaded.empty());
}

TEST(Resources, CopyToFileCreatesTheDirectoriesAndReplacesTheFile) {
  TestSupport::TTempDir dir;
  const std::wstring target = dir / L"new\\deeper\\blob.bin";
  TResources::CopyToFile(L"QDBLOB", L"KORVANTA", target);
  EXPECT_EQ(FileBytes(target), Bytes("Korvanta blob"));

  const std::wstring existing = dir / L"existing.bin";
  TestSupport::WriteFile(existing, std::string(100, 'x'));
  TResources::CopyToFile(L"QDTESTDATA", RCDATA_C, existing);
  EXPECT_EQ(FileBytes(existing), Bytes("Hello, resource"));
}

TEST(Resources, CopyToFileOfAMissingResourceRaises) {
  TestSupport::TTempDir dir;
  const std::wstring target = dir / L"sub\\none.bin";
  try {
    TResources::CopyToFile(L"NOPE", L"KORVANTA", target);
    FAIL() << "no error";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"KORVANTA.NOPE resource was not found");
  }
  EXPECT_FALSE(TestSupport::Exists(target));
  EXPECT_FALSE(TestSupport::Exists(dir / L"sub"));
  // A target that can't be created passes the file error on.
  EXPECT_THROW(TResources::CopyToFile(L"QDBLOB", L"KORVANTA", dir.Path()), Rtl::EStreamError);
}
