#include "runtime/Core/Modules.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"

namespace Rtl {

namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

// One module of the list, with the resource module the list loaded for it.
struct TListEntry {
  TModuleEntry Entry;
  std::shared_ptr<TLoadedModule> Owned;
};

// The list, head first; the executable is put in at the first use.
std::vector<TListEntry>& List() {
  static std::vector<TListEntry> list{{{MainInstance(), MainInstance(), {}}, nullptr}};
  return list;
}

std::vector<TListEntry>::iterator Find(std::vector<TListEntry>& list, HINST instance) {
  return std::find_if(list.begin(), list.end(),
                      [instance](const TListEntry& e) { return e.Entry.Instance == instance; });
}

// Back to the module's own resources; returns what the list owned, to be
// freed outside the lock.
std::shared_ptr<TLoadedModule> Restore(TListEntry& entry) {
  entry.Entry.ResourceHandle = entry.Entry.Instance;
  entry.Entry.ResourceFileName.clear();
  return std::exchange(entry.Owned, nullptr);
}

}  // namespace

void RegisterModule(HINST instance) {
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TListEntry>& list = List();
  TListEntry entry{{instance, instance, {}}, nullptr};
  const auto it = Find(list, instance);
  if (it != list.end()) {
    entry = std::move(*it);
    list.erase(it);
  }
  list.insert(list.begin(), std::move(entry));
}

void UnregisterModule(HINST instance) {
  std::shared_ptr<TLoadedModule> owned;
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TListEntry>& list = List();
  const auto it = Find(list, instance);
  if (it == list.end()) return;
  owned = std::move(it->Owned);
  list.erase(it);
}

std::vector<TModuleEntry> Modules() {
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TModuleEntry> result;
  for (const TListEntry& e : List()) result.push_back(e.Entry);
  return result;
}

HINST FindResourceHInstance(HINST instance) {
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TListEntry>& list = List();
  const auto it = Find(list, instance);
  return it != list.end() && it->Entry.ResourceHandle != 0 ? it->Entry.ResourceHandle : instance;
}

bool SetResourceHInstance(HINST instance, HINST resourceHandle) {
  std::shared_ptr<TLoadedModule> owned;  // freed after the lock is left
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TListEntry>& list = List();
  const auto it = Find(list, instance);
  if (it == list.end()) return false;
  owned = Restore(*it);
  it->Entry.ResourceHandle = resourceHandle != 0 ? resourceHandle : instance;
  return true;
}

HINST InstallResourceModule(HINST instance, const std::wstring& fileName) {
  auto module = std::make_shared<TLoadedModule>(
      LoadLibraryExW(fileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!*module) return 0;
  const auto handle = reinterpret_cast<HINST>(module->Get());
  std::shared_ptr<TLoadedModule> previous;
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TListEntry>& list = List();
  const auto it = Find(list, instance);
  if (it == list.end()) return 0;
  previous = Restore(*it);
  it->Entry.ResourceHandle = handle;
  it->Entry.ResourceFileName = fileName;
  it->Owned = std::move(module);
  return handle;
}

void RestoreOwnResources(HINST instance) {
  std::shared_ptr<TLoadedModule> owned;
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TListEntry>& list = List();
  const auto it = Find(list, instance);
  if (it != list.end()) owned = Restore(*it);
}

std::wstring GetResourceModuleName(const std::wstring& /*hostName*/, const std::wstring& moduleName) {
  for (const TModuleEntry& entry : Modules())
    if (!entry.ResourceFileName.empty() && AsciiSameText(GetModuleFileName(entry.Instance), moduleName))
      return entry.ResourceFileName;
  return moduleName;
}

std::wstring GetUILanguages(std::uint16_t languageId) {
  if (languageId == 0) return {};
  const auto info = [languageId](LCTYPE type) {
    wchar_t buffer[16];
    const int length = GetLocaleInfoW(languageId, type, buffer, 16);
    return length > 0 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring();
  };
  const std::wstring language = info(LOCALE_SISO639LANGNAME);
  if (language.empty()) return {};
  if ((languageId >> 10) == 0) return language;  // a neutral language
  const std::wstring country = info(LOCALE_SISO3166CTRYNAME);
  return country.empty() ? language : language + L"-" + country + L"," + language;
}

}  // namespace Rtl
