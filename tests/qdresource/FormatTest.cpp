// The container and image formats: lookups and enumerations of both
// layouts on containers from the format writer, a container written by
// hand, the faults of broken bytes, and symbol keys.
#include <gtest/gtest.h>

#include "QdResource.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/StringList.h"
#include "tools/ResourceImage.h"

namespace {

using ResourceTools::TBytes;
using ResourceTools::TContainerModel;
using ResourceTools::TImageModel;
using TestSupport::MessageOf;

constexpr const wchar_t* INVALID_C = L"Invalid stream format";

// A collection loaded from the container's bytes (no language is current:
// DefaultLocale "en" is not among the ids).
class TLoaded {
public:
  explicit TLoaded(const TBytes& bytes) {
    Rtl::TBytesStream stream(bytes);
    Resources.LoadFromStream(stream);
  }
  explicit TLoaded(const TContainerModel& model) : TLoaded(ResourceTools::WriteContainer(model)) {}
  Qd::TQdDelphiResource& Language(int index) { return *Resources.GetLanguages(index); }
  Qd::TQdDelphiResources Resources;
};

// A language over the image's bytes alone, as a language file is read.
std::unique_ptr<Qd::TQdDelphiResource> Image(const TBytes& bytes) {
  auto data = std::make_shared<Rtl::TMemoryStream>();
  data->WriteBytes(bytes);
  return std::make_unique<Qd::TQdDelphiResource>(L"xx", data, 0);
}

TBytes StreamBytes(const std::unique_ptr<Rtl::TMemoryStream>& stream) {
  EXPECT_TRUE(stream != nullptr);
  if (stream == nullptr) return {};
  EXPECT_EQ(stream->Position(), 0);
  return stream->Bytes();
}

std::vector<std::wstring> Items(const Rtl::TStringList& list) {
  std::vector<std::wstring> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Strings(i));
  return items;
}

TImageModel Layout1() {
  TImageModel image;
  image.Layout = 1;
  image.Forms = {{L"TMainForm", {'T', 'P', 'F', '0', 1}}, {L"TAboutForm", {'T', 'P', 'F', '0', 2}}};
  image.Groups = {{L"Main", {{L"Hello", L"Hei"}, {L"Open", L"Avaa"}}},
                  {L"Other", {{L"Bye", L"Muu"}}},
                  {L"Main", {{L"Bye", L"Moi"}}}};
  image.Resources = {{L"FLAG", {9, 8, 7}}};
  return image;
}

TImageModel Layout2() {
  TImageModel image;
  image.LangId = "de-DE";
  image.StringCount = 7;
  image.Win32Strings = {{65535, L"last"}, {32768, L"above"}, {1, L"one"}, {32767, L"below"}};
  image.Win64Strings = {{5, L"five"}, {2, L"two"}};
  image.SymbolStrings = {{L"__rstr__ZN4Main6SHelloE", L"Hallo"}, {L"__rsrc_N4Main6SByeX", L"Tschüss"}};
  image.Forms = {{L"TMainForm", {'T', 'P', 'F', '0', 1}}, {L"TAboutForm", {}}, {L"Tmain", {3}}};
  image.Resources = {{L"LOGO", {1, 2}}, {L"FLAG", {3}}};
  return image;
}

TEST(Layout1Test, FormsResourcesAndTheGroupWalk) {
  TLoaded loaded(TContainerModel{1, {{"fi", Layout1()}}});
  Qd::TQdDelphiResource& fi = loaded.Language(0);
  EXPECT_EQ(fi.GetVersion(), Qd::nr1);
  EXPECT_EQ(fi.GetLangId(), L"");
  EXPECT_EQ(StreamBytes(fi.FindForm(L"TAboutForm")), (TBytes{'T', 'P', 'F', '0', 2}));
  EXPECT_EQ(fi.FindForm(L"taboutform"), nullptr);
  EXPECT_EQ(StreamBytes(fi.FindResource(L"FLAG")), (TBytes{9, 8, 7}));
  EXPECT_EQ(fi.FindResource(L"LOGO"), nullptr);

  EXPECT_EQ(fi.FindString(L"Hello", L"Hello", L"Main"), L"Hei");
  // An empty id looks up the original; the first "Main" group lacks "Bye",
  // so the walk goes on past "Other" to the later "Main".
  EXPECT_EQ(fi.FindString(L"Bye", L"", L"Main"), L"Moi");
  EXPECT_EQ(fi.FindString(L"Bye", L"", L"Other"), L"Muu");
  EXPECT_EQ(fi.FindString(L"original", L"Open", L"Main"), L"Avaa");
  EXPECT_EQ(fi.FindString(L"original", L"Open", L"Nothing"), L"original");
  EXPECT_EQ(fi.FindString(L"original", L"open", L"Main"), L"original");
  // No numbered strings in this layout.
  EXPECT_EQ(fi.FindStringWin(1), L"");
  Rtl::TStringList names, values;
  fi.GetWin32Strings(values);
  fi.GetSymbolStrings(names, values);
  EXPECT_EQ(values.Count(), 0);
  fi.GetFormNames(names);
  fi.GetResourceNames(names);
  EXPECT_EQ(Items(names), (std::vector<std::wstring>{L"TMainForm", L"TAboutForm", L"FLAG"}));
}

TEST(Layout2Test, NumberedStringsCompareAsUnsignedNumbers) {
  TLoaded loaded(TContainerModel{1, {{"de", Layout2()}}});
  Qd::TQdDelphiResource& de = loaded.Language(0);
  EXPECT_EQ(de.GetVersion(), Qd::nr2);
  EXPECT_EQ(de.GetLangId(), L"de-DE");
  EXPECT_EQ(de.GetId(), L"de");
  EXPECT_EQ(de.GetWin32StringCount(), 4);
  EXPECT_EQ(de.FindStringWin(32767), L"below");
  EXPECT_EQ(de.FindStringWin(32768), L"above");
  EXPECT_EQ(de.FindStringWin(65535), L"last");
  EXPECT_EQ(de.FindStringWin(1), L"one");
  EXPECT_EQ(de.FindStringWin(2), L"");
  EXPECT_EQ(de.FindStringWin(0), L"");
  // By reference: the record's number in the string table.
  static constexpr Rtl::TResStringRec above{&Rtl::ThisImage, 32768, "original"};
  EXPECT_EQ(de.FindString(above), L"above");
  // The group lookup belongs to the other layout.
  EXPECT_EQ(de.FindString(L"original", L"id", L"Main"), L"original");
}

TEST(Layout2Test, FormsAndResourcesAreFoundByExactName) {
  TLoaded loaded(TContainerModel{1, {{"de", Layout2()}}});
  Qd::TQdDelphiResource& de = loaded.Language(0);
  EXPECT_EQ(StreamBytes(de.FindForm(L"TMainForm")), (TBytes{'T', 'P', 'F', '0', 1}));
  EXPECT_EQ(StreamBytes(de.FindForm(L"Tmain")), (TBytes{3}));
  EXPECT_EQ(StreamBytes(de.FindForm(L"TAboutForm")), TBytes{});
  EXPECT_EQ(de.FindForm(L"TMAINFORM"), nullptr);
  EXPECT_EQ(de.FindForm(L"tmainform"), nullptr);
  EXPECT_EQ(de.FindForm(L""), nullptr);
  EXPECT_EQ(StreamBytes(de.FindResource(L"FLAG")), (TBytes{3}));
  EXPECT_EQ(StreamBytes(de.FindResource(L"LOGO")), (TBytes{1, 2}));
  EXPECT_EQ(de.FindResource(L"flag"), nullptr);
}

TEST(Layout2Test, EnumerationsFollowTheIndexes) {
  TLoaded loaded(TContainerModel{1, {{"de", Layout2()}}});
  Qd::TQdDelphiResource& de = loaded.Language(0);
  Rtl::TStringList win32, win64, ids, values, forms, resources;
  de.GetWin32Strings(win32);
  de.GetWin64Strings(win64);
  de.GetSymbolStrings(ids, values);
  de.GetFormNames(forms);
  de.GetResourceNames(resources);
  EXPECT_EQ(Items(win32), (std::vector<std::wstring>{L"one", L"below", L"above", L"last"}));
  EXPECT_EQ(Items(win64), (std::vector<std::wstring>{L"five", L"two"}));
  EXPECT_EQ(Items(ids), (std::vector<std::wstring>{L"__rstr__ZN4Main6SHelloE", L"__rsrc_N4Main6SByeX"}));
  EXPECT_EQ(Items(values), (std::vector<std::wstring>{L"Hallo", L"Tschüss"}));
  // Sorted by code unit: upper case before lower case.
  EXPECT_EQ(Items(forms), (std::vector<std::wstring>{L"TAboutForm", L"TMainForm", L"Tmain"}));
  EXPECT_EQ(Items(resources), (std::vector<std::wstring>{L"FLAG", L"LOGO"}));
}

TEST(ContainerTest, AHandWrittenContainerReads) {
  // "QDRE", version 7, one language "de" whose layout-2 image holds the
  // Win32 string 5 = "ab".
  const TBytes bytes = {
      'Q', 'D', 'R', 'E', 7, 0, 0, 0, 1, 0, 0, 0,  // magic, version, count
      28, 0, 0, 0, 2, 0, 0, 0,                     // id at 28, 2 bytes
      30, 0, 0, 0, 99, 99, 99, 99,                 // image at 30, a size that isn't read
      'd', 'e',                                    // the id
      'Q', 'D', 'L', 'B', 2, 0, 0, 0,              // image: magic, version 2
      'd', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // counts
      52, 0, 0, 0,                                 // the Win32 index: entry at 52
      5, 0, 58, 0, 0, 0,                           // id 5, text at 58
      2, 0, 'a', 0, 'b', 0};
  TLoaded loaded(bytes);
  EXPECT_EQ(loaded.Resources.GetVersion(), 7);
  ASSERT_EQ(loaded.Resources.GetCount(), 1);
  EXPECT_EQ(loaded.Language(0).GetId(), L"de");
  EXPECT_EQ(loaded.Language(0).GetOffset(), 30);
  EXPECT_EQ(loaded.Language(0).FindStringWin(5), L"ab");
  // The writer writes the same bytes for the same model (bar the size).
  TImageModel image;
  image.LangId = "de";
  image.Win32Strings = {{5, L"ab"}};
  TBytes written = ResourceTools::WriteContainer(TContainerModel{7, {{"de", image}}});
  ASSERT_EQ(written.size(), bytes.size());
  std::fill_n(written.begin() + 24, 4, 99);
  EXPECT_EQ(written, bytes);
}

TEST(ContainerTest, LanguagesKeepTheDirectoryOrderAndShareTheBytes) {
  TContainerModel model{3, {{"fi", Layout1()}, {"de", Layout2()}, {"de-AT", Layout2()}}};
  auto resources = std::make_unique<TLoaded>(model);
  ASSERT_EQ(resources->Resources.GetCount(), 3);
  EXPECT_EQ(resources->Language(1).GetId(), L"de");
  EXPECT_EQ(resources->Language(2).GetId(), L"de-AT");
  EXPECT_EQ(resources->Language(0).GetStream(), resources->Resources.GetStream());
  // A second load drops the languages of the first and the current one.
  Rtl::TBytesStream other(ResourceTools::WriteContainer(TContainerModel{1, {{"sv", Layout2()}}}));
  resources->Resources.SetLanguageId(L"de");
  ASSERT_NE(resources->Resources.GetCurrent(), nullptr);
  resources->Resources.LoadFromStream(other);
  EXPECT_EQ(resources->Resources.GetCount(), 1);
  EXPECT_EQ(resources->Resources.GetLanguages(0)->GetId(), L"sv");
  EXPECT_EQ(resources->Resources.GetCurrent(), nullptr);
  EXPECT_EQ(MessageOf<Rtl::EArgumentOutOfRangeException>([&] { resources->Resources.GetLanguages(1); }),
            L"Argument out of range");
  EXPECT_EQ(MessageOf<Rtl::EArgumentOutOfRangeException>([&] { resources->Resources.GetLanguages(-1); }),
            L"Argument out of range");
}

TEST(ContainerTest, IdsAreReadInTheAnsiCodePage) {
  TLoaded loaded(TContainerModel{1, {{"\xe4\xe9-x", Layout2()}}});
  wchar_t expected[8] = {};
  const int length = MultiByteToWideChar(CP_ACP, 0, "\xe4\xe9-x", 4, expected, 8);
  EXPECT_EQ(loaded.Language(0).GetId(), std::wstring(expected, static_cast<std::size_t>(length)));
}

// --- Broken bytes ----------------------------------------------------------------

void PutInt32(TBytes& bytes, std::size_t at, std::int32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
}

TEST(BrokenImageTest, HeaderFaultsRaiseWhenTheHeaderIsRead) {
  const TBytes good = ResourceTools::WriteImage(Layout2());
  auto invalid = [](const TBytes& bytes) { return MessageOf<Rtl::EInvalidImage>([&] { Image(bytes); }); };
  TBytes bytes = good;
  bytes[3] = 'X';
  EXPECT_EQ(invalid(bytes), INVALID_C) << "magic";
  bytes = good;
  PutInt32(bytes, 4, 0x101);  // low byte 1: layout-1 tables this header doesn't have
  EXPECT_EQ(invalid(bytes), INVALID_C) << "version 1";
  bytes = good;
  PutInt32(bytes, 4, 0x102);
  EXPECT_EQ(Image(bytes)->FindStringWin(1), L"one") << "other high bytes don't matter";
  for (std::size_t field : {24u, 28u, 32u, 40u, 44u}) {
    bytes = good;
    PutInt32(bytes, field, -1);
    EXPECT_EQ(invalid(bytes), INVALID_C) << "negative count at " << field;
    PutInt32(bytes, field, 0x7FFFFFFF);
    EXPECT_EQ(invalid(bytes), INVALID_C) << "huge count at " << field;
  }
  EXPECT_EQ(invalid(TBytes(good.begin(), good.begin() + 47)), INVALID_C) << "short header";
  EXPECT_EQ(invalid(TBytes(good.begin(), good.begin() + 3)), INVALID_C) << "short magic";
  TBytes layout1 = ResourceTools::WriteImage(Layout1());
  PutInt32(layout1, 8, 100000);
  EXPECT_EQ(invalid(layout1), INVALID_C) << "group table past the end";
}

TEST(BrokenImageTest, EntryFaultsRaiseFromTheLookupThatMeetsThem) {
  TImageModel model;
  model.Win32Strings = {{1, L"one"}, {2, L"two"}, {3, L"three"}};
  model.Forms = {{L"A", {1}}};
  TBytes bytes = ResourceTools::WriteImage(model);
  // The index entry of id 3 points past the end; the lookup of 1 doesn't meet it.
  PutInt32(bytes, 48 + 8, static_cast<std::int32_t>(bytes.size()) - 1);
  auto language = Image(bytes);
  EXPECT_EQ(language->FindStringWin(1), L"one");
  EXPECT_EQ(MessageOf<Rtl::EInvalidImage>([&] { language->FindStringWin(3); }), INVALID_C);
  Rtl::TStringList values;
  EXPECT_EQ(MessageOf<Rtl::EInvalidImage>([&] { language->GetWin32Strings(values); }), INVALID_C);
  // A form whose size runs past the end; a negative size.
  bytes = ResourceTools::WriteImage(model);
  const std::size_t form = static_cast<std::size_t>(bytes[48 + 12] | bytes[48 + 13] << 8);
  PutInt32(bytes, form + 4, 1000);
  EXPECT_EQ(MessageOf<Rtl::EInvalidImage>([&] { Image(bytes)->FindForm(L"A"); }), INVALID_C);
  PutInt32(bytes, form + 4, -1);
  EXPECT_EQ(MessageOf<Rtl::EInvalidImage>([&] { Image(bytes)->FindForm(L"A"); }), INVALID_C);
}

TEST(BrokenContainerTest, DirectoryFaults) {
  const TBytes good = ResourceTools::WriteContainer(TContainerModel{1, {{"de", Layout2()}, {"fi", Layout1()}}});
  auto load = [](const TBytes& bytes) { return MessageOf<Rtl::EInvalidImage>([&] { TLoaded loaded(bytes); }); };
  TBytes bytes = good;
  bytes[0] = 'X';
  EXPECT_EQ(load(bytes), INVALID_C) << "magic";
  for (std::int32_t count : {-1, 1000, 0x7FFFFFFF}) {
    bytes = good;
    PutInt32(bytes, 8, count);
    EXPECT_EQ(load(bytes), INVALID_C) << "count " << count;
  }
  for (std::int32_t value : {-1, 0x7FFFFFFF}) {
    for (std::size_t field : {12u, 16u, 28u}) {
      bytes = good;
      PutInt32(bytes, field, value);
      EXPECT_EQ(load(bytes), INVALID_C) << "field " << field << " = " << value;
    }
  }
  EXPECT_EQ(load(TBytes(good.begin(), good.begin() + 20)), INVALID_C) << "truncated directory";
  // A broken second image: the languages read stay.
  bytes = good;
  PutInt32(bytes, 36, static_cast<std::int32_t>(bytes.size()) - 2);
  Qd::TQdDelphiResources resources;
  Rtl::TBytesStream stream(bytes);
  EXPECT_EQ(MessageOf<Rtl::EInvalidImage>([&] { resources.LoadFromStream(stream); }), INVALID_C);
  ASSERT_EQ(resources.GetCount(), 2);
  EXPECT_EQ(resources.GetLanguages(0)->FindStringWin(1), L"one");
  EXPECT_EQ(resources.GetLanguages(1)->FindResource(L"FLAG"), nullptr);
}

// --- Symbol keys -------------------------------------------------------------------

struct TKey {
  bool Result;
  std::wstring Unit, Item;
  bool operator==(const TKey&) const = default;
};

TKey Parse(const std::wstring& key) {
  TKey parsed{};
  parsed.Unit = L"stale";
  parsed.Item = L"stale";
  parsed.Result = Qd::TQdDelphiResource::ParseKey(key, parsed.Unit, parsed.Item);
  return parsed;
}

void PrintTo(const TKey& key, std::ostream* os) {
  *os << key.Result << " '" << TestSupport::Narrow(key.Unit) << "' '" << TestSupport::Narrow(key.Item) << "'";
}

TEST(ParseKeyTest, TheThreeForms) {
  EXPECT_EQ(Parse(L"__rstr__ZN4Main5Forms6SHelloE"), (TKey{true, L"Main.Forms", L"SHello"}));
  EXPECT_EQ(Parse(L"__rstr__ZN4Main7_SHelloE"), (TKey{true, L"Main", L"SHello"}));
  EXPECT_EQ(Parse(L"__rsrc_N4MainSHelloX"), (TKey{true, L"Main", L"SHello"}));
  EXPECT_EQ(Parse(L"__rsrc_N4Main6SHelloX"), (TKey{true, L"Main", L"6SHello"}));
  EXPECT_EQ(Parse(L"prefix__rsrc_N4Main"), (TKey{true, L"Main", L""}));
  EXPECT_EQ(Parse(L"__rstr__ZZN4Main5Forms6SHello"), (TKey{true, L"Main", L"SHello"}));
  EXPECT_EQ(Parse(L"__rstr__ZZN4Main7_SHello"), (TKey{true, L"Main", L"SHello"}));
  EXPECT_EQ(Parse(L"__rstr__ZZN4MainE5Other3abc"), (TKey{true, L"Main", L"abc"}));
  EXPECT_EQ(Parse(L"__rstr__ZZN4MainEitem"), (TKey{true, L"Main", L"item"}));
  EXPECT_EQ(Parse(L"__rstr__ZZN4MainEE"), (TKey{true, L"Main", L""}));
  EXPECT_EQ(Parse(L"__rstr__ZN"), (TKey{true, L"", L""}));
  EXPECT_EQ(Parse(L"plain"), (TKey{false, L"", L""}));
  EXPECT_EQ(Parse(L""), (TKey{false, L"", L""}));
}

TEST(ParseKeyTest, MalformedKeysEndWithoutNames) {
  EXPECT_EQ(Parse(L"__rstr__ZN4MainXForms"), (TKey{false, L"", L""}));
  EXPECT_EQ(Parse(L"__rstr__ZNMain"), (TKey{false, L"", L""}));
  EXPECT_EQ(Parse(L"__rstr__ZZN4Main_x"), (TKey{false, L"", L""}));
  EXPECT_EQ(Parse(L"__rsrc_NMain"), (TKey{false, L"", L""}));
  // Huge lengths saturate and take what is there.
  EXPECT_EQ(Parse(L"__rstr__ZN99999999999999999999999999999Main"), (TKey{true, L"Main", L""}));
  EXPECT_EQ(Parse(L"__rsrc_N99999999999999999999999999999Main"), (TKey{true, L"Main", L""}));
  EXPECT_EQ(Parse(L"__rstr__ZZN99999999999999999999999Main"), (TKey{true, L"", L"Main"}));
}

}  // namespace
