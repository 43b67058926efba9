// The main window "Clean Installations": the findings of the cleaning engine
// in a read-only text box, a button that cleans them away and one that
// closes the program. Built from the form description MainFrm.form.
#pragma once

#include <memory>
#include <string>

#include "Cleaner.h"
#include "runtime/Toolkit/Forms.h"

namespace Korvasweep {

class TMainForm : public Rtl::TForm {
  RTL_CLASS(TMainForm, Rtl::TForm)
public:
  TMainForm();
  ~TMainForm() override;

  Rtl::TMemo* Memo = nullptr;
  Rtl::TButton* CleanButton = nullptr;
  Rtl::TButton* CloseButton = nullptr;

  void FormCreate(Rtl::TObject* sender);
  void CleanButtonClick(Rtl::TObject* sender);
  void CloseButtonClick(Rtl::TObject* sender);

protected:
  void DeclareMembers(Rtl::TFormMembers& members) override;

private:
  // One pass of the engine: the 64-bit view (on 64-bit Windows), then the
  // 32-bit view.
  void DoProcess(TCleanMode mode);
  // The engine's lines; the text box never starts with a blank line and
  // never shows two in a row.
  void Add(TCleaner& sender, const std::wstring& line);
  void BindOutput();

  std::unique_ptr<TCleaner> FCleaner;
};

// The program's one main window.
extern TMainForm* MainForm;

}  // namespace Korvasweep
