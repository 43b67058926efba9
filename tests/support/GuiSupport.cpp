#include "GuiSupport.h"

#include <chrono>

#include "runtime/System/Win32.h"

namespace GuiSupport {

namespace {

HWND Hwnd(Rtl::THandle handle) { return reinterpret_cast<HWND>(handle); }
Rtl::THandle Handle(HWND window) { return reinterpret_cast<Rtl::THandle>(window); }

TRect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

struct TSearch {
  DWORD ProcessId;
  std::wstring ClassName;
  std::wstring Caption;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<TSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search.ProcessId || !IsWindowVisible(window)) return TRUE;
  if (!search.ClassName.empty() && ClassName(Handle(window)) != search.ClassName) return TRUE;
  if (!search.Caption.empty() && WindowText(Handle(window)) != search.Caption) return TRUE;
  search.Found = window;
  return FALSE;
}

}  // namespace

Rtl::THandle WaitForWindow(std::uint32_t processId, const std::wstring& className, const std::wstring& caption,
                           unsigned timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  do {
    TSearch search{processId, className, caption};
    EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    if (search.Found != nullptr) return Handle(search.Found);
    Pause();
  } while (std::chrono::steady_clock::now() < end);
  return 0;
}

bool WaitUntilGone(Rtl::THandle window, unsigned timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (IsWindow(Hwnd(window)) && IsWindowVisible(Hwnd(window))) {
    if (std::chrono::steady_clock::now() >= end) return false;
    Pause();
  }
  return true;
}

std::vector<Rtl::THandle> Children(Rtl::THandle parent, const std::wstring& className) {
  std::vector<Rtl::THandle> children;
  for (HWND child = GetWindow(Hwnd(parent), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    if (className.empty() || ClassName(Handle(child)) == className) children.push_back(Handle(child));
  return children;
}

Rtl::THandle FindChild(Rtl::THandle parent, const std::wstring& className, const std::wstring& text) {
  for (Rtl::THandle child : Children(parent, className))
    if (WindowText(child) == text) return child;
  return 0;
}

std::wstring WindowText(Rtl::THandle window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(Hwnd(window), WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 10000, &length)) return L"?";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(Hwnd(window), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_NORMAL, 10000, &copied))
    return L"?";
  text.resize(copied);
  return text;
}

std::wstring ClassName(Rtl::THandle window) {
  wchar_t name[256] = {};
  GetClassNameW(Hwnd(window), name, 256);
  return name;
}

TRect ScreenRect(Rtl::THandle window) {
  RECT r{};
  GetWindowRect(Hwnd(window), &r);
  return ToRect(r);
}

TRect ClientPosition(Rtl::THandle window) {
  RECT r{};
  GetWindowRect(Hwnd(window), &r);
  MapWindowPoints(nullptr, GetParent(Hwnd(window)), reinterpret_cast<POINT*>(&r), 2);
  return ToRect(r);
}

TRect WorkArea(Rtl::THandle window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(Hwnd(window), MONITOR_DEFAULTTONEAREST), &info);
  return ToRect(info.rcWork);
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (std::size_t pos; (pos = text.find(L"\r\n", start)) != std::wstring::npos; start = pos + 2)
    lines.push_back(text.substr(start, pos - start));
  lines.push_back(text.substr(start));
  return lines;
}

TMessageBoxCloser::TMessageBoxCloser(std::uint32_t processId, unsigned timeoutMs)
    : FResult(), FThread([this, processId, timeoutMs] {
        const Rtl::THandle box = WaitForWindow(processId, L"#32770", L"", timeoutMs);
        if (box == 0) return;
        FResult.Found = true;
        FResult.Caption = WindowText(box);
        for (Rtl::THandle child : Children(box, L"Static"))
          if (std::wstring text = WindowText(child); !text.empty()) FResult.Texts.push_back(text);
        for (Rtl::THandle child : Children(box, L"Button"))
          if (IsWindowVisible(Hwnd(child))) FResult.Buttons.push_back(WindowText(child));
        FResult.Rect = ScreenRect(box);
        FResult.Work = WorkArea(box);
        PostMessageW(Hwnd(box), WM_COMMAND, IDOK, 0);
        WaitUntilGone(box, timeoutMs);
      }) {}

TDialogWatcher::TDialogWatcher(std::uint32_t processId, TAction action, const std::wstring& className,
                               unsigned timeoutMs)
    : FResult(), FThread([this, processId, action = std::move(action), className, timeoutMs] {
        const Rtl::THandle window = WaitForWindow(processId, className, L"", timeoutMs);
        if (window == 0) return;
        // The dialog is ready for input once its default button has the focus.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        while (std::chrono::steady_clock::now() < end) {
          if (GetGUIThreadInfo(GetWindowThreadProcessId(Hwnd(window), nullptr), &thread) &&
              thread.hwndFocus != nullptr && GetParent(thread.hwndFocus) == Hwnd(window) &&
              (GetWindowLongW(thread.hwndFocus, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            break;
          Pause();
        }
        FResult.Found = true;
        FResult.Window = window;
        FResult.Caption = WindowText(window);
        for (Rtl::THandle child : Children(window)) {
          if (!IsWindowVisible(Hwnd(child))) continue;
          const std::wstring cls = ClassName(child);
          const LONG style = GetWindowLongW(Hwnd(child), GWL_STYLE);
          if (cls == L"Button") {
            FResult.Buttons.push_back(WindowText(child));
            if (Hwnd(child) == thread.hwndFocus) FResult.Focused = FResult.Buttons.back();
          } else if (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
            FResult.Icon = static_cast<Rtl::THandle>(SendMessageW(Hwnd(child), STM_GETICON, 0, 0));
          } else if (cls == L"Static" || cls == L"Edit") {
            FResult.Texts.push_back(WindowText(child));
          }
        }
        FResult.Rect = ScreenRect(window);
        FResult.Work = WorkArea(window);
        action(FResult);
        // A dialog that the action left open is closed: the test goes on.
        if (!WaitUntilGone(window, timeoutMs)) {
          PostMessageW(Hwnd(window), WM_CLOSE, 0, 0);
          WaitUntilGone(window, timeoutMs);
        }
      }) {}

TDialogWatcher::~TDialogWatcher() {
  if (FThread.joinable()) FThread.join();
}

const TDialog& TDialogWatcher::Result() {
  if (FThread.joinable()) FThread.join();
  return FResult;
}

void BringToFront(Rtl::THandle window) {
  for (int i = 0; i < 20 && GetForegroundWindow() != Hwnd(window); ++i) {
    SetForegroundWindow(Hwnd(window));
    Pause();
  }
}

void ClickButton(const TDialog& dialog, const std::wstring& caption) {
  const Rtl::THandle button = FindChild(dialog.Window, L"Button", caption);
  if (button == 0) return;
  BringToFront(dialog.Window);
  const TRect r = ScreenRect(button);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3]{};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(r.Left + r.Width() / 2, 65535, width - 1);
    input.mi.dy = MulDiv(r.Top + r.Height() / 2, 65535, height - 1);
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &inputs[0], sizeof(INPUT));
  Pause();
  SendInput(2, &inputs[1], sizeof(INPUT));
}

void PressKey(std::uint16_t virtualKey, bool alt) {
  std::vector<INPUT> inputs;
  auto key = [&inputs](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  if (alt) key(VK_MENU, false);
  key(virtualKey, false);
  key(virtualKey, true);
  if (alt) key(VK_MENU, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void SaveScreenshot(Rtl::THandle window, const std::wstring& fileName) {
  const TRect r = ScreenRect(window);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.Width(), r.Height());
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, r.Width(), r.Height(), screen, r.Left, r.Top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = r.Width();
  info.biHeight = r.Height();
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = ((static_cast<DWORD>(r.Width()) * 3 + 3) & ~3u);
  std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(r.Height()));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(r.Height()), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
  HANDLE file = CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, &header, sizeof header, &written, nullptr);
  WriteFile(file, &info, sizeof info, &written, nullptr);
  WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
  CloseHandle(file);
}

void CloseWindow(const TDialog& dialog) { PostMessageW(Hwnd(dialog.Window), WM_CLOSE, 0, 0); }

TMessageBoxCloser::~TMessageBoxCloser() {
  if (FThread.joinable()) FThread.join();
}

const TMessageBox& TMessageBoxCloser::Result() {
  if (FThread.joinable()) FThread.join();
  return FResult;
}

}  // namespace GuiSupport
