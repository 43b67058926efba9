// QdScript: a set of script codes, and the unit's set of the known ones.
#pragma once

#include <memory>
#include <string>

#include "runtime/Core/Object.h"

namespace Rtl {
class TStringList;
}

namespace Qd {

// Script codes without duplicates (compared ignoring ASCII case).
class TScripts : public Rtl::TObject {
public:
  TScripts();  // in the order added
  explicit TScripts(bool sorted);  // sorted ignoring case when `sorted`
  ~TScripts() override;
  static std::unique_ptr<TScripts> Create();
  static std::unique_ptr<TScripts> CreateSorted();

  void Add(const std::wstring& script);  // ignored when present
  void Remove(const std::wstring& script);
  bool Exists(const std::wstring& script) const;

  // The codes joined with ';'. Setting adds each non-empty ';'-separated
  // item that is not yet present; the codes present stay.
  std::wstring GetValue() const;
  void SetValue(const std::wstring& value);

  // The number of ';'-separated items of `value`; 0 for "".
  static int GetCount(const std::wstring& value);

private:
  std::unique_ptr<Rtl::TStringList> FValues;
};

// The scripts known from start-up on (27 codes, Latn first).
TScripts& Scripts();

namespace QdScriptUnit {
void Initialization();
void Finalization();
}  // namespace QdScriptUnit

}  // namespace Qd
