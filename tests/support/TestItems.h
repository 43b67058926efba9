// Value objects for the tests of the object and list classes: an item with
// a value (its identity in comparisons) and a tag (which one it is), that
// counts its destructions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "QdClasses.h"

namespace QdObjectsTest {

// The tags of the TItem objects destroyed since the last Reset, in order.
struct TDestructions {
  static std::vector<std::wstring>& Tags() {
    static std::vector<std::wstring> tags;
    return tags;
  }
  static int Count() { return static_cast<int>(Tags().size()); }
  static void Reset() { Tags().clear(); }
};

class TItem : public Qd::TQdObject {
  RTL_CLASS(TItem, Qd::TQdObject)
public:
  TItem() = default;
  explicit TItem(int value, std::wstring tag = L"") : FValue(value), FTag(std::move(tag)) {}
  ~TItem() override { TDestructions::Tags().push_back(FTag); }

  int Value() const { return FValue; }
  const std::wstring& Tag() const { return FTag; }
  void SetValue(int value) {
    FValue = value;
    Changed();
  }

  bool Equals(const Rtl::TObject* obj) const override { return FValue == Rtl::As<TItem>(obj)->FValue; }
  void Assign(const Rtl::TPersistent& source) override {
    const TItem& item = Rtl::As<TItem>(source);
    FValue = item.FValue;
    FTag = item.FTag;
  }
  int Compare(const Qd::TQdObject& item) const override { return FValue - Rtl::As<TItem>(item).FValue; }
  void SetDefault() override { FValue = 0; }

private:
  int FValue = 0;
  std::wstring FTag;
};

// A derived class with a value of its own.
class TNamedItem : public TItem {
  RTL_CLASS(TNamedItem, TItem)
public:
  const std::wstring& Name() const { return FName; }
  void SetName(std::wstring name) { FName = std::move(name); }
  void Assign(const Rtl::TPersistent& source) override {
    TItem::Assign(source);
    if (const auto* named = dynamic_cast<const TNamedItem*>(&source)) FName = named->FName;
  }

private:
  std::wstring FName;
};

inline std::unique_ptr<TItem> Item(int value, std::wstring tag = L"") {
  return std::make_unique<TItem>(value, std::move(tag));
}

}  // namespace QdObjectsTest
