// Unit QdWindows: which Windows version runs, the locale functions that
// exist only from Windows Vista on (looked up at start-up), locale
// information by locale name or identifier, the names of the sort-order
// variants of languages, and whether a file is an executable image.
#pragma once

#include <cstdint>
#include <string>

#include "QdBase.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStream;
}

// The calling convention of Win32 functions and callbacks: stdcall on
// 32-bit x86, the one convention of the platform elsewhere.
#if defined(__i386__)
#define QD_WINAPI __attribute__((stdcall))
#else
#define QD_WINAPI
#endif

namespace Qd {

// The first bytes of an executable image (its DOS header).
inline constexpr char IMAGE_DOS_SIGNATURE_C[] = "MZ";

// The Windows version record as the version query fills it (276 bytes).
struct TOsVersionInfo {
  std::uint32_t Size;
  std::uint32_t MajorVersion;
  std::uint32_t MinorVersion;
  std::uint32_t BuildNumber;
  std::uint32_t PlatformId;
  wchar_t CsdVersion[128];  // the service-pack text
};
static_assert(sizeof(TOsVersionInfo) == 276);

// The Vista locale functions, as kernel32 exports them.
using TLocaleEnumProcEx = int(QD_WINAPI*)(wchar_t* name, std::uint32_t flags, std::intptr_t param);
using TEnumSystemLocalesEx = int(QD_WINAPI*)(TLocaleEnumProcEx proc, std::uint32_t flags, std::intptr_t param,
                                             void* reserved);
using TLocaleNameToLCID = std::uint32_t(QD_WINAPI*)(const wchar_t* name, std::uint32_t flags);
using TGetLocaleInfoEx = int(QD_WINAPI*)(const wchar_t* name, std::uint32_t type, wchar_t* data, int size);

class TQdWindows {
public:
  TQdWindows() = delete;

  // The version read at start-up.
  static const TOsVersionInfo& GetVersionInfo();
  static bool IsNt();     // the NT family (platform 2)
  static bool IsVista();  // 6.0 and later
  static bool Is7();      // 6.1 and later
  static bool Is8();      // 6.2 and later
  static bool Is10();     // 10.0 and later

  // The Vista locale functions bound at start-up; null before Vista.
  static TEnumSystemLocalesEx GetEnumSystemLocalesEx();
  static TLocaleNameToLCID GetLocaleNameToLCID();
  static TGetLocaleInfoEx GetGetLocaleInfoEx();

  // `fileName` is not empty, doesn't begin with "\" and has no ":" as its
  // second character.
  static bool IsSubPath(const std::wstring& fileName);

  // The locale identifier of a locale name: of a neutral name (no "-", such
  // as "de") only its primary language. 0 when the name is unknown, and
  // before Vista.
  static std::int32_t CodeToId(const std::wstring& code);

  // One item of locale information: from Vista on by the locale name `id`,
  // before Vista by the identifier `locale`; `Default` when the query
  // fails.
  static std::wstring GetLocaleStr(const std::wstring& id, std::int32_t locale, std::uint32_t localeType,
                                   const std::wstring& Default);

  // The translatable display name of a sort-order variant ("tradnl":
  // "traditional sort"), the key compared ignoring ASCII case; a variant
  // not in the table comes back unchanged. `language` isn't used.
  static std::wstring GetVariantName(const std::wstring& language, const std::wstring& variant);

  // The display name of a language (`id` its locale name, `locale` its
  // identifier) of the kind asked, its first letter cased as asked:
  // lnNative in its own language, lnLocalized from the string of number
  // `locale` in the current resources (the English name when there is
  // none), lnBoth the two, lnEnglish, lnSystem in the language of Windows.
  // A part the platform can't name is empty.
  static std::wstring GetDisplayName(const std::wstring& id, std::int32_t locale, TQdLanguageName languageName,
                                     TQdLanguageNameCase languageNameCase);
  // Adds to `languages` the translation resource modules of `exeFileName`
  // (the running program's when empty): files named like it with a
  // language code or a three-letter abbreviation as extension ("Tool.de",
  // "Tool.en-US", "Tool.DEU"), beside it, in its subfolder `dir` (or the
  // folder `dir`), in the resource subfolder, or else in the documents
  // folder's "Korvanta" folder (never for an elevated process).
  // `compatibleOnly` and `checkVersions` filter what the abbreviations
  // find. Returns the number of languages in the list. An error opening a
  // candidate is raised after the search.
  static int GetAvailable(TQdLanguages& languages, const std::wstring& exeFileName, bool compatibleOnly,
                          bool checkVersions, const std::wstring& dir);
};

// The file begins with "MZ". Raises the file layer's error when it can't be
// opened; a file shorter than the stamp is no executable.
bool IsPeFile(const std::wstring& fileName);

// The bytes of `stamp` stand `start` bytes into the file (after the
// stream's position); see TFile::CheckStamp.
bool CheckStamp(const std::wstring& fileName, const Rtl::RawByteString& stamp, int start = 0);
bool CheckStamp(Rtl::TStream& stream, const Rtl::RawByteString& stamp, int start = 0);

}  // namespace Qd

namespace Qd::QdWindowsUnit {

// Reads the Windows version and, from Vista on, binds the Vista locale
// functions; shutdown forgets them.
void Initialization();
void Finalization();

}  // namespace Qd::QdWindowsUnit
