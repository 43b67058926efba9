#include "QdCommon.h"

#include <memory>

#include "QdClasses.h"
#include "runtime/Core/Units.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

// The unit variables, made by the start-up. The executable's directory is
// QdClasses' ApplicationRootDir, which starts before this unit.
struct TQdCommonState {
  std::wstring DataDir;
  std::wstring ProjectDir;
};

constinit Rtl::TUnitState<TQdCommonState> State{L"QdCommon"};

constexpr const wchar_t* MAKER_KEY_C = L"\\Software\\Korvanta";
constexpr const wchar_t* MAKER_FOLDER_C = L"Korvanta";
constexpr const wchar_t* MARKER_FILE_C = L"Korvanta.qdo";

// A string value; a missing value or one of another type reads as empty.
std::wstring StringValue(const TRegistry& registry, const std::wstring& name) {
  return TQdRegistry::IsStringValue(registry, name) ? registry.ReadString(name) : std::wstring();
}

// The "DataDir" of the first product installed in `dir`, with `found` set;
// `found` stays false when no product is (an empty "DataDir" counts as
// found). The registry's own view of this program is read.
std::wstring RegisteredDataDir(const std::wstring& dir, bool& found) {
  found = false;
  TRegistry registry(KEY_READ);
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(MAKER_KEY_C)) return {};
  Rtl::TStringList keys;
  registry.GetKeyNames(keys);
  for (const std::wstring& key : keys) {
    if (!registry.OpenKey(MAKER_KEY_C + (L"\\" + key))) continue;
    // Only A-Z and a-z fold together; every other character compares exactly.
    if (Rtl::AsciiSameText(StringValue(registry, L"InstallDir"), dir)) {
      found = true;
      return StringValue(registry, L"DataDir");
    }
  }
  return {};
}

// "Korvanta" under a shell folder; "" when the folder can't be resolved
// (it must not turn into "\Korvanta" on the current drive).
std::wstring MakerFolder(TFolderType folder) {
  const std::wstring path = TShell::GetFolder(folder);
  return path.empty() ? std::wstring() : path + L"\\" + MAKER_FOLDER_C;
}

// The data directory of an executable in `applicationDir`.
std::wstring DiscoverDataDir(const std::wstring& applicationDir) {
  if (TFile::GetDriveType(applicationDir) == dtRemovable) return applicationDir;

  bool found = false;
  const std::wstring registered = RegisteredDataDir(applicationDir, found);
  if (found) return registered.empty() ? applicationDir : registered;

  // The user's folder counts only with the marker file in it; the public
  // folder is taken as it is. With neither resolved, the executable's
  // directory stays.
  const std::wstring user = MakerFolder(ftDocuments);
  if (!user.empty() && Rtl::FileExists(TFile::GetFullPath(MARKER_FILE_C, user, false))) return user;
  const std::wstring common = MakerFolder(ftPublicDocuments);
  return common.empty() ? applicationDir : common;
}

}  // namespace

// Makes the unit's state and hands it over when it is complete.
void InitializeDataDir() {
  auto state = std::make_unique<TQdCommonState>();
  state->DataDir = DiscoverDataDir(ApplicationRootDir());
  State.Start(std::move(state));
}

const std::wstring& GetApplicationDir() {
  State.Get();  // raises when this unit isn't started, though QdClasses keeps the value
  return ApplicationRootDir();
}
const std::wstring& GetDataDir() { return State.Get().DataDir; }
const std::wstring& GetProjectDir() { return State.Get().ProjectDir; }

}  // namespace Qd

namespace Qd::QdCommonUnit {

void Initialization() { InitializeDataDir(); }

void Finalization() { State.Stop(); }

}  // namespace Qd::QdCommonUnit
