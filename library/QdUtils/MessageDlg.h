// Message dialogs with an optional help topic: a topic adds the Help
// button, which opens the topic through the help mapping (QdHtmlHelp).
#pragma once

#include <exception>
#include <string>

#include "runtime/Text/Format.h"
#include "runtime/Toolkit/Dialogs.h"

namespace Qd {

class TMessageDlg {
public:
  TMessageDlg() = delete;

  // The toolkit's message dialog, centred, with the Help button when
  // `helpTopic` is not empty; the modal result of the button pressed.
  static int Show(const std::wstring& message, Rtl::TMsgDlgType dlgType, Rtl::TMsgDlgButtons buttons,
                  const std::wstring& helpTopic = L"");
  // Show of the formatted message; a format that doesn't match its
  // arguments raises before any dialog appears.
  static int ShowFmt(const std::wstring& format, Rtl::TFormatArgs args, Rtl::TMsgDlgType dlgType,
                     Rtl::TMsgDlgButtons buttons, const std::wstring& helpTopic = L"");
  // These offer OK (and Help with a topic): true only for Yes, so never
  // from these buttons.
  static bool Error(const std::exception& e, const std::wstring& helpTopic = L"");
  static bool Warning(const std::wstring& message, const std::wstring& helpTopic = L"");
  static bool WarningFmt(const std::wstring& format, Rtl::TFormatArgs args, const std::wstring& helpTopic = L"");
  static bool Information(const std::wstring& message, const std::wstring& helpTopic = L"");
  static bool InformationFmt(const std::wstring& format, Rtl::TFormatArgs args, const std::wstring& helpTopic = L"");
  // A confirmation with the given buttons; its modal result.
  static int Confirm(const std::wstring& message, Rtl::TMsgDlgButtons buttons, const std::wstring& helpTopic);
  // A confirmation with Yes and No: true for Yes.
  static bool Confirm(const std::wstring& message, const std::wstring& helpTopic = L"");
  static bool ConfirmFmt(const std::wstring& format, Rtl::TFormatArgs args, const std::wstring& helpTopic = L"");
};

// The count of nested requests for the busy cursor; 0 after start-up.
// Raises "QdUtils is not started" outside the unit's life.
int& waitCursorCount();

}  // namespace Qd

namespace Qd::QdUtilsUnit {

void Initialization();
void Finalization();

}  // namespace Qd::QdUtilsUnit
