// The translation set: finding and loading it, choosing the language, the
// lookups in the current language, the display names, and the unit's
// start-up and shutdown.
#include "QdBase.h"
#include "QdResource.h"
#include "QdResource/Strings.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Units.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Elevation.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

constinit Rtl::TUnitState<TQdDelphiResources> State{L"QdResource"};

[[noreturn]] void RaiseInvalidImage() { throw Rtl::EInvalidImage(Rtl::LoadResString(Rtl::SInvalidImage)); }

// The shell folder number of the user's documents.
constexpr int CSIDL_PERSONAL_C = 5;

// The path names a place of its own: "C:\..." or "\\server\share...".
bool IsAbsolutePath(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') || path.starts_with(L"\\\\");
}

std::wstring ExecutableName() { return Rtl::GetModuleFileName(0); }

// The files "*.qdlang" of a directory itself, in the order of the listing;
// nothing is opened.
std::vector<std::wstring> LanguageFiles(const std::wstring& dir) {
  std::vector<std::wstring> files;
  const std::wstring prefix = Rtl::IncludeTrailingPathDelimiter(dir);
  WIN32_FIND_DATAW data;
  const Rtl::TFindHandle find(FindFirstFileW((prefix + L"*.qdlang").c_str(), &data));
  if (!find) return files;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) files.push_back(prefix + data.cFileName);
  } while (FindNextFileW(find.Get(), &data));
  return files;
}

}  // namespace

TQdDelphiResources& QdResources() { return State.Get(); }

TQdDelphiResources::TQdDelphiResources() = default;

TQdDelphiResources::~TQdDelphiResources() = default;

TQdDelphiResources& TQdDelphiResources::GetResources() { return QdResources(); }

Rtl::TStream* TQdDelphiResources::GetStream() const { return FStream.get(); }

// --- Loading -----------------------------------------------------------------------

void TQdDelphiResources::Clear() {
  FLanguageIndex = -1;
  FLanguages.clear();
  FStream.reset();  // the languages of an earlier load that live on keep their bytes
  FVersion = 0;
  FTranslationSource = tsNone;
  FTranslationSourceValue.clear();
}

namespace {

// An elevated process resolves a relative name against the executable's
// directory, never against the current directory, which the user chooses.
std::wstring ResolvedForElevation(const std::wstring& path) {
  if (path.empty() || IsAbsolutePath(path) || !Rtl::IsElevated()) return path;
  std::wstring relative = path;
  while (!relative.empty() && relative.front() == L'\\') relative.erase(0, 1);
  return Rtl::IncludeTrailingPathDelimiter(Rtl::ExtractFileDir(ExecutableName())) + relative;
}

}  // namespace

std::wstring TQdDelphiResources::ResolvedResourcePath() const { return ResolvedForElevation(FResourcePath); }

std::vector<std::wstring> TQdDelphiResources::GetResourceDirectories() const {
  std::vector<std::wstring> dirs;
  // Duplicates stay: each candidate that is an existing directory counts.
  auto add = [&dirs](const std::wstring& dir) {
    if (dir.empty() || !Rtl::DirectoryExists(dir)) return false;
    dirs.push_back(dir);
    return true;
  };
  add(ResolvedResourcePath());
  const std::wstring exe = ExecutableName();
  add(Rtl::ExtractFileDir(exe));
  // The user's documents may hold what the user put there: an elevated
  // process doesn't look.
  if (!Rtl::IsElevated()) {
    const std::wstring documents = Rtl::ExcludeTrailingPathDelimiter(TQdBase::GetFolderPath(CSIDL_PERSONAL_C));
    if (!documents.empty()) {
      const std::wstring name = Rtl::ChangeFileExt(Rtl::ExtractFileName(exe), L"");
      if (name.empty() || !add(documents + L"\\" + name)) add(documents);
    }
  }
  return dirs;
}

void TQdDelphiResources::LoadContainer(std::shared_ptr<Rtl::TMemoryStream> stream) {
  FStream = std::move(stream);
  Rtl::TMemoryStream& data = *FStream;
  data.SetPosition(0);
  const std::int64_t size = data.Size();
  if (size < 12) RaiseInvalidImage();
  const std::uint8_t* bytes = data.Memory();
  if (std::string_view(reinterpret_cast<const char*>(bytes), 4) != std::string_view(QDRES_MAGIC_C, 4))
    RaiseInvalidImage();
  data.SetPosition(4);
  FVersion = static_cast<std::uint8_t>(TStreamHelper::ReadInt32(data) & 0xFF);
  const std::int32_t count = TStreamHelper::ReadInt32(data);
  // Both directories must be there before anything is made of them.
  if (count < 0 || 16 * static_cast<std::int64_t>(count) > size - 12) RaiseInvalidImage();
  const std::size_t first = FLanguages.size();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t idOffset = TStreamHelper::ReadInt32(data);
    const std::int32_t idLength = TStreamHelper::ReadInt32(data);
    std::wstring id = TStreamHelper::ReadAnsi(data, idOffset, idLength);
    FLanguages.push_back(std::make_unique<TQdDelphiResource>(std::move(id), FStream));
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t imageOffset = TStreamHelper::ReadInt32(data);
    TStreamHelper::ReadInt32(data);  // the image's size is not needed: every read is checked
    FLanguages[first + static_cast<std::size_t>(i)]->SetOffset(imageOffset);
  }
}

void TQdDelphiResources::Load(const std::wstring& resourceFileName) {
  // A second load starts afresh.
  Clear();
  // Set first: a load that fails is not tried again by later lookups.
  FLoaded = true;
  const std::vector<std::wstring> dirs = GetResourceDirectories();

  std::wstring fileName = ResolvedForElevation(resourceFileName);
  if (fileName.empty()) {
    const std::wstring path = ResolvedResourcePath();
    if (!path.empty() && Rtl::FileExists(path)) {
      fileName = path;
    } else {
      for (const std::wstring& dir : dirs) {
        const std::wstring candidate = Rtl::IncludeTrailingPathDelimiter(dir) + FResourceName + L".qdres";
        if (Rtl::FileExists(candidate)) {
          fileName = candidate;
          break;
        }
      }
    }
  }

  if (!fileName.empty()) {
    std::shared_ptr<Rtl::TMemoryStream> data;
    {
      Rtl::TFileStream file(fileName, Rtl::fmOpenRead | Rtl::fmShareDenyWrite);
      data = TStreamHelper::ReadAll(file);
    }
    LoadContainer(std::move(data));
    FTranslationSource = tsFile;
    FTranslationSourceValue = fileName;
  } else {
    bool found = false;
    for (const std::wstring& dir : dirs) {
      const std::vector<std::wstring> files = LanguageFiles(dir);
      if (files.empty()) continue;
      for (const std::wstring& file : files)
        FLanguages.push_back(
            std::make_unique<TQdDelphiResource>(Rtl::ChangeFileExt(Rtl::ExtractFileName(file), L""), file));
      FTranslationSource = tsDirectory;
      FTranslationSourceValue = Rtl::ExtractFileDir(files.front());
      found = true;
      break;
    }
    if (!found) {
      const HMODULE module = reinterpret_cast<HMODULE>(Rtl::MainInstance());
      if (FindResourceW(module, FResourceName.c_str(), RT_RCDATA) != nullptr) {
        std::shared_ptr<Rtl::TMemoryStream> data;
        {
          Rtl::TResourceStream resource(Rtl::MainInstance(), FResourceName);
          data = TStreamHelper::ReadAll(resource);
        }
        LoadContainer(std::move(data));
        FTranslationSource = tsResource;
        FTranslationSourceValue = FResourceName;
      } else if (Rtl::AsciiSameText(FResourceName, QDRES_RESOURCE_NAME_C)) {
        return;  // no translations: the program runs untranslated
      } else {
        throw Rtl::EReadError(Rtl::Format(Rtl::LoadResString(SQdResourceNotFound), {FResourceName}));
      }
    }
  }

  if (!DefaultLocale().empty())
    SetLanguageId(DefaultLocale());
  else
    FLanguageIndex = -1;
}

void TQdDelphiResources::LoadFromStream(Rtl::TStream& stream) {
  Clear();
  FLoaded = true;
  LoadContainer(TStreamHelper::ReadAll(stream));
  if (!DefaultLocale().empty())
    SetLanguageId(DefaultLocale());
  else
    FLanguageIndex = -1;
}

void TQdDelphiResources::CheckLoad() {
  if (!FLoaded) Load();
}

// --- Languages ---------------------------------------------------------------------

int TQdDelphiResources::GetCount() {
  CheckLoad();
  return static_cast<int>(FLanguages.size());
}

bool TQdDelphiResources::GetEnabled() { return GetCount() > 0; }

TQdDelphiResource* TQdDelphiResources::GetLanguages(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= FLanguages.size())
    throw Rtl::EArgumentOutOfRangeException(Rtl::LoadResString(Rtl::SArgumentOutOfRange));
  return FLanguages[static_cast<std::size_t>(index)].get();
}

TQdDelphiResource* TQdDelphiResources::GetCurrent() {
  CheckLoad();
  if (FLanguageIndex < 0) return nullptr;
  return FLanguages[static_cast<std::size_t>(FLanguageIndex)].get();
}

std::wstring TQdDelphiResources::GetLanguageId() {
  const TQdDelphiResource* current = GetCurrent();
  return current != nullptr ? current->GetId() : std::wstring();
}

bool TQdDelphiResources::Process(const std::wstring& id) {
  const int count = GetCount();
  for (int i = 0; i < count; ++i) {
    if (FLanguages[static_cast<std::size_t>(i)]->GetId() != id) continue;
    FLanguageIndex = i;
    SetLoadedResourceLocale(id);
    return true;
  }
  return false;
}

void TQdDelphiResources::SetLanguageId(const std::wstring& value) {
  if (Process(value)) return;
  std::wstring language, script, country, variant;
  TQdBase::ParseLocaleId(value, language, script, country, variant);
  if (!country.empty()) {
    if (Process(script.empty() ? language : language + L"-" + script)) return;
  }
  if (!script.empty()) {
    if (Process(language)) return;
  }
  FLanguageIndex = -1;
}

int TQdDelphiResources::Find(const std::wstring& id) {
  const int count = GetCount();
  for (int i = 0; i < count; ++i)
    if (FLanguages[static_cast<std::size_t>(i)]->GetId() == id) return i;
  return -1;
}

// --- Lookups -----------------------------------------------------------------------

std::unique_ptr<Rtl::TMemoryStream> TQdDelphiResources::FindForm(const std::wstring& name) {
  TQdDelphiResource* current = GetCurrent();
  return current != nullptr ? current->FindForm(name) : nullptr;
}

bool TQdDelphiResources::FormExists(const std::wstring& name) { return FindForm(name) != nullptr; }

std::wstring TQdDelphiResources::GetString(const Rtl::TResStringRec& resString) {
  TQdDelphiResource* current = GetCurrent();
  return current != nullptr ? current->FindString(resString) : std::wstring();
}

std::wstring TQdDelphiResources::GetString(const std::wstring& original, const std::wstring& id,
                                           const std::wstring& group) {
  TQdDelphiResource* current = GetCurrent();
  return current != nullptr ? current->FindString(original, id, group) : original;
}

std::wstring TQdDelphiResources::GetStringInLanguage(const std::wstring& languageId,
                                                     const Rtl::TResStringRec& resString) {
  const int index = Find(languageId);
  return index >= 0 ? FLanguages[static_cast<std::size_t>(index)]->FindString(resString) : std::wstring();
}

std::wstring TQdDelphiResources::GetStringInLanguage(const std::wstring& languageId, const std::wstring& original,
                                                     const std::wstring& id, const std::wstring& group) {
  const int index = Find(languageId);
  return index >= 0 ? FLanguages[static_cast<std::size_t>(index)]->FindString(original, id, group) : original;
}

std::unique_ptr<Rtl::TStream> TQdDelphiResources::GetResource(const std::wstring& id, const wchar_t* resType) {
  TQdDelphiResource* current = GetCurrent();
  if (current != nullptr) return current->FindResource(id);
  return std::make_unique<Rtl::TResourceStream>(Rtl::MainInstance(), id, resType);
}

// --- Display names -----------------------------------------------------------------

TQdResourceLanguage* TQdDelphiResources::FindLanguage(const std::wstring& id) const {
  for (const auto& language : FLanguageNames)
    if (language->GetId() == id) return language.get();
  return nullptr;
}

std::wstring TQdDelphiResources::GetOriginals(const std::wstring& id) const {
  const TQdResourceLanguage* language = FindLanguage(id);
  return language != nullptr ? language->GetOriginal() : std::wstring();
}

std::wstring TQdDelphiResources::GetNatives(const std::wstring& id) const {
  const TQdResourceLanguage* language = FindLanguage(id);
  return language != nullptr ? language->GetNative() : std::wstring();
}

std::wstring TQdDelphiResources::GetLocalizeds(const std::wstring& id) const {
  const TQdResourceLanguage* language = FindLanguage(id);
  return language != nullptr ? language->GetLocalized() : std::wstring();
}

std::wstring TQdDelphiResources::GetLanguageImages(const std::wstring& id) const {
  const TQdResourceLanguage* language = FindLanguage(id);
  return language != nullptr ? language->GetImage() : std::wstring();
}

TQdResourceLanguage* TQdDelphiResources::Translate(std::wstring original, std::wstring id) {
  auto language = std::make_unique<TQdResourceLanguage>();
  language->SetOriginal(std::move(original));
  language->SetId(std::move(id));
  FLanguageNames.push_back(std::move(language));
  return FLanguageNames.back().get();
}

TQdResourceLanguage* TQdDelphiResources::Add(std::wstring original, std::wstring native, std::wstring localized,
                                             std::wstring id) {
  TQdResourceLanguage* language = Translate(std::move(original), std::move(id));
  language->SetNative(std::move(native));
  language->SetLocalized(std::move(localized));
  return language;
}

}  // namespace Qd

namespace Qd::QdResourceUnit {

void Initialization() { State.Start(std::make_unique<TQdDelphiResources>()); }

void Finalization() { State.Stop(); }

}  // namespace Qd::QdResourceUnit
