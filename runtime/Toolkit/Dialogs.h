// The message dialog: a form built in code with the icon and caption of
// its type, the message (wrapped; in a scrolling box when it would not fit
// the work area) and a row of buttons in a fixed order, each with its
// accelerator. Enter presses the default button (OK, else Yes, else the
// first); Escape presses Cancel, else No, else OK, and does nothing
// without them; the close box gives mrCancel. The Help button raises the
// application's help request with the dialog's help context (or, when the
// focused control has one, the control's: F1 does the same) and leaves the
// dialog open.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Toolkit/Controls.h"

namespace Rtl {

enum TMsgDlgType : std::uint8_t { mtWarning, mtError, mtInformation, mtConfirmation };
RTL_ENUM_INFO(TMsgDlgType, L"mtWarning", L"mtError", L"mtInformation", L"mtConfirmation")

enum TMsgDlgBtn : std::uint8_t {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose
};
RTL_ENUM_INFO(TMsgDlgBtn, L"mbYes", L"mbNo", L"mbOK", L"mbCancel", L"mbAbort", L"mbRetry", L"mbIgnore", L"mbAll",
              L"mbNoToAll", L"mbYesToAll", L"mbHelp", L"mbClose")
using TMsgDlgButtons = TSet<TMsgDlgBtn, mbClose>;

// The result of a modal form: the button that closed it.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrClose = 8;
// Clear of the system's own button numbers (IDHELP 9, IDTRYAGAIN 10,
// IDCONTINUE 11).
inline constexpr TModalResult mrAll = 12;
inline constexpr TModalResult mrNoToAll = 13;
inline constexpr TModalResult mrYesToAll = 14;

// The modal result of a button (mrNone for Help, which closes nothing).
TModalResult ModalResultOf(TMsgDlgBtn button);

// Shows the message dialog over the program's windows (which it disables
// while it is open) and returns the modal result of the button pressed.
// At x = y = -1 the dialog is centred on the work area; a coordinate of 0
// or more places that edge there (kept on the work area). An empty set of
// buttons shows OK.
TModalResult MessageDlgPos(const std::wstring& message, TMsgDlgType type, TMsgDlgButtons buttons,
                           THelpContext helpContext, int x, int y);
TModalResult MessageDlg(const std::wstring& message, TMsgDlgType type, TMsgDlgButtons buttons,
                        THelpContext helpContext);

}  // namespace Rtl
