// Helpers of the window tests: finding the windows of a process, reading
// their texts (also across processes) and closing message boxes from code.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/Core/Types.h"
#include "runtime/Toolkit/Forms.h"

namespace GuiSupport {

// One application object for a whole test program, made before the units
// start and freed after they shut down (a help object hooks it once):
//   ::testing::AddGlobalTestEnvironment(new GuiSupport::TApplicationEnvironment)
class TApplicationEnvironment : public ::testing::Environment {
public:
  void SetUp() override { FApplication = std::make_unique<Rtl::TApplication>(); }
  void TearDown() override { FApplication.reset(); }

private:
  std::unique_ptr<Rtl::TApplication> FApplication;
};

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
};

// A visible top-level window of the process with that class and caption
// ("" for any), waited for up to `timeoutMs`; 0 when none appears.
Rtl::THandle WaitForWindow(std::uint32_t processId, const std::wstring& className, const std::wstring& caption,
                           unsigned timeoutMs = 60000);
// Waits until the window is gone; false when it is still there.
bool WaitUntilGone(Rtl::THandle window, unsigned timeoutMs = 60000);

// The direct children of a window of that class ("" for any), in Z order.
std::vector<Rtl::THandle> Children(Rtl::THandle parent, const std::wstring& className = L"");
// The child of that class and text, or 0.
Rtl::THandle FindChild(Rtl::THandle parent, const std::wstring& className, const std::wstring& text);
// The window's text by WM_GETTEXT, which works across processes.
std::wstring WindowText(Rtl::THandle window);
std::wstring ClassName(Rtl::THandle window);
// The window's rectangle on the screen, and relative to its parent's
// client area.
TRect ScreenRect(Rtl::THandle window);
TRect ClientPosition(Rtl::THandle window);
// The work area of the screen that the window is on.
TRect WorkArea(Rtl::THandle window);
// A text split at CR LF (an empty text gives no line).
std::vector<std::wstring> SplitLines(const std::wstring& text);

// What a message box showed.
struct TMessageBox {
  bool Found = false;
  std::wstring Caption;
  std::vector<std::wstring> Texts;    // its static texts
  std::vector<std::wstring> Buttons;  // its visible buttons
  TRect Rect;
  TRect Work;
};

// Watches, on a thread of its own, for the next message box (a dialog
// window) of a process, records what it shows and closes it by posting
// IDOK (its timeout is not honoured everywhere, so it is closed from code).
class TMessageBoxCloser {
public:
  explicit TMessageBoxCloser(std::uint32_t processId, unsigned timeoutMs = 60000);
  ~TMessageBoxCloser();
  TMessageBoxCloser(const TMessageBoxCloser&) = delete;
  TMessageBoxCloser& operator=(const TMessageBoxCloser&) = delete;
  // Waits for the thread; what it saw.
  const TMessageBox& Result();

private:
  TMessageBox FResult;  // before the thread that fills it
  std::thread FThread;
};

// What a dialog of the toolkit (a message dialog) showed, in the order of
// its windows: the icon it shows, its texts (static texts and a text box)
// and its visible buttons.
struct TDialog {
  bool Found = false;
  Rtl::THandle Window = 0;
  std::wstring Caption;
  Rtl::THandle Icon = 0;
  std::vector<std::wstring> Texts;
  std::vector<std::wstring> Buttons;
  std::wstring Focused;  // the caption of the button with the focus
  TRect Rect;
  TRect Work;
};

// Watches, on a thread of its own, for the next visible window of that
// class in the process, records what it shows and then runs `action` on
// it (which presses a button as a user would).
class TDialogWatcher {
public:
  using TAction = std::function<void(const TDialog&)>;
  TDialogWatcher(std::uint32_t processId, TAction action, const std::wstring& className = L"TMessageForm",
                 unsigned timeoutMs = 60000);
  ~TDialogWatcher();
  TDialogWatcher(const TDialogWatcher&) = delete;
  TDialogWatcher& operator=(const TDialogWatcher&) = delete;
  // Waits for the thread; what it saw.
  const TDialog& Result();

private:
  TDialog FResult;
  std::thread FThread;
};

// A real click of the mouse (through the system's input) at the centre of
// the dialog's button of that caption.
void ClickButton(const TDialog& dialog, const std::wstring& caption);
// A real key press (through the system's input), with Alt held when asked.
void PressKey(std::uint16_t virtualKey, bool alt = false);
// The close box: the window is asked to close.
void CloseWindow(const TDialog& dialog);
// Saves what the screen shows of the window as a 24-bit BMP file.
void SaveScreenshot(Rtl::THandle window, const std::wstring& fileName);
// Makes the window the foreground window (waited for up to a second).
void BringToFront(Rtl::THandle window);

}  // namespace GuiSupport
