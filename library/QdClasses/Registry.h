// The registry object, registry views and the registry helpers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Object.h"
#include "runtime/Text/StringList.h"

namespace Qd {

// Predefined root keys (the values of the system's handles).
enum class TRootKey : std::uint32_t {
  ClassesRoot = 0x80000000u,
  CurrentUser = 0x80000001u,
  LocalMachine = 0x80000002u,
  Users = 0x80000003u,
  CurrentConfig = 0x80000005u,
};

inline constexpr TRootKey HKEY_CLASSES_ROOT = TRootKey::ClassesRoot;
inline constexpr TRootKey HKEY_CURRENT_USER = TRootKey::CurrentUser;
inline constexpr TRootKey HKEY_LOCAL_MACHINE = TRootKey::LocalMachine;
inline constexpr TRootKey HKEY_USERS = TRootKey::Users;
inline constexpr TRootKey HKEY_CURRENT_CONFIG = TRootKey::CurrentConfig;

// Access masks.
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t KEY_EXECUTE = 0x20019;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr std::uint32_t KEY_WOW64_64KEY = 0x0100;
inline constexpr std::uint32_t KEY_WOW64_32KEY = 0x0200;

// The registry view whose flag an access mask carries.
enum TRegistryView : std::uint8_t {
  rvDefault = 0,     // the program's own view (32-bit for this program)
  rvRegistry64 = 1,  // KEY_WOW64_64KEY
  rvRegistry32 = 2,  // KEY_WOW64_32KEY
};

// The data type of a registry value.
enum TRegDataType : std::uint8_t { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class ERegistryException : public Rtl::Exception {
public:
  using Rtl::Exception::Exception;
};

// A registry object: a root key, an access mask and one current key.
// Keys are only ever opened, never created.
class TRegistry : public Rtl::TObject {
public:
  TRegistry();  // HKEY_CURRENT_USER, KEY_ALL_ACCESS
  explicit TRegistry(std::uint32_t access);
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  TRootKey RootKey() const { return FRootKey; }
  // Closes the current key.
  void SetRootKey(TRootKey value);
  std::uint32_t Access() const { return FAccess; }
  void SetAccess(std::uint32_t value) { FAccess = value; }

  // Opens an existing key: a path that begins with "\" from the root key,
  // any other from the current key. On success the key becomes the current
  // key (the previous one is closed); on failure nothing changes.
  bool OpenKey(const std::wstring& key);
  void CloseKey();
  bool HasCurrentKey() const { return FCurrentKey != 0; }
  // The path of the current key below the root, without a leading "\".
  const std::wstring& CurrentPath() const { return FCurrentPath; }

  // The current key's direct subkeys / value names in enumeration order.
  void GetKeyNames(Rtl::TStringList& strings) const;
  void GetValueNames(Rtl::TStringList& strings) const;
  bool ValueExists(const std::wstring& name) const;

  TRegDataType GetDataType(const std::wstring& name) const;
  // A string or expandable string as stored (references not expanded); a
  // missing value reads as "". Any other type raises ERegistryException
  // "Invalid data type for '%s'".
  std::wstring ReadString(const std::wstring& name) const;
  // The value as text, whatever its type: strings as stored, numbers in
  // decimal, other data in upper-case hexadecimal (two digits a byte),
  // a missing value as "". Never fails.
  std::wstring ReadText(const std::wstring& name) const;

  // Deletes `key` with all its subkeys, deepest first, in the view of the
  // access mask; true when the key itself was deleted. A registry link is
  // deleted as a link, never entered: what it leads to stays.
  bool DeleteKey(const std::wstring& key);

private:
  std::uintptr_t BaseKey(bool relative) const;
  bool QueryValue(const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>& data) const;

  TRootKey FRootKey = HKEY_CURRENT_USER;
  std::uint32_t FAccess = KEY_ALL_ACCESS;
  std::uintptr_t FCurrentKey = 0;
  std::wstring FCurrentPath;
};

class TQdRegistry {
public:
  TQdRegistry() = delete;

  // 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY; "Error Message" otherwise.
  static std::uint32_t ViewAccessFlag(TRegistryView view);

  // A new registry object with KEY_ALL_ACCESS and the view's flag on
  // `rootKey`; no key is open yet.
  static std::unique_ptr<TRegistry> AllocAll(TRootKey rootKey, TRegistryView view);

  // The value of the current key is a string or an expandable string.
  static bool IsStringValue(const TRegistry& reg, const std::wstring& name);
};

}  // namespace Qd
