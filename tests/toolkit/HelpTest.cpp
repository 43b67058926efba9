// The application's help request: raised in code, by F1 over a control or
// a form, and by F1 over the highlighted item of an open menu; menus built
// in code and the clipboard's text.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "GuiSupport.h"
#include "runtime/System/Win32.h"
#include "runtime/Toolkit/Clipboard.h"
#include "runtime/Toolkit/Forms.h"
#include "tools/FormText.h"

namespace {

HWND Hwnd(Rtl::THandle handle) { return reinterpret_cast<HWND>(handle); }

class THelpForm : public Rtl::TForm {
  RTL_CLASS(THelpForm, Rtl::TForm)
public:
  Rtl::TButton* Go = nullptr;
  Rtl::TButton* Plain = nullptr;

protected:
  void DeclareMembers(Rtl::TFormMembers& members) override {
    members.Field(L"Go", Go);
    members.Field(L"Plain", Plain);
  }
};

const char* const HELP_FORM_C = R"(
object HelpForm: THelpForm
  Left = 40
  Top = 40
  Caption = 'Help Window'
  ClientWidth = 300
  ClientHeight = 200
  HelpContext = 5
  object Go: TButton
    Left = 10
    Top = 10
    Width = 75
    Height = 25
    Caption = '&Go'
    HelpContext = 77
    TabOrder = 0
  end
  object Plain: TButton
    Left = 100
    Top = 10
    Width = 75
    Height = 25
    Caption = 'Plain'
    TabOrder = 1
  end
end
)";

struct TRequest {
  std::uint16_t Command;
  std::intptr_t Data;
  std::wstring Text;
};

class Help : public ::testing::Test {
protected:
  void SetUp() override {
    FApplication.OnHelp = [this](std::uint16_t command, std::intptr_t data, bool& callHelp) {
      EXPECT_TRUE(callHelp);
      FRequests.push_back({command, data, command == Rtl::HELP_CONTEXT_C ? L"" : reinterpret_cast<const wchar_t*>(data)});
      callHelp = false;
      return true;
    };
    const std::vector<std::uint8_t> bytes = FormTools::ConvertFormText(HELP_FORM_C);
    Rtl::TBytesStream stream(Rtl::TBytes(bytes.begin(), bytes.end()));
    FForm.LoadFromStream(stream);
    FForm.Show();
  }

  // Runs the application's message handling for a while, as its loop does.
  void Pump(unsigned ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) FApplication.ProcessMessage(&message);
      Sleep(10);
    }
  }

  Rtl::TApplication FApplication;
  THelpForm FForm;
  std::vector<TRequest> FRequests;
};

TEST_F(Help, RaisedInCodeReachesTheHandler) {
  EXPECT_TRUE(FApplication.HelpContext(1234));
  EXPECT_TRUE(FApplication.HelpKeyword(L"a key"));
  EXPECT_TRUE(FApplication.HelpCommand(Rtl::HELP_COMMAND_C, reinterpret_cast<std::intptr_t>(L"a command")));
  ASSERT_EQ(FRequests.size(), 3u);
  EXPECT_EQ(FRequests[0].Command, 1);
  EXPECT_EQ(FRequests[0].Data, 1234);
  EXPECT_EQ(FRequests[1].Command, 0x101);
  EXPECT_EQ(FRequests[1].Text, L"a key");
  EXPECT_EQ(FRequests[2].Command, 0x102);
  EXPECT_EQ(FRequests[2].Text, L"a command");
  FApplication.OnHelp = nullptr;
  EXPECT_FALSE(FApplication.HelpContext(1));
}

// F1 asks for the focused control's context, else the form's.
TEST_F(Help, F1RaisesTheContextOfTheFocusedControl) {
  GuiSupport::BringToFront(FForm.Handle());
  SetFocus(Hwnd(FForm.Go->Handle()));
  GuiSupport::PressKey(VK_F1);
  Pump(500);
  SetFocus(Hwnd(FForm.Plain->Handle()));
  GuiSupport::PressKey(VK_F1);
  Pump(500);
  ASSERT_EQ(FRequests.size(), 2u);
  EXPECT_EQ(FRequests[0].Command, 1);
  EXPECT_EQ(FRequests[0].Data, 77);
  EXPECT_EQ(FRequests[1].Data, 5);
  EXPECT_EQ(Rtl::HelpContextOfWindow(FForm.Go->Handle()), 77);
  EXPECT_EQ(Rtl::HelpContextOfWindow(FForm.Handle()), 5);
  EXPECT_EQ(Rtl::HelpContextOfWindow(0), 0);
}

// The menu bar shows the items built in code; a choice fires the item; F1
// over a highlighted item asks for its context.
TEST_F(Help, MenuItemsAreChosenAndAskForTheirHelp) {
  Rtl::TMainMenu menu;
  Rtl::TMenuItem& file = menu.Items().Add(L"FileMenu", L"&File", 10);
  Rtl::TMenuItem& open = file.Add(L"FileOpen", L"&Open", 11);
  file.Add(L"", L"-");
  Rtl::TMenuItem& exit = file.Add(L"FileExit", L"E&xit", 12);
  int opened = 0;
  open.OnClick = [&opened](Rtl::TObject*) { ++opened; };
  EXPECT_EQ(file.Count(), 3);
  EXPECT_TRUE(file.Items(1)->IsLine());
  EXPECT_EQ(exit.Parent(), &file);
  EXPECT_EQ(menu.Items().FindCommand(exit.Command()), &exit);
  EXPECT_THROW(file.Items(3), Rtl::EListError);
  FForm.SetMenu(&menu);

  HMENU bar = GetMenu(Hwnd(FForm.Handle()));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  HMENU sub = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(sub), 3);
  wchar_t text[32] = {};
  GetMenuStringW(sub, 2, text, 32, MF_BYPOSITION);
  EXPECT_STREQ(text, L"E&xit");
  EXPECT_EQ(GetMenuState(sub, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));

  // Chosen from the keyboard: Alt+F opens File, Enter chooses Open.
  GuiSupport::BringToFront(FForm.Handle());
  std::thread keys([] {
    Sleep(300);
    GuiSupport::PressKey('F', true);
    Sleep(500);
    GuiSupport::PressKey(VK_RETURN);
  });
  Pump(2000);
  keys.join();
  EXPECT_EQ(opened, 1);

  // F1 over Exit (Down skips the separator), then Escape twice.
  std::thread help([] {
    Sleep(300);
    GuiSupport::PressKey('F', true);
    Sleep(500);
    GuiSupport::PressKey(VK_DOWN);
    Sleep(300);
    GuiSupport::PressKey(VK_F1);
    Sleep(300);
    GuiSupport::PressKey(VK_ESCAPE);
    GuiSupport::PressKey(VK_ESCAPE);
  });
  Pump(3000);
  help.join();
  ASSERT_EQ(FRequests.size(), 1u);
  EXPECT_EQ(FRequests[0].Data, 12);
  EXPECT_EQ(Rtl::HighlightedMenuItem(), nullptr);
  FForm.SetMenu(nullptr);
  EXPECT_EQ(GetMenu(Hwnd(FForm.Handle())), nullptr);
}

TEST_F(Help, ClipboardKeepsText) {
  Rtl::TClipboard::SetAsText(L"Grüße \u4E2D\u6587 #1");
  EXPECT_EQ(Rtl::TClipboard::AsText(), L"Grüße \u4E2D\u6587 #1");
  Rtl::TClipboard::SetAsText(L"");
  EXPECT_EQ(Rtl::TClipboard::AsText(), L"");
}

}  // namespace
