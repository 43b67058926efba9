// Message dialogs as a user sees them, with real windows: what each type
// and set of buttons shows, each button pressed by a click and by the
// keyboard, the Help button with the help viewer, placement and a message
// longer than the screen.
#include <gtest/gtest.h>

#include <memory>

#include "GuiSupport.h"
#include "HelpFile.h"
#include "QdHtmlHelp.h"
#include "QdUtils.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"
#include "runtime/Toolkit/Forms.h"

namespace {

using GuiSupport::TDialog;
using GuiSupport::TDialogWatcher;
using Rtl::TMsgDlgButtons;
using TestSupport::Narrow;

HWND Hwnd(Rtl::THandle handle) { return reinterpret_cast<HWND>(handle); }

// One application object for the whole program (the help object hooks it).
::testing::Environment* const APPLICATION_C =
    ::testing::AddGlobalTestEnvironment(new GuiSupport::TApplicationEnvironment);

const TMsgDlgButtons ALL_BUTTONS_C = TMsgDlgButtons::All();

TDialogWatcher Watch(TDialogWatcher::TAction action) {
  return TDialogWatcher(GetCurrentProcessId(), std::move(action));
}

TDialogWatcher Click(const std::wstring& caption) {
  return Watch([caption](const TDialog& d) { GuiSupport::ClickButton(d, caption); });
}

TDialogWatcher Key(std::uint16_t key, bool alt = false) {
  return Watch([key, alt](const TDialog& d) {
    GuiSupport::BringToFront(d.Window);
    GuiSupport::PressKey(key, alt);
  });
}

// A key that does nothing, then the close box.
TDialogWatcher KeyThenClose(std::uint16_t key) {
  return Watch([key](const TDialog& d) {
    GuiSupport::BringToFront(d.Window);
    GuiSupport::PressKey(key);
    Sleep(300);
    GuiSupport::CloseWindow(d);
  });
}

Rtl::THandle Icon(Rtl::TSystemIcon icon) { return Rtl::TImage::SystemIconHandle(icon); }

TEST(MessageDlg, EachTypeShowsItsCaptionIconAndTheButtonsInTheirOrder) {
  struct TCase {
    Rtl::TMsgDlgType Type;
    TMsgDlgButtons Buttons;
    std::wstring Caption;
    Rtl::TSystemIcon Icon;
    std::vector<std::wstring> Shown;
  };
  const TCase CASES_C[] = {
      {Rtl::mtWarning, {Rtl::mbOK}, L"Warning", Rtl::siWarning, {L"OK"}},
      {Rtl::mtError, {Rtl::mbIgnore, Rtl::mbRetry, Rtl::mbAbort}, L"Error", Rtl::siError,
       {L"&Abort", L"&Retry", L"&Ignore"}},
      {Rtl::mtInformation, {Rtl::mbClose, Rtl::mbOK, Rtl::mbCancel}, L"Information", Rtl::siInformation,
       {L"OK", L"Cancel", L"&Close"}},
      {Rtl::mtConfirmation, ALL_BUTTONS_C, L"Confirm", Rtl::siQuestion,
       {L"&Yes", L"&No", L"OK", L"Cancel", L"&Abort", L"&Retry", L"&Ignore", L"A&ll", L"N&o to All",
        L"Y&es to All", L"&Help", L"&Close"}},
  };
  // With QD_SCREENSHOTS set to a folder, each dialog is saved there as seen.
  wchar_t shots[MAX_PATH] = {};
  const bool saveShots = GetEnvironmentVariableW(L"QD_SCREENSHOTS", shots, MAX_PATH) > 0;
  for (const TCase& c : CASES_C) {
    auto watcher = Watch([&](const TDialog& d) {
      if (saveShots) GuiSupport::SaveScreenshot(d.Window, std::wstring(shots) + L"\\" + c.Caption + L".bmp");
      GuiSupport::ClickButton(d, c.Shown.front());
    });
    Qd::TMessageDlg::Show(L"The message of " + c.Caption, c.Type, c.Buttons);
    const TDialog& dialog = watcher.Result();
    ASSERT_TRUE(dialog.Found) << Narrow(c.Caption);
    EXPECT_EQ(dialog.Caption, c.Caption);
    EXPECT_EQ(dialog.Icon, Icon(c.Icon));
    EXPECT_NE(dialog.Icon, 0u);
    EXPECT_EQ(dialog.Texts, std::vector<std::wstring>{L"The message of " + c.Caption});
    EXPECT_EQ(dialog.Buttons, c.Shown);
    // Centred on the work area.
    EXPECT_NEAR(dialog.Rect.Left + dialog.Rect.Width() / 2, dialog.Work.Left + dialog.Work.Width() / 2, 1);
    EXPECT_NEAR(dialog.Rect.Top + dialog.Rect.Height() / 2, dialog.Work.Top + dialog.Work.Height() / 2, 1);
  }
}

TEST(MessageDlg, EveryButtonGivesItsResultWhenClicked) {
  const std::pair<std::wstring, int> BUTTONS_C[] = {
      {L"&Yes", 6},  {L"&No", 7},      {L"OK", 1},  {L"Cancel", 2},       {L"&Abort", 3},       {L"&Retry", 4},
      {L"&Ignore", 5}, {L"A&ll", 12}, {L"N&o to All", 13}, {L"Y&es to All", 14}, {L"&Close", 8},
  };
  for (const auto& [caption, result] : BUTTONS_C) {
    auto watcher = Click(caption);
    EXPECT_EQ(Qd::TMessageDlg::Show(L"Press " + caption, Rtl::mtConfirmation, ALL_BUTTONS_C), result)
        << Narrow(caption);
    EXPECT_TRUE(watcher.Result().Found);
    EXPECT_EQ(Rtl::ModalResultOf(Rtl::mbHelp), Rtl::mrNone);
  }
}

// Enter presses the default button (OK, else Yes, else the first), Escape
// Cancel, else No, else OK; an accelerator its button, with Alt or without.
TEST(MessageDlg, KeysPressTheirButtons) {
  struct TCase {
    TMsgDlgButtons Buttons;
    std::uint16_t Key;
    bool Alt;
    int Result;
    std::wstring Focused;
  };
  const TCase CASES_C[] = {
      {{Rtl::mbYes, Rtl::mbNo, Rtl::mbOK, Rtl::mbCancel}, VK_RETURN, false, Rtl::mrOk, L"OK"},
      {{Rtl::mbYes, Rtl::mbNo, Rtl::mbCancel}, VK_RETURN, false, Rtl::mrYes, L"&Yes"},
      {{Rtl::mbAbort, Rtl::mbRetry, Rtl::mbIgnore}, VK_RETURN, false, Rtl::mrAbort, L"&Abort"},
      {{Rtl::mbYes, Rtl::mbNo, Rtl::mbOK, Rtl::mbCancel}, VK_ESCAPE, false, Rtl::mrCancel, L"OK"},
      {{Rtl::mbYes, Rtl::mbNo}, VK_ESCAPE, false, Rtl::mrNo, L"&Yes"},
      {{Rtl::mbOK, Rtl::mbClose}, VK_ESCAPE, false, Rtl::mrOk, L"OK"},
      {{Rtl::mbAbort, Rtl::mbRetry, Rtl::mbIgnore}, 'R', true, Rtl::mrRetry, L"&Abort"},
      {{Rtl::mbAbort, Rtl::mbRetry, Rtl::mbIgnore}, 'I', false, Rtl::mrIgnore, L"&Abort"},
      {{Rtl::mbYes, Rtl::mbNo, Rtl::mbNoToAll}, 'N', true, Rtl::mrNo, L"&Yes"},
      {{Rtl::mbNo, Rtl::mbYes, Rtl::mbOK}, 'Y', false, Rtl::mrYes, L"OK"},
      {{Rtl::mbOK, Rtl::mbAbort, Rtl::mbRetry}, 'A', true, Rtl::mrAbort, L"OK"},
      {{Rtl::mbYes, Rtl::mbNo, Rtl::mbNoToAll}, 'O', false, Rtl::mrNoToAll, L"&Yes"},
      {ALL_BUTTONS_C - TMsgDlgButtons{Rtl::mbHelp}, 'L', true, Rtl::mrAll, L"OK"},
      {ALL_BUTTONS_C - TMsgDlgButtons{Rtl::mbHelp}, 'E', true, Rtl::mrYesToAll, L"OK"},
      {ALL_BUTTONS_C - TMsgDlgButtons{Rtl::mbHelp}, 'C', true, Rtl::mrClose, L"OK"},
  };
  for (const TCase& c : CASES_C) {
    auto watcher = Key(c.Key, c.Alt);
    EXPECT_EQ(Qd::TMessageDlg::Show(L"Keys", Rtl::mtInformation, c.Buttons), c.Result) << c.Key;
    EXPECT_EQ(watcher.Result().Focused, c.Focused) << c.Key;
  }
}

TEST(MessageDlg, CloseBoxAndEscapeWithoutCancelButton) {
  // No Cancel, No or OK: Escape does nothing; the close box gives Cancel.
  {
    auto watcher = KeyThenClose(VK_ESCAPE);
    EXPECT_EQ(Qd::TMessageDlg::Show(L"Escape", Rtl::mtError, {Rtl::mbAbort, Rtl::mbRetry}), Rtl::mrCancel);
    EXPECT_TRUE(watcher.Result().Found);
  }
  // The Yes/No confirmation is true only for Yes.
  {
    auto watcher = Watch([](const TDialog& d) { GuiSupport::CloseWindow(d); });
    EXPECT_FALSE(Qd::TMessageDlg::Confirm(L"Closed?"));
    EXPECT_EQ(watcher.Result().Buttons, (std::vector<std::wstring>{L"&Yes", L"&No"}));
    EXPECT_EQ(watcher.Result().Caption, L"Confirm");
  }
  {
    auto watcher = Click(L"&No");
    EXPECT_FALSE(Qd::TMessageDlg::ConfirmFmt(L"Delete %d files?", {3}));
    EXPECT_EQ(watcher.Result().Texts, std::vector<std::wstring>{L"Delete 3 files?"});
  }
  {
    auto watcher = Click(L"&Yes");
    EXPECT_TRUE(Qd::TMessageDlg::Confirm(L"Yes?"));
  }
  {
    auto watcher = Click(L"N&o to All");
    EXPECT_EQ(Qd::TMessageDlg::Confirm(L"Which?", {Rtl::mbYes, Rtl::mbNoToAll}, L""), Rtl::mrNoToAll);
  }
}

// The OK-only forms show their type and message; their Boolean is false
// for OK.
TEST(MessageDlg, ErrorWarningAndInformation) {
  {
    auto watcher = Click(L"OK");
    EXPECT_FALSE(Qd::TMessageDlg::Error(Rtl::EConvertError(L"Bad number")));
    EXPECT_EQ(watcher.Result().Caption, L"Error");
    EXPECT_EQ(watcher.Result().Texts, std::vector<std::wstring>{L"Bad number"});
    EXPECT_EQ(watcher.Result().Buttons, std::vector<std::wstring>{L"OK"});
  }
  {
    auto watcher = Click(L"OK");
    EXPECT_FALSE(Qd::TMessageDlg::WarningFmt(L"%s is low", {L"Disk space"}));
    EXPECT_EQ(watcher.Result().Caption, L"Warning");
    EXPECT_EQ(watcher.Result().Texts, std::vector<std::wstring>{L"Disk space is low"});
  }
  {
    auto watcher = Key(VK_RETURN);
    EXPECT_FALSE(Qd::TMessageDlg::InformationFmt(L"%d of %d", {1, 2}));
    EXPECT_EQ(watcher.Result().Caption, L"Information");
    EXPECT_EQ(watcher.Result().Texts, std::vector<std::wstring>{L"1 of 2"});
  }
  EXPECT_EQ(Qd::waitCursorCount(), 0);
}

TEST(MessageDlg, WrongFormatArgumentsRaiseBeforeAnyWindow) {
  EXPECT_THROW(Qd::TMessageDlg::ShowFmt(L"%d items", {L"text"}, Rtl::mtWarning, {Rtl::mbOK}), Rtl::EConvertError);
  EXPECT_THROW(Qd::TMessageDlg::ShowFmt(L"%s and %s", {L"one"}, Rtl::mtWarning, {Rtl::mbOK}), Rtl::EConvertError);
  EXPECT_THROW(Qd::TMessageDlg::ConfirmFmt(L"%d", {L"x"}), Rtl::EConvertError);
  EXPECT_EQ(GuiSupport::WaitForWindow(GetCurrentProcessId(), L"TMessageForm", L"", 300), 0u);
}

// A message longer than the screen scrolls in the dialog, which keeps to
// the work area; every line is there.
TEST(MessageDlg, LongMessageFitsTheWorkArea) {
  std::wstring message;
  for (int i = 1; i <= 200; ++i) message += L"Line " + std::to_wstring(i) + L" of a long message\r\n";
  message += L"The end";
  auto watcher = Click(L"OK");
  Qd::TMessageDlg::Show(message, Rtl::mtInformation, {Rtl::mbOK});
  const TDialog& dialog = watcher.Result();
  ASSERT_TRUE(dialog.Found);
  EXPECT_GE(dialog.Rect.Left, dialog.Work.Left);
  EXPECT_GE(dialog.Rect.Top, dialog.Work.Top);
  EXPECT_LE(dialog.Rect.Right, dialog.Work.Right);
  EXPECT_LE(dialog.Rect.Bottom, dialog.Work.Bottom);
  EXPECT_EQ(dialog.Texts, std::vector<std::wstring>{message});
  EXPECT_EQ(dialog.Buttons, std::vector<std::wstring>{L"OK"});

  // A long line wraps.
  const std::wstring wide(2000, L'w');
  auto second = Click(L"OK");
  Qd::TMessageDlg::Show(wide + L" end", Rtl::mtInformation, {Rtl::mbOK});
  EXPECT_LE(second.Result().Rect.Width(), second.Result().Work.Width());
}

// A help topic adds the Help button, which opens the topic in the viewer
// and leaves the dialog open; an empty topic adds none.
TEST(MessageDlg, HelpButtonShowsTheTopicAndTheDialogStays) {
  TestSupport::WriteHelpFile(Qd::THtmlHelp::GetHelpFileName(), {{"intro.htm", "<p>Intro</p>"}});
  Qd::THtmlHelp::CheckHelp();
  {
    auto watcher = Click(L"&Yes");
    Qd::TMessageDlg::Show(L"No help", Rtl::mtConfirmation, {Rtl::mbYes, Rtl::mbNo}, L"");
    EXPECT_EQ(watcher.Result().Buttons, (std::vector<std::wstring>{L"&Yes", L"&No"}));
  }
  Rtl::THandle viewer = 0;
  bool openAfterHelp = false;
  auto watcher = Watch([&](const TDialog& d) {
    GuiSupport::ClickButton(d, L"&Help");
    viewer = GuiSupport::WaitForWindow(GetCurrentProcessId(), L"HH Parent", L"", 30000);
    Sleep(200);
    openAfterHelp = IsWindow(Hwnd(d.Window)) && IsWindowVisible(Hwnd(d.Window));
    // The viewer goes; the dialog still answers.
    PostMessageW(Hwnd(viewer), WM_CLOSE, 0, 0);
    GuiSupport::WaitUntilGone(viewer, 10000);
    GuiSupport::ClickButton(d, L"&No");
  });
  EXPECT_EQ(Qd::TMessageDlg::Show(L"With help", Rtl::mtConfirmation, {Rtl::mbYes, Rtl::mbNo}, L"intro#part"),
            Rtl::mrNo);
  EXPECT_EQ(watcher.Result().Buttons, (std::vector<std::wstring>{L"&Yes", L"&No", L"&Help"}));
  EXPECT_NE(viewer, 0u);
  EXPECT_TRUE(openAfterHelp);
}

}  // namespace
