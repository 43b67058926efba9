// Forms, the application object with its message loop, the screen (the
// global cursor) and message boxes.
//
// A form is built from its form description: the binary form stream in the
// program's RCDATA resource named after the form's class (the resource
// compiler stores the name upper-cased; the lookup ignores case). The
// stream's root object gives the window's properties, its child objects the
// controls, which are bound to the form's fields by name; event properties
// name the form's methods. A form class declares its class with RTL_CLASS
// (its name names the resource and the window class) and its fields and
// methods in DeclareMembers. Forms are built while the application object
// exists: it registers the toolkit's control classes.
//
// Exceptions never cross the system's window procedures: one raised by an
// event handler is shown by Application->HandleException and the message
// loop goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/IO/Streams.h"
#include "runtime/Toolkit/Controls.h"
#include "runtime/Toolkit/Menus.h"

namespace Rtl {

// The fields and methods of a form that its form stream refers to by name.
class TFormMembers {
public:
  // `field` receives the control of that name, which must be a T (and is
  // reset when the form fails to load).
  template <class T>
  void Field(const std::wstring& name, T*& field) {
    FFields.push_back({name, [&field](TControl* control) {
                         T* typed = dynamic_cast<T*>(control);
                         if (typed == nullptr && control != nullptr) return false;
                         field = typed;
                         return true;
                       }});
  }
  void Method(const std::wstring& name, TNotifyEvent handler) {
    FMethods.push_back({name, std::move(handler)});
  }

private:
  friend class TForm;
  struct TField {
    std::wstring Name;
    std::function<bool(TControl*)> Bind;
  };
  struct TMethod {
    std::wstring Name;
    TNotifyEvent Handler;
  };
  std::vector<TField> FFields;
  std::vector<TMethod> FMethods;
};

enum TFormBorderStyle : std::uint8_t { bsSizeable, bsSingle, bsDialog };
RTL_ENUM_INFO(TFormBorderStyle, L"bsSizeable", L"bsSingle", L"bsDialog")

class TForm : public TControl {
  RTL_CLASS(TForm, TControl)
public:
  TForm();
  ~TForm() override;

  // Builds the form from its form stream: the RCDATA resource named after
  // the class in `instance` (EResNotFound "Resource %s not found"), or the
  // given stream. Then OnCreate runs. Errors in the stream raise
  // EReadError "Error reading <object>.<property>: ...", EClassNotFound for
  // an unknown control class; the form then has no window.
  void LoadFromResource(HINST instance);
  void LoadFromStream(TStream& stream);
  // The module that holds the form stream of `className` for the module
  // `instance`: its resource handle (a resource module installed for it,
  // runtime/Core/Modules.h) when that holds the form, else the module
  // itself (a resource module that lacks a form falls back to the
  // original).
  static HINST FindFormResource(HINST instance, const std::wstring& className);
  void Load(const TFormObject& root);

  const std::wstring& Caption() const { return FCaption; }
  void SetCaption(const std::wstring& value);
  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  TFont& Font() { return FFont; }
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return FControls; }
  // The control of that name (ASCII case ignored), or null.
  TControl* FindControl(const std::wstring& name) const;
  // The handler of a method named in the form stream; EReadError
  // "Method %s not found" for a name the form didn't declare.
  const TNotifyEvent& MethodByName(const std::wstring& name) const;

  TNotifyEvent OnCreate;

  // The form's main menu (borrowed; it must outlive the form's window or
  // be replaced first), shown as the window's menu bar; null for none.
  // The bar shows the items as they are when it is set.
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* menu);

  void Show();
  // Closes the window; closing the main form ends the message loop.
  void Close();

protected:
  virtual void DeclareMembers(TFormMembers& /*members*/) {}

  bool ReadProperty(const std::wstring& name, const TFormValue& value) override;
  const wchar_t* WindowClass() const override { return ClassType().Name; }
  std::uint32_t Style() const override;
  std::uint32_t ExStyle() const override;
  const std::wstring& WindowText() const override { return FCaption; }
  void ScaleBy(int multiplier, int divisor) override;

private:
  friend struct TFormWindowProc;
  void ReadObject(TControl& control, const TFormObject& object);
  void CreateWindowHandle();
  std::intptr_t WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  TControl* ControlOfHandle(THandle handle) const;
  void FocusFirstControl();

  std::wstring FCaption;
  int FClientWidth = -1;
  int FClientHeight = -1;
  int FPixelsPerInch = 0;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TFont FFont;
  TFormMembers FMembers;
  std::vector<std::unique_ptr<TControl>> FControls;
  THandle FFocused = 0;  // the focused control while the form is inactive
  TMainMenu* FMenu = nullptr;
};

enum TCursor : std::int16_t { crDefault = 0, crArrow = -2, crHourGlass = -11 };

// The screen: the global cursor shown over every window of the program.
class TScreen {
public:
  TCursor Cursor() const { return FCursor; }
  // crDefault gives every window its own cursor back.
  void SetCursor(TCursor value);
  // The screen's resolution in dots per inch.
  int PixelsPerInch() const;
  // The handle of the cursor to show instead of the windows' own, or 0.
  THandle CursorHandle() const;

private:
  TCursor FCursor = crDefault;
};

// The application's help request: `command` is the system's help command
// (1 a help context in `data`; 0x101 a key and 0x102 a command, whose text
// `data` points to while the call lasts), `callHelp` (true on entry) asks
// for the toolkit's own help processing, which a handler clears when it
// shows the help itself. The result tells whether the request was handled.
using THelpEvent = std::function<bool(std::uint16_t command, std::intptr_t data, bool& callHelp)>;

inline constexpr std::uint16_t HELP_CONTEXT_C = 1;
inline constexpr std::uint16_t HELP_KEY_C = 0x101;
inline constexpr std::uint16_t HELP_COMMAND_C = 0x102;

// The application: its forms, its message loop and its title. One object
// exists while the program runs (the program's body holds it); it is then
// reachable as Application, its screen as Screen. While it exists the
// toolkit's control classes are registered.
class TApplication : public TObject {
public:
  // EInvalidOperation when another application object exists.
  TApplication();
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Loads the common controls.
  void Initialize();
  // The main form is a window of its own on the taskbar.
  bool MainFormOnTaskBar() const { return FMainFormOnTaskBar; }
  void SetMainFormOnTaskBar(bool value) { FMainFormOnTaskBar = value; }
  // The program's name: the executable's file name without its extension
  // unless set.
  const std::wstring& Title() const { return FTitle; }
  void SetTitle(std::wstring value) { FTitle = std::move(value); }

  // Creates a form of class T from the program's resources (those of its
  // resource handle first, TForm::FindFormResource), keeps it, and
  // sets `reference` to it before it is loaded (so that its OnCreate
  // handler can use it). The first form created is the main form. When
  // loading fails, `reference` is reset and the exception passes on.
  template <class T>
  void CreateForm(T*& reference) {
    auto form = std::make_unique<T>();
    reference = form.get();
    try {
      AddForm(std::move(form));
    } catch (...) {
      reference = nullptr;
      throw;
    }
  }

  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and runs the message loop until it is closed.
  void Run();
  // Ends the message loop.
  void Terminate();
  // Shows the message of the exception being handled (call it in a catch
  // block) in an error box; the program goes on.
  void HandleException();
  // A modal message box over the active window; returns the button chosen.
  int MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags);

  // The help request; F1 raises it with the help context of the focused
  // control (else of its form), or, while a menu is open, of the
  // highlighted menu item, when that context is not 0.
  THelpEvent OnHelp;
  // Raise the help request; the handler's result (false without one).
  bool HelpCommand(std::uint16_t command, std::intptr_t data);
  bool HelpContext(THelpContext context);
  bool HelpKeyword(const std::wstring& keyword);

  // Called when the application object is destroyed, for objects that hold
  // on to it (the one registered for `owner` replaces an earlier one).
  void AddFreeNotification(const void* owner, std::function<void()> notify);
  void RemoveFreeNotification(const void* owner);

  // One message of a message loop (a MSG): F1 raises the help request, a
  // form's dialog keys move between its controls; others are translated
  // and dispatched.
  void ProcessMessage(void* msg);

private:
  void AddForm(std::unique_ptr<TForm> form);
  bool IsFormMessage(void* msg);
  bool IsHelpKey(void* msg);

  std::vector<std::unique_ptr<TForm>> FForms;
  TForm* FMainForm = nullptr;
  bool FMainFormOnTaskBar = false;
  std::wstring FTitle;
  TScreen FScreen;
  std::vector<std::pair<const void*, std::function<void()>>> FFreeNotifications;
  THandle FMenuHook = 0;  // F1 in the menus of this thread
};

// The help context of a window of the toolkit: its control's, else the
// form's that it is on; 0 for another window.
THelpContext HelpContextOfWindow(THandle window);

extern TApplication* Application;
extern TScreen* Screen;

// A modal message box with one OK button, centred on the screen and
// captioned with the program's name (Application->Title).
void ShowMessage(const std::wstring& message);

// The message of the exception being handled in a modal error box
// captioned with the program's name; usable before the application object
// exists and after it is gone.
void ShowCurrentException();

}  // namespace Rtl
