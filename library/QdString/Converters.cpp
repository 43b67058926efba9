// The converter contract, the registry of converters and QdString's
// start-up, which fills the code-page table.
#include "QdString/Converters.h"

#include <map>
#include <mutex>

#include "QdScript/CodePages.h"
#include "QdString/Detail.h"
#include "QdString/Gb18030.h"
#include "QdString/Strings.h"
#include "QdClasses/File.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Units.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace StringDetail {

struct TSupportCache::TImpl {
  std::mutex Lock;
  std::map<std::int32_t, std::unique_ptr<std::atomic<std::uint8_t>[]>> Tables;
};

TSupportCache::TSupportCache() : FImpl(std::make_unique<TImpl>()) {}

TSupportCache::~TSupportCache() = default;

std::atomic<std::uint8_t>* TSupportCache::Answers(std::int32_t codePage, bool (*keep)(std::int32_t codePage)) {
  const std::lock_guard lock(FImpl->Lock);
  if (const auto found = FImpl->Tables.find(codePage); found != FImpl->Tables.end()) return found->second.get();
  if (!keep(codePage)) return nullptr;
  auto& table = FImpl->Tables[codePage];
  table = std::make_unique<std::atomic<std::uint8_t>[]>(65536);  // zeroed: nothing known
  return table.get();
}

}  // namespace StringDetail

namespace {

struct TQdStringState {
  std::unique_ptr<TCodePageConverters> Converters;
  StringDetail::TSupportCache SupportCache;
};

constinit Rtl::TUnitState<TQdStringState> State{L"QdString"};

// The registry that Register creates before the start-up, which takes it
// over.
constinit std::unique_ptr<TCodePageConverters> EarlyConverters;

// Records the code pages of `converter` in `datas`, its class first, so
// that the conversions choose it.
// A converter that doesn't report code pages (it only detects) converts
// none.
void RecordCodePages(TCodePageDatas& datas, TCodePageConverter& converter) {
  const TCodePageConverterClass converterClass(converter.ClassType());
  try {
    converter.GetCodePages([&datas, converterClass](TCodePageConverter&, std::int32_t value, const std::wstring&,
                                                    const std::wstring&) {
      datas.InitCodePage(value, converterClass);
      if (TCodePageObject* item = datas.GetCodePageData(value)) item->GetConverters().MoveToFront(converterClass);
    });
  } catch (const Rtl::EAbstractError&) {
  }
}

}  // namespace

TCodePageConverters* StringDetail::StartedConverters() {
  return State.Started() ? State.Get().Converters.get() : nullptr;
}

StringDetail::TSupportCache* StringDetail::SupportCache() {
  return State.Started() ? &State.Get().SupportCache : nullptr;
}

// --- TCodePageConverter ----------------------------------------------------------

namespace {

[[noreturn]] void Abstract(const TCodePageConverter& converter, const wchar_t* operation) {
  throw Rtl::EAbstractError(Rtl::Format(Rtl::LoadResString(SAbstractOperation), {converter.ClassName(), std::wstring(operation)}));
}

}  // namespace

std::wstring TCodePageConverter::AnsiToWide(const Rtl::RawByteString&, std::int32_t) {
  Abstract(*this, L"AnsiToWide");
}

Rtl::RawByteString TCodePageConverter::WideToAnsi(const std::wstring&, std::int32_t) {
  Abstract(*this, L"WideToAnsi");
}

std::int32_t TCodePageConverter::DetectCodePage(const Rtl::TBytes&, bool) { Abstract(*this, L"DetectCodePage"); }

void TCodePageConverter::GetCodePages(const TCodePageEvent&) { Abstract(*this, L"GetCodePages"); }

// --- TCodePageConverterClasses -------------------------------------------------------

TCodePageConverterClass TCodePageConverterClasses::GetItems(int index) const {
  if (index < 0 || index >= GetCount())
    throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
  return FItems[static_cast<std::size_t>(index)];
}

bool TCodePageConverterClasses::Exists(TCodePageConverterClass converter) const {
  for (const TCodePageConverterClass& item : FItems)
    if (item == converter) return true;
  return false;
}

void TCodePageConverterClasses::Add(TCodePageConverterClass converter) {
  if (!Exists(converter)) FItems.push_back(converter);
}

void TCodePageConverterClasses::MoveToFront(TCodePageConverterClass converter) {
  std::erase(FItems, converter);
  FItems.insert(FItems.begin(), converter);
}

// --- TCodePageConverters ----------------------------------------------------------

TCodePageConverter* TCodePageConverters::GetItems(int index) const {
  return Rtl::As<TCodePageConverter>(FItems.GetItems(index));
}

std::int32_t TCodePageConverters::DetectCodePage(const Rtl::TBytes& str, bool isHtml) const {
  for (int i = 0; i < GetCount(); ++i) {
    std::int32_t codePage = 0;
    try {
      codePage = GetItems(i)->DetectCodePage(str, isHtml);
    } catch (const Rtl::EAbstractError&) {
      continue;  // a converter that doesn't detect
    }
    if (codePage > 0) return codePage;
  }
  return 0;
}

std::int32_t TCodePageConverters::DetectCodePage(Rtl::TStream& stream, bool isHtml) const {
  return DetectCodePage(TFile::StreamToBytes(&stream), isHtml);
}

std::int32_t TCodePageConverters::DetectCodePageFile(const std::wstring& fileName, bool isHtml) const {
  return DetectCodePage(TFile::FileToBytes(fileName), isHtml);
}

TCodePageConverter* TCodePageConverters::Find(TCodePageConverterClass converterClass) const {
  if (!converterClass) return nullptr;
  for (int i = 0; i < GetCount(); ++i) {
    TCodePageConverter* converter = GetItems(i);
    if (&converter->ClassType() == converterClass.Get() && converter->GetEnabled()) return converter;
  }
  return nullptr;
}

TCodePageConverter& TCodePageConverters::Add(std::unique_ptr<TCodePageConverter> converter) {
  if (Find(TCodePageConverterClass(converter->ClassType())) != nullptr)
    throw Rtl::Exception(Rtl::LoadResString(SAlreadyExists));
  TCodePageConverter& added = *converter;
  FItems.Add(std::move(converter));
  return added;
}

void TCodePageConverters::Register(TCodePageConverterClass encoderClass) {
  TCodePageConverters* registry = FindCodePageConverters();
  if (registry == nullptr) {
    EarlyConverters = std::make_unique<TCodePageConverters>();
    registry = EarlyConverters.get();
  }
  TCodePageConverter& converter = registry->Add(encoderClass.Create());
  // After the start-up the table is built: the converter is recorded now.
  if (State.Started())
    if (TCodePageDatas* datas = FindCodePageDatas()) RecordCodePages(*datas, converter);
}

TCodePageConverters& CodePageConverters() {
  if (TCodePageConverters* registry = FindCodePageConverters()) return *registry;
  Rtl::RaiseUnitNotStarted(L"QdString");
}

TCodePageConverters* FindCodePageConverters() {
  return State.Started() ? State.Get().Converters.get() : EarlyConverters.get();
}

// --- Start-up ------------------------------------------------------------------

namespace QdStringUnit {

void Initialization() {
  auto state = std::make_unique<TQdStringState>();
  state->Converters = EarlyConverters ? std::move(EarlyConverters) : std::make_unique<TCodePageConverters>();
  // Systems without GB18030 (Wine) get the library's own converter.
  const TCodePageConverterClass gb18030(TGb18030Converter::ClassInfo);
  if (!IsValidCodePage(TGb18030Converter::CODE_PAGE_C) && state->Converters->Find(gb18030) == nullptr)
    state->Converters->Add(std::make_unique<TGb18030Converter>());
  State.Start(std::move(state));
  try {
    TCodePageDatas& datas = CodePageDatas();
    if (datas.GetCount() == 0) {
      datas.Populate();
    } else {
      // QdString alone started again: the table stays, and learns the
      // converters registered meanwhile.
      TCodePageConverters& converters = *State.Get().Converters;
      for (int i = 0; i < converters.GetCount(); ++i) RecordCodePages(datas, *converters.GetItems(i));
    }
  } catch (...) {
    State.Stop();
    throw;
  }
}

void Finalization() { State.Stop(); }

}  // namespace QdStringUnit

}  // namespace Qd
