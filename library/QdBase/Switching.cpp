// TQdBase: switching the user-interface language between the program's own
// resources and resource modules, choosing the first language, listing the
// languages, and unpacking resource modules embedded in the program.
#include <exception>
#include <string>
#include <vector>

#include "QdBase.h"
#include "QdBase/Documents.h"
#include "QdBase/Strings.h"
#include "QdResource.h"
#include "QdWindows.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Locales.h"
#include "runtime/Core/Modules.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Elevation.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

constexpr int MY_DOCUMENTS_C = 5;  // the shell folder of the user's documents
constexpr std::size_t MAX_CODE_LENGTH_C = 85;

// Loads and installs the resource module of `code` for one module; 0 when
// there is none.
Rtl::HINST LoadResourceModule(Rtl::HINST instance, const std::wstring& moduleFile, const std::wstring& code) {
  const std::wstring file = TQdBase::GetResourceFile(moduleFile, code);
  if (file.empty()) return 0;
  return Rtl::InstallResourceModule(instance, file);
}

// A locale value read into a buffer of 7 characters; empty when it
// doesn't fit or can't be read.
std::wstring ShortLocaleValue(LCID locale, LCTYPE type) {
  wchar_t buffer[7];
  const int length = GetLocaleInfoW(locale, type, buffer, 7);
  if (length <= 0) return {};
  std::wstring value(buffer, static_cast<std::size_t>(length));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

std::wstring WithoutThirdCharacter(const std::wstring& value) {
  return value.size() < 3 ? value : value.substr(0, 2) + value.substr(3);
}

// The last-write time of a file; false when it can't be read.
bool FileWriteTime(const std::wstring& fileName, FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(fileName.c_str(), GetFileExInfoStandard, &data)) return false;
  time = data.ftLastWriteTime;
  return true;
}

// Writes `size` bytes to `fileName` with the last-write time `stamp`: into a
// temporary file of the same folder first, which then replaces the file,
// so that no half-written module is ever there to be loaded.
void WriteModuleFile(const std::wstring& fileName, const void* bytes, DWORD size, const FILETIME& stamp) {
  const std::wstring dir = Rtl::ExtractFileDir(fileName);
  wchar_t temp[MAX_PATH + 1];
  if (GetTempFileNameW(dir.c_str(), L"qdx", 0, temp) == 0) Rtl::RaiseLastOSError();
  const std::wstring tempName = temp;
  try {
    {
      const Rtl::TFileHandle file(CreateFileW(tempName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) Rtl::RaiseLastOSError();
      DWORD written = 0;
      if (!WriteFile(file.Get(), bytes, size, &written, nullptr) || written != size) Rtl::RaiseLastOSError();
      if (!FlushFileBuffers(file.Get()) || !SetFileTime(file.Get(), nullptr, nullptr, &stamp))
        Rtl::RaiseLastOSError();
    }
    if (!MoveFileExW(tempName.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      Rtl::RaiseLastOSError();
  } catch (...) {
    DeleteFileW(tempName.c_str());
    throw;
  }
}

// The names of the resources of one type in a module, collected first so
// that no exception can meet the system's frames.
struct TResourceNames {
  std::vector<std::wstring> Names;
  std::exception_ptr Error;
};

BOOL CALLBACK CollectResourceName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto& names = *reinterpret_cast<TResourceNames*>(param);
  try {
    // A language code is a name, never a number.
    if (!IS_INTRESOURCE(name)) names.Names.emplace_back(name);
    return TRUE;
  } catch (...) {
    names.Error = std::current_exception();
    return FALSE;
  }
}

}  // namespace

std::wstring MakerDocumentsFolder() {
  const std::wstring documents = TQdBase::GetFolderPath(MY_DOCUMENTS_C);
  return documents.empty() ? documents : documents + L"\\Korvanta";
}

bool TQdBase::IsPlainCode(const std::wstring& code) {
  if (code.empty() || code.size() > MAX_CODE_LENGTH_C) return false;
  for (const wchar_t c : code)
    if (!Rtl::IsAsciiLetter(c) && !(c >= L'0' && c <= L'9') && c != L'-' && c != L'_') return false;
  return true;
}

std::wstring TQdBase::GetResourceFile(const std::wstring& moduleFile, const std::wstring& code) {
  if (!IsPlainCode(code)) return {};
  const std::wstring moduleName = Rtl::ChangeFileExt(Rtl::ExtractFileName(moduleFile), L"." + code);
  const bool elevated = Rtl::IsElevated();
  const std::wstring& dir = ResourceDllDir();
  if (!dir.empty()) {
    // A relative folder as given depends on the current directory: not for
    // an elevated process.
    if (!(elevated && TQdWindows::IsSubPath(dir))) {
      const std::wstring file = dir + L"\\" + moduleName;
      if (Rtl::FileExists(file)) return file;
    }
    const std::wstring file = Rtl::ExtractFilePath(moduleFile) + dir + L"\\" + moduleName;
    if (Rtl::FileExists(file)) return file;
  }
  const std::wstring beside = Rtl::ChangeFileExt(moduleFile, L"." + code);
  if (Rtl::FileExists(beside)) return beside;
  // The user's documents are the user's to write: never for an elevated
  // process.
  if (!elevated) {
    const std::wstring documents = MakerDocumentsFolder();
    if (!documents.empty()) {
      const std::wstring file = documents + L"\\" + moduleName;
      if (Rtl::FileExists(file)) return file;
    }
  }
  return {};
}

bool TQdBase::ResourceFileExist(const std::wstring& moduleFile, const std::wstring& code) {
  return !GetResourceFile(moduleFile, code).empty();
}

Rtl::HINST TQdBase::LoadNew(const std::wstring& code, const std::wstring& fileName) {
  Rtl::ClearResStringCache();
  const std::vector<Rtl::TModuleEntry> modules = Rtl::Modules();
  std::wstring current = code;
  std::wstring loaded;
  Rtl::HINST result = 0;
  for (std::size_t i = 0; i < modules.size(); ++i) {
    const Rtl::HINST instance = modules[i].Instance;
    if (code.empty()) {
      Rtl::RestoreOwnResources(instance);
      if (result == 0) result = instance;
      continue;
    }
    const std::wstring moduleFile = i == 0 && !fileName.empty() ? fileName : Rtl::GetModuleFileName(instance);
    if (!Rtl::FileExists(moduleFile)) continue;
    Rtl::HINST handle = LoadResourceModule(instance, moduleFile, current);
    if (handle == 0) {
      // de-AT falls back to de, DEU to DE; the shorter code stays for the
      // modules that follow.
      std::wstring shorter;
      const std::size_t dash = current.find(L'-');
      if (dash != std::wstring::npos)
        shorter = current.substr(0, dash);
      else if (current.size() == 3)
        shorter = current.substr(0, 2);
      if (!shorter.empty()) {
        current = shorter;
        handle = LoadResourceModule(instance, moduleFile, current);
      }
    }
    if (handle != 0) {
      loaded = current;
    } else {
      Rtl::RestoreOwnResources(instance);
      handle = instance;
    }
    if (result == 0) result = handle;
  }
  SetPreviouslyLoadedResourceLocale(LoadedResourceLocale());
  SetLoadedResourceLocale(loaded);
  return result;
}

void TQdBase::DisableResourceDlls() { LoadNew(std::wstring(), std::wstring()); }

void TQdBase::SetInitialLocale(TLocaleSelect select, const std::wstring& defaultLocale) {
  const std::wstring executable = Rtl::GetModuleFileName(Rtl::MainInstance());
  if (!defaultLocale.empty()) SetDefaultLocale(defaultLocale);

  const auto processLocale = [&](const std::wstring& code) {
    if (!ResourceFileExist(executable, code) && code != defaultLocale) return false;
    LoadNew(code, std::wstring());
    return true;
  };
  const auto processLocales = [&](const std::wstring& list) {
    Rtl::TStringList codes;
    codes.SetCommaText(list);
    for (const std::wstring& code : codes)
      if (processLocale(code)) return true;
    return false;
  };

  // The language registered for the program. The runtime installs no
  // resource module by itself, so the override is loaded here.
  const std::wstring override = Rtl::GetLocaleOverride(executable);
  if (!override.empty()) {
    if (ResourceDllDir().empty()) {
      processLocale(override);
      return;
    }
    if (processLocale(override)) return;
  }

  if (select == lsUI) {
    const LANGID user = GetUserDefaultUILanguage();
    if (processLocales(Rtl::GetUILanguages(user))) return;
    if (processLocales(Rtl::GetUILanguages(GetSystemDefaultUILanguage()))) return;
    wchar_t buffer[16];
    const int length = GetLocaleInfoW(user, LOCALE_SABBREVLANGNAME, buffer, 16);
    const std::wstring abbreviation = length > 0 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : L"";
    if (processLocale(abbreviation)) return;
    processLocale(WithoutThirdCharacter(abbreviation));
  } else {
    const LCID locale = GetThreadLocale();
    const std::wstring language = ShortLocaleValue(locale, LOCALE_SISO639LANGNAME);
    if (processLocale(language + L"-" + ShortLocaleValue(locale, LOCALE_SISO3166CTRYNAME))) return;
    if (processLocale(language)) return;
    const std::wstring abbreviation = ShortLocaleValue(locale, LOCALE_SABBREVLANGNAME);
    if (processLocale(abbreviation)) return;
    processLocale(WithoutThirdCharacter(abbreviation));
  }
}

void TQdBase::SetResourceDllDir(const std::wstring& dir, TLocaleSelect select) {
  Qd::SetResourceDllDir(dir);
  SetInitialLocale(select, std::wstring());
}

std::wstring TQdBase::GetActiveLocale() {
  TQdDelphiResources& translations = QdResources();
  if (translations.GetEnabled()) return translations.GetLanguageId();
  if (IsLoaded()) {
    if (LoadedResourceLocale().empty()) {
      const std::wstring executable = Rtl::GetModuleFileName(Rtl::MainInstance());
      const std::wstring extension = Rtl::ExtractFileExt(Rtl::GetResourceModuleName(executable, executable));
      SetLoadedResourceLocale(extension.empty() ? extension : extension.substr(1));
    }
    return LoadedResourceLocale();
  }
  return DefaultLocale();
}

int TQdBase::GetAvailable(TQdLanguages& languages, const std::wstring& exeFileName, bool compatibleOnly,
                          bool checkVersions) {
  // The languages of the translation collection, when it has any.
  TQdDelphiResources& translations = QdResources();
  const int count = translations.GetCount();
  if (count > 0) {
    for (int i = 0; i < count; ++i) languages.Add(translations.GetLanguages(i)->GetId(), 0, std::wstring());
    return count;
  }
  return TQdWindows::GetAvailable(languages, exeFileName, compatibleOnly, checkVersions, std::wstring());
}

int TQdBase::GetAvailableCount(const std::wstring& exeFileName, bool compatibleOnly, bool checkVersions) {
  TQdLanguages languages;
  GetAvailable(languages, exeFileName, compatibleOnly, checkVersions);
  return languages.GetCount();
}

void TQdBase::CheckThatDllsExist() {
  if (GetAvailableCount(std::wstring(), false, false) == 0) throw Rtl::Exception(Rtl::LoadResString(SNoResourceFile));
}

bool TQdBase::HasWriteAccess(const std::wstring& dir) {
  try {
    if (Rtl::DirectoryExists(dir)) {
      wchar_t temp[MAX_PATH + 1];
      if (GetTempFileNameW(dir.c_str(), L"qdw", 0, temp) == 0) return false;
      bool written = false;
      {
        const Rtl::TFileHandle file(
            CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD count = 0;
        written = file && WriteFile(file.Get(), "10", 2, &count, nullptr) && count == 2 &&
                  FlushFileBuffers(file.Get());
      }
      return DeleteFileW(temp) && written;
    }
    // The folder doesn't exist: it can be made. (The current directory is
    // left alone.)
    if (!CreateDirectoryW(dir.c_str(), nullptr)) return false;
    RemoveDirectoryW(dir.c_str());
    return true;
  } catch (...) {
    return false;
  }
}

int TQdBase::ExtractFiles(TExtractOptions options, const std::wstring& resourceType) {
  const std::wstring running = GetRunningFileName();
  std::wstring target = running;
  if (!HasWriteAccess(Rtl::ExtractFileDir(running))) {
    // Never into the user's folders for an elevated process.
    if (Rtl::IsElevated()) return 0;
    const std::wstring folder = MakerDocumentsFolder();
    // Without a documents folder there is nowhere to write.
    if (folder.empty()) return 0;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      Rtl::RaiseLastOSError();
    target = folder + L"\\" + Rtl::ExtractFileName(running);
  }
  const std::wstring type = resourceType.empty() ? std::wstring(L"KORVANTA") : resourceType;
  FILETIME stamp{};
  if (!FileWriteTime(running, stamp)) Rtl::RaiseLastOSError();

  const auto module = reinterpret_cast<HMODULE>(Rtl::MainInstance());
  TResourceNames names;
  EnumResourceNamesW(module, type.c_str(), &CollectResourceName, reinterpret_cast<LONG_PTR>(&names));
  if (names.Error) std::rethrow_exception(names.Error);

  int counter = 0;
  for (const std::wstring& name : names.Names) {
    // Only a plain code may become a file name.
    if (!IsPlainCode(name)) continue;
    const std::wstring file = Rtl::ChangeFileExt(target, L"." + name);
    FILETIME existing{};
    if (options.Contains(eoCheckDate) && FileWriteTime(file, existing) && CompareFileTime(&existing, &stamp) == 0)
      continue;
    HRSRC info = FindResourceW(module, name.c_str(), type.c_str());
    HGLOBAL data = info == nullptr ? nullptr : LoadResource(module, info);
    const void* bytes = data == nullptr ? nullptr : LockResource(data);
    if (bytes == nullptr) continue;
    // The resource compiler stores names in upper case.
    const bool reload = Rtl::AsciiSameText(name, LoadedResourceLocale());
    if (reload) LoadNew(std::wstring(), std::wstring());
    WriteModuleFile(file, bytes, SizeofResource(module, info), stamp);
    if (reload) LoadNew(name, std::wstring());
    if (options.Contains(eoRemoveFiles)) ExtractedResourceFiles().Add(file);
    ++counter;
  }
  if (!IsLoaded() || !ExtractedResourceFiles().IsEmpty()) LoadNew(GetDefaultLocale(), std::wstring());
  return counter;
}

void TQdBase::DeleteExtractedFiles() {
  Rtl::TStringList& files = ExtractedResourceFiles();
  if (files.IsEmpty()) return;
  for (const Rtl::TModuleEntry& entry : Rtl::Modules()) Rtl::RestoreOwnResources(entry.Instance);
  Rtl::ClearResStringCache();
  while (!files.IsEmpty()) {
    DeleteFileW(files.Strings(0).c_str());
    files.Delete(0);
  }
}

// --- Display names -----------------------------------------------------------------

std::wstring TQdLanguage::GetName(TQdLanguageName kind) const {
  return GetDisplayName(FCode, FId, kind, FLanguageNameCase);
}

std::wstring TQdLanguage::GetDisplayName(const std::wstring& id, std::int32_t locale, TQdLanguageName kind,
                                         TQdLanguageNameCase nameCase) {
  if (kind > lnSystem) throw Rtl::Exception(Rtl::SNotImplemented);
  TQdDelphiResources& translations = QdResources();
  // Without translations the platform names the language.
  if (!translations.GetEnabled()) return TQdWindows::GetDisplayName(id, locale, kind, nameCase);

  const auto native = [&] {
    if (id == OriginalLanguage()) return CheckCase(translations.GetOriginals(id), nameCase);
    std::wstring name = translations.GetNatives(id);
    if (name.empty()) name = translations.GetStringInLanguage(id, std::wstring(), id, std::wstring());
    return CheckCase(name, nameCase);
  };
  const auto localized = [&] {
    if (LoadedResourceLocale().empty()) return CheckCase(translations.GetOriginals(id), nameCase);
    std::wstring name = translations.GetLocalizeds(id);
    if (name.empty()) name = translations.GetString(std::wstring(), id, std::wstring());
    return CheckCase(name, nameCase);
  };
  switch (kind) {
    case lnNative:
      return native();
    case lnLocalized:
      return localized();
    case lnBoth:
      return GetBoth(native(), localized());
    case lnEnglish:
      return translations.GetOriginals(id);
    case lnSystem: {
      const std::wstring name =
          translations.GetStringInLanguage(SystemLanguage(), std::wstring(), id, std::wstring());
      return name.empty() ? native() : CheckCase(name, nameCase);
    }
  }
  return {};
}

}  // namespace Qd
