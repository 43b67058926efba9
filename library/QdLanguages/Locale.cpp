// The user's environment: keyboard layouts and the user default locale in
// the registry, with the thread that restores it later; and the unit's
// state.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "QdLanguages/Detail.h"
#include "QdLanguages/SystemLanguages.h"
#include "runtime/Core/Threads.h"
#include "runtime/Core/Units.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

constexpr wchar_t INTERNATIONAL_KEY_C[] = L"Control Panel\\International";
constexpr wchar_t LOCALE_VALUE_C[] = L"Locale";
constexpr wchar_t LOCALE_NAME_VALUE_C[] = L"LocaleName";

// A string value of `key`; false when it is missing or no string.
bool ReadString(HKEY key, const wchar_t* name, std::wstring& value) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return false;
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  data.resize(size / sizeof(wchar_t));
  while (!data.empty() && data.back() == L'\0') data.pop_back();
  value = std::move(data);
  return true;
}

void WriteString(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

Rtl::TRegKey OpenInternational(REGSAM access) {
  // The predefined handle of the current user's hive, sign-extended as the
  // system defines it.
  const HKEY currentUser = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000001u)));
  HKEY key = nullptr;
  if (RegOpenKeyExW(currentUser, INTERNATIONAL_KEY_C, 0, access, &key) != ERROR_SUCCESS) return Rtl::TRegKey();
  return Rtl::TRegKey(key);
}

std::wstring LocaleInfo(LCID locale, LCTYPE type) {
  wchar_t buffer[128] = {};
  const int written = GetLocaleInfoW(locale, type, buffer, 128);
  return written > 0 ? std::wstring(buffer, static_cast<std::size_t>(written - 1)) : std::wstring();
}

class TRestoreThread;

// The user's locale values as they were before the first change that is
// not restored yet, and the thread that restores them later. The writes of
// the calling thread and of the restore thread take turns on WriteLock.
struct TLocaleState {
  std::mutex WriteLock;
  bool Pending = false;  // a change waits to be restored
  std::int32_t OldDefaultLocale = 0;
  std::wstring OldLocale;  // "Locale" as it was written
  bool HadLocaleName = false;
  std::wstring OldLocaleName;
  std::mutex ThreadLock;
  std::unique_ptr<TRestoreThread> Thread;
};

TLocaleState& LocaleState() {
  static TLocaleState state;
  return state;
}

// Puts the kept values back, once.
void RestoreNow() {
  TLocaleState& state = LocaleState();
  const std::lock_guard lock(state.WriteLock);
  if (!state.Pending) return;
  const Rtl::TRegKey key = OpenInternational(KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!key) return;
  WriteString(key.Get(), LOCALE_VALUE_C, state.OldLocale);
  std::wstring current;
  if (state.HadLocaleName && ReadString(key.Get(), LOCALE_NAME_VALUE_C, current))
    WriteString(key.Get(), LOCALE_NAME_VALUE_C, state.OldLocaleName);
  state.Pending = false;
}

// Sleeps its wait time, or until woken, then restores.
class TRestoreThread : public Rtl::TThread {
public:
  explicit TRestoreThread(std::uint32_t waitTime) : FWaitTime(waitTime) {}
  ~TRestoreThread() override {
    Wake();
    Join();
  }

protected:
  void Execute() override {
    Sleep(FWaitTime);
    RestoreNow();
  }

private:
  std::uint32_t FWaitTime;  // milliseconds
};

struct TQdLanguagesState {
  std::unique_ptr<Rtl::TStringList> DefaultCountries;
  std::unique_ptr<TSystemLanguages> SystemLanguages;
};

constinit Rtl::TUnitState<TQdLanguagesState> State{L"QdLanguages"};

}  // namespace

void LanguagesDetail::FinishRestore() noexcept {
  TLocaleState& state = LocaleState();
  std::unique_ptr<TRestoreThread> thread;
  {
    const std::lock_guard lock(state.ThreadLock);
    thread = std::move(state.Thread);
  }
  if (thread) {
    thread->Wake();
    thread->Join();
  }
}

TSystemLanguages& SystemLanguages() { return *State.Get().SystemLanguages; }

TSystemLanguages* FindSystemLanguages() { return State.Started() ? State.Get().SystemLanguages.get() : nullptr; }

const Rtl::TStringList& DefaultCountries() { return *State.Get().DefaultCountries; }

std::int32_t OldDefaultLocale() {
  TLocaleState& state = LocaleState();
  const std::lock_guard lock(state.WriteLock);
  return state.OldDefaultLocale;
}

std::uintptr_t TSystemLanguages::SetKeyboardLayout(std::int32_t langId) const {
  const int count = GetKeyboardLayoutList(0, nullptr);
  std::vector<HKL> layouts(count > 0 ? static_cast<std::size_t>(count) : 0);
  if (count > 0) layouts.resize(static_cast<std::size_t>(GetKeyboardLayoutList(count, layouts.data())));
  const auto bits = [](HKL layout) { return reinterpret_cast<std::uintptr_t>(layout); };
  std::uintptr_t target = FDefaultKeyboardLayout;
  bool found = false;
  for (const HKL layout : layouts)
    if ((bits(layout) & 0xFFFF) == static_cast<std::uintptr_t>(langId & 0xFFFF)) {
      target = bits(layout);
      found = true;
      break;
    }
  if (!found) {
    const std::int32_t codePage = LangIdToCodePage(langId);
    for (const HKL layout : layouts)
      if ((bits(layout) & 0xFF) == static_cast<std::uintptr_t>(GetPrimaryFromLocale(langId)) &&
          LangIdToCodePage(static_cast<std::int32_t>(bits(layout) & 0xFFFF)) == codePage) {
        target = bits(layout);
        break;
      }
  }
  return reinterpret_cast<std::uintptr_t>(ActivateKeyboardLayout(reinterpret_cast<HKL>(target), 0));
}

std::int32_t TSystemLanguages::GetDefaultLocale() {
  const Rtl::TRegKey key = OpenInternational(KEY_QUERY_VALUE);
  std::wstring value;
  if (!key || !ReadString(key.Get(), LOCALE_VALUE_C, value)) return 0;
  return static_cast<std::int32_t>(std::wcstoul(value.c_str(), nullptr, 16));
}

void TSystemLanguages::SetDefaultLocale(std::int32_t value) {
  LanguagesDetail::FinishRestore();
  // 0 and identifiers the system doesn't know would leave the user with a
  // locale that isn't theirs (0 would become Tatar): nothing is written.
  if (value == 0) return;
  std::int32_t sub = GetSubFromLocale(value);
  if (sub == 0) sub = 1;
  const std::int32_t id = MakeLangId(GetPrimaryFromLocale(value), sub);
  if (!IsValidLocale(static_cast<LCID>(id), LCID_SUPPORTED)) return;

  TLocaleState& state = LocaleState();
  const std::lock_guard lock(state.WriteLock);
  const Rtl::TRegKey key = OpenInternational(KEY_QUERY_VALUE | KEY_SET_VALUE);
  std::wstring current;
  if (!key || !ReadString(key.Get(), LOCALE_VALUE_C, current)) return;
  std::wstring currentName;
  const bool hasLocaleName = ReadString(key.Get(), LOCALE_NAME_VALUE_C, currentName);
  if (!state.Pending) {
    state.OldDefaultLocale = static_cast<std::int32_t>(std::wcstoul(current.c_str(), nullptr, 16));
    state.OldLocale = current;
    state.HadLocaleName = hasLocaleName;
    state.OldLocaleName = currentName;
    state.Pending = true;
  }
  wchar_t text[16];
  std::swprintf(text, 16, L"%08X", static_cast<unsigned>(id));
  WriteString(key.Get(), LOCALE_VALUE_C, text);
  if (hasLocaleName) {
    const std::wstring language = LocaleInfo(static_cast<LCID>(id), LOCALE_SISO639LANGNAME);
    const std::wstring country = LocaleInfo(static_cast<LCID>(id), LOCALE_SISO3166CTRYNAME);
    if (!language.empty() && !country.empty()) WriteString(key.Get(), LOCALE_NAME_VALUE_C, language + L"-" + country);
  }
}

void TSystemLanguages::RestoreDefaultLocale(std::int32_t waitTime) {
  LanguagesDetail::FinishRestore();
  TLocaleState& state = LocaleState();
  {
    const std::lock_guard lock(state.WriteLock);
    if (!state.Pending) return;
  }
  if (waitTime <= 0) {
    RestoreNow();
    return;
  }
  auto thread = std::make_unique<TRestoreThread>(static_cast<std::uint32_t>(std::min(waitTime, 4000000)) * 1000u);
  thread->Start();
  const std::lock_guard lock(state.ThreadLock);
  state.Thread = std::move(thread);
}

void QdLanguagesUnit::Initialization() {
  auto state = std::make_unique<TQdLanguagesState>();
  state->DefaultCountries = std::make_unique<Rtl::TStringList>();
  for (const auto& row : LanguagesDetail::DEFAULT_COUNTRIES_C)
    state->DefaultCountries->Add(std::wstring(row[0]) + L"=" + row[1]);
  state->DefaultCountries->SetSorted(true);
  state->SystemLanguages = std::make_unique<TSystemLanguages>();
  state->SystemLanguages->Populate();
  State.Start(std::move(state));
}

void QdLanguagesUnit::Finalization() {
  // A pending restore runs now: the user's values never stay changed.
  LanguagesDetail::FinishRestore();
  State.Stop();
}

}  // namespace Qd
