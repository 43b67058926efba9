#include "tools/ResourceImage.h"

#include <algorithm>
#include <stdexcept>

namespace ResourceTools {

namespace {

// Code-unit order of two texts, as the reader compares them.
bool UnitLess(const std::wstring& a, const std::wstring& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<std::uint16_t>(a[i]);
    const auto cb = static_cast<std::uint16_t>(b[i]);
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

class TWriter {
public:
  std::size_t Size() const { return FBytes.size(); }
  void Int32(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) FBytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void Word(std::uint16_t value) {
    FBytes.push_back(static_cast<std::uint8_t>(value));
    FBytes.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  void Units(const std::wstring& text) {
    for (wchar_t c : text) Word(static_cast<std::uint16_t>(c));
  }
  void Record(const std::wstring& text) {
    if (text.size() > 0xFFFF) throw std::length_error("text record too long");
    Word(static_cast<std::uint16_t>(text.size()));
    Units(text);
  }
  void Raw(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    FBytes.insert(FBytes.end(), p, p + size);
  }
  // Overwrites an int32 written earlier.
  void PatchInt32(std::size_t at, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) FBytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  std::int32_t Here() const { return static_cast<std::int32_t>(FBytes.size()); }
  TBytes Take() { return std::move(FBytes); }

private:
  TBytes FBytes;
};

std::int32_t Count(std::size_t n) { return static_cast<std::int32_t>(n); }

TBytes WriteLayout1(const TImageModel& image) {
  TWriter w;
  w.Raw("QDLA", 4);
  w.Int32(Count(image.Forms.size()));
  w.Int32(Count(image.Groups.size()));
  w.Int32(Count(image.Resources.size()));
  // The tables come first; their entries are filled when the data is written.
  const std::size_t formNames = w.Size();
  const std::size_t tableBytes = 16 * (image.Forms.size() + image.Groups.size() + image.Resources.size());
  for (std::size_t i = 0; i < tableBytes / 4; ++i) w.Int32(0);
  const std::size_t groupNames = formNames + 16 * image.Forms.size();
  const std::size_t resourceNames = groupNames + 16 * image.Groups.size();

  auto named = [&w](const std::vector<TNamedData>& entries, std::size_t names) {
    const std::size_t datas = names + 8 * entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      w.PatchInt32(names + 8 * i, w.Here());
      w.PatchInt32(names + 8 * i + 4, Count(entries[i].Name.size() * 2));
      w.Units(entries[i].Name);
      w.PatchInt32(datas + 8 * i, w.Here());
      w.PatchInt32(datas + 8 * i + 4, Count(entries[i].Data.size()));
      w.Raw(entries[i].Data.data(), entries[i].Data.size());
    }
  };
  named(image.Forms, formNames);
  named(image.Resources, resourceNames);

  const std::size_t groupDatas = groupNames + 8 * image.Groups.size();
  for (std::size_t i = 0; i < image.Groups.size(); ++i) {
    const TStringGroup& group = image.Groups[i];
    w.PatchInt32(groupNames + 8 * i, w.Here());
    w.PatchInt32(groupNames + 8 * i + 4, Count(group.Name.size() * 2));
    w.Units(group.Name);
    const std::size_t start = w.Size();
    w.PatchInt32(groupDatas + 8 * i, w.Here());
    w.PatchInt32(groupDatas + 8 * i + 4, 0);  // not read
    const std::size_t n = group.Strings.size();
    w.Int32(Count(n));
    for (std::size_t j = 0; j < 4 * n; ++j) w.Int32(0);
    for (std::size_t j = 0; j < n; ++j) {
      const std::size_t idEntry = start + 4 + 8 * j;
      const std::size_t valueEntry = start + 4 + 8 * n + 8 * j;
      w.PatchInt32(idEntry, Count(w.Size() - start));
      w.PatchInt32(idEntry + 4, Count(group.Strings[j].first.size() * 2));
      w.Units(group.Strings[j].first);
      w.PatchInt32(valueEntry, Count(w.Size() - start));
      w.PatchInt32(valueEntry + 4, Count(group.Strings[j].second.size() * 2));
      w.Units(group.Strings[j].second);
    }
    const std::size_t end = w.Size();
    w.PatchInt32(groupDatas + 8 * i + 4, Count(end - start));
  }
  return w.Take();
}

TBytes WriteLayout2(const TImageModel& image) {
  const auto win32 = SortedWin32(image);
  const auto forms = SortedByName(image.Forms);
  const auto resources = SortedByName(image.Resources);
  TWriter w;
  w.Raw("QDLB", 4);
  w.Int32(image.Version);
  char id[16] = {};
  std::copy_n(image.LangId.begin(), std::min<std::size_t>(image.LangId.size(), 16), id);
  w.Raw(id, 16);
  w.Int32(Count(win32.size()));
  w.Int32(Count(image.Win64Strings.size()));
  w.Int32(Count(image.SymbolStrings.size()));
  w.Int32(image.StringCount);
  w.Int32(Count(forms.size()));
  w.Int32(Count(resources.size()));
  std::size_t index = w.Size();
  const std::size_t entries =
      win32.size() + image.Win64Strings.size() + image.SymbolStrings.size() + forms.size() + resources.size();
  for (std::size_t i = 0; i < entries; ++i) w.Int32(0);

  // An entry, then the text record of its translation behind it.
  auto numbered = [&](const std::vector<std::pair<std::uint16_t, std::wstring>>& strings) {
    for (const auto& [number, text] : strings) {
      w.PatchInt32(index, w.Here());
      index += 4;
      w.Word(number);
      w.Int32(w.Here() + 4);
      w.Record(text);
    }
  };
  numbered(win32);
  numbered(image.Win64Strings);
  for (const auto& [key, text] : image.SymbolStrings) {
    w.PatchInt32(index, w.Here());
    index += 4;
    w.Record(key);
    w.Int32(w.Here() + 4);
    w.Record(text);
  }
  auto named = [&](const std::vector<TNamedData>& list) {
    for (const TNamedData& entry : list) {
      w.PatchInt32(index, w.Here());
      index += 4;
      w.Record(entry.Name);
      w.Int32(Count(entry.Data.size()));
      w.Raw(entry.Data.data(), entry.Data.size());
    }
  };
  named(forms);
  named(resources);
  return w.Take();
}

}  // namespace

std::vector<std::pair<std::uint16_t, std::wstring>> SortedWin32(const TImageModel& image) {
  auto sorted = image.Win32Strings;
  std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return sorted;
}

std::vector<TNamedData> SortedByName(const std::vector<TNamedData>& entries) {
  auto sorted = entries;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const TNamedData& a, const TNamedData& b) { return UnitLess(a.Name, b.Name); });
  return sorted;
}

TBytes WriteImage(const TImageModel& image) { return image.Layout == 1 ? WriteLayout1(image) : WriteLayout2(image); }

TBytes WriteContainer(const TContainerModel& container) {
  TWriter w;
  w.Raw("QDRE", 4);
  w.Int32(container.Version);
  const std::size_t n = container.Languages.size();
  w.Int32(Count(n));
  const std::size_t directory = w.Size();
  for (std::size_t i = 0; i < 4 * n; ++i) w.Int32(0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& id = container.Languages[i].first;
    w.PatchInt32(directory + 8 * i, w.Here());
    w.PatchInt32(directory + 8 * i + 4, Count(id.size()));
    w.Raw(id.data(), id.size());
  }
  for (std::size_t i = 0; i < n; ++i) {
    const TBytes image = WriteImage(container.Languages[i].second);
    const std::size_t entry = directory + 8 * n + 8 * i;
    w.PatchInt32(entry, w.Here());
    w.PatchInt32(entry + 4, Count(image.size()));
    w.Raw(image.data(), image.size());
  }
  return w.Take();
}

TContainerModel FixtureContainer() {
  TImageModel de;
  de.Layout = 2;
  de.LangId = "de";
  de.Win32Strings = {{60900, L"Ressource %s nicht gefunden"}, {1, L"eins"}};
  de.SymbolStrings = {{L"__rstr__ZN4Main5Forms6SHelloE", L"Hallo"}};
  de.Forms = {{L"TMainForm", {'T', 'P', 'F', '0'}}};
  de.Resources = {{L"FLAG", {1, 2, 3}}};
  TImageModel fi;
  fi.Layout = 1;
  fi.Groups = {{L"Main", {{L"Hello", L"Hei"}}}};
  fi.Resources = {{L"FLAG", {4, 5}}};
  TContainerModel container;
  container.Languages = {{"de", de}, {"fi", fi}};
  return container;
}

}  // namespace ResourceTools
