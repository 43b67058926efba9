// Lookups in a translation container against the platform's own resources
// holding the same data: GetString by reference for 20,000 numbered strings
// against LoadStringW of the same strings from a resource module, and
// FindForm for 200 forms against a resource stream over an RCDATA of the
// same size. The container is a layout-2 file; the resource module is a copy
// of this program whose string table and RCDATA are replaced through
// UpdateResourceW, loaded as a data file.
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "Bench.h"
#include "QdBase.h"
#include "QdResource.h"
#include "QdStartup.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "tools/ResourceImage.h"

namespace {

constexpr int STRING_COUNT_C = 20000;
constexpr int FORM_COUNT_C = 200;
constexpr std::size_t FORM_SIZE_C = 2048;

std::wstring Text(int id) { return L"Translated text number " + std::to_wstring(id); }
std::wstring FormName(int i) { return L"TForm" + std::to_wstring(i); }

ResourceTools::TBytes FormBytes(int i) {
  ResourceTools::TBytes data(FORM_SIZE_C);
  for (std::size_t j = 0; j < data.size(); ++j) data[j] = static_cast<std::uint8_t>(i + j);
  return data;
}

std::wstring TempName(const std::wstring& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + name;
}

void WriteContainer(const std::wstring& fileName) {
  ResourceTools::TImageModel image;
  for (int id = 1; id <= STRING_COUNT_C; ++id) image.Win32Strings.emplace_back(static_cast<std::uint16_t>(id), Text(id));
  for (int i = 0; i < FORM_COUNT_C; ++i) image.Forms.push_back({FormName(i), FormBytes(i)});
  ResourceTools::TContainerModel model;
  model.Languages = {{"de", image}};
  const ResourceTools::TBytes bytes = ResourceTools::WriteContainer(model);
  Rtl::TFileStream file(fileName, Rtl::fmCreate);
  file.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

// A copy of this program with the strings 1..STRING_COUNT_C (blocks of 16)
// and the forms as RCDATA.
void WriteModule(const std::wstring& fileName) {
  if (!CopyFileW(Rtl::GetModuleFileName(0).c_str(), fileName.c_str(), FALSE)) throw std::runtime_error("copy");
  HANDLE update = BeginUpdateResourceW(fileName.c_str(), FALSE);
  if (update == nullptr) throw std::runtime_error("BeginUpdateResourceW");
  const WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  for (int block = 1; block <= STRING_COUNT_C / 16 + 1; ++block) {
    std::vector<WORD> data;
    for (int k = 0; k < 16; ++k) {
      const int id = (block - 1) * 16 + k;
      const std::wstring text = id >= 1 && id <= STRING_COUNT_C ? Text(id) : std::wstring();
      data.push_back(static_cast<WORD>(text.size()));
      data.insert(data.end(), text.begin(), text.end());
    }
    UpdateResourceW(update, RT_STRING, MAKEINTRESOURCEW(block), language, data.data(),
                    static_cast<DWORD>(data.size() * 2));
  }
  for (int i = 0; i < FORM_COUNT_C; ++i) {
    ResourceTools::TBytes form = FormBytes(i);
    UpdateResourceW(update, RT_RCDATA, FormName(i).c_str(), language, form.data(), static_cast<DWORD>(form.size()));
  }
  if (!EndUpdateResourceW(update, FALSE)) throw std::runtime_error("EndUpdateResourceW");
}

int Measure(const std::wstring& container, const std::wstring& module) {
  const Rtl::TLoadedModule library(LoadLibraryExW(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!library) {
    std::fprintf(stderr, "the resource module doesn't load\n");
    return 1;
  }
  const HMODULE handle = library.Get();

  Qd::SetDefaultLocale(L"de");
  Qd::TQdDelphiResources resources;
  resources.Load(container);
  std::vector<Rtl::TResStringRec> records;
  for (int id = 1; id <= STRING_COUNT_C; ++id)
    records.push_back(Rtl::TResStringRec{&Rtl::ThisImage, static_cast<std::uint16_t>(id), ""});

  Bench::TSuite suite("qdresource", "layout-2 container: 20,000 strings, 200 forms of 2 KiB; baseline: "
                                    "a resource module loaded as a data file");
  suite.Add(
      "GetString/LoadStringW",
      [&] {
        std::size_t total = 0;
        for (const Rtl::TResStringRec& record : records) total += resources.GetString(record).size();
        return total;
      },
      [&] {
        std::size_t total = 0;
        wchar_t buffer[256];
        for (int id = 1; id <= STRING_COUNT_C; ++id)
          total += static_cast<std::size_t>(LoadStringW(handle, static_cast<UINT>(id), buffer, 256));
        return total;
      });
  suite.Add(
      "FindForm/RCDATA",
      [&] {
        std::size_t total = 0;
        for (int i = 0; i < FORM_COUNT_C; ++i) total += static_cast<std::size_t>(resources.FindForm(FormName(i))->Size());
        return total;
      },
      [&] {
        std::size_t total = 0;
        for (int i = 0; i < FORM_COUNT_C; ++i) {
          Rtl::TResourceStream stream(reinterpret_cast<Rtl::HINST>(handle), FormName(i));
          Rtl::TMemoryStream copy;
          copy.CopyFrom(stream, 0);
          total += static_cast<std::size_t>(copy.Size());
        }
        return total;
      });
  return suite.Run();
}

}  // namespace

int main() {
  Qd::TUnitsScope units;
  const std::wstring container = TempName(L"bench_qdresource.qdres");
  const std::wstring module = TempName(L"bench_qdresource_module.dll");
  WriteContainer(container);
  WriteModule(module);
  const int status = Measure(container, module);
  DeleteFileW(container.c_str());
  DeleteFileW(module.c_str());
  return status;
}
