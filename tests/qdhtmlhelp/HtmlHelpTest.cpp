// Help topics against the system's help viewer, with real windows: the
// help request of each command, contexts that are no topic, menus mapped
// to topics, the clipboard, and (in a program of its own, copied into a
// temporary folder) the pages made from the template and the report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "GuiSupport.h"
#include "HelpFile.h"
#include "QdClasses/Unit.h"
#include "QdHtmlHelp.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Win32.h"
#include "runtime/Toolkit/Clipboard.h"
#include "runtime/Toolkit/Forms.h"

namespace {

using TestSupport::Narrow;


// One application object for the whole program (the help object hooks it).
::testing::Environment* const APPLICATION_C =
    ::testing::AddGlobalTestEnvironment(new GuiSupport::TApplicationEnvironment);

std::string ReadBytes(const std::wstring& fileName) {
  std::ifstream in(std::filesystem::path(fileName), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Closes every viewer window of the process.
void CloseViewers() {
  using THtmlHelpW = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  HMODULE module = GetModuleHandleW(L"hhctrl.ocx");
  if (module == nullptr) return;
  auto htmlHelp = reinterpret_cast<THtmlHelpW>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
  htmlHelp(nullptr, nullptr, 0x12, 0);  // HH_CLOSE_ALL
}

Rtl::THandle Viewer(unsigned timeoutMs) { return GuiSupport::WaitForWindow(GetCurrentProcessId(), L"HH Parent", L"", timeoutMs); }

// The message of what `action` raises.
template <class F>
std::string RaisedMessage(F action) {
  try {
    action();
  } catch (const Rtl::Exception& e) {
    return Narrow(e.Message());
  }
  return "";
}

// Watches for the error dialog, notes it and presses OK.
GuiSupport::TDialogWatcher ErrorWatcher() {
  return GuiSupport::TDialogWatcher(GetCurrentProcessId(),
                                    [](const GuiSupport::TDialog& d) { GuiSupport::ClickButton(d, L"OK"); });
}

class HtmlHelp : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // The program's own help file, beside it.
    TestSupport::WriteHelpFile(Qd::THtmlHelp::GetHelpFileName(),
                               {{"intro.htm", "<html><body>Intro</body></html>"},
                                {"files.htm", "<html><body>Files</body></html>"}});
    Qd::THtmlHelp::CheckHelp();
  }
  void TearDown() override {
    CloseViewers();
    Qd::Help()->SetCopyContext(false);
  }
  Qd::THtmlHelp& Help() { return *Qd::Help(); }
};

TEST_F(HtmlHelp, NamesFollowTheExecutable) {
  const std::wstring exe = Rtl::GetModuleFileName();
  EXPECT_EQ(Qd::THtmlHelp::GetHelpFileName(), exe.substr(0, exe.size() - 4) + L".chm");
  EXPECT_EQ(Help().GetFileName(), Qd::THtmlHelp::GetHelpFileName());
  const std::wstring help = Qd::ApplicationRootDir() + L"\\..\\..\\Help\\";
  EXPECT_EQ(Help().GetDefaultTopicFile(), help + L"DefaultTopic.htm");
  // The extension goes on the page, once, and the anchor stays out of it.
  EXPECT_EQ(Qd::THtmlHelp::GetTopicFileName(L"intro#details"), help + L"intro.htm");
  EXPECT_EQ(Qd::THtmlHelp::GetTopicFileName(L"intro.htm"), help + L"intro.htm");
  EXPECT_EQ(Qd::THtmlHelp::GetTopicFileName(L"sub\\page.HTM#a"), help + L"sub\\page.HTM");
  std::wstring url, anchor;
  Qd::THtmlHelp::ParseTopic(L"a#b#c", url, anchor);
  EXPECT_EQ(url, L"a");
  EXPECT_EQ(anchor, L"b#c");
  Qd::THtmlHelp::ParseTopic(L"plain", url, anchor);
  EXPECT_EQ(url, L"plain");
  EXPECT_EQ(anchor, L"");
  EXPECT_EQ(Help().GetParentHandle(), 0u);
  EXPECT_EQ(Help().GetReportFileName(), Qd::ApplicationRootDir() + L"\\helpout.txt");
}

// Contexts are entries of a table, never addresses: each text once, above
// 0xFFFF; a context that names no entry is a number.
TEST_F(HtmlHelp, TopicContextsNameEntriesOfATable) {
  EXPECT_EQ(Qd::THtmlHelp::TopicToContext(L""), 0);
  const Rtl::THelpContext intro = Qd::THtmlHelp::TopicToContext(L"intro");
  EXPECT_GT(intro, 0xFFFF);
  EXPECT_EQ(Qd::THtmlHelp::TopicToContext(L"intro"), intro);
  const Rtl::THelpContext files = Qd::THtmlHelp::TopicToContext(L"files#top");
  EXPECT_NE(files, intro);
  std::wstring topic;
  ASSERT_TRUE(Qd::THtmlHelp::ContextToTopic(files, topic));
  EXPECT_EQ(topic, L"files#top");
  EXPECT_FALSE(Qd::THtmlHelp::ContextToTopic(0x7FFFFFFF, topic));
  EXPECT_FALSE(Qd::THtmlHelp::ContextToTopic(42, topic));
}

TEST_F(HtmlHelp, NumericAndUnknownContextsRaiseAndShowNothing) {
  const std::string message = "Help context value is an integer value. HTMLHelp requires a string value.";
  bool callHelp = true;
  for (const std::intptr_t data : {std::intptr_t{1}, std::intptr_t{0xFFFF}, std::intptr_t{-5}}) {
    EXPECT_EQ(RaisedMessage([&] { Help().HelpHook(1, data, callHelp); }), message) << data;
  }
  for (const std::intptr_t data : {std::intptr_t{1}, std::intptr_t{0xFFFF}}) {
    EXPECT_EQ(RaisedMessage([&] { Help().HelpHook(0x101, data, callHelp); }), message) << data;
    EXPECT_EQ(RaisedMessage([&] { Help().HelpHook(0x102, data, callHelp); }), message) << data;
  }
  // Above 0xFFFF but no entry: never read as an address.
  EXPECT_EQ(RaisedMessage([&] { Help().HelpHook(1, 0x7FFFFFF0, callHelp); }), message);
  EXPECT_EQ(RaisedMessage([&] { Rtl::Application->HelpContext(0x7FFFFFF0); }), message);
  EXPECT_TRUE(callHelp);
  // Data 0 and other commands are left alone, and count as handled.
  EXPECT_TRUE(Help().HelpHook(1, 0, callHelp));
  EXPECT_TRUE(Help().HelpHook(0x0B, 5, callHelp));
  EXPECT_TRUE(callHelp);
  EXPECT_EQ(Viewer(500), 0u);
}

// A second help object takes the application's help request over and
// gives it back when it goes.
TEST_F(HtmlHelp, HelpObjectGivesTheApplicationItsHandlerBack) {
  // Only the program's help object copies the page to the clipboard.
  Help().SetCopyContext(true);
  Rtl::TClipboard::SetAsText(L"none");
  {
    Qd::THtmlHelp second;
    EXPECT_EQ(second.GetMapCount(), 0);
    EXPECT_TRUE(Rtl::Application->HelpKeyword(L"intro#second"));
    EXPECT_NE(Viewer(30000), 0u);
    EXPECT_EQ(Rtl::TClipboard::AsText(), L"none");
    CloseViewers();
  }
  EXPECT_TRUE(Rtl::Application->HelpKeyword(L"intro#first"));
  EXPECT_EQ(Rtl::TClipboard::AsText(), L"intro.htm#first");
}

// Each command opens the viewer on the topic; a mapped key (0x102) marks
// its mapping used.
TEST_F(HtmlHelp, EachCommandShowsItsTopicInTheViewer) {
  // Through the application's help request, which the help object hooks.
  EXPECT_TRUE(Rtl::Application->HelpContext(Qd::THtmlHelp::TopicToContext(L"intro#details")));
  const Rtl::THandle viewer = Viewer(30000);
  ASSERT_NE(viewer, 0u);
  CloseViewers();
  EXPECT_TRUE(GuiSupport::WaitUntilGone(viewer, 10000));

  EXPECT_TRUE(Rtl::Application->HelpKeyword(L"files"));
  EXPECT_NE(Viewer(30000), 0u);
  CloseViewers();

  // No topic: the help file itself.
  Qd::THtmlHelp::ViewTopic(L"");
  EXPECT_NE(Viewer(30000), 0u);
  CloseViewers();

  Rtl::TMainMenu menu;
  Help().MapMenu(menu, {{L"HelpKeyMapped", L"files#mapped"}});
  int index = -1;
  for (int i = 0; i < Help().GetMapCount(); ++i)
    if (Help().GetMap(i)->GetItem() == L"HelpKeyMapped") index = i;
  ASSERT_GE(index, 0);
  EXPECT_FALSE(Help().GetMap(index)->GetUsed());
  const std::wstring key = L"helpkeymapped";  // keys ignore case
  bool callHelp = true;
  EXPECT_TRUE(Help().HelpHook(0x102, reinterpret_cast<std::intptr_t>(key.c_str()), callHelp));
  EXPECT_FALSE(callHelp);
  EXPECT_TRUE(Help().GetMap(index)->GetUsed());
  EXPECT_NE(Viewer(30000), 0u);
}

TEST_F(HtmlHelp, CopyContextPutsThePageOnTheClipboard) {
  Rtl::TClipboard::SetAsText(L"before");
  Qd::THtmlHelp::ViewTopic(L"intro");
  EXPECT_EQ(Rtl::TClipboard::AsText(), L"before");
  Help().SetCopyContext(true);
  Qd::THtmlHelp::ViewTopic(L"intro#details");
  EXPECT_EQ(Rtl::TClipboard::AsText(), L"intro.htm#details");
  Qd::THtmlHelp::ViewTopic(L"files.htm");
  EXPECT_EQ(Rtl::TClipboard::AsText(), L"files.htm");
}

TEST_F(HtmlHelp, MissingHelpFileIsReportedWithoutViewer) {
  TestSupport::TTempDir dir;
  const std::wstring missing = dir / L"none.chm";
  auto watcher = ErrorWatcher();
  Qd::THtmlHelp::ViewTopic(missing, L"intro", 0, false);
  const GuiSupport::TDialog& dialog = watcher.Result();
  ASSERT_TRUE(dialog.Found);
  EXPECT_EQ(dialog.Caption, L"Error");
  EXPECT_EQ(dialog.Texts, std::vector<std::wstring>{L"Help file \"" + missing + L"\" does not exist"});
  EXPECT_EQ(dialog.Buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_EQ(Viewer(500), 0u);
}

// Wine's viewer opens a window for any topic of a valid file: a file that
// is no help file stands for the topic the viewer can't show.
TEST_F(HtmlHelp, TopicTheViewerCannotShowIsReported) {
  TestSupport::TTempDir dir;
  const std::wstring bogus = dir / L"bogus.chm";
  TestSupport::WriteFile(bogus, "this is no help file");
  auto watcher = ErrorWatcher();
  Qd::THtmlHelp::ViewTopic(bogus, L"intro#part", 0, false);
  const GuiSupport::TDialog& dialog = watcher.Result();
  ASSERT_TRUE(dialog.Found);
  EXPECT_EQ(dialog.Texts,
            std::vector<std::wstring>{L"Unknown topic: " + bogus + L"->" + bogus + L"::/intro.htm#part"});
  EXPECT_EQ(Viewer(500), 0u);
}

// A separator keeps its sub-items from the mapping; named items get the
// context of their mapped topic (or of their name); unnamed ones none.
TEST_F(HtmlHelp, MenuItemsGetTheContextsOfTheirTopics) {
  Rtl::TMainMenu menu;
  Rtl::TMenuItem& edit = menu.Items().Add(L"EditMenu", L"&Edit");
  Rtl::TMenuItem& copy = edit.Add(L"EditCopy", L"&Copy");
  Rtl::TMenuItem& unnamed = edit.Add(L"", L"Unnamed");
  Rtl::TMenuItem& line = edit.Add(L"EditLine", L"-");
  Rtl::TMenuItem& hidden = line.Add(L"EditHidden", L"Hidden");
  Rtl::TMenuItem& deep = unnamed.Add(L"EditDeep", L"Deep");
  Help().MapMenu(menu, {{L"EditCopy", L"files#copy"}, {L"EditMenu", L"intro"}});
  std::wstring topic;
  ASSERT_TRUE(Qd::THtmlHelp::ContextToTopic(edit.HelpContext(), topic));
  EXPECT_EQ(topic, L"intro");
  ASSERT_TRUE(Qd::THtmlHelp::ContextToTopic(copy.HelpContext(), topic));
  EXPECT_EQ(topic, L"files#copy");
  ASSERT_TRUE(Qd::THtmlHelp::ContextToTopic(deep.HelpContext(), topic));
  EXPECT_EQ(topic, L"EditDeep");
  EXPECT_EQ(unnamed.HelpContext(), 0);
  EXPECT_EQ(line.HelpContext(), 0);
  EXPECT_EQ(hidden.HelpContext(), 0);
  EXPECT_EQ(RaisedMessage([&] { Help().CheckTopic(L""); }), "No topic value");
  EXPECT_EQ(RaisedMessage([&] { Help().MapTopic(L""); }), "No topic value");
  EXPECT_EQ(Help().MapTopic(L"unmapped key"), L"unmapped key");
}

// The help author's run in a program of its own: pages from the template,
// the "Added" boxes, and the report written at the units' shutdown after
// the application object has gone.
TEST_F(HtmlHelp, PagesFromTheTemplateAndTheReport) {
  TestSupport::TTempDir root;
  const std::wstring dir = root / L"a\\b";
  TestSupport::MakeDir(dir);
  TestSupport::MakeDir(root / L"Help");
  const std::string pageTemplate = "<html><body>New topic</body></html>";
  TestSupport::WriteFile(root / L"Help\\DefaultTopic.htm", pageTemplate);
  TestSupport::WriteFile(root / L"Help\\intro.htm", "old");  // exists: no page, no box
  const std::wstring probe = dir + L"\\qdhtmlhelp_probe.exe";
  ASSERT_TRUE(CopyFileW((Rtl::ExtractFilePath(Rtl::GetModuleFileName()) + L"qdhtmlhelp_probe.exe").c_str(),
                        probe.c_str(), FALSE));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + probe + L"\"";
  ASSERT_TRUE(CreateProcessW(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                             &startup, &process));
  std::vector<std::wstring> added;
  while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
    GuiSupport::TMessageBoxCloser closer(process.dwProcessId, 2000);
    const GuiSupport::TMessageBox& box = closer.Result();
    if (box.Found) added.insert(added.end(), box.Texts.begin(), box.Texts.end());
  }
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u);

  const std::wstring help = dir + L"\\..\\..\\Help\\";
  EXPECT_EQ(added, (std::vector<std::wstring>{L"Added " + help + L"files.htm", L"Added " + help + L"FileExit.htm"}));
  EXPECT_EQ(ReadBytes(root / L"Help\\files.htm"), pageTemplate);
  EXPECT_EQ(ReadBytes(root / L"Help\\FileExit.htm"), pageTemplate);
  EXPECT_EQ(ReadBytes(root / L"Help\\intro.htm"), "old");
  // Topics that lead out of the folder make no page anywhere.
  EXPECT_FALSE(TestSupport::Exists(root / L"outside.htm"));
  EXPECT_FALSE(TestSupport::Exists(L"C:\\rooted.htm"));
  EXPECT_EQ(ReadBytes(dir + L"\\helpout.txt"),
            "// Created topic files\r\n"
            "FileExit.htm\r\n"
            "files.htm\r\n"
            "\r\n"
            "// Unused maps\r\n"
            "apple=fruit.htm\r\n"
            "Zebra=animals\r\n");
}

}  // namespace
