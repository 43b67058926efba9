// QdString: code-page converters, plug-ins that convert code pages in place
// of the system and recognise the code page of raw bytes, and their
// registry. The code-page table of QdScript records which converter classes
// serve which code page; TString's conversions (String.h) use them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "QdClasses/Lists.h"
#include "QdClasses/Objects.h"
#include "runtime/Core/Object.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStream;
}

namespace Qd {

class TCodePageConverter;

// Reports one code page that `converter` can convert. A callable, so that
// the asker's state travels with it.
using TCodePageEvent = std::function<void(TCodePageConverter& converter, std::int32_t value,
                                          const std::wstring& name, const std::wstring& description)>;

// A plug-in that converts one or more code pages. The four operations
// raise Rtl::EAbstractError unless a converter class overrides them, so a
// converter overrides only what it serves: the registry, the code-page
// table and the conversions take an operation left abstract as "nothing
// detected", "no code pages" and "not converted". AnsiToWide and
// WideToAnsi set FOk to tell whether they succeeded.
class TCodePageConverter : public TQdObject {
  RTL_CLASS(TCodePageConverter, TQdObject)
public:
  bool GetOk() const { return FOk; }

  virtual bool GetEnabled() const { return true; }
  virtual std::wstring AnsiToWide(const Rtl::RawByteString& str, std::int32_t codePage);
  virtual Rtl::RawByteString WideToAnsi(const std::wstring& str, std::int32_t codePage);
  // The code page recognised in the bytes; 0 or less for none.
  virtual std::int32_t DetectCodePage(const Rtl::TBytes& str, bool isHtml);
  // Calls `callback` once for each code page the converter converts.
  virtual void GetCodePages(const TCodePageEvent& callback);

protected:
  bool FOk = false;
};

using TCodePageConverterClass = Rtl::TClassOf<TCodePageConverter>;

// The converter classes of one code page (not owned); an empty entry means
// that the system converts it.
class TCodePageConverterClasses : public Rtl::TObject {
public:
  int GetCount() const { return static_cast<int>(FItems.size()); }
  // Raises Rtl::EListError for an index out of range.
  TCodePageConverterClass GetItems(int index) const;
  void Clear() { FItems.clear(); }
  bool Exists(TCodePageConverterClass converter) const;
  // Appends `converter` unless it is there.
  void Add(TCodePageConverterClass converter);
  // Puts `converter` first (it is then the one chosen), adding it when it
  // isn't there.
  void MoveToFront(TCodePageConverterClass converter);

private:
  std::vector<TCodePageConverterClass> FItems;
};

// The registry of converters; it owns them.
class TCodePageConverters : public TQdObjects {
  RTL_CLASS(TCodePageConverters, TQdObjects)
public:
  // Raises Rtl::EInvalidCast for an item that isn't a converter.
  TCodePageConverter* GetItems(int index) const;

  // Asks every converter in registration order, enabled or not; the first
  // answer above 0, else 0.
  std::int32_t DetectCodePage(const Rtl::TBytes& str, bool isHtml) const;
  // The whole stream from position 0 (its position is kept).
  std::int32_t DetectCodePage(Rtl::TStream& stream, bool isHtml) const;
  std::int32_t DetectCodePageFile(const std::wstring& fileName, bool isHtml) const;
  // The first enabled converter of exactly that class; none for an empty
  // class.
  TCodePageConverter* Find(TCodePageConverterClass converterClass) const;
  // Raises "Already exists" when Find finds one of the class; otherwise
  // the registry takes `converter` over.
  TCodePageConverter& Add(std::unique_ptr<TCodePageConverter> converter);

  // Makes an instance of `encoderClass` through its virtual constructor
  // and adds it to the process's registry, which it creates when there is
  // none yet (before QdString's start-up). After start-up it also records
  // the converter's code pages in the code-page table, so that the
  // conversions use it.
  static void Register(TCodePageConverterClass encoderClass);
};

// The process's registry: from the first Register or QdString's start-up
// on, until QdString's shutdown; raises "QdString is not started" outside.
TCodePageConverters& CodePageConverters();
// The registry, or none outside that time.
TCodePageConverters* FindCodePageConverters();

namespace QdStringUnit {
void Initialization();
void Finalization();
}  // namespace QdStringUnit

}  // namespace Qd
