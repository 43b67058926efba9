#include "MainFrm.h"

#include "QdVersion.h"
#include "Strings.h"

namespace Korvasweep {

TMainForm* MainForm = nullptr;

TMainForm::TMainForm() = default;

TMainForm::~TMainForm() = default;

void TMainForm::DeclareMembers(Rtl::TFormMembers& members) {
  members.Field(L"Memo", Memo);
  members.Field(L"CleanButton", CleanButton);
  members.Field(L"CloseButton", CloseButton);
  members.Method(L"FormCreate", [this](Rtl::TObject* sender) { FormCreate(sender); });
  members.Method(L"CleanButtonClick", [this](Rtl::TObject* sender) { CleanButtonClick(sender); });
  members.Method(L"CloseButtonClick", [this](Rtl::TObject* sender) { CloseButtonClick(sender); });
}

void TMainForm::BindOutput() {
  FCleaner->SetOnAction([this](TCleaner& sender, const std::wstring& line) { Add(sender, line); });
}

void TMainForm::Add(TCleaner& /*sender*/, const std::wstring& line) {
  Rtl::TMemoLines& lines = Memo->Lines();
  if (line.empty() && (lines.Count() == 0 || lines[lines.Count() - 1].empty())) return;
  lines.Add(line);
}

void TMainForm::DoProcess(TCleanMode mode) {
  FCleaner->Clear();
  if (Qd::TVersion::Is64Bit()) FCleaner->Process(mode, Qd::rvRegistry64);
  FCleaner->Process(mode, Qd::rvRegistry32);
}

void TMainForm::FormCreate(Rtl::TObject* /*sender*/) {
  FCleaner = std::make_unique<TCleaner>();
  BindOutput();
  DoProcess(cmScan);
  CleanButton->SetEnabled(Memo->Lines().Count() > 0);
}

void TMainForm::CleanButtonClick(Rtl::TObject* /*sender*/) {
  // The cursor comes back however the passes end.
  struct TBusyCursor {
    TBusyCursor() { Rtl::Screen->SetCursor(Rtl::crHourGlass); }
    ~TBusyCursor() { Rtl::Screen->SetCursor(Rtl::crDefault); }
  };
  {
    TBusyCursor busy;
    Memo->Lines().Clear();
    // The clean pass runs silently; the scan after it shows what is left.
    FCleaner->SetOnAction(nullptr);
    DoProcess(cmClean);
    BindOutput();
    DoProcess(cmScan);
  }
  Rtl::ShowMessage(Rtl::LoadResString(Korvasweep::SCleaningComplete));
}

void TMainForm::CloseButtonClick(Rtl::TObject* /*sender*/) { Close(); }

}  // namespace Korvasweep
