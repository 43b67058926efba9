#include "QdUtils/MessageDlg.h"

#include "QdHtmlHelp/HtmlHelp.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Units.h"
#include "runtime/Text/Utf8.h"

namespace Qd {

namespace {

struct TUtilsState {
  int WaitCursorCount = 0;
};

constinit Rtl::TUnitState<TUtilsState> State(L"QdUtils");

std::wstring MessageOf(const std::exception& e) {
  if (const auto* exception = dynamic_cast<const Rtl::Exception*>(&e)) return exception->Message();
  return Rtl::Utf8Decode(e.what());
}

}  // namespace

int TMessageDlg::Show(const std::wstring& message, Rtl::TMsgDlgType dlgType, Rtl::TMsgDlgButtons buttons,
                      const std::wstring& helpTopic) {
  if (!helpTopic.empty()) buttons.Include(Rtl::mbHelp);
  const Rtl::THelpContext helpContext = THtmlHelp::TopicToContext(helpTopic);
  return Rtl::MessageDlgPos(message, dlgType, buttons, helpContext, -1, -1);
}

int TMessageDlg::ShowFmt(const std::wstring& format, Rtl::TFormatArgs args, Rtl::TMsgDlgType dlgType,
                         Rtl::TMsgDlgButtons buttons, const std::wstring& helpTopic) {
  return Show(Rtl::Format(format, args), dlgType, buttons, helpTopic);
}

bool TMessageDlg::Error(const std::exception& e, const std::wstring& helpTopic) {
  return Show(MessageOf(e), Rtl::mtError, {Rtl::mbOK}, helpTopic) == Rtl::mrYes;
}

bool TMessageDlg::Warning(const std::wstring& message, const std::wstring& helpTopic) {
  return Show(message, Rtl::mtWarning, {Rtl::mbOK}, helpTopic) == Rtl::mrYes;
}

bool TMessageDlg::WarningFmt(const std::wstring& format, Rtl::TFormatArgs args, const std::wstring& helpTopic) {
  return Warning(Rtl::Format(format, args), helpTopic);
}

bool TMessageDlg::Information(const std::wstring& message, const std::wstring& helpTopic) {
  return Show(message, Rtl::mtInformation, {Rtl::mbOK}, helpTopic) == Rtl::mrYes;
}

bool TMessageDlg::InformationFmt(const std::wstring& format, Rtl::TFormatArgs args,
                                 const std::wstring& helpTopic) {
  return Information(Rtl::Format(format, args), helpTopic);
}

int TMessageDlg::Confirm(const std::wstring& message, Rtl::TMsgDlgButtons buttons, const std::wstring& helpTopic) {
  return Show(message, Rtl::mtConfirmation, buttons, helpTopic);
}

bool TMessageDlg::Confirm(const std::wstring& message, const std::wstring& helpTopic) {
  return Confirm(message, {Rtl::mbYes, Rtl::mbNo}, helpTopic) == Rtl::mrYes;
}

bool TMessageDlg::ConfirmFmt(const std::wstring& format, Rtl::TFormatArgs args, const std::wstring& helpTopic) {
  return Confirm(Rtl::Format(format, args), helpTopic);
}

int& waitCursorCount() { return State.Get().WaitCursorCount; }

}  // namespace Qd

namespace Qd::QdUtilsUnit {

void Initialization() { State.Start(std::make_unique<TUtilsState>()); }

void Finalization() { State.Stop(); }

}  // namespace Qd::QdUtilsUnit
