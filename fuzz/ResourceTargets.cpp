// The fuzz target of the translation containers and language images
// (QdResource): generated containers and images, valid or broken, loaded
// from memory; every language selected, every lookup and enumeration run,
// the forms found fed to the form reader and the symbol keys to ParseKey.
//
// An input that starts with 'V' and an 8-byte seed, followed by exactly
// the bytes that the writer makes of that seed's model, is checked against
// the model: every lookup must return what the model holds. Any other input
// may only raise "Invalid stream format" (and the form reader its read
// errors).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdResource.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"
#include "runtime/Text/StringList.h"
#include "runtime/Toolkit/FormStream.h"
#include "tools/FormText.h"
#include "tools/ResourceImage.h"

namespace Fuzz {

namespace {

using ResourceTools::TContainerModel;
using ResourceTools::TImageModel;
using ResourceTools::TNamedData;

// A case longer than this is a fault (a hang in the making).
constexpr auto CASE_LIMIT_C = std::chrono::seconds(2);

class TRng {
public:
  explicit TRng(std::uint64_t seed) : FState(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  bool Chance(unsigned percent) { return Below(100) < percent; }

private:
  std::uint64_t FState;
};

// Names from a small alphabet (so that names share prefixes and differ in
// case), now and then with a character beyond ASCII.
std::wstring Name(TRng& rng, std::size_t maxLength = 8) {
  static const wchar_t ALPHABET_C[] = L"aAbBzZ_09\u00e4\u00c4\u0416\uffff";
  std::wstring name;
  const std::size_t length = rng.Below(maxLength + 1);
  for (std::size_t i = 0; i < length; ++i) name.push_back(ALPHABET_C[rng.Below(sizeof ALPHABET_C / sizeof(wchar_t) - 1)]);
  return name;
}

// Unique names (the reader returns the first of equal ones, the model
// would have to say which).
std::vector<std::wstring> Names(TRng& rng, std::size_t count) {
  std::vector<std::wstring> names;
  for (std::size_t tries = 0; names.size() < count && tries < 4 * count + 4; ++tries) {
    std::wstring name = Name(rng);
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
  }
  return names;
}

ResourceTools::TBytes FormData(TRng& rng) {
  static const std::vector<std::uint8_t> FORM_C = FormTools::ConvertFormText(
      "object F: TForm\n  Caption = 'K\xc3\xa4nnchen'\n  object B: TButton\n    Tag = 3\n  end\nend\n");
  if (rng.Chance(50)) return FORM_C;
  ResourceTools::TBytes data(rng.Below(12));
  for (auto& b : data) b = static_cast<std::uint8_t>(rng.Next());
  if (rng.Chance(50) && data.size() >= 4) std::copy_n("TPF0", 4, data.begin());
  return data;
}

std::vector<TNamedData> NamedData(TRng& rng, std::size_t count) {
  std::vector<TNamedData> entries;
  for (std::wstring& name : Names(rng, count)) entries.push_back({std::move(name), FormData(rng)});
  return entries;
}

std::vector<std::pair<std::uint16_t, std::wstring>> Numbered(TRng& rng, std::size_t count) {
  std::vector<std::pair<std::uint16_t, std::wstring>> strings;
  for (std::size_t i = 0; i < count; ++i) {
    // Ids around the signed 16-bit border and the ends, unique.
    static const std::uint16_t SPOTS_C[] = {0, 1, 32766, 32767, 32768, 32769, 65534, 65535};
    const auto id = rng.Chance(40) ? SPOTS_C[rng.Below(8)] : static_cast<std::uint16_t>(rng.Next());
    bool taken = false;
    for (const auto& s : strings) taken = taken || s.first == id;
    if (!taken) strings.emplace_back(id, Name(rng));
  }
  return strings;
}

std::wstring SymbolKey(TRng& rng) {
  static const wchar_t* const KEYS_C[] = {L"__rstr__ZN4Main5Forms6SHelloE", L"__rsrc_N4Main6SHelloX",
                                          L"__rstr__ZZN4MainE5Other3abc", L"__rstr__ZN4MainXForms",
                                          L"__rstr__ZZN99999999999999999999abc", L"plain"};
  std::wstring key = KEYS_C[rng.Below(6)];
  if (rng.Chance(30)) key += Name(rng, 4);
  return key;
}

TImageModel ImageModel(TRng& rng) {
  TImageModel image;
  image.Layout = rng.Chance(50) ? 1 : 2;
  image.Forms = NamedData(rng, rng.Below(5));
  image.Resources = NamedData(rng, rng.Below(4));
  if (image.Layout == 1) {
    for (std::wstring& group : Names(rng, rng.Below(4))) {
      ResourceTools::TStringGroup g{std::move(group), {}};
      for (std::wstring& id : Names(rng, rng.Below(4))) g.Strings.emplace_back(std::move(id), Name(rng));
      image.Groups.push_back(std::move(g));
    }
  } else {
    image.Version = rng.Chance(90) ? 2 : static_cast<std::int32_t>(rng.Next() | 2) & ~1;
    static const char* const IDS_C[] = {"de", "de-AT", "sr-Latn-RS", "0123456789abcdefXYZ", ""};
    image.LangId = IDS_C[rng.Below(5)];
    image.StringCount = static_cast<std::int32_t>(rng.Next());
    image.Win32Strings = Numbered(rng, rng.Below(12));
    image.Win64Strings = Numbered(rng, rng.Below(4));
    for (std::size_t i = rng.Below(4); i > 0; --i) image.SymbolStrings.emplace_back(SymbolKey(rng), Name(rng));
  }
  return image;
}

TContainerModel ContainerModel(TRng& rng) {
  TContainerModel container;
  container.Version = static_cast<std::int32_t>(rng.Next());
  static const char* const IDS_C[] = {"de", "de-AT", "fi", "sr", "sr-Latn", "zh-Hant", "en", "\xe4"};
  std::vector<std::string> ids;
  for (std::size_t i = rng.Below(5); i > 0; --i) {
    std::string id = IDS_C[rng.Below(8)];
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) continue;
    ids.push_back(id);
    container.Languages.emplace_back(id, ImageModel(rng));
  }
  return container;
}

// The model of a seed: a container (mostly) or a single image.
struct TCase {
  bool IsContainer = true;
  TContainerModel Container;
  TImageModel Image;
  ResourceTools::TBytes Bytes;
};

TCase Build(std::uint64_t seed) {
  TRng rng(seed);
  TCase c;
  c.IsContainer = rng.Chance(75);
  if (c.IsContainer) {
    c.Container = ContainerModel(rng);
    c.Bytes = ResourceTools::WriteContainer(c.Container);
  } else {
    c.Image = ImageModel(rng);
    c.Bytes = ResourceTools::WriteImage(c.Image);
  }
  return c;
}

void PutInt32(ResourceTools::TBytes& bytes, std::size_t at, std::int32_t value) {
  for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
    bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
}

// Breaks the bytes on purpose: bit flips, int32 fields set to -1, 0,
// 2^31-1 or near the size, truncation, splices.
void Break(TRng& rng, ResourceTools::TBytes& bytes) {
  for (std::size_t n = 1 + rng.Below(3); n > 0 && !bytes.empty(); --n) {
    switch (rng.Below(5)) {
      case 0:
        bytes[rng.Below(bytes.size())] ^= static_cast<std::uint8_t>(1u << rng.Below(8));
        break;
      case 1: {
        const std::int32_t size = static_cast<std::int32_t>(bytes.size());
        const std::int32_t values[] = {-1, 0, 0x7FFFFFFF, size, size - 1, size - 2, size - 4, size + 1,
                                       static_cast<std::int32_t>(0x80000000u)};
        // Mostly a header or table field, at a 4-byte position.
        const std::size_t at = rng.Chance(70) ? 4 * rng.Below(std::min<std::size_t>(bytes.size() / 4 + 1, 24))
                                              : rng.Below(bytes.size());
        PutInt32(bytes, at, values[rng.Below(9)]);
        break;
      }
      case 2:
        bytes.resize(rng.Below(bytes.size()));
        break;
      case 3: {
        const std::size_t from = rng.Below(bytes.size());
        const std::size_t to = rng.Below(bytes.size());
        const std::size_t length = std::min(rng.Below(32), bytes.size() - std::max(from, to));
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), length,
                    bytes.begin() + static_cast<std::ptrdiff_t>(to));
        break;
      }
      default: {
        const TCase other = Build(rng.Next());
        const std::size_t at = rng.Below(bytes.size());
        bytes.resize(at);
        const std::size_t from = rng.Below(other.Bytes.size());
        bytes.insert(bytes.end(), other.Bytes.begin() + static_cast<std::ptrdiff_t>(from), other.Bytes.end());
        break;
      }
    }
  }
}

TBytes Generate(std::uint64_t seed) {
  TCase c = Build(seed);
  TRng rng(seed ^ 0x5DEECE66Dull);
  if (rng.Chance(40)) {
    TBytes input = {'V'};
    for (int i = 0; i < 8; ++i) input.push_back(static_cast<std::uint8_t>(seed >> (8 * i)));
    input.insert(input.end(), c.Bytes.begin(), c.Bytes.end());
    return input;
  }
  Break(rng, c.Bytes);
  return c.Bytes;
}

std::vector<TBytes> Seeds() {
  std::vector<TBytes> seeds;
  for (std::uint64_t seed = 1; seeds.size() < 6; ++seed) {
    TCase c = Build(seed);
    if (c.Bytes.size() <= 2048) seeds.push_back(std::move(c.Bytes));
  }
  return seeds;
}

std::vector<std::string> Tokens() {
  return {"QDRE", "QDLA", "QDLB", std::string("\xFF\xFF\xFF\xFF", 4), std::string("\xFF\xFF\xFF\x7F", 4),
          std::string("\x00\x00\x00\x00", 4), std::string("\x02\x00\x00\x00", 4), std::string("\x01\x00\x00\x00", 4),
          "TPF0"};
}

// --- Running a case ----------------------------------------------------------------

// Runs `f`; bad bytes may raise "Invalid stream format" and nothing else.
template <class F>
void Guarded(F&& f) {
  try {
    f();
  } catch (const Rtl::EInvalidImage& e) {
    if (e.Message() != L"Invalid stream format") Fail("an invalid image with another message");
  } catch (const Rtl::Exception& e) {
    Fail("unexpected exception: " + std::string(e.what()));
  }
}

void ReadForm(const std::unique_ptr<Rtl::TMemoryStream>& stream) {
  if (stream == nullptr) return;
  try {
    Rtl::ReadFormStream(std::span<const std::uint8_t>(stream->Memory(), static_cast<std::size_t>(stream->Size())));
  } catch (const Rtl::EReadError&) {
  }
}

std::vector<std::wstring> Items(const Rtl::TStringList& list) {
  std::vector<std::wstring> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Strings(i));
  return items;
}

// Every lookup and enumeration of one language.
void Exercise(Qd::TQdDelphiResource& language) {
  Rtl::TStringList forms, resources, win32, win64, ids, values;
  Guarded([&] { language.GetFormNames(forms); });
  Guarded([&] { language.GetResourceNames(resources); });
  Guarded([&] { language.GetWin32Strings(win32); });
  Guarded([&] { language.GetWin64Strings(win64); });
  Guarded([&] { language.GetSymbolStrings(ids, values); });
  for (const std::wstring& name : Items(forms)) Guarded([&] { ReadForm(language.FindForm(name)); });
  for (const std::wstring& name : Items(resources)) Guarded([&] { language.FindResource(name); });
  Guarded([&] { language.FindForm(L"TForm"); });
  for (std::uint16_t id : {0, 1, 32767, 32768, 65535}) Guarded([&] { language.FindStringWin(id); });
  Guarded([&] { language.FindString(L"original", L"", L"a"); });
  for (const std::wstring& key : Items(ids)) {
    std::wstring unitName, itemName;
    Qd::TQdDelphiResource::ParseKey(key, unitName, itemName);
  }
}

std::vector<std::wstring> Texts(const std::vector<std::pair<std::uint16_t, std::wstring>>& strings) {
  std::vector<std::wstring> texts;
  for (const auto& s : strings) texts.push_back(s.second);
  return texts;
}

std::vector<std::wstring> NamesOf(const std::vector<TNamedData>& entries) {
  std::vector<std::wstring> names;
  for (const auto& e : entries) names.push_back(e.Name);
  return names;
}

// An unbroken image returns exactly what its model holds.
void Check(Qd::TQdDelphiResource& language, const TImageModel& model) {
  Rtl::TStringList forms, resources, win32, win64, ids, values;
  language.GetFormNames(forms);
  language.GetResourceNames(resources);
  language.GetWin32Strings(win32);
  language.GetWin64Strings(win64);
  language.GetSymbolStrings(ids, values);
  const bool layout1 = model.Layout == 1;
  const auto modelForms = layout1 ? model.Forms : ResourceTools::SortedByName(model.Forms);
  const auto modelResources = layout1 ? model.Resources : ResourceTools::SortedByName(model.Resources);
  if (Items(forms) != NamesOf(modelForms)) Fail("form names");
  if (Items(resources) != NamesOf(modelResources)) Fail("resource names");
  if (Items(win32) != Texts(ResourceTools::SortedWin32(model))) Fail("Win32 strings");
  if (Items(win64) != Texts(model.Win64Strings)) Fail("Win64 strings");
  if (static_cast<std::size_t>(ids.Count()) != model.SymbolStrings.size()) Fail("symbol count");
  for (std::size_t i = 0; i < model.SymbolStrings.size(); ++i)
    if (ids.Strings(static_cast<int>(i)) != model.SymbolStrings[i].first ||
        values.Strings(static_cast<int>(i)) != model.SymbolStrings[i].second)
      Fail("symbol strings");
  for (const TNamedData& form : model.Forms) {
    const auto stream = language.FindForm(form.Name);
    if (stream == nullptr || stream->Bytes() != form.Data) Fail("a form");
    if (language.FindForm(form.Name + L"?") != nullptr) Fail("a form that isn't there");
  }
  for (const TNamedData& resource : model.Resources) {
    const auto stream = language.FindResource(resource.Name);
    if (stream == nullptr || stream->Bytes() != resource.Data) Fail("a resource");
  }
  for (const auto& [id, text] : model.Win32Strings)
    if (language.FindStringWin(id) != text) Fail("a Win32 string");
  for (std::uint16_t id : {0, 1, 32767, 32768, 65535}) {
    bool held = false;
    for (const auto& s : model.Win32Strings) held = held || s.first == id;
    if (!held && !language.FindStringWin(id).empty()) Fail("a Win32 string that isn't there");
  }
  // Group names and the ids of a group are unique in the model; an empty id
  // looks up the original, which no group holds.
  for (const auto& group : model.Groups)
    for (const auto& [id, text] : group.Strings)
      if (language.FindString(L"original", id, group.Name) != (id.empty() ? std::wstring(L"original") : text))
        Fail("a group string");
  if (language.FindString(L"original", L"id", L"no such group \u0416") != L"original") Fail("an unknown group");
  const std::string langId = model.LangId.substr(0, 16);
  if (!layout1 && language.GetLangId() != std::wstring(langId.begin(), langId.end())) Fail("the header's language id");
}

// A valid input raises nothing.
template <class F>
void CheckValid(F&& f) {
  try {
    f();
  } catch (const Rtl::Exception& e) {
    Fail("a valid input raised: " + std::string(e.what()));
  }
}

void Run(TInput input) {
  const auto start = std::chrono::steady_clock::now();
  TInput payload = input;
  const TCase* model = nullptr;
  TCase built;
  if (input.size() >= 9 && input[0] == 'V') {
    payload = input.subspan(9);
    std::uint64_t seed = 0;
    for (int i = 0; i < 8; ++i) seed |= static_cast<std::uint64_t>(input[1 + static_cast<std::size_t>(i)]) << (8 * i);
    built = Build(seed);
    if (built.Bytes.size() == payload.size() && std::equal(payload.begin(), payload.end(), built.Bytes.begin()))
      model = &built;
  }
  const Rtl::TBytes bytes(payload.begin(), payload.end());

  if (payload.size() >= 4 && std::equal(payload.begin(), payload.begin() + 4, "QDRE")) {
    Qd::TQdDelphiResources resources;
    Rtl::TBytesStream stream(bytes);
    if (model != nullptr) {
      CheckValid([&] {
      resources.LoadFromStream(stream);
      const auto& languages = model->Container.Languages;
      if (resources.GetCount() != static_cast<int>(languages.size())) Fail("language count");
      for (std::size_t i = 0; i < languages.size(); ++i) {
        const std::wstring id(languages[i].first.begin(), languages[i].first.end());
        if (languages[i].first.find('\xe4') == std::string::npos && resources.GetLanguages(static_cast<int>(i))->GetId() != id)
          Fail("a language id");
        Check(*resources.GetLanguages(static_cast<int>(i)), languages[i].second);
      }
      });
    } else {
      Guarded([&] { resources.LoadFromStream(stream); });
    }
    for (int i = 0; i < resources.GetCount(); ++i) {
      const std::wstring id = resources.GetLanguages(i)->GetId();
      Guarded([&] { resources.SetLanguageId(id); });
      Guarded([&] { ReadForm(resources.FindForm(L"TForm")); });
      Guarded([&] { resources.GetString(L"original", L"", L"a"); });
      Exercise(*resources.GetLanguages(i));
    }
  } else {
    auto data = std::make_shared<Rtl::TMemoryStream>();
    if (!bytes.empty()) data->WriteBytes(bytes);
    std::unique_ptr<Qd::TQdDelphiResource> language;
    if (model != nullptr) {
      CheckValid([&] {
        language = std::make_unique<Qd::TQdDelphiResource>(L"xx", data, 0);
        Check(*language, model->Image);
      });
    } else {
      Guarded([&] { language = std::make_unique<Qd::TQdDelphiResource>(L"xx", data, 0); });
    }
    if (language != nullptr) Exercise(*language);
  }

  const auto elapsed = std::chrono::steady_clock::now() - start;
  if (elapsed > CASE_LIMIT_C) Fail("a case over the time limit");
  // The slowest case and the number checked against their model, said once
  // at the end of the run.
  struct TSlowest {
    std::chrono::steady_clock::duration Time{};
    std::size_t Size = 0;
    std::size_t Checked = 0;
    ~TSlowest() {
      std::printf("fuzz: resource-container slowest case %lld us (%zu bytes); %zu cases checked against their model\n",
                  static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(Time).count()), Size,
                  Checked);
    }
  };
  static TSlowest slowest;
  if (model != nullptr) ++slowest.Checked;
  if (elapsed > slowest.Time) {
    slowest.Time = elapsed;
    slowest.Size = input.size();
  }
}

}  // namespace

TTarget ResourceTarget() { return {"resource-container", Run, Seeds, Tokens, 8, Generate}; }

}  // namespace Fuzz
