// Menus built in code: a main menu and its items, each with a name, a
// caption ("-" makes a separator; an "&" marks the accelerator), a help
// context and sub-items. A form shows a main menu as its menu bar
// (TForm::SetMenu).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/Core/Classes.h"
#include "runtime/Core/Object.h"
#include "runtime/Toolkit/Controls.h"

namespace Rtl {

class TMenuItem : public TObject {
public:
  TMenuItem();
  TMenuItem(std::wstring name, std::wstring caption, THelpContext helpContext = 0);
  ~TMenuItem() override;
  TMenuItem(const TMenuItem&) = delete;
  TMenuItem& operator=(const TMenuItem&) = delete;

  const std::wstring& Name() const { return FName; }
  void SetName(std::wstring value) { FName = std::move(value); }
  const std::wstring& Caption() const { return FCaption; }
  void SetCaption(std::wstring value) { FCaption = std::move(value); }
  THelpContext HelpContext() const { return FHelpContext; }
  void SetHelpContext(THelpContext value) { FHelpContext = value; }
  // A separator: the caption "-".
  bool IsLine() const { return FCaption == L"-"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  // The sub-item at `index`; EListError "List index out of bounds (%d)"
  // outside 0..Count-1.
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return FParent; }
  // Appends a sub-item, which the item then owns.
  TMenuItem& Add(std::unique_ptr<TMenuItem> item);
  TMenuItem& Add(std::wstring name, std::wstring caption, THelpContext helpContext = 0);

  // The number that names the item in its window's messages; unique in the
  // process.
  int Command() const { return FCommand; }
  // This item or the sub-item (at any depth) of that command, or null.
  TMenuItem* FindCommand(int command);

  TNotifyEvent OnClick;
  // Fires OnClick, as a choice of the user does.
  void Click();

private:
  std::wstring FName;
  std::wstring FCaption;
  THelpContext FHelpContext = 0;
  TMenuItem* FParent = nullptr;
  std::vector<std::unique_ptr<TMenuItem>> FItems;
  int FCommand;
};

// A form's menu bar: the sub-items of Items are its top-level items.
class TMainMenu : public TObject {
public:
  TMainMenu() = default;
  TMainMenu(const TMainMenu&) = delete;
  TMainMenu& operator=(const TMainMenu&) = delete;
  TMenuItem& Items() { return FItems; }
  const TMenuItem& Items() const { return FItems; }

  // A new menu bar of the system with the items as they are now; the
  // window it is set on destroys it.
  THandle CreateHandle() const;

private:
  TMenuItem FItems;
};

// The menu item highlighted in an open menu of this thread, or null
// (kept by the forms from the system's selection messages).
TMenuItem* HighlightedMenuItem();

}  // namespace Rtl
