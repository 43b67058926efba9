// Korvasweep as a user sees it: the real program started in a process of
// its own, its window found on the display, its text box read and its
// buttons clicked, over products registered in the test prefix's registry
// (both views) with real folders and files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "GuiSupport.h"
#include "QdClasses.h"
#include "runtime/IO/Files.h"
#include "runtime/Toolkit/FormStream.h"
#include "runtime/System/Win32.h"
#include "TestSupport.h"

namespace {

using GuiSupport::TRect;
using Lines = std::vector<std::wstring>;
using TestSupport::TTestKey;

HWND Hwnd(Rtl::THandle handle) { return reinterpret_cast<HWND>(handle); }

const wchar_t* const UNINSTALL_C = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring ProgramPath() {
  std::wstring relative = L"" QD_KORVASWEEP_EXE;
  std::replace(relative.begin(), relative.end(), L'/', L'\\');
  return Rtl::ExtractFilePath(Rtl::GetModuleFileName()) + relative;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// The program, started and found on the screen; closed when it goes.
class TProgram {
public:
  TProgram() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = Quoted(ProgramPath());
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &FInfo))
      return;
    FWindow = GuiSupport::WaitForWindow(FInfo.dwProcessId, L"TMainForm", L"Clean Installations");
  }
  ~TProgram() {
    if (FInfo.hProcess == nullptr) return;
    if (WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT) {
      if (FWindow != 0) PostMessageW(Hwnd(FWindow), WM_CLOSE, 0, 0);
      if (WaitForSingleObject(FInfo.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(FInfo.hProcess, 1);
    }
    CloseHandle(FInfo.hThread);
    CloseHandle(FInfo.hProcess);
  }
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  std::uint32_t ProcessId() const { return FInfo.dwProcessId; }
  Rtl::THandle Window() const { return FWindow; }
  Rtl::THandle Memo() const {
    const auto edits = GuiSupport::Children(FWindow, L"Edit");
    return edits.empty() ? 0 : edits.front();
  }
  Rtl::THandle Button(const std::wstring& caption) const { return GuiSupport::FindChild(FWindow, L"Button", caption); }
  Lines MemoLines() const { return GuiSupport::SplitLines(GuiSupport::WindowText(Memo())); }
  // The exit code, or -1 when the program is still running.
  int WaitForExit() const {
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(FInfo.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(FInfo.hProcess, &code);
    return static_cast<int>(code);
  }

private:
  PROCESS_INFORMATION FInfo{};
  Rtl::THandle FWindow = 0;
};

// What the text box must never show.
void ExpectTidy(const Lines& lines) {
  if (!lines.empty()) {
    EXPECT_FALSE(lines.front().empty()) << "starts with a blank line";
  }
  for (std::size_t i = 1; i < lines.size(); ++i)
    EXPECT_FALSE(lines[i].empty() && lines[i - 1].empty()) << "two blank lines at line " << i;
  for (const std::wstring& line : lines) {
    EXPECT_NE(line.rfind(L"Remove", 0), 0u) << TestSupport::Narrow(line);
    EXPECT_NE(line.rfind(L"Deleting", 0), 0u) << TestSupport::Narrow(line);
  }
}

class Window : public ::testing::Test {
protected:
  void SetUp() override {
    if (ProgramPath().empty() || !Rtl::FileExists(ProgramPath())) GTEST_SKIP() << "Korvasweep.exe isn't built";
    RemoveEverything();
  }
  void TearDown() override { RemoveEverything(); }

  // No maker key in either view and no maker folder under Program Files.
  static void RemoveEverything() {
    for (Qd::TRegistryView view : {Qd::rvRegistry64, Qd::rvRegistry32}) {
      TTestKey(view, L"Software\\Korvanta").DeleteTree();
      TTestKey(view, std::wstring(UNINSTALL_C) + L"Korvanta Alpha Test").DeleteTree();
    }
    for (Qd::TFolderType folder : {Qd::ftProgramFiles64, Qd::ftProgramFiles32}) {
      const std::wstring maker = Qd::TShell::GetFolder(folder) + L"\\Korvanta";
      if (Rtl::DirectoryExists(maker)) Qd::TFile::RemoveDir(maker, true);
    }
    for (Qd::TFolderType folder : {Qd::ftPrograms, Qd::ftCommonPrograms}) {
      const std::wstring base = Qd::TShell::GetFolder(folder) + L"\\Korvanta Alpha Test";
      if (Rtl::DirectoryExists(base)) Qd::TFile::RemoveDir(base, true);
      Qd::TFile::DeleteFile(base + L".lnk");
    }
  }
};

TEST_F(Window, NothingRegisteredGivesAnEmptyListAndCleanDisabled) {
  TProgram program;
  ASSERT_NE(program.Window(), 0u) << "no window \"Clean Installations\"";
  const Rtl::THandle memo = program.Memo();
  const Rtl::THandle clean = program.Button(L"C&lean");
  const Rtl::THandle close = program.Button(L"&Close");
  ASSERT_NE(memo, 0u);
  ASSERT_NE(clean, 0u);
  ASSERT_NE(close, 0u);
  EXPECT_EQ(GuiSupport::WindowText(memo), L"");
  EXPECT_FALSE(IsWindowEnabled(Hwnd(clean)));
  EXPECT_TRUE(IsWindowEnabled(Hwnd(close)));

  // The layout of the form description.
  RECT client;
  GetClientRect(Hwnd(program.Window()), &client);
  EXPECT_EQ(client.right, 649);
  EXPECT_EQ(client.bottom, 337);
  auto expectAt = [](Rtl::THandle control, int left, int top, int width, int height) {
    const TRect r = GuiSupport::ClientPosition(control);
    EXPECT_EQ((std::vector<int>{r.Left, r.Top, r.Width(), r.Height()}), (std::vector<int>{left, top, width, height}));
  };
  expectAt(memo, 8, 8, 633, 289);
  expectAt(close, 568, 304, 75, 25);
  expectAt(clean, 486, 304, 75, 25);
  const LONG memoStyle = GetWindowLongW(Hwnd(memo), GWL_STYLE);
  EXPECT_TRUE(memoStyle & ES_READONLY);
  EXPECT_FALSE(memoStyle & (WS_VSCROLL | WS_HSCROLL | WS_TABSTOP));

  // The text box is no tab stop: the focus starts on Close.
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(Hwnd(program.Window()), nullptr), &thread));
  EXPECT_EQ(reinterpret_cast<Rtl::THandle>(thread.hwndFocus), close);

  // The close box ends the program.
  PostMessageW(Hwnd(program.Window()), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(Window, ListsTheFindingsOfBothViewsAndCleanLeavesOnlyWhatIsLeft) {
  TestSupport::TTempDir temp(L"kvwindow");
  // Korvanta Alpha Test, 64-bit: directories, uninstall entry, Start-menu
  // group and an all-users shortcut.
  const std::wstring alphaApp = temp / L"Alpha App";
  const std::wstring alphaData = temp / L"Alpha Data";
  TestSupport::MakeDir(alphaApp);
  TestSupport::WriteFile(alphaApp + L"\\Alpha.exe", "x");
  TestSupport::MakeDir(alphaData);
  TestSupport::WriteFile(alphaData + L"\\Settings.ini", "x");
  const TTestKey alpha(Qd::rvRegistry64, L"Software\\Korvanta\\Alpha");
  alpha.WriteString(L"UninstallName", L"Korvanta Alpha Test");
  alpha.WriteString(L"InstallDir", alphaApp);
  alpha.WriteString(L"DataDir", alphaData);
  const TTestKey alphaUninstall(Qd::rvRegistry64, std::wstring(UNINSTALL_C) + L"Korvanta Alpha Test");
  alphaUninstall.WriteString(L"DisplayName", L"Korvanta Alpha Test");
  const std::wstring group = Qd::TShell::GetFolder(Qd::ftPrograms) + L"\\Korvanta Alpha Test";
  TestSupport::MakeDir(group);
  TestSupport::WriteFile(group + L"\\Alpha.lnk", "x");
  const std::wstring commonLink = Qd::TShell::GetFolder(Qd::ftCommonPrograms) + L"\\Korvanta Alpha Test.lnk";
  TestSupport::WriteFile(commonLink, "x");
  // Korvanta Beta Test, 32-bit: no uninstall entry, its data directory gone.
  const std::wstring betaApp = temp / L"Beta App";
  const std::wstring betaData = temp / L"Beta Data";
  TestSupport::MakeDir(betaApp);
  const TTestKey beta(Qd::rvRegistry32, L"Software\\Korvanta\\Beta");
  beta.WriteString(L"UninstallName", L"Korvanta Beta Test");
  beta.WriteString(L"InstallDir", betaApp);
  beta.WriteString(L"DataDir", betaData);
  // The maker's 32-bit folder holds a file in use, which no clean removes.
  const std::wstring maker = Qd::TShell::GetFolder(Qd::ftProgramFiles32) + L"\\Korvanta";
  TestSupport::MakeDir(maker);
  HANDLE inUse = CreateFileW((maker + L"\\In use.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(inUse, INVALID_HANDLE_VALUE);

  TProgram program;
  ASSERT_NE(program.Window(), 0u) << "no window \"Clean Installations\"";
  const Lines found = program.MemoLines();
  const Lines expected = {
      L"64-bit installation: Alpha",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Alpha",
      L"Uninstall key: HKEY_LOCAL_MACHINE\\" + std::wstring(UNINSTALL_C) + L"Korvanta Alpha Test",
      L"Application dir: " + Quoted(alphaApp),
      L"Data dir: " + Quoted(alphaData),
      L"Link dir: " + Quoted(group),
      L"Commonprograms folder: " + Quoted(commonLink),
      L"",
      L"32-bit installation: Beta",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Beta",
      L"Uninstall key does not exist: \\" + std::wstring(UNINSTALL_C) + L"Korvanta Beta Test",
      L"Application dir: " + Quoted(betaApp),
      L"Data directory does not exist: " + Quoted(betaData),
      L"",
      L"Application dir: " + Quoted(maker),
      L"",
  };
  EXPECT_EQ(found, expected);
  ExpectTidy(found);
  const Rtl::THandle clean = program.Button(L"C&lean");
  ASSERT_NE(clean, 0u);
  EXPECT_TRUE(IsWindowEnabled(Hwnd(clean)));

  // Clean: the message, then only what is left.
  GuiSupport::TMessageBoxCloser closer(program.ProcessId());
  PostMessageW(Hwnd(clean), BM_CLICK, 0, 0);
  const GuiSupport::TMessageBox& box = closer.Result();
  ASSERT_TRUE(box.Found) << "no message after the clean";
  EXPECT_EQ(box.Caption, L"Korvasweep");
  EXPECT_EQ(box.Texts, Lines{L"Cleaning complete"});
  EXPECT_EQ(box.Buttons, Lines{L"OK"});
  EXPECT_NEAR(box.Rect.Left + box.Rect.Width() / 2, box.Work.Left + box.Work.Width() / 2, 1);
  EXPECT_NEAR(box.Rect.Top + box.Rect.Height() / 2, box.Work.Top + box.Work.Height() / 2, 1);

  const Lines left = program.MemoLines();
  EXPECT_EQ(left, (Lines{L"Application dir: " + Quoted(maker), L""}));
  ExpectTidy(left);
  EXPECT_TRUE(IsWindowEnabled(Hwnd(clean)));
  for (const std::wstring& path : {alphaApp, alphaData, group, commonLink, betaApp})
    EXPECT_FALSE(TestSupport::Exists(path)) << TestSupport::Narrow(path);
  EXPECT_FALSE(alpha.Exists());
  EXPECT_FALSE(alphaUninstall.Exists());
  EXPECT_FALSE(beta.Exists());
  EXPECT_TRUE(Rtl::FileExists(maker + L"\\In use.dat"));
  CloseHandle(inUse);

  // Once the file is free, a second clean leaves nothing; Clean stays enabled.
  GuiSupport::TMessageBoxCloser secondCloser(program.ProcessId());
  PostMessageW(Hwnd(clean), BM_CLICK, 0, 0);
  ASSERT_TRUE(secondCloser.Result().Found);
  EXPECT_EQ(program.MemoLines(), Lines{});
  EXPECT_FALSE(TestSupport::Exists(maker));
  EXPECT_TRUE(IsWindowEnabled(Hwnd(clean)));

  // Close ends the program.
  PostMessageW(Hwnd(program.Button(L"&Close")), BM_CLICK, 0, 0);
  EXPECT_EQ(program.WaitForExit(), 0);
}

// Where the text box shows line `line` (0-based) of its text: the top of
// the line in the box's client area (below its bottom or above its top when
// it is scrolled out of view).
int LineTop(Rtl::THandle memo, int line) {
  const LRESULT index = SendMessageW(Hwnd(memo), EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  const LRESULT position = SendMessageW(Hwnd(memo), EM_POSFROMCHAR, static_cast<WPARAM>(index), 0);
  return static_cast<short>(HIWORD(position));
}

// The last line of the text box lies wholly inside its client area. The
// edit window places characters only, so an empty last line is taken one
// line below the line before it.
bool LastLineInView(Rtl::THandle memo) {
  const int count = static_cast<int>(SendMessageW(Hwnd(memo), EM_GETLINECOUNT, 0, 0));
  if (count < 3) return true;
  const int lineHeight = LineTop(memo, 1) - LineTop(memo, 0);
  const LRESULT lastIndex = SendMessageW(Hwnd(memo), EM_LINEINDEX, static_cast<WPARAM>(count - 1), 0);
  const bool lastEmpty = SendMessageW(Hwnd(memo), EM_LINELENGTH, static_cast<WPARAM>(lastIndex), 0) == 0;
  const int top = lastEmpty ? LineTop(memo, count - 2) + lineHeight : LineTop(memo, count - 1);
  RECT client;
  GetClientRect(Hwnd(memo), &client);
  return lineHeight > 0 && top >= 0 && top + lineHeight <= client.bottom;
}

bool HasVerticalBar(Rtl::THandle memo) { return (GetWindowLongW(Hwnd(memo), GWL_STYLE) & WS_VSCROLL) != 0; }

// More findings than the text box shows get a vertical scroll bar that
// reaches the last of them; fewer get none, and the box keeps its place.
TEST_F(Window, ScrollBarOnlyWhileTheFindingsDoNotFit) {
  TestSupport::TTempDir temp(L"kvscroll");
  // Each product: its installation, key, missing uninstall key, two
  // directories and a blank line.
  auto registerProduct = [&temp](int number) {
    const std::wstring name = L"Scroll" + std::to_wstring(number);
    TestSupport::MakeDir(temp / (name + L" App"));
    TestSupport::MakeDir(temp / (name + L" Data"));
    const TTestKey key(Qd::rvRegistry64, L"Software\\Korvanta\\" + name);
    key.WriteString(L"UninstallName", L"Korvanta " + name + L" Test");
    key.WriteString(L"InstallDir", temp / (name + L" App"));
    key.WriteString(L"DataDir", temp / (name + L" Data"));
  };

  registerProduct(1);
  {
    TProgram program;
    ASSERT_NE(program.Window(), 0u) << "no window \"Clean Installations\"";
    const Rtl::THandle memo = program.Memo();
    ASSERT_EQ(program.MemoLines().size(), 6u);
    EXPECT_FALSE(HasVerticalBar(memo));
    EXPECT_TRUE(LastLineInView(memo));
  }

  for (int number = 2; number <= 5; ++number) registerProduct(number);
  TProgram program;
  ASSERT_NE(program.Window(), 0u) << "no window \"Clean Installations\"";
  const Rtl::THandle memo = program.Memo();
  ASSERT_EQ(program.MemoLines().size(), 30u);
  ASSERT_FALSE(LastLineInView(memo)) << "the findings fit the text box: no case for a scroll bar";
  EXPECT_TRUE(HasVerticalBar(memo));
  const TRect r = GuiSupport::ClientPosition(memo);
  EXPECT_EQ((std::vector<int>{r.Left, r.Top, r.Width(), r.Height()}), (std::vector<int>{8, 8, 633, 289}));
  // Page by page, as clicks below the bar's thumb do, down to the end.
  EXPECT_EQ(SendMessageW(Hwnd(memo), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  for (int page = 0; page < 10 && !LastLineInView(memo); ++page)
    SendMessageW(Hwnd(memo), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_TRUE(LastLineInView(memo));
  EXPECT_GT(SendMessageW(Hwnd(memo), EM_GETFIRSTVISIBLELINE, 0, 0), 0);

  // The clean removes every finding; the rescan's empty list needs no bar.
  GuiSupport::TMessageBoxCloser closer(program.ProcessId());
  PostMessageW(Hwnd(program.Button(L"C&lean")), BM_CLICK, 0, 0);
  ASSERT_TRUE(closer.Result().Found) << "no message after the clean";
  EXPECT_EQ(program.MemoLines(), Lines{});
  EXPECT_FALSE(HasVerticalBar(memo));
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
  if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::wstring>*>(names)->push_back(name);
  return TRUE;
}

// What the program carries: its manifest, and its main window's form
// stream in an RCDATA resource that the form-language lookup finds by its
// signature.
TEST_F(Window, ExecutableCarriesItsManifestAndFormStream) {
  HMODULE module = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  auto resource = [module](const wchar_t* name, const wchar_t* type) {
    HRSRC info = FindResourceW(module, name, type);
    if (info == nullptr) return std::string();
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, info)));
    return std::string(data, SizeofResource(module, info));
  };

  std::vector<std::wstring> forms;
  EnumResourceNamesW(module, RT_RCDATA, &CollectName, reinterpret_cast<LONG_PTR>(&forms));
  EXPECT_EQ(forms, std::vector<std::wstring>{L"TMAINFORM"});
  const std::string stream = resource(L"TMainForm", RT_RCDATA);  // found by the class name
  ASSERT_GT(stream.size(), 3u);
  EXPECT_EQ(stream.substr(0, 4), "TPF0");
  const Rtl::TFormObject form = Rtl::ReadFormStream(
      std::span(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size()));
  EXPECT_EQ(form.ClassName, L"TMainForm");
  EXPECT_EQ(form.Name, L"MainForm");
  std::vector<std::wstring> controls;
  for (const Rtl::TFormObject& child : form.Children) controls.push_back(child.Name);
  EXPECT_EQ(controls, (std::vector<std::wstring>{L"Memo", L"CloseButton", L"CleanButton"}));

  const std::string manifest = resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
  for (const char* part : {"level=\"requireAdministrator\" uiAccess=\"false\"",
                           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                           sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"",
                           "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  FreeLibrary(module);
}

}  // namespace
