#include "runtime/Toolkit/Dialogs.h"

#include <algorithm>
#include <vector>

#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Toolkit/Forms.h"
#include "runtime/Toolkit/Strings.h"

namespace Rtl {

namespace {

HWND Hwnd(THandle handle) { return reinterpret_cast<HWND>(handle); }

struct TButtonKind {
  TMsgDlgBtn Button;
  const wchar_t* Name;
  const TResStringRec* Caption;
  TModalResult Result;
};

// The buttons in the order they are shown.
const TButtonKind BUTTONS_C[] = {
    {mbYes, L"Yes", &SMsgDlgYes, mrYes},
    {mbNo, L"No", &SMsgDlgNo, mrNo},
    {mbOK, L"OK", &SMsgDlgOK, mrOk},
    {mbCancel, L"Cancel", &SMsgDlgCancel, mrCancel},
    {mbAbort, L"Abort", &SMsgDlgAbort, mrAbort},
    {mbRetry, L"Retry", &SMsgDlgRetry, mrRetry},
    {mbIgnore, L"Ignore", &SMsgDlgIgnore, mrIgnore},
    {mbAll, L"All", &SMsgDlgAll, mrAll},
    {mbNoToAll, L"NoToAll", &SMsgDlgNoToAll, mrNoToAll},
    {mbYesToAll, L"YesToAll", &SMsgDlgYesToAll, mrYesToAll},
    {mbHelp, L"Help", &SMsgDlgHelp, mrNone},
    {mbClose, L"Close", &SMsgDlgClose, mrClose},
};

const TResStringRec* const CAPTIONS_C[] = {&SMsgDlgWarning, &SMsgDlgError, &SMsgDlgInformation, &SMsgDlgConfirm};
const wchar_t* const ICONS_C[] = {L"siWarning", L"siError", L"siInformation", L"siQuestion"};

TFormValue Integer(std::int64_t value) {
  TFormValue v;
  v.Kind = TFormValue::fkInteger;
  v.Integer = value;
  return v;
}

TFormValue Text(std::wstring value, TFormValue::TKind kind = TFormValue::fkString) {
  TFormValue v;
  v.Kind = kind;
  v.Text = std::move(value);
  return v;
}

TFormValue Boolean(bool value) {
  TFormValue v;
  v.Kind = TFormValue::fkBoolean;
  v.Boolean = value;
  return v;
}

TFormObject Child(const wchar_t* className, std::wstring name, int left, int top, int width, int height) {
  TFormObject object;
  object.ClassName = className;
  object.Name = std::move(name);
  object.Properties = {{L"Left", Integer(left)}, {L"Top", Integer(top)}, {L"Width", Integer(width)},
                       {L"Height", Integer(height)}};
  return object;
}

// The accelerator of a caption: the character after a single "&", or 0.
wchar_t Accelerator(const std::wstring& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] != L'&') return caption[i + 1];
    ++i;
  }
  return 0;
}

wchar_t Upper(wchar_t c) {
  wchar_t text[2] = {c, 0};
  CharUpperBuffW(text, 1);
  return text[0];
}

// The text and font measures of the layout, in pixels.
class TMeasure {
public:
  explicit TMeasure(const LOGFONTW& font) : FDc(GetDC(nullptr)), FFont(CreateFontIndirectW(&font)) {
    FOld = SelectObject(FDc, FFont);
    TEXTMETRICW metrics{};
    GetTextMetricsW(FDc, &metrics);
    // The average width of the letters, as dialog units take it.
    SIZE size{};
    static const wchar_t LETTERS_C[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(FDc, LETTERS_C, 52, &size);
    CharWidth = std::max<int>((size.cx / 26 + 1) / 2, 1);
    CharHeight = std::max<int>(metrics.tmHeight, 1);
  }
  ~TMeasure() {
    SelectObject(FDc, FOld);
    DeleteObject(FFont);
    ReleaseDC(nullptr, FDc);
  }
  TMeasure(const TMeasure&) = delete;
  TMeasure& operator=(const TMeasure&) = delete;

  // The size of `text` wrapped at `width`, as a static text control draws it.
  SIZE Wrapped(const std::wstring& text, int width) const {
    RECT r{0, 0, width, 0};
    DrawTextW(FDc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
    return {r.right - r.left, r.bottom - r.top};
  }
  int LineWidth(const std::wstring& caption) const {
    RECT r{0, 0, 0, 0};
    DrawTextW(FDc, caption.c_str(), static_cast<int>(caption.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return r.right - r.left;
  }
  int X(int dialogUnits) const { return MulDiv(dialogUnits, CharWidth, 4); }
  int Y(int dialogUnits) const { return MulDiv(dialogUnits, CharHeight, 8); }

  int CharWidth = 1;
  int CharHeight = 1;

private:
  HDC FDc;
  HFONT FFont;
  HGDIOBJ FOld;
};

// The classes the dialog is made of, registered while it is built when no
// application object has registered them.
class TDialogClasses {
public:
  TDialogClasses() {
    for (const TClass* cls : CONTROL_CLASSES_C) {
      if (GetClass(cls->Name) != nullptr) continue;
      RegisterClass(*cls);
      FRegistered.push_back(cls);
    }
  }
  ~TDialogClasses() {
    for (const TClass* cls : FRegistered) UnRegisterClass(*cls);
  }
  TDialogClasses(const TDialogClasses&) = delete;
  TDialogClasses& operator=(const TDialogClasses&) = delete;

private:
  std::vector<const TClass*> FRegistered;
};

// The top-level windows of the thread that the dialog disables while it
// is open, enabled again when it closes.
class TDisabledWindows {
public:
  explicit TDisabledWindows(HWND dialog) : FDialog(dialog) {
    EnumThreadWindows(GetCurrentThreadId(), &Disable, reinterpret_cast<LPARAM>(this));
  }
  ~TDisabledWindows() {
    for (HWND window : FWindows)
      if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  TDisabledWindows(const TDisabledWindows&) = delete;
  TDisabledWindows& operator=(const TDisabledWindows&) = delete;
  HWND Active() const { return FActive; }

private:
  static BOOL CALLBACK Disable(HWND window, LPARAM param) {
    auto* self = reinterpret_cast<TDisabledWindows*>(param);
    if (window != self->FDialog && IsWindowVisible(window) && IsWindowEnabled(window)) {
      EnableWindow(window, FALSE);
      self->FWindows.push_back(window);
    }
    return TRUE;
  }

  HWND FDialog;
  HWND FActive = GetActiveWindow();
  std::vector<HWND> FWindows;
};

class TMessageForm : public TForm {
  RTL_CLASS(TMessageForm, TForm)
public:
  TModalResult ShowModal(TButton* defaultButton, TButton* cancelButton);

protected:
  void DeclareMembers(TFormMembers& members) override {
    members.Method(L"ButtonClick", [this](TObject* sender) { ButtonClick(sender); });
  }

private:
  void ButtonClick(TObject* sender);
  bool IsDialogKey(const MSG& message, TButton* defaultButton, TButton* cancelButton);
  TButton* ButtonOfAccelerator(wchar_t key) const;
  TButton* FocusedButton() const;
  static void Press(TButton* button);

  TModalResult FModalResult = mrNone;
};

void TMessageForm::ButtonClick(TObject* sender) {
  const auto* button = As<TButton>(sender);
  for (const TButtonKind& kind : BUTTONS_C) {
    if (!SameIdentifier(button->Name(), kind.Name)) continue;
    if (kind.Button == mbHelp) {
      if (Application != nullptr) Application->HelpContext(HelpContext());
    } else {
      FModalResult = kind.Result;
    }
    return;
  }
}

TButton* TMessageForm::ButtonOfAccelerator(wchar_t key) const {
  for (const auto& control : Controls()) {
    auto* button = dynamic_cast<TButton*>(control.get());
    if (button == nullptr) continue;
    const wchar_t accelerator = Accelerator(button->Caption());
    if (accelerator != 0 && Upper(accelerator) == Upper(key)) return button;
  }
  return nullptr;
}

TButton* TMessageForm::FocusedButton() const {
  HWND focus = GetFocus();
  for (const auto& control : Controls())
    if (Hwnd(control->Handle()) == focus) return dynamic_cast<TButton*>(control.get());
  return nullptr;
}

void TMessageForm::Press(TButton* button) {
  if (button == nullptr || !button->Enabled()) return;
  // As a click does: the button takes the focus, then fires.
  SetFocus(Hwnd(button->Handle()));
  button->Click();
}

// Enter, Escape and the buttons' accelerators, which the dialog answers
// itself whatever the system's dialog keys would do.
bool TMessageForm::IsDialogKey(const MSG& message, TButton* defaultButton, TButton* cancelButton) {
  HWND window = Hwnd(Handle());
  if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
  switch (message.message) {
    case WM_KEYDOWN:
      if (message.wParam == VK_RETURN) {
        TButton* focused = FocusedButton();
        Press(focused != nullptr ? focused : defaultButton);
        return true;
      }
      if (message.wParam == VK_ESCAPE) {
        Press(cancelButton);
        return true;
      }
      return false;
    case WM_CHAR:
    case WM_SYSCHAR: {
      const auto key = static_cast<wchar_t>(message.wParam);
      if (key == L'\r' || key == 27) return true;  // answered at the key's press
      if (TButton* button = ButtonOfAccelerator(key)) {
        Press(button);
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

TModalResult TMessageForm::ShowModal(TButton* defaultButton, TButton* cancelButton) {
  HWND window = Hwnd(Handle());
  TDisabledWindows disabled(window);
  Show();
  SetForegroundWindow(window);
  if (defaultButton != nullptr) SetFocus(Hwnd(defaultButton->Handle()));
  MSG message;
  while (FModalResult == mrNone && IsWindow(window)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The program is ending: the loop outside sees the quit again.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    // No exception may unwind through the system's frames: the handlers
    // of the dialog's own keys run here, in the loop.
    try {
      if (IsDialogKey(message, defaultButton, cancelButton)) continue;
    } catch (...) {
      ShowCurrentException();
      continue;
    }
    if (Application != nullptr) {
      Application->ProcessMessage(&message);
    } else if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The close box (or a window closed otherwise) answers as Cancel does.
  const TModalResult result = FModalResult != mrNone ? FModalResult : mrCancel;
  if (IsWindow(window)) ShowWindow(window, SW_HIDE);
  if (disabled.Active() != nullptr && IsWindow(disabled.Active())) SetActiveWindow(disabled.Active());
  return result;
}

}  // namespace

TModalResult ModalResultOf(TMsgDlgBtn button) {
  for (const TButtonKind& kind : BUTTONS_C)
    if (kind.Button == button) return kind.Result;
  return mrNone;
}

TModalResult MessageDlgPos(const std::wstring& message, TMsgDlgType type, TMsgDlgButtons buttons,
                           THelpContext helpContext, int x, int y) {
  if (buttons.IsEmpty()) buttons.Include(mbOK);
  const unsigned typeIndex = std::min<unsigned>(type, mtConfirmation);

  NONCLIENTMETRICSW nonClient{};
  nonClient.cbSize = sizeof nonClient;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof nonClient, &nonClient, 0)) {
    nonClient.lfMessageFont = LOGFONTW{};
    nonClient.lfMessageFont.lfHeight = -11;
    lstrcpyW(nonClient.lfMessageFont.lfFaceName, L"Tahoma");
  }
  const LOGFONTW& font = nonClient.lfMessageFont;
  const TMeasure measure(font);

  // The work area of the screen of the active window (else the primary).
  HWND owner = GetActiveWindow();
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(owner != nullptr ? MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY)
                                   : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                  &monitor);
  const RECT work = monitor.rcWork;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
  const int frameWidth = frame.right - frame.left;
  const int frameHeight = frame.bottom - frame.top;

  // The buttons' row.
  const int margin = measure.X(8);
  const int spacing = measure.X(4);
  const int buttonHeight = measure.Y(14);
  std::vector<const TButtonKind*> shown;
  std::vector<std::wstring> captions;
  int buttonWidth = measure.X(50);
  for (const TButtonKind& kind : BUTTONS_C) {
    if (!buttons.Contains(kind.Button)) continue;
    shown.push_back(&kind);
    captions.push_back(LoadResString(*kind.Caption));
    buttonWidth = std::max(buttonWidth, measure.LineWidth(captions.back()) + measure.X(8));
  }
  const int count = static_cast<int>(shown.size());
  const int rowWidth = count * buttonWidth + (count - 1) * spacing;

  // The message beside the icon: half the work area wide at most, the
  // whole when it is too tall for that, and in a box that scrolls when it
  // is taller than the work area still.
  const int iconSize = GetSystemMetrics(SM_CXICON);
  const int textLeft = margin + iconSize + margin;
  const int maxClientWidth = std::max<int>(work.right - work.left - frameWidth, textLeft + margin + 1);
  const int maxClientHeight = std::max<int>(work.bottom - work.top - frameHeight, 3 * margin + buttonHeight + 1);
  const int maxTextHeight = maxClientHeight - 3 * margin - buttonHeight;
  int textWidth = std::max<int>((work.right - work.left) / 2 - textLeft - margin, measure.X(40));
  SIZE text = measure.Wrapped(message, textWidth);
  bool scrolls = false;
  if (text.cy > maxTextHeight) {
    textWidth = maxClientWidth - textLeft - margin;
    text = measure.Wrapped(message, textWidth);
    if (text.cy > maxTextHeight) {
      scrolls = true;
      text = measure.Wrapped(message, textWidth - GetSystemMetrics(SM_CXVSCROLL) - measure.X(4));
      text.cx = textWidth;
      text.cy = maxTextHeight;
    }
  }
  const int contentHeight = std::max<int>(iconSize, text.cy);
  const int clientWidth = std::min(maxClientWidth, std::max<int>(textLeft + text.cx + margin, rowWidth + 2 * margin));
  const int clientHeight = margin + contentHeight + margin + buttonHeight + margin;

  // Where: centred on the work area, unless placed.
  const int width = clientWidth + frameWidth;
  const int height = clientHeight + frameHeight;
  int left = work.left + (work.right - work.left - width) / 2;
  int top = work.top + (work.bottom - work.top - height) / 2;
  if (x >= 0) left = std::clamp<int>(x, work.left, std::max<int>(work.left, work.right - width));
  if (y >= 0) top = std::clamp<int>(y, work.top, std::max<int>(work.top, work.bottom - height));

  TFormObject root;
  root.ClassName = TMessageForm::ClassInfo.Name;
  root.Name = L"MessageForm";
  root.Properties = {
      {L"Left", Integer(left)},
      {L"Top", Integer(top)},
      {L"Caption", Text(LoadResString(*CAPTIONS_C[typeIndex]))},
      {L"BorderStyle", Text(L"bsDialog", TFormValue::fkIdent)},
      {L"ClientWidth", Integer(clientWidth)},
      {L"ClientHeight", Integer(clientHeight)},
      {L"Font.Name", Text(font.lfFaceName)},
      {L"Font.Height", Integer(font.lfHeight)},
      {L"Font.Charset", Integer(font.lfCharSet)},
      {L"HelpContext", Integer(helpContext)},
  };
  TFormObject image = Child(L"TImage", L"Image", margin, margin, iconSize, iconSize);
  image.Properties.push_back({L"SystemIcon", Text(ICONS_C[typeIndex], TFormValue::fkIdent)});
  root.Children.push_back(std::move(image));
  if (scrolls) {
    TFormObject memo = Child(L"TMemo", L"Message", textLeft, margin, text.cx, text.cy);
    TFormValue lines;
    lines.Kind = TFormValue::fkList;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = message.find(L'\n', start);
      std::wstring line = message.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      lines.Items.push_back(Text(std::move(line)));
      if (end == std::wstring::npos) break;
      start = end + 1;
    }
    memo.Properties.push_back({L"Lines.Strings", std::move(lines)});
    memo.Properties.push_back({L"ReadOnly", Boolean(true)});
    memo.Properties.push_back({L"ScrollBars", Text(L"ssAutoVertical", TFormValue::fkIdent)});
    memo.Properties.push_back({L"Color", Text(L"clBtnFace", TFormValue::fkIdent)});
    memo.Properties.push_back({L"TabStop", Boolean(false)});
    root.Children.push_back(std::move(memo));
  } else {
    TFormObject label = Child(L"TLabel", L"Message", textLeft, margin, text.cx, text.cy);
    label.Properties.push_back({L"Caption", Text(message)});
    root.Children.push_back(std::move(label));
  }
  int buttonLeft = (clientWidth - rowWidth) / 2;
  const int buttonTop = margin + contentHeight + margin;
  for (int i = 0; i < count; ++i) {
    TFormObject button = Child(L"TButton", shown[static_cast<std::size_t>(i)]->Name, buttonLeft, buttonTop,
                               buttonWidth, buttonHeight);
    button.Properties.push_back({L"Caption", Text(captions[static_cast<std::size_t>(i)])});
    button.Properties.push_back({L"TabOrder", Integer(i)});
    button.Properties.push_back({L"OnClick", Text(L"ButtonClick", TFormValue::fkIdent)});
    root.Children.push_back(std::move(button));
    buttonLeft += buttonWidth + spacing;
  }

  TMessageForm form;
  {
    const TDialogClasses classes;
    form.Load(root);
  }
  auto buttonOf = [&form](TMsgDlgBtn which) -> TButton* {
    for (const TButtonKind& kind : BUTTONS_C)
      if (kind.Button == which) return dynamic_cast<TButton*>(form.FindControl(kind.Name));
    return nullptr;
  };
  TButton* defaultButton = buttonOf(mbOK);
  if (defaultButton == nullptr) defaultButton = buttonOf(mbYes);
  if (defaultButton == nullptr) defaultButton = buttonOf(shown.front()->Button);
  TButton* cancelButton = buttonOf(mbCancel);
  if (cancelButton == nullptr) cancelButton = buttonOf(mbNo);
  if (cancelButton == nullptr) cancelButton = buttonOf(mbOK);
  SendMessageW(Hwnd(defaultButton->Handle()), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  return form.ShowModal(defaultButton, cancelButton);
}

TModalResult MessageDlg(const std::wstring& message, TMsgDlgType type, TMsgDlgButtons buttons,
                        THelpContext helpContext) {
  return MessageDlgPos(message, type, buttons, helpContext, -1, -1);
}

}  // namespace Rtl
