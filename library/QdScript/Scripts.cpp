#include "QdScript/Scripts.h"

#include <algorithm>

#include "runtime/Text/Ascii.h"
#include "runtime/Text/StringList.h"

namespace Qd {

TScripts::TScripts() : TScripts(false) {}

TScripts::TScripts(bool sorted) : FValues(std::make_unique<Rtl::TStringList>()) {
  FValues->SetCaseSensitive(false);
  FValues->SetSorted(sorted);
}

TScripts::~TScripts() = default;

std::unique_ptr<TScripts> TScripts::Create() { return std::make_unique<TScripts>(false); }

std::unique_ptr<TScripts> TScripts::CreateSorted() { return std::make_unique<TScripts>(true); }

namespace {

// The index of `script` in `values`, ignoring ASCII case; -1 when absent.
int Find(const Rtl::TStringList& values, const std::wstring& script) {
  for (int i = 0; i < values.Count(); ++i)
    if (Rtl::AsciiSameText(values[i], script)) return i;
  return -1;
}

}  // namespace

void TScripts::Add(const std::wstring& script) {
  if (Find(*FValues, script) < 0) FValues->Add(script);
}

void TScripts::Remove(const std::wstring& script) {
  const int i = Find(*FValues, script);
  if (i >= 0) FValues->Delete(i);
}

bool TScripts::Exists(const std::wstring& script) const { return Find(*FValues, script) >= 0; }

std::wstring TScripts::GetValue() const {
  std::wstring result;
  for (int i = 0; i < FValues->Count(); ++i) {
    if (i > 0) result += L';';
    result += (*FValues)[i];
  }
  return result;
}

void TScripts::SetValue(const std::wstring& value) {
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(L';', start);
    if (end == std::wstring::npos) end = value.size();
    if (end > start) Add(value.substr(start, end - start));
    start = end + 1;
  }
}

int TScripts::GetCount(const std::wstring& value) {
  if (value.empty()) return 0;
  return static_cast<int>(std::count(value.begin(), value.end(), L';')) + 1;
}

}  // namespace Qd
