#include "runtime/Toolkit/Forms.h"

#include <algorithm>
#include <exception>

#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Modules.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Win32Controls.h"
#include "runtime/Toolkit/Strings.h"

namespace Rtl {

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

HWND Hwnd(THandle handle) { return reinterpret_cast<HWND>(handle); }

// The id of a form's first control; the rest follow in tab order.
constexpr int FIRST_CONTROL_ID_C = 100;

// The program's name for captions, also when no application object exists.
std::wstring ProgramTitle() {
  if (Application != nullptr) return Application->Title();
  return ChangeFileExt(ExtractFileName(GetModuleFileName()), L"");
}

// The window that a modal box belongs to: the active one, else the main form.
HWND ModalOwner() {
  HWND owner = GetActiveWindow();
  if (owner == nullptr && Application != nullptr && Application->MainForm() != nullptr)
    owner = Hwnd(Application->MainForm()->Handle());
  return owner;
}

// Moves the next dialog window that this thread activates (the message box
// about to open) to the centre of the screen it is on.
class TCentreNextDialog {
public:
  TCentreNextDialog() : FHook(SetWindowsHookExW(WH_CBT, &HookProc, nullptr, GetCurrentThreadId())) {
    CurrentHook = FHook;
  }
  ~TCentreNextDialog() {
    if (FHook != nullptr && CurrentHook == FHook) UnhookWindowsHookEx(FHook);
    CurrentHook = nullptr;
  }
  TCentreNextDialog(const TCentreNextDialog&) = delete;
  TCentreNextDialog& operator=(const TCentreNextDialog&) = delete;

private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && CurrentHook != nullptr) {
      HWND dialog = reinterpret_cast<HWND>(wParam);
      wchar_t className[16] = {};
      GetClassNameW(dialog, className, 16);
      if (lstrcmpW(className, L"#32770") == 0) {
        Centre(dialog);
        HHOOK hook = CurrentHook;
        CurrentHook = nullptr;
        UnhookWindowsHookEx(hook);
        return 0;
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static void Centre(HWND dialog) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT box;
    if (!GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !GetWindowRect(dialog, &box))
      return;
    const RECT& area = monitor.rcWork;
    const int x = area.left + (area.right - area.left - (box.right - box.left)) / 2;
    const int y = area.top + (area.bottom - area.top - (box.bottom - box.top)) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  static thread_local HHOOK CurrentHook;
  HHOOK FHook;
};

thread_local HHOOK TCentreNextDialog::CurrentHook = nullptr;

// F1 in an open menu of the thread: the highlighted item's help request.
// The menu runs its own message loop, which only this hook sees into.
LRESULT CALLBACK MenuHelpHook(int code, WPARAM wParam, LPARAM lParam) {
  const MSG* message = reinterpret_cast<const MSG*>(lParam);
  if (code == MSGF_MENU && message->message == WM_KEYDOWN && message->wParam == VK_F1 && Application != nullptr) {
    if (TMenuItem* item = HighlightedMenuItem(); item != nullptr && item->HelpContext() != 0) {
      // No exception may unwind through the system's frames.
      try {
        Application->HelpContext(item->HelpContext());
      } catch (...) {
        Application->HandleException();
      }
      return TRUE;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

namespace MenuDetail {
void SetHighlighted(TMenuItem* item);
}  // namespace MenuDetail

// --- TForm ---------------------------------------------------------------------

// The system's window procedure of every form window.
struct TFormWindowProc {
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TForm* form;
    if (message == WM_NCCREATE) {
      form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
      form->FHandle = reinterpret_cast<THandle>(window);
    } else {
      form = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    // No exception may unwind through the system's frames.
    try {
      return form->WindowProc(message, wParam, lParam);
    } catch (...) {
      ShowCurrentException();
      return 0;
    }
  }

  static void Register(const std::wstring& className) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(instance, className.c_str(), &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = className.c_str();
    if (RegisterClassExW(&wc) == 0) RaiseLastOSError();
  }
};

TForm::TForm() { FVisible = false; }

TForm::~TForm() {
  if (FHandle != 0) DestroyWindow(Hwnd(FHandle));
}

void TForm::SetMenu(TMainMenu* menu) {
  FMenu = menu;
  if (FHandle == 0) return;
  HMENU bar = menu != nullptr ? reinterpret_cast<HMENU>(menu->CreateHandle()) : nullptr;
  HMENU old = GetMenu(Hwnd(FHandle));
  if (!::SetMenu(Hwnd(FHandle), bar)) {
    if (bar != nullptr) DestroyMenu(bar);
    RaiseLastOSError();
  }
  if (old != nullptr) DestroyMenu(old);
}

void TForm::LoadFromResource(HINST instance) {
  TResourceStream stream(instance, ClassName());
  LoadFromStream(stream);
}

HINST TForm::FindFormResource(HINST instance, const std::wstring& className) {
  const HINST resources = FindResourceHInstance(instance);
  if (resources != instance &&
      FindResourceW(reinterpret_cast<HMODULE>(resources), className.c_str(), RT_RCDATA) != nullptr)
    return resources;
  return instance;
}

void TForm::LoadFromStream(TStream& stream) { Load(ReadFormStream(stream)); }

void TForm::Load(const TFormObject& root) {
  if (FHandle != 0) throw EInvalidOperation(Format(LoadResString(SFormLoaded), {ClassName()}));
  if (!SameIdentifier(root.ClassName, ClassName()))
    throw EReadError(Format(LoadResString(SFormStreamClass), {root.ClassName, ClassName()}));
  FMembers = TFormMembers();
  DeclareMembers(FMembers);
  try {
    FName = root.Name;
    ReadObject(*this, root);
    for (const TFormObject& child : root.Children) {
      const std::wstring path = child.Name.empty() ? child.ClassName : child.Name;
      if (!child.Children.empty())
        throw EReadError(Format(LoadResString(SNoChildControls), {path, child.ClassName}));
      if (!child.Name.empty() && FindControl(child.Name) != nullptr)
        throw EReadError(Format(LoadResString(SDuplicateName), {child.Name}));
      std::unique_ptr<TControl> control = CreateControl(child.ClassName);
      control->FOwner = this;
      control->FName = child.Name;
      ReadObject(*control, child);
      FControls.push_back(std::move(control));
    }
    for (const TFormMembers::TField& field : FMembers.FFields) {
      TControl* control = FindControl(field.Name);
      if (control == nullptr)
        throw EReadError(Format(LoadResString(SControlMissing), {FName, field.Name}));
      if (!field.Bind(control))
        throw EReadError(Format(LoadResString(SControlWrongClass), {FName, field.Name}));
    }
    if (FPixelsPerInch > 0 && Screen != nullptr && Screen->PixelsPerInch() != FPixelsPerInch)
      ScaleBy(Screen->PixelsPerInch(), FPixelsPerInch);
    CreateWindowHandle();
  } catch (...) {
    if (FHandle != 0) DestroyWindow(Hwnd(FHandle));
    for (const TFormMembers::TField& field : FMembers.FFields) field.Bind(nullptr);
    FControls.clear();
    throw;
  }
  if (TNotifyEvent handler = OnCreate) {
    try {
      handler(this);
    } catch (...) {
      if (Application == nullptr) throw;
      Application->HandleException();
    }
  }
  if (FVisible) Show();
}

void TForm::ReadObject(TControl& control, const TFormObject& object) {
  const std::wstring path = object.Name.empty() ? object.ClassName : object.Name;
  for (const TFormProperty& property : object.Properties) {
    bool known;
    try {
      known = control.ReadProperty(property.Name, property.Value);
    } catch (const EReadError& e) {
      throw EReadError(Format(LoadResString(SPropertyError), {path, property.Name, e.Message()}));
    }
    if (!known)
      throw EReadError(Format(LoadResString(SUnknownProperty), {path, property.Name, property.Name}));
  }
}

bool TForm::ReadProperty(const std::wstring& name, const TFormValue& value) {
  static const std::wstring FONT_C = L"Font.";
  if (name.size() > FONT_C.size() && SameIdentifier(std::wstring_view(name).substr(0, FONT_C.size()), FONT_C))
    return FFont.ReadProperty(name.substr(FONT_C.size()), value);
  if (SameIdentifier(name, L"Caption")) {
    FCaption = value.AsString();
  } else if (SameIdentifier(name, L"ClientWidth")) {
    FClientWidth = static_cast<int>(std::clamp<std::int64_t>(value.AsInteger(), 0, 32767));
  } else if (SameIdentifier(name, L"ClientHeight")) {
    FClientHeight = static_cast<int>(std::clamp<std::int64_t>(value.AsInteger(), 0, 32767));
  } else if (SameIdentifier(name, L"PixelsPerInch")) {
    FPixelsPerInch = static_cast<int>(std::clamp<std::int64_t>(value.AsInteger(), 0, 4800));
  } else if (SameIdentifier(name, L"TextHeight")) {
    value.AsInteger();  // the designer's text height; the scaling follows PixelsPerInch
  } else if (SameIdentifier(name, L"BorderStyle")) {
    const int style = TypeInfo<TFormBorderStyle>().GetEnumValue(value.AsIdent());
    if (style < 0) throw EReadError(LoadResString(SInvalidPropertyValue));
    FBorderStyle = static_cast<TFormBorderStyle>(style);
  } else if (SameIdentifier(name, L"OnCreate")) {
    OnCreate = MethodByName(value.AsIdent());
  } else {
    return TControl::ReadProperty(name, value);
  }
  return true;
}

std::uint32_t TForm::Style() const {
  std::uint32_t style = WS_CLIPCHILDREN;
  switch (FBorderStyle) {
    case bsSizeable: style |= WS_OVERLAPPEDWINDOW; break;
    case bsSingle: style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX; break;
    case bsDialog: style |= WS_POPUP | WS_CAPTION | WS_SYSMENU; break;
  }
  if (!FEnabled) style |= WS_DISABLED;
  return style;
}

std::uint32_t TForm::ExStyle() const {
  std::uint32_t style = WS_EX_CONTROLPARENT;
  if (FBorderStyle == bsDialog) style |= WS_EX_DLGMODALFRAME;
  if (Application != nullptr && Application->MainForm() == this && Application->MainFormOnTaskBar())
    style |= WS_EX_APPWINDOW;
  return style;
}

void TForm::ScaleBy(int multiplier, int divisor) {
  if (FClientWidth >= 0) FClientWidth = MulDiv(FClientWidth, multiplier, divisor);
  if (FClientHeight >= 0) FClientHeight = MulDiv(FClientHeight, multiplier, divisor);
  FWidth = MulDiv(FWidth, multiplier, divisor);
  FHeight = MulDiv(FHeight, multiplier, divisor);
  FFont.Height = MulDiv(FFont.Height, multiplier, divisor);
  for (const auto& control : FControls) control->ScaleBy(multiplier, divisor);
}

void TForm::CreateWindowHandle() {
  TFormWindowProc::Register(ClassName());
  const DWORD style = Style();
  const DWORD exStyle = ExStyle();
  int width = FWidth;
  int height = FHeight;
  if (FClientWidth >= 0 && FClientHeight >= 0) {
    RECT frame{0, 0, FClientWidth, FClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    width = frame.right - frame.left;
    height = frame.bottom - frame.top;
  }
  if (CreateWindowExW(exStyle, WindowClass(), FCaption.c_str(), style, FLeft, FTop, width, height, nullptr,
                      nullptr, GetModuleHandleW(nullptr), this) == nullptr)
    RaiseLastOSError();
  if (FMenu != nullptr) SetMenu(FMenu);
  FWidth = width;
  FHeight = height;
  // Creation order is the order of the Tab key.
  std::vector<TControl*> order;
  for (const auto& control : FControls) order.push_back(control.get());
  std::stable_sort(order.begin(), order.end(),
                   [](const TControl* a, const TControl* b) { return a->TabOrder() < b->TabOrder(); });
  // The ids stay clear of the commands that the dialog keys send (IDOK for
  // Enter, IDCANCEL for Escape, up to IDCONTINUE), which name the child of
  // that id: no control answers to a key by the accident of its place.
  int id = FIRST_CONTROL_ID_C;
  for (TControl* control : order) control->CreateHandle(FHandle, id++, FFont.Handle());
}

void TForm::SetCaption(const std::wstring& value) {
  FCaption = value;
  if (FHandle != 0) SetWindowTextW(Hwnd(FHandle), FCaption.c_str());
}

TControl* TForm::FindControl(const std::wstring& name) const {
  for (const auto& control : FControls)
    if (SameIdentifier(control->Name(), name)) return control.get();
  return nullptr;
}

const TNotifyEvent& TForm::MethodByName(const std::wstring& name) const {
  for (const TFormMembers::TMethod& method : FMembers.FMethods)
    if (SameIdentifier(method.Name, name)) return method.Handler;
  throw EReadError(Format(LoadResString(SMethodNotFound), {name}));
}

void TForm::Show() {
  if (FHandle == 0) return;
  // The first window the program shows follows how it was started.
  static bool first = true;
  ShowWindow(Hwnd(FHandle), first ? SW_SHOWDEFAULT : SW_SHOW);
  first = false;
  FVisible = true;
  UpdateWindow(Hwnd(FHandle));
}

void TForm::Close() {
  if (FHandle != 0) DestroyWindow(Hwnd(FHandle));
}

TControl* TForm::ControlOfHandle(THandle handle) const {
  for (const auto& control : FControls)
    if (control->Handle() == handle) return control.get();
  return nullptr;
}

// The first control in tab order that takes the keyboard focus.
void TForm::FocusFirstControl() {
  for (HWND child = GetWindow(Hwnd(FHandle), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) {
      SetFocus(child);
      return;
    }
  }
}

std::intptr_t TForm::WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  HWND window = Hwnd(FHandle);
  switch (message) {
    case WM_COMMAND:
      if (TControl* control = lParam != 0 ? ControlOfHandle(static_cast<THandle>(lParam)) : nullptr) {
        control->Command(HIWORD(wParam));
        return 0;
      }
      if (lParam == 0 && HIWORD(wParam) == 0 && FMenu != nullptr) {
        if (TMenuItem* item = FMenu->Items().FindCommand(LOWORD(wParam)); item != nullptr) {
          item->Click();
          return 0;
        }
      }
      break;
    case WM_MENUSELECT: {
      // The item that F1 asks about while the menu is open; a sub-menu's
      // item comes by its position.
      TMenuItem* item = nullptr;
      HMENU menu = reinterpret_cast<HMENU>(lParam);
      if (FMenu != nullptr && menu != nullptr && HIWORD(wParam) != 0xFFFF) {
        UINT command = LOWORD(wParam);
        if (HIWORD(wParam) & MF_POPUP) {
          MENUITEMINFOW info{};
          info.cbSize = sizeof info;
          info.fMask = MIIM_ID;
          command = GetMenuItemInfoW(menu, LOWORD(wParam), TRUE, &info) ? info.wID : 0;
        }
        item = FMenu->Items().FindCommand(static_cast<int>(command));
      }
      MenuDetail::SetHighlighted(item);
      return 0;
    }
    case WM_EXITMENULOOP:
      MenuDetail::SetHighlighted(nullptr);
      break;
    case WM_CTLCOLORSTATIC:  // a read-only edit asks this one
    case WM_CTLCOLOREDIT:
      if (TControl* control = ControlOfHandle(static_cast<THandle>(lParam)); control != nullptr)
        return static_cast<std::intptr_t>(control->ColorBrush(static_cast<THandle>(wParam)));
      break;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               reinterpret_cast<HBRUSH>(ColorBrush(static_cast<THandle>(wParam))));
      return 1;
    }
    case WM_SETCURSOR:
      if (Screen != nullptr && Screen->CursorHandle() != 0) {
        ::SetCursor(reinterpret_cast<HCURSOR>(Screen->CursorHandle()));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        FFocused = IsChild(window, focus) ? reinterpret_cast<THandle>(focus) : 0;
      } else if (FFocused != 0 && IsWindow(Hwnd(FFocused))) {
        SetFocus(Hwnd(FFocused));
      } else {
        FocusFirstControl();
      }
      return 0;
    case WM_SETFOCUS:
      FocusFirstControl();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      if (Application != nullptr && Application->MainForm() == this) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      FHandle = 0;
      FFocused = 0;
      for (const auto& control : FControls) control->FHandle = 0;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// --- TScreen -------------------------------------------------------------------

void TScreen::SetCursor(TCursor value) {
  FCursor = value;
  if (THandle cursor = CursorHandle(); cursor != 0) {
    ::SetCursor(reinterpret_cast<HCURSOR>(cursor));
    return;
  }
  // Back to the cursor of the window under the mouse, when it is ours.
  POINT point;
  HWND window = GetCursorPos(&point) ? WindowFromPoint(point) : nullptr;
  if (window != nullptr && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    const LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(hit, WM_MOUSEMOVE));
  } else {
    ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  }
}

THandle TScreen::CursorHandle() const {
  switch (FCursor) {
    case crArrow: return reinterpret_cast<THandle>(LoadCursorW(nullptr, IDC_ARROW));
    case crHourGlass: return reinterpret_cast<THandle>(LoadCursorW(nullptr, IDC_WAIT));
    case crDefault: break;
  }
  return 0;
}

int TScreen::PixelsPerInch() const {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi;
}

// --- TApplication ----------------------------------------------------------------

TApplication::TApplication() {
  if (Application != nullptr) throw EInvalidOperation(LoadResString(SApplicationExists));
  FTitle = ChangeFileExt(ExtractFileName(GetModuleFileName()), L"");
  for (const TClass* cls : CONTROL_CLASSES_C) RegisterClass(*cls);
  FMenuHook = reinterpret_cast<THandle>(SetWindowsHookExW(WH_MSGFILTER, &MenuHelpHook, nullptr, GetCurrentThreadId()));
  Application = this;
  Screen = &FScreen;
}

TApplication::~TApplication() {
  // Those who hold on to the application let go first.
  for (auto notifications = std::move(FFreeNotifications); auto& [owner, notify] : notifications) {
    try {
      notify();
    } catch (...) {
      ShowCurrentException();
    }
  }
  if (FMenuHook != 0) UnhookWindowsHookEx(reinterpret_cast<HHOOK>(FMenuHook));
  // The windows go while every form is still whole.
  for (const auto& form : FForms)
    if (form->HandleAllocated()) DestroyWindow(Hwnd(form->Handle()));
  FForms.clear();
  for (const TClass* cls : CONTROL_CLASSES_C) UnRegisterClass(*cls);
  Application = nullptr;
  Screen = nullptr;
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);
}

void TApplication::AddForm(std::unique_ptr<TForm> form) {
  TForm* added = form.get();
  FForms.push_back(std::move(form));
  if (FMainForm == nullptr) FMainForm = added;
  try {
    added->LoadFromResource(TForm::FindFormResource(MainInstance(), added->ClassName()));
  } catch (...) {
    if (FMainForm == added) FMainForm = nullptr;
    FForms.pop_back();
    throw;
  }
}

bool TApplication::IsFormMessage(void* msg) {
  MSG* message = static_cast<MSG*>(msg);
  HWND root = message->hwnd != nullptr ? GetAncestor(message->hwnd, GA_ROOT) : nullptr;
  if (root == nullptr) return false;
  if (GetWindowLongPtrW(root, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&TFormWindowProc::Proc)) return false;
  return IsDialogMessageW(root, message) != FALSE;
}

void TApplication::Run() {
  if (FMainForm == nullptr || !FMainForm->HandleAllocated()) return;
  FMainForm->Show();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) ProcessMessage(&message);
}

void TApplication::ProcessMessage(void* msg) {
  MSG* message = static_cast<MSG*>(msg);
  if (IsHelpKey(message)) return;
  // Tab, accelerators and the other dialog keys of the forms' controls.
  if (IsFormMessage(message)) return;
  TranslateMessage(message);
  DispatchMessageW(message);
}

bool TApplication::IsHelpKey(void* msg) {
  const MSG* message = static_cast<const MSG*>(msg);
  if (message->message != WM_KEYDOWN || message->wParam != VK_F1) return false;
  const THelpContext context = HelpContextOfWindow(reinterpret_cast<THandle>(message->hwnd));
  if (context == 0) return false;
  try {
    HelpContext(context);
  } catch (...) {
    HandleException();
  }
  return true;
}

bool TApplication::HelpCommand(std::uint16_t command, std::intptr_t data) {
  bool callHelp = true;
  // A copy: the handler may install another one while it runs.
  if (THelpEvent handler = OnHelp) return handler(command, data, callHelp);
  // The toolkit has no help viewer of its own: without a handler the
  // request goes unanswered.
  return false;
}

bool TApplication::HelpContext(THelpContext context) { return HelpCommand(HELP_CONTEXT_C, context); }

bool TApplication::HelpKeyword(const std::wstring& keyword) {
  return HelpCommand(HELP_KEY_C, reinterpret_cast<std::intptr_t>(keyword.c_str()));
}

void TApplication::AddFreeNotification(const void* owner, std::function<void()> notify) {
  RemoveFreeNotification(owner);
  FFreeNotifications.emplace_back(owner, std::move(notify));
}

void TApplication::RemoveFreeNotification(const void* owner) {
  std::erase_if(FFreeNotifications, [owner](const auto& entry) { return entry.first == owner; });
}

THelpContext HelpContextOfWindow(THandle window) {
  HWND hwnd = Hwnd(window);
  if (hwnd == nullptr) return 0;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  if (root == nullptr || GetWindowLongPtrW(root, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&TFormWindowProc::Proc))
    return 0;
  TForm* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(root, GWLP_USERDATA));
  if (form == nullptr) return 0;
  for (const auto& control : form->Controls())
    if (Hwnd(control->Handle()) == hwnd && control->HelpContext() != 0) return control->HelpContext();
  return form->HelpContext();
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::HandleException() { ShowCurrentException(); }

int TApplication::MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) {
  HWND owner = ModalOwner();
  return MessageBoxW(owner, text.c_str(), caption.c_str(), flags | (owner == nullptr ? MB_TASKMODAL : 0));
}

// --- Message boxes -----------------------------------------------------------------

void ShowMessage(const std::wstring& message) {
  HWND owner = ModalOwner();
  TCentreNextDialog centre;
  MessageBoxW(owner, message.c_str(), ProgramTitle().c_str(), MB_OK | (owner == nullptr ? MB_TASKMODAL : 0));
}

void ShowCurrentException() {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  std::wstring message;
  try {
    std::rethrow_exception(current);
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    message = Utf8Decode(e.what());
  } catch (...) {
    message = LoadResString(SUnknownException);
  }
  HWND owner = ModalOwner();
  MessageBoxW(owner, message.c_str(), ProgramTitle().c_str(),
              MB_OK | MB_ICONERROR | (owner == nullptr ? MB_TASKMODAL : 0));
}

}  // namespace Rtl
