#include "QdClasses/Registry.h"

#include <cstring>
#include <optional>
#include <utility>

#include "QdClasses/Encodings.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Handles.h"
#include "QdClasses/Strings.h"

namespace Qd {

namespace {

HKEY ToHKey(std::uintptr_t key) { return reinterpret_cast<HKEY>(key); }
HKEY ToHKey(TRootKey root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

std::wstring StringData(const std::vector<std::uint8_t>& data) {
  std::wstring result(data.size() / 2, L'\0');
  if (!result.empty()) std::memcpy(result.data(), data.data(), result.size() * 2);
  // The terminating zero that the registry usually stores is not part of it.
  if (!result.empty() && result.back() == L'\0') result.pop_back();
  return result;
}

// The names of a key's direct subkeys (or values), in enumeration order.
enum class TNameKind { SubKeys, Values };

std::vector<std::wstring> EnumNames(HKEY key, TNameKind kind) {
  std::vector<std::wstring> names;
  DWORD count = 0, maxLength = 0;
  const LONG info = kind == TNameKind::SubKeys
      ? RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &maxLength, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr)
      : RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxLength, nullptr,
                         nullptr, nullptr);
  if (info != ERROR_SUCCESS) return names;
  names.reserve(count);
  std::vector<wchar_t> name(maxLength + 1);
  for (DWORD i = 0;;) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG status = kind == TNameKind::SubKeys
        ? RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
        : RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {  // a longer name came in meanwhile
      name.resize(name.size() * 2 + 256);
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
    ++i;
  }
  return names;
}

// When `path` below `base` is a registry link: deletes the link itself and
// tells whether that succeeded. Nothing for any other key.
std::optional<bool> DeleteLink(HKEY base, const std::wstring& path, REGSAM view) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(base, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE | view, &opened) !=
      ERROR_SUCCESS)
    return std::nullopt;
  const Rtl::TRegKey key(opened);
  DWORD type = REG_NONE;
  std::optional<bool> deleted;
  if (RegQueryValueExW(key.Get(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
      type == REG_LINK) {
    using TNtDeleteKey = LONG(WINAPI*)(HANDLE);
    static const auto ntDeleteKey = reinterpret_cast<TNtDeleteKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    deleted = ntDeleteKey != nullptr && ntDeleteKey(key.Get()) == 0;
  }
  return deleted;
}

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::TRegistry(std::uint32_t access) : FAccess(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(TRootKey value) {
  if (value == FRootKey) return;
  CloseKey();
  FRootKey = value;
}

// The header keeps the key as an integer; it goes back into its owner type
// to be closed.
void TRegistry::CloseKey() {
  Rtl::TRegKey(ToHKey(std::exchange(FCurrentKey, 0))).Reset();
  FCurrentPath.clear();
}

std::uintptr_t TRegistry::BaseKey(bool relative) const {
  if (relative && FCurrentKey != 0) return FCurrentKey;
  return reinterpret_cast<std::uintptr_t>(ToHKey(FRootKey));
}

bool TRegistry::OpenKey(const std::wstring& key) {
  const bool relative = key.empty() || key[0] != L'\\';
  const std::wstring path = relative ? key : key.substr(1);
  HKEY handle = nullptr;
  if (RegOpenKeyExW(ToHKey(BaseKey(relative)), path.c_str(), 0, FAccess, &handle) != ERROR_SUCCESS)
    return false;
  Rtl::TRegKey opened(handle);
  std::wstring newPath;
  if (relative && FCurrentKey != 0)
    newPath = path.empty() ? FCurrentPath : (FCurrentPath.empty() ? path : FCurrentPath + L"\\" + path);
  else
    newPath = path;
  CloseKey();
  FCurrentKey = reinterpret_cast<std::uintptr_t>(opened.Release());
  FCurrentPath = std::move(newPath);
  return true;
}

void TRegistry::GetKeyNames(Rtl::TStringList& strings) const {
  strings.Clear();
  if (FCurrentKey == 0) return;
  for (std::wstring& name : EnumNames(ToHKey(FCurrentKey), TNameKind::SubKeys)) strings.Add(std::move(name));
}

void TRegistry::GetValueNames(Rtl::TStringList& strings) const {
  strings.Clear();
  if (FCurrentKey == 0) return;
  for (std::wstring& name : EnumNames(ToHKey(FCurrentKey), TNameKind::Values)) strings.Add(std::move(name));
}

bool TRegistry::QueryValue(const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>& data) const {
  data.clear();
  type = REG_NONE;
  if (FCurrentKey == 0) return false;
  HKEY key = ToHKey(FCurrentKey);
  for (;;) {
    DWORD valueType = REG_NONE;
    DWORD size = static_cast<DWORD>(data.size());
    const LONG status =
        RegQueryValueExW(key, name.c_str(), nullptr, &valueType, data.empty() ? nullptr : data.data(), &size);
    if (status == ERROR_SUCCESS && (!data.empty() || size == 0)) {
      data.resize(size);
      type = valueType;
      return true;
    }
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
      data.resize(size == 0 ? 1 : size);  // the value may grow between calls
      continue;
    }
    return false;
  }
}

bool TRegistry::ValueExists(const std::wstring& name) const {
  if (FCurrentKey == 0) return false;
  return RegQueryValueExW(ToHKey(FCurrentKey), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const std::wstring& name) const {
  if (FCurrentKey == 0) return rdUnknown;
  DWORD type = REG_NONE;
  if (RegQueryValueExW(ToHKey(FCurrentKey), name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
    return rdUnknown;
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

std::wstring TRegistry::ReadString(const std::wstring& name) const {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  if (!QueryValue(name, type, data)) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException(Rtl::Format(Rtl::LoadResString(SInvalidRegDataType), {name}));
  return StringData(data);
}

std::wstring TRegistry::ReadText(const std::wstring& name) const {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  if (!QueryValue(name, type, data)) return {};
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return StringData(data);
    case REG_DWORD:
      if (data.size() == 4) {
        std::uint32_t v;
        std::memcpy(&v, data.data(), 4);
        return Rtl::UIntToStr(v);
      }
      break;
    case REG_DWORD_BIG_ENDIAN:
      if (data.size() == 4)
        return Rtl::UIntToStr((std::uint32_t{data[0]} << 24) | (std::uint32_t{data[1]} << 16) |
                              (std::uint32_t{data[2]} << 8) | data[3]);
      break;
    case REG_QWORD:
      if (data.size() == 8) {
        std::uint64_t v;
        std::memcpy(&v, data.data(), 8);
        return Rtl::UIntToStr(v);
      }
      break;
    default:
      break;
  }
  return TBase16::Encode(data, false);
}

bool TRegistry::DeleteKey(const std::wstring& key) {
  const bool relative = key.empty() || key[0] != L'\\';
  const std::wstring path = relative ? key : key.substr(1);
  // Never the root or the current key itself: the system reads an empty
  // segment (a trailing or doubled backslash) as naming the key before it, so
  // such a path would delete more than it names.
  if (path.empty() || path.back() == L'\\' || path.find(L"\\\\") != std::wstring::npos) return false;
  HKEY base = ToHKey(BaseKey(relative));
  const REGSAM view = FAccess & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);

  // A registry link is deleted as a link: opened by name (and deleted
  // by name) it is followed, and the tree it leads to would go instead.
  if (std::optional<bool> deleted = DeleteLink(base, path, view)) return *deleted;

  // Subkeys first, deepest first, each in the same view.
  HKEY handle = nullptr;
  if (RegOpenKeyExW(base, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view, &handle) ==
      ERROR_SUCCESS) {
    // The key is closed again before its subkeys go.
    const std::vector<std::wstring> names = EnumNames(Rtl::TRegKey(handle).Get(), TNameKind::SubKeys);
    for (const std::wstring& name : names) DeleteKey((relative ? path : L"\\" + path) + L"\\" + name);
  }
  return RegDeleteKeyExW(base, path.c_str(), view, 0) == ERROR_SUCCESS;
}

std::uint32_t TQdRegistry::ViewAccessFlag(TRegistryView view) {
  switch (view) {
    case rvDefault: return 0;
    case rvRegistry64: return KEY_WOW64_64KEY;
    case rvRegistry32: return KEY_WOW64_32KEY;
  }
  throw Rtl::Exception(Rtl::SErrorMessage);
}

std::unique_ptr<TRegistry> TQdRegistry::AllocAll(TRootKey rootKey, TRegistryView view) {
  auto registry = std::make_unique<TRegistry>(KEY_ALL_ACCESS | ViewAccessFlag(view));
  registry->SetRootKey(rootKey);
  return registry;
}

bool TQdRegistry::IsStringValue(const TRegistry& reg, const std::wstring& name) {
  const TRegDataType type = reg.GetDataType(name);
  return type == rdString || type == rdExpandString;
}

}  // namespace Qd
