// The converter registry and its contract, with converter classes of the
// test's own: finding, adding, detection from bytes, streams and files,
// and a converter registered after start-up taking over its code page.
#include <gtest/gtest.h>

#include <string>

#include "QdScript.h"
#include "QdString.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"

using namespace Qd;

namespace {

// Code pages that no system has: only the test's converters serve them.
constexpr std::int32_t CP_SHIFTED_C = 59001;
constexpr std::int32_t CP_DESCENDANT_C = 59002;
constexpr std::int32_t CP_EARLY_C = 59003;

// Bytes read one higher, text written one lower; recognises "SHIFT".
class TShiftConverter : public TCodePageConverter {
  RTL_CLASS(TShiftConverter, TCodePageConverter)
public:
  std::wstring AnsiToWide(const Rtl::RawByteString& str, std::int32_t) override {
    FOk = true;
    std::wstring text;
    for (char c : str) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c) + 1));
    return text;
  }
  Rtl::RawByteString WideToAnsi(const std::wstring& str, std::int32_t) override {
    FOk = true;
    std::string bytes;
    for (wchar_t c : str) bytes.push_back(static_cast<char>(c - 1));
    return bytes;
  }
  std::int32_t DetectCodePage(const Rtl::TBytes& str, bool) override {
    return str.size() >= 5 && std::string(str.begin(), str.begin() + 5) == "SHIFT" ? CP_SHIFTED_C : 0;
  }
  void GetCodePages(const TCodePageEvent& callback) override { callback(*this, CP_SHIFTED_C, L"shifted", L""); }
};

// A class of its own for the registry, otherwise the same.
class TDescendantConverter : public TShiftConverter {
  RTL_CLASS(TDescendantConverter, TShiftConverter)
public:
  void GetCodePages(const TCodePageEvent& callback) override { callback(*this, CP_DESCENDANT_C, L"", L""); }
};

// Registered before QdString's start-up: reads every byte as 'e'.
class TEarlyConverter : public TCodePageConverter {
  RTL_CLASS(TEarlyConverter, TCodePageConverter)
public:
  std::wstring AnsiToWide(const Rtl::RawByteString& str, std::int32_t) override {
    FOk = true;
    return std::wstring(str.size(), L'e');
  }
  void GetCodePages(const TCodePageEvent& callback) override { callback(*this, CP_EARLY_C, L"", L""); }
};

// Never enabled; still recognises "OFF", and answers -5 for anything else.
class TDisabledConverter : public TCodePageConverter {
  RTL_CLASS(TDisabledConverter, TCodePageConverter)
public:
  bool GetEnabled() const override { return false; }
  std::int32_t DetectCodePage(const Rtl::TBytes& str, bool isHtml) override {
    if (str.size() >= 3 && std::string(str.begin(), str.begin() + 3) == "OFF") return isHtml ? 1252 : 437;
    return -5;
  }
};

// Overrides nothing of the contract.
class TBareConverter : public TCodePageConverter {
  RTL_CLASS(TBareConverter, TCodePageConverter)
};

// Converts nothing: reports failure, so the system converts.
class TFailingConverter : public TCodePageConverter {
  RTL_CLASS(TFailingConverter, TCodePageConverter)
public:
  int Calls = 0;
  std::wstring AnsiToWide(const Rtl::RawByteString&, std::int32_t) override {
    ++Calls;
    FOk = false;
    return L"wrong";
  }
  Rtl::RawByteString WideToAnsi(const std::wstring&, std::int32_t) override {
    ++Calls;
    FOk = false;
    return "wrong";
  }
};

Rtl::TBytes Bytes(const std::string& text) { return Rtl::TBytes(text.begin(), text.end()); }

}  // namespace

TEST(CodePageConverterRegistry, FindGivesOnlyAnEnabledConverterOfExactlyThatClass) {
  TCodePageConverters registry;
  EXPECT_EQ(registry.Find({}), nullptr);
  registry.Add(std::make_unique<TDescendantConverter>());
  EXPECT_EQ(registry.Find(TShiftConverter::ClassInfo), nullptr);  // a descendant doesn't match
  TCodePageConverter& shift = registry.Add(std::make_unique<TShiftConverter>());
  EXPECT_EQ(registry.Find(TShiftConverter::ClassInfo), &shift);
  EXPECT_NE(registry.Find(TDescendantConverter::ClassInfo), nullptr);
  registry.Add(std::make_unique<TDisabledConverter>());
  EXPECT_EQ(registry.Find(TDisabledConverter::ClassInfo), nullptr);
  // A disabled converter isn't found, so a second of its class can be added.
  registry.Add(std::make_unique<TDisabledConverter>());
  EXPECT_EQ(registry.GetCount(), 4);
  EXPECT_EQ(registry.GetItems(2)->ClassName(), L"TDisabledConverter");
  EXPECT_THROW(registry.GetItems(4), Rtl::EListError);
}

TEST(CodePageConverterRegistry, AddingASecondEnabledConverterOfAClassRaises) {
  TCodePageConverters registry;
  registry.Add(std::make_unique<TShiftConverter>());
  try {
    registry.Add(std::make_unique<TShiftConverter>());
    FAIL() << "no exception";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Already exists");
  }
  EXPECT_EQ(registry.GetCount(), 1);
}

TEST(CodePageConverterRegistry, DetectionAsksEveryConverterInOrderEnabledOrNot) {
  TCodePageConverters registry;
  EXPECT_EQ(registry.DetectCodePage(Bytes("OFF"), false), 0);  // none registered
  registry.Add(std::make_unique<TDisabledConverter>());
  registry.Add(std::make_unique<TShiftConverter>());
  EXPECT_EQ(registry.DetectCodePage(Bytes("OFF..."), false), 437);
  EXPECT_EQ(registry.DetectCodePage(Bytes("OFF..."), true), 1252);
  EXPECT_EQ(registry.DetectCodePage(Bytes("SHIFT"), false), CP_SHIFTED_C);  // -5 is no answer
  EXPECT_EQ(registry.DetectCodePage(Bytes("plain"), false), 0);
  EXPECT_EQ(registry.DetectCodePage(Rtl::TBytes(), false), 0);

  // From a stream: all of it from the start, its position kept.
  Rtl::TBytesStream stream(Bytes("SHIFTED TEXT"));
  stream.Seek(6, Rtl::soBeginning);
  EXPECT_EQ(registry.DetectCodePage(stream, false), CP_SHIFTED_C);
  EXPECT_EQ(stream.Position(), 6);
  // From a file.
  TestSupport::TTempDir dir;
  const std::wstring file = dir / L"detect.txt";
  TestSupport::WriteFile(file, "OFF and on");
  EXPECT_EQ(registry.DetectCodePageFile(file, false), 437);
}

TEST(CodePageConverterRegistry, TheContractsOperationsAreAbstractUntilOverridden) {
  TBareConverter bare;
  EXPECT_TRUE(bare.GetEnabled());
  EXPECT_FALSE(bare.GetOk());
  EXPECT_THROW(bare.AnsiToWide("a", 1252), Rtl::EAbstractError);
  EXPECT_THROW(bare.WideToAnsi(L"a", 1252), Rtl::EAbstractError);
  EXPECT_THROW(bare.DetectCodePage(Bytes("a"), false), Rtl::EAbstractError);
  EXPECT_THROW(bare.GetCodePages([](TCodePageConverter&, std::int32_t, const std::wstring&, const std::wstring&) {}),
               Rtl::EAbstractError);
  // The registry and the table ask only what a converter serves.
  TCodePageConverters registry;
  registry.Add(std::make_unique<TBareConverter>());
  EXPECT_EQ(registry.DetectCodePage(Bytes("x"), false), 0);
}

TEST(CodePageConverterClasses, EachClassOnceEmptyEntryAllowed) {
  TCodePageConverterClasses classes;
  classes.Add({});
  classes.Add(TShiftConverter::ClassInfo);
  classes.Add(TShiftConverter::ClassInfo);
  classes.Add({});
  ASSERT_EQ(classes.GetCount(), 2);
  EXPECT_FALSE(classes.GetItems(0));
  EXPECT_TRUE(classes.Exists(TShiftConverter::ClassInfo));
  EXPECT_FALSE(classes.Exists(TDescendantConverter::ClassInfo));
  classes.Clear();
  EXPECT_EQ(classes.GetCount(), 0);
}

TEST(CodePageConverterRegistry, AConverterRegisteredAfterStartUpTakesOverItsCodePage) {
  // Before: the system doesn't know the code page.
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("abc"), CP_SHIFTED_C), L"");
  TCodePageConverters::Register(TShiftConverter::ClassInfo);
  EXPECT_EQ(CodePageDatas().GetConverter(CP_SHIFTED_C).Get(), &TShiftConverter::ClassInfo);
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("abc"), CP_SHIFTED_C), L"bcd");
  EXPECT_EQ(TString::WideToAnsi(L"bcd", CP_SHIFTED_C), "abc");
  // NULs stay, the pieces between them go to the converter.
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("a\0b", 3), CP_SHIFTED_C), std::wstring(L"b\0c", 3));
  EXPECT_EQ(CodePageConverters().DetectCodePage(Bytes("SHIFT"), false), CP_SHIFTED_C);
  EXPECT_THROW(TCodePageConverters::Register(TShiftConverter::ClassInfo), Rtl::Exception);

  // A descendant is a class of its own.
  TCodePageConverters::Register(TDescendantConverter::ClassInfo);
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("x"), CP_DESCENDANT_C), L"y");
}

TEST(CodePageConverterRegistry, AConverterThatFailsLeavesTheWorkToTheSystem) {
  // Code page 20127 (US-ASCII) gets a converter that never succeeds.
  TCodePageConverters::Register(TFailingConverter::ClassInfo);
  auto* failing = static_cast<TFailingConverter*>(CodePageConverters().Find(TFailingConverter::ClassInfo));
  ASSERT_NE(failing, nullptr);
  CodePageDatas().GetCodePageData(20127)->GetConverters().MoveToFront(TFailingConverter::ClassInfo);
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("ascii"), 20127), L"ascii");
  EXPECT_EQ(TString::WideToAnsi(L"ascii", 20127), "ascii");
  EXPECT_EQ(failing->Calls, 2);
  // The system's entry first again: the converter is no longer chosen.
  CodePageDatas().GetCodePageData(20127)->GetConverters().MoveToFront({});
  CodePageDatas().GetCodePageData(20127)->GetConverters().Clear();
  CodePageDatas().GetCodePageData(20127)->GetConverters().Add({});
  EXPECT_EQ(TString::WideToAnsi(L"x", 20127), "x");
  EXPECT_EQ(failing->Calls, 2);
}

TEST(CodePageUnitState, AfterShutdownTheSystemConvertsAndRegisterKeepsItsRegistry_Wine) {
  QdStringUnit::Finalization();
  EXPECT_EQ(FindCodePageConverters(), nullptr);
  EXPECT_THROW(CodePageConverters(), Rtl::Exception);
  // Straight to the system, the table untouched: Wine lacks 54936.
  EXPECT_EQ(TString::WideToAnsi(L"\u00E9", 1252), "\xE9");
  EXPECT_EQ(TString::WideToAnsi(L"\u4E2D", 54936), "");
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("\xD6\xD0"), 54936), L"");
  EXPECT_FALSE(TString::DoesCodePageSupport(L'\u0100', 1252));
  EXPECT_EQ(TString::IndexOfAlienCharacter(L"ab\u0100", 1252), 3);

  // Register before the start-up makes the registry, which the start-up keeps.
  TCodePageConverters::Register(TEarlyConverter::ClassInfo);
  ASSERT_NE(FindCodePageConverters(), nullptr);
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("xy"), CP_EARLY_C), L"");  // not started: not used
  QdStringUnit::Initialization();
  EXPECT_NE(CodePageConverters().Find(TEarlyConverter::ClassInfo), nullptr);
  EXPECT_NE(CodePageConverters().Find(TGb18030Converter::ClassInfo), nullptr);
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("xy"), CP_EARLY_C), L"ee");
  EXPECT_EQ(TString::Gb18030ToWide("\xD6\xD0"), L"\u4E2D");
}
