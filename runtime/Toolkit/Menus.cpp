#include "runtime/Toolkit/Menus.h"

#include <atomic>

#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Strings.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Win32.h"

namespace Rtl {

namespace {

// Commands stay below 0xF000, where the system's own commands begin, and
// above the dialog commands (IDOK ... IDCONTINUE).
constexpr int FIRST_COMMAND_C = 100;
constexpr int COMMAND_COUNT_C = 0xF000 - FIRST_COMMAND_C;

int NextCommand() {
  static std::atomic<int> next{0};
  return FIRST_COMMAND_C + next.fetch_add(1) % COMMAND_COUNT_C;
}

void AppendItems(HMENU menu, const TMenuItem& parent) {
  for (int i = 0; i < parent.Count(); ++i) {
    const TMenuItem& item = *parent.Items(i);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE;
    info.wID = static_cast<UINT>(item.Command());
    if (item.IsLine()) {
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask |= MIIM_STRING;
      info.dwTypeData = const_cast<wchar_t*>(item.Caption().c_str());
      if (item.Count() > 0) {
        HMENU sub = CreatePopupMenu();
        if (sub == nullptr) RaiseLastOSError();
        AppendItems(sub, item);
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = sub;
      }
    }
    if (!InsertMenuItemW(menu, static_cast<UINT>(i), TRUE, &info)) {
      if (info.hSubMenu != nullptr) DestroyMenu(info.hSubMenu);
      RaiseLastOSError();
    }
  }
}

thread_local TMenuItem* Highlighted = nullptr;

}  // namespace

namespace MenuDetail {
void SetHighlighted(TMenuItem* item) { Highlighted = item; }
}  // namespace MenuDetail

TMenuItem* HighlightedMenuItem() { return Highlighted; }

TMenuItem::TMenuItem() : FCommand(NextCommand()) {}

TMenuItem::TMenuItem(std::wstring name, std::wstring caption, THelpContext helpContext)
    : FName(std::move(name)), FCaption(std::move(caption)), FHelpContext(helpContext), FCommand(NextCommand()) {}

TMenuItem::~TMenuItem() {
  if (Highlighted == this) Highlighted = nullptr;
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(LoadResString(SListIndexError), {index}));
  return FItems[static_cast<std::size_t>(index)].get();
}

TMenuItem& TMenuItem::Add(std::unique_ptr<TMenuItem> item) {
  item->FParent = this;
  FItems.push_back(std::move(item));
  return *FItems.back();
}

TMenuItem& TMenuItem::Add(std::wstring name, std::wstring caption, THelpContext helpContext) {
  return Add(std::make_unique<TMenuItem>(std::move(name), std::move(caption), helpContext));
}

TMenuItem* TMenuItem::FindCommand(int command) {
  if (command == FCommand) return this;
  for (const auto& item : FItems)
    if (TMenuItem* found = item->FindCommand(command)) return found;
  return nullptr;
}

void TMenuItem::Click() {
  if (TNotifyEvent handler = OnClick) handler(this);
}

THandle TMainMenu::CreateHandle() const {
  HMENU menu = CreateMenu();
  if (menu == nullptr) RaiseLastOSError();
  try {
    AppendItems(menu, FItems);
  } catch (...) {
    DestroyMenu(menu);
    throw;
  }
  return reinterpret_cast<THandle>(menu);
}

}  // namespace Rtl
