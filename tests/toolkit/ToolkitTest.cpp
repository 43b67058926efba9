// The toolkit in this process, with real windows: forms built from their
// form stream, the memo's lines, colours, the global cursor, message boxes
// and handlers that raise.
#include <gtest/gtest.h>

#include <string>

#include "GuiSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/Toolkit/Forms.h"
#include "runtime/System/Win32.h"
#include "TestSupport.h"
#include "tools/FormText.h"

namespace {

using GuiSupport::TRect;
using TestSupport::Narrow;

HWND Hwnd(Rtl::THandle handle) { return reinterpret_cast<HWND>(handle); }

class TTestForm : public Rtl::TForm {
  RTL_CLASS(TTestForm, Rtl::TForm)
public:

  Rtl::TMemo* Log = nullptr;
  Rtl::TButton* Go = nullptr;
  int Created = 0;
  int Clicks = 0;
  Rtl::TObject* ClickSender = nullptr;
  bool Raise = false;

protected:
  void DeclareMembers(Rtl::TFormMembers& members) override {
    members.Field(L"Log", Log);
    members.Field(L"Go", Go);
    members.Method(L"FormCreate", [this](Rtl::TObject*) { ++Created; });
    members.Method(L"GoClick", [this](Rtl::TObject* sender) {
      ++Clicks;
      ClickSender = sender;
      if (Raise) throw Rtl::Exception(L"Go failed");
    });
  }
};

const char* const TEST_FORM_C = R"(
object TestForm: TTestForm
  Left = 10
  Top = 20
  Caption = 'Test Window'
  ClientWidth = 300
  ClientHeight = 200
  Color = clBtnFace
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Log: TMemo
    Left = 8
    Top = 8
    Width = 200
    Height = 100
    Color = clBtnFace
    ReadOnly = True
    TabOrder = 0
    TabStop = False
  end
  object Go: TButton
    Left = 210
    Top = 170
    Width = 75
    Height = 25
    Caption = '&Go'
    TabOrder = 2
    OnClick = GoClick
  end
  object Off: TButton
    Left = 130
    Top = 170
    Width = 75
    Height = 25
    Caption = 'Off'
    Enabled = False
    TabOrder = 1
  end
end
)";

void LoadText(Rtl::TForm& form, const std::string& text) {
  const std::vector<std::uint8_t> bytes = FormTools::ConvertFormText(text);
  Rtl::TBytesStream stream(Rtl::TBytes(bytes.begin(), bytes.end()));
  form.LoadFromStream(stream);
}

// The message of the exception that loading `text` raises.
std::string LoadError(TTestForm& form, const std::string& text) {
  try {
    LoadText(form, text);
  } catch (const Rtl::Exception& e) {
    return Narrow(e.Message());
  }
  return "";
}

class Toolkit : public ::testing::Test {
protected:
  Rtl::TApplication FApplication;
};

TEST_F(Toolkit, FormIsBuiltFromItsStreamWithItsControlsBound) {
  TTestForm form;
  LoadText(form, TEST_FORM_C);
  EXPECT_EQ(form.Created, 1);
  ASSERT_NE(form.Log, nullptr);
  ASSERT_NE(form.Go, nullptr);
  EXPECT_EQ(form.Log, form.FindControl(L"log"));
  EXPECT_EQ(form.Controls().size(), 3u);

  HWND window = Hwnd(form.Handle());
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(GuiSupport::ClassName(form.Handle()), L"TTestForm");
  EXPECT_EQ(GuiSupport::WindowText(form.Handle()), L"Test Window");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_EQ(GuiSupport::ScreenRect(form.Handle()).Left, 10);
  EXPECT_EQ(GuiSupport::ScreenRect(form.Handle()).Top, 20);

  const TRect log = GuiSupport::ClientPosition(form.Log->Handle());
  EXPECT_EQ(log.Left, 8);
  EXPECT_EQ(log.Top, 8);
  EXPECT_EQ(log.Width(), 200);
  EXPECT_EQ(log.Height(), 100);
  const LONG logStyle = GetWindowLongW(Hwnd(form.Log->Handle()), GWL_STYLE);
  EXPECT_TRUE(logStyle & ES_READONLY);
  EXPECT_TRUE(logStyle & ES_MULTILINE);
  EXPECT_FALSE(logStyle & WS_TABSTOP);
  EXPECT_FALSE(logStyle & (WS_VSCROLL | WS_HSCROLL));
  EXPECT_EQ(GuiSupport::WindowText(form.Go->Handle()), L"&Go");
  EXPECT_TRUE(GetWindowLongW(Hwnd(form.Go->Handle()), GWL_STYLE) & WS_TABSTOP);
  const Rtl::THandle off = GuiSupport::FindChild(form.Handle(), L"Button", L"Off");
  ASSERT_NE(off, 0u);
  EXPECT_FALSE(IsWindowEnabled(Hwnd(off)));

  // The windows follow the tab order, whatever the order in the stream.
  EXPECT_EQ(GuiSupport::Children(form.Handle()),
            (std::vector<Rtl::THandle>{form.Log->Handle(), off, form.Go->Handle()}));

  // Every control has the form's font.
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Hwnd(form.Log->Handle()), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"Tahoma");
  EXPECT_EQ(font.lfHeight, -11);

  // A click of the button reaches the form's method, with the button as sender.
  SendMessageW(Hwnd(form.Go->Handle()), BM_CLICK, 0, 0);
  EXPECT_EQ(form.Clicks, 1);
  EXPECT_EQ(form.ClickSender, form.Go);
  form.Go->Click();
  EXPECT_EQ(form.Clicks, 2);
  form.Go->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Hwnd(form.Go->Handle())));
  SendMessageW(Hwnd(form.Go->Handle()), BM_CLICK, 0, 0);
  EXPECT_EQ(form.Clicks, 2);

  // A form is loaded once.
  EXPECT_THROW(LoadText(form, TEST_FORM_C), Rtl::EInvalidOperation);
}

// A form designed at another resolution than the screen's is scaled to it.
TEST_F(Toolkit, FormDesignedAtAnotherResolutionIsScaled) {
  ASSERT_EQ(Rtl::Screen->PixelsPerInch(), 96);
  std::string text = TEST_FORM_C;
  text.replace(text.find("PixelsPerInch = 96"), 18, "PixelsPerInch = 48");
  TTestForm form;
  LoadText(form, text);
  RECT client;
  GetClientRect(Hwnd(form.Handle()), &client);
  EXPECT_EQ(client.right, 600);
  EXPECT_EQ(client.bottom, 400);
  const TRect log = GuiSupport::ClientPosition(form.Log->Handle());
  EXPECT_EQ((std::vector<int>{log.Left, log.Top, log.Width(), log.Height()}), (std::vector<int>{16, 16, 400, 200}));
  EXPECT_EQ(form.Font().Height, -22);
}

TEST_F(Toolkit, MemoKeepsItsOwnLines) {
  TTestForm form;
  LoadText(form, TEST_FORM_C);
  Rtl::TMemoLines& lines = form.Log->Lines();
  HWND edit = Hwnd(form.Log->Handle());
  // The edit window counts one line in an empty text; the memo none.
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_EQ(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 1);
  lines.Add(L"");
  EXPECT_EQ(lines.Count(), 1);
  EXPECT_EQ(lines[0], L"");
  EXPECT_EQ(GuiSupport::WindowText(form.Log->Handle()), L"");
  EXPECT_EQ(lines.Add(L"second"), 1);
  lines.Add(L"third");
  EXPECT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines.Strings(2), L"third");
  EXPECT_EQ(GuiSupport::WindowText(form.Log->Handle()), L"\r\nsecond\r\nthird");
  EXPECT_EQ(lines.Text(), L"\r\nsecond\r\nthird");
  try {
    lines.Strings(3);
    ADD_FAILURE() << "no error for index 3";
  } catch (const Rtl::EStringListError& e) {
    EXPECT_EQ(Narrow(e.Message()), "List index out of bounds (3)");
  }
  EXPECT_THROW(lines.Strings(-1), Rtl::EStringListError);
  lines.Clear();
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_EQ(GuiSupport::WindowText(form.Log->Handle()), L"");

  // Lines in the form stream are there from the start.
  TTestForm withLines;
  std::string text = TEST_FORM_C;
  text.insert(text.find("    ReadOnly"), "    Lines.Strings = (\n      'one'\n      'two')\n");
  LoadText(withLines, text);
  EXPECT_EQ(withLines.Log->Lines().Count(), 2);
  EXPECT_EQ(GuiSupport::WindowText(withLines.Log->Handle()), L"one\r\ntwo");
}

// A memo with ssAutoVertical shows its vertical bar exactly while its lines
// don't fit: as lines come and go and as the memo is sized.
TEST_F(Toolkit, AutomaticVerticalBarOnlyWhileTheLinesDoNotFit) {
  TTestForm form;
  std::string text = TEST_FORM_C;
  text.insert(text.find("    ReadOnly"), "    ScrollBars = ssAutoVertical\n");
  LoadText(form, text);
  HWND edit = Hwnd(form.Log->Handle());
  Rtl::TMemoLines& lines = form.Log->Lines();
  auto hasBar = [edit] { return (GetWindowLongW(edit, GWL_STYLE) & WS_VSCROLL) != 0; };
  auto firstVisible = [edit] { return SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0); };
  EXPECT_FALSE(hasBar());
  for (int i = 0; i < 3; ++i) lines.Add(L"Line " + std::to_wstring(i));
  EXPECT_FALSE(hasBar());

  for (int i = 3; i < 40; ++i) lines.Add(L"Line " + std::to_wstring(i));
  ASSERT_TRUE(hasBar());
  SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(GetScrollInfo(edit, SB_VERT, &info));
  EXPECT_EQ(info.nMax - info.nMin + 1, 40);
  EXPECT_LT(info.nPage, 40u);
  EXPECT_EQ(firstVisible(), 0);  // a growing list is read from its top
  SendMessageW(edit, WM_VSCROLL, SB_BOTTOM, 0);
  ASSERT_TRUE(GetScrollInfo(edit, SB_VERT, &info));
  EXPECT_EQ(info.nPos + static_cast<int>(info.nPage), 40);
  EXPECT_EQ(firstVisible(), info.nPos);

  // Tall enough for every line: no bar, and no line left above the top.
  form.Log->SetBounds(8, 8, 200, 1000);
  EXPECT_FALSE(hasBar());
  EXPECT_EQ(firstVisible(), 0);
  form.Log->SetBounds(8, 8, 200, 100);
  EXPECT_TRUE(hasBar());
  lines.Clear();
  EXPECT_FALSE(hasBar());

  // The other styles keep what they name.
  TTestForm always;
  text = TEST_FORM_C;
  text.insert(text.find("    ReadOnly"), "    ScrollBars = ssVertical\n");
  LoadText(always, text);
  EXPECT_TRUE(GetWindowLongW(Hwnd(always.Log->Handle()), GWL_STYLE) & WS_VSCROLL);
}

// A read-only edit asks its parent for the colours of a static control.
TEST_F(Toolkit, ReadOnlyMemoIsPaintedInItsOwnColour) {
  TTestForm form;
  LoadText(form, TEST_FORM_C);
  HDC dc = CreateCompatibleDC(nullptr);
  const LRESULT brush = SendMessageW(Hwnd(form.Handle()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     static_cast<LPARAM>(form.Log->Handle()));
  EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
  DeleteDC(dc);
}

TEST_F(Toolkit, GlobalCursorIsShownOverTheFormsWindows) {
  TTestForm form;
  LoadText(form, TEST_FORM_C);
  HWND edit = Hwnd(form.Log->Handle());
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  Rtl::Screen->SetCursor(Rtl::crHourGlass);
  EXPECT_EQ(Rtl::Screen->Cursor(), Rtl::crHourGlass);
  EXPECT_TRUE(SendMessageW(edit, WM_SETCURSOR, reinterpret_cast<WPARAM>(edit), overClient));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  Rtl::Screen->SetCursor(Rtl::crDefault);
  SendMessageW(edit, WM_SETCURSOR, reinterpret_cast<WPARAM>(edit), overClient);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_IBEAM));
}

TEST_F(Toolkit, HandlerThatRaisesIsReportedAndTheWindowGoesOn) {
  TTestForm form;
  LoadText(form, TEST_FORM_C);
  form.Raise = true;
  GuiSupport::TMessageBoxCloser closer(GetCurrentProcessId());
  SendMessageW(Hwnd(form.Go->Handle()), BM_CLICK, 0, 0);
  const GuiSupport::TMessageBox& box = closer.Result();
  ASSERT_TRUE(box.Found);
  EXPECT_EQ(box.Caption, L"test_toolkit");
  EXPECT_EQ(box.Texts, std::vector<std::wstring>{L"Go failed"});
  EXPECT_EQ(form.Clicks, 1);
  form.Raise = false;
  SendMessageW(Hwnd(form.Go->Handle()), BM_CLICK, 0, 0);
  EXPECT_EQ(form.Clicks, 2);
}

TEST_F(Toolkit, ShowMessageHasOneOkButtonCentredAndTheProgramsName) {
  EXPECT_EQ(FApplication.Title(), L"test_toolkit");
  GuiSupport::TMessageBoxCloser closer(GetCurrentProcessId());
  Rtl::ShowMessage(L"Hello");
  const GuiSupport::TMessageBox& box = closer.Result();
  ASSERT_TRUE(box.Found);
  EXPECT_EQ(box.Caption, L"test_toolkit");
  EXPECT_EQ(box.Texts, std::vector<std::wstring>{L"Hello"});
  EXPECT_EQ(box.Buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_NEAR(box.Rect.Left + box.Rect.Width() / 2, box.Work.Left + box.Work.Width() / 2, 1);
  EXPECT_NEAR(box.Rect.Top + box.Rect.Height() / 2, box.Work.Top + box.Work.Height() / 2, 1);
}

// The dialog keys of the message loop send the commands IDOK (Enter) and
// IDCANCEL (Escape) with the form's child of that id: no control may answer
// to them by the accident of its place in the tab order.
TEST_F(Toolkit, EnterAndEscapeFireNoButton) {
  std::string text = TEST_FORM_C;
  text.replace(text.find("TabOrder = 2"), 12, "TabOrder = 0");  // Go is second in tab order
  TTestForm form;
  LoadText(form, text);
  for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    MSG message{Hwnd(form.Go->Handle()), WM_KEYDOWN, key, 1, 0, {}};
    IsDialogMessageW(Hwnd(form.Handle()), &message);
  }
  EXPECT_EQ(form.Clicks, 0);
  EXPECT_TRUE(IsWindow(Hwnd(form.Handle())));
}

TEST_F(Toolkit, BadFormStreamsAreRefusedWithTheirReason) {
  const std::string form = TEST_FORM_C;
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = form;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::pair<std::string, std::string> CASES_C[] = {
      {replaced("Go: TButton", "Go: TSlider"), "Class TSlider not found"},
      {replaced("Go: TButton", "Go: TQdObject"), "Class TQdObject is no control"},
      {replaced("    Caption = '&Go'", "    Colour = 1"), "Error reading Go.Colour: Property Colour does not exist"},
      {replaced("    Left = 8", "    Left = 'eight'"), "Error reading Log.Left: Invalid property value"},
      {replaced("    Left = 8", "    Left = 4294967296"), "Error reading Log.Left: Invalid property value"},
      {replaced("Color = clBtnFace\n  Font", "Color = clSunset\n  Font"),
       "Error reading TestForm.Color: Invalid property value"},
      {replaced("Font.Style = []", "Font.Style = [fsWide]"),
       "Error reading TestForm.Font.Style: Invalid property value"},
      {replaced("OnClick = GoClick", "OnClick = StopClick"), "Error reading Go.OnClick: Method StopClick not found"},
      {replaced("Go: TButton", "Run: TButton"), "Error reading TestForm: the control Go is missing"},
      {"object TestForm: TTestForm\n object Log: TButton\n end\n object Go: TButton\n end\nend",
       "Error reading TestForm: Log is of the wrong class"},
      {replaced("TestForm: TTestForm", "TestForm: TOtherForm"),
       "Invalid form stream: it describes a TOtherForm, not a TTestForm"},
      {replaced("Off: TButton", "Go: TButton"), "A component named Go already exists"},
      {replaced("    TabOrder = 1\n", "    TabOrder = 1\n    object Inner: TButton\n    end\n"),
       "Error reading Off: a TButton holds no controls"},
  };
  for (const auto& [text, message] : CASES_C) {
    TTestForm broken;
    EXPECT_EQ(LoadError(broken, text), message);
    EXPECT_FALSE(broken.HandleAllocated());
    EXPECT_EQ(broken.Log, nullptr);
    EXPECT_EQ(broken.Go, nullptr);
    EXPECT_TRUE(broken.Controls().empty());
    EXPECT_EQ(broken.Created, 0);
  }
  // A stream cut short says so too.
  const std::vector<std::uint8_t> bytes = FormTools::ConvertFormText(form);
  TTestForm cut;
  Rtl::TBytesStream stream(Rtl::TBytes(bytes.begin(), bytes.begin() + 100));
  EXPECT_THROW(cut.LoadFromStream(stream), Rtl::EReadError);
  EXPECT_FALSE(cut.HandleAllocated());
}

TEST_F(Toolkit, FormWithoutResourceIsNamed) {
  TTestForm form;
  try {
    form.LoadFromResource(Rtl::MainInstance());
    ADD_FAILURE() << "loaded without a resource";
  } catch (const Rtl::EResNotFound& e) {
    EXPECT_EQ(Narrow(e.Message()), "Resource TTestForm not found");
  }
}

TEST_F(Toolkit, OneApplicationObjectAtATime) {
  EXPECT_EQ(Rtl::Application, &FApplication);
  EXPECT_THROW(Rtl::TApplication second, Rtl::EInvalidOperation);
  EXPECT_EQ(Rtl::Application, &FApplication);
}

}  // namespace
