#include "QdWindows.h"

#include <cstring>
#include <memory>

#include "QdClasses/File.h"
#include "QdWindows/Strings.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Units.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"

namespace Qd {

namespace {

static_assert(sizeof(OSVERSIONINFOW) == sizeof(TOsVersionInfo));

// The unit variables, made by the start-up.
struct TQdWindowsState {
  TOsVersionInfo VersionInfo{};
  // kernel32, from Vista on; the functions below live in it.
  Rtl::TLoadedModule Module;
  TEnumSystemLocalesEx EnumSystemLocalesEx = nullptr;
  TLocaleNameToLCID LocaleNameToLCID = nullptr;
  TGetLocaleInfoEx GetLocaleInfoEx = nullptr;
};

constinit Rtl::TUnitState<TQdWindowsState> State{L"QdWindows"};

template <class F>
F Bind(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct TVariantName {
  const wchar_t* Key;
  const Rtl::TResStringRec* Name;
};

const TVariantName VARIANT_NAMES_C[] = {
    {L"modern", &SVariantModern},         {L"technl", &SVariantTechnical},
    {L"valencia", &SVariantValencia},     {L"phoneb", &SVariantPhoneBook},
    {L"tradnl", &SVariantTraditional},    {L"stroke", &SVariantStroke},
    {L"radstr", &SVariantRadicalStroke},  {L"pronun", &SVariantBopomofo},
};

}  // namespace

const TOsVersionInfo& TQdWindows::GetVersionInfo() { return State.Get().VersionInfo; }

bool TQdWindows::IsNt() { return GetVersionInfo().PlatformId == VER_PLATFORM_WIN32_NT; }

bool TQdWindows::IsVista() { return GetVersionInfo().MajorVersion >= 6; }

bool TQdWindows::Is7() {
  const TOsVersionInfo& v = GetVersionInfo();
  return v.MajorVersion > 6 || (v.MajorVersion == 6 && v.MinorVersion >= 1);
}

bool TQdWindows::Is8() {
  const TOsVersionInfo& v = GetVersionInfo();
  return v.MajorVersion > 6 || (v.MajorVersion == 6 && v.MinorVersion >= 2);
}

bool TQdWindows::Is10() { return GetVersionInfo().MajorVersion >= 10; }

TEnumSystemLocalesEx TQdWindows::GetEnumSystemLocalesEx() { return State.Get().EnumSystemLocalesEx; }

TLocaleNameToLCID TQdWindows::GetLocaleNameToLCID() { return State.Get().LocaleNameToLCID; }

TGetLocaleInfoEx TQdWindows::GetGetLocaleInfoEx() { return State.Get().GetLocaleInfoEx; }

bool TQdWindows::IsSubPath(const std::wstring& fileName) {
  return !fileName.empty() && fileName[0] != L'\\' && !(fileName.size() >= 2 && fileName[1] == L':');
}

std::int32_t TQdWindows::CodeToId(const std::wstring& code) {
  const TLocaleNameToLCID localeNameToLCID = GetLocaleNameToLCID();
  if (localeNameToLCID == nullptr) return 0;
  const std::uint32_t id = localeNameToLCID(code.c_str(), 0);
  // A neutral name stands for its primary language alone.
  if (code.find(L'-') == std::wstring::npos) return static_cast<std::int32_t>(id & 0x3FF);
  return static_cast<std::int32_t>(id);
}

std::wstring TQdWindows::GetLocaleStr(const std::wstring& id, std::int32_t locale, std::uint32_t localeType,
                                      const std::wstring& Default) {
  wchar_t buffer[512];
  int length = 0;
  if (IsVista()) {
    const TGetLocaleInfoEx getLocaleInfoEx = GetGetLocaleInfoEx();
    if (getLocaleInfoEx == nullptr) return Default;
    length = getLocaleInfoEx(id.c_str(), localeType, buffer, 512);
  } else {
    length = GetLocaleInfoW(static_cast<LCID>(locale), localeType, buffer, 512);
  }
  // The answer counts the terminating zero.
  if (length <= 0) return Default;
  return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

std::wstring TQdWindows::GetVariantName(const std::wstring& /*language*/, const std::wstring& variant) {
  for (const TVariantName& entry : VARIANT_NAMES_C)
    if (Rtl::AsciiSameText(entry.Key, variant)) return Rtl::LoadResString(*entry.Name);
  return variant;
}

bool IsPeFile(const std::wstring& fileName) {
  return CheckStamp(fileName, Rtl::RawByteString(IMAGE_DOS_SIGNATURE_C), 0);
}

bool CheckStamp(const std::wstring& fileName, const Rtl::RawByteString& stamp, int start) {
  Rtl::TFileStream stream(fileName, Rtl::fmOpenRead | Rtl::fmShareDenyNone);
  return CheckStamp(stream, stamp, start);
}

bool CheckStamp(Rtl::TStream& stream, const Rtl::RawByteString& stamp, int start) {
  return TFile::CheckStamp(stream, stamp, start);
}

}  // namespace Qd

namespace Qd::QdWindowsUnit {

void Initialization() {
  auto state = std::make_unique<TQdWindowsState>();
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (GetVersionExW(&info)) std::memcpy(&state->VersionInfo, &info, sizeof info);
  state->VersionInfo.Size = sizeof info;
  if (state->VersionInfo.MajorVersion >= 6) {
    state->Module.Reset(LoadLibraryExW(L"kernel32.dll", nullptr, 0));
    if (state->Module) {
      const HMODULE module = state->Module.Get();
      state->EnumSystemLocalesEx = Bind<TEnumSystemLocalesEx>(module, "EnumSystemLocalesEx");
      state->LocaleNameToLCID = Bind<TLocaleNameToLCID>(module, "LocaleNameToLCID");
      state->GetLocaleInfoEx = Bind<TGetLocaleInfoEx>(module, "GetLocaleInfoEx");
    }
  }
  State.Start(std::move(state));
}

void Finalization() { State.Stop(); }

}  // namespace Qd::QdWindowsUnit
