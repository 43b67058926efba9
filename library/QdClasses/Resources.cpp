#include "QdClasses/Resources.h"

#include <span>

#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Format.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Handles.h"
#include "QdClasses/Strings.h"

namespace Qd {

namespace {

HMODULE ModuleOf(Rtl::HINST instance) {
  return reinterpret_cast<HMODULE>(instance != 0 ? instance : Rtl::MainInstance());
}

HRSRC FindIn(HMODULE module, const wchar_t* resType, const wchar_t* resName, std::uint16_t langId) {
  if (langId == 0) return FindResourceW(module, resName, resType);
  return FindResourceExW(module, resType, resName, langId);
}

// The bytes of a found resource; they live as long as the module is loaded.
std::span<const std::uint8_t> ResourceData(HMODULE module, HRSRC info) {
  HGLOBAL handle = LoadResource(module, info);
  const void* data = handle != nullptr ? LockResource(handle) : nullptr;
  if (data == nullptr) return {};
  return {static_cast<const std::uint8_t*>(data), SizeofResource(module, info)};
}

Rtl::TBytes LoadFrom(HMODULE module, const wchar_t* resType, const wchar_t* resName) {
  HRSRC info = FindIn(module, resType, resName, 0);
  if (info == nullptr) return {};
  const auto data = ResourceData(module, info);
  return Rtl::TBytes(data.begin(), data.end());
}

// A file loaded as a data file (none when it can't be). It is loaded by its
// full path: by a bare name the loader would search its paths and hand back
// any loaded module of that name.
Rtl::TLoadedModule LoadDataModule(const std::wstring& fileName) {
  if (fileName.find_first_of(L"*?") != std::wstring::npos || !Rtl::FileExists(fileName)) return {};
  return Rtl::TLoadedModule(
      LoadLibraryExW(Rtl::ExpandFileName(fileName).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

}  // namespace

bool TResources::DoesExist(const std::wstring& fileName, const std::wstring& resType,
                           const std::wstring& resName, std::uint16_t langId) {
  try {
    const Rtl::TLoadedModule module = LoadDataModule(fileName);
    return module && FindIn(module.Get(), resType.c_str(), resName.c_str(), langId) != nullptr;
  } catch (...) {
    return false;
  }
}

bool TResources::DoesExist(const std::wstring& resType, const std::wstring& resName, Rtl::HINST instance,
                           std::uint16_t langId) {
  try {
    return FindIn(ModuleOf(instance), resType.c_str(), resName.c_str(), langId) != nullptr;
  } catch (...) {
    return false;
  }
}

void TResources::CopyToFile(const std::wstring& resName, const std::wstring& resType,
                            const std::wstring& fileName, Rtl::HINST instance) {
  const HMODULE module = ModuleOf(instance);
  HRSRC info = FindIn(module, resType.c_str(), resName.c_str(), 0);
  if (info == nullptr) throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SResourceNotFound), {resType, resName}));
  const auto data = ResourceData(module, info);
  const std::wstring dir = Rtl::ExtractFileDir(fileName);
  if (!dir.empty()) Rtl::ForceDirectories(dir);
  Rtl::TFileStream stream(fileName, Rtl::fmCreate);
  stream.WriteBuffer(data.data(), static_cast<int>(data.size()));
}

Rtl::TBytes TResources::Load(const std::wstring& fileName, const std::wstring& resType,
                             const std::wstring& resName) {
  const Rtl::TLoadedModule module = LoadDataModule(fileName);
  if (!module) return {};
  return LoadFrom(module.Get(), resType.c_str(), resName.c_str());
}

Rtl::TBytes TResources::Load(const std::wstring& resType, const std::wstring& resName, Rtl::HINST instance) {
  return Load(resType.c_str(), resName.c_str(), instance);
}

Rtl::TBytes TResources::Load(const wchar_t* resType, const wchar_t* resName, Rtl::HINST instance) {
  return LoadFrom(ModuleOf(instance), resType, resName);
}

}  // namespace Qd
