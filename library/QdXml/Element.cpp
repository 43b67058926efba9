// TXmlElement: the structure of the tree, search, value views, display and
// markup. Walks over whole subtrees (destruction, copying, depth,
// optimisation) use a work list instead of recursion, so that a tree of any
// depth is safe.
#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

#include "QdString/UnicodeString.h"
#include "QdXml/File.h"
#include "QdXml/Model.h"
#include "QdXml/Strings.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Memory.h"
#include "runtime/Core/Threads.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

bool Compatible(TXmlElementType a, TXmlElementType b) {
  return a == b || ((a == xeSingle || a == xeDouble) && (b == xeSingle || b == xeDouble));
}

// The key of a child in the index of last children: its name and its form
// (empty-element and start-end tags count as one form).
TXmlLastKey LastKey(const TXmlElement& element) {
  const TXmlElementType type = element.GetElementType();
  return {element.GetName(), type == xeSingle ? xeDouble : type};
}

bool IsNumbered(TXmlElementType type) {
  switch (type) {
    case xeWhiteSpace:
    case xeComment:
    case xeCData:
    case xeSingle:
    case xeDouble:
    case xeText: return true;
    default: return false;
  }
}

}  // namespace

bool TXmlElementEnumerator::MoveNext() {
  if (FElement == nullptr || FIndex >= FElement->GetCount() - 1) return false;
  ++FIndex;
  return true;
}

TXmlElement* TXmlElementEnumerator::GetCurrent() const { return FElement->GetElements(FIndex); }

void* TXmlElementList::operator new(std::size_t size) { return Rtl::Memory::AllocateSmall(size); }

void TXmlElementList::operator delete(void* block, std::size_t) noexcept { Rtl::Memory::Free(block); }

TXmlElement::TXmlElement(std::wstring name, TXmlElementType elementType) : FElementType(elementType) {
  TXmlPart::SetName(std::move(name));
}

namespace {

// An element with this many children or more has the later half of them
// freed on the unit's spare thread while it frees the first half.
constexpr std::size_t FREE_ON_TWO_THREADS_C = 512;

}  // namespace

TXmlElement::~TXmlElement() {
  if (!FElements) return;
  TXmlElementList pending = std::move(*FElements);
  FElements.reset();
  TXmlElementList later;
  Rtl::TSpareThread* thread = pending.size() >= FREE_ON_TWO_THREADS_C ? XmlSpareThread() : nullptr;
  if (thread != nullptr) {
    const std::size_t half = pending.size() / 2;
    later.assign(std::make_move_iterator(pending.begin() + static_cast<std::ptrdiff_t>(half)),
                 std::make_move_iterator(pending.end()));
    pending.resize(half);
    if (!thread->TryRun([&later] { FreeTrees(later); })) {
      thread = nullptr;
      FreeTrees(later);
    }
  }
  FreeTrees(pending);
  if (thread != nullptr) thread->Wait();
}

void TXmlElement::FreeTrees(TXmlElementList& pending) noexcept {
  while (!pending.empty()) {
    std::unique_ptr<TXmlElement> node = std::move(pending.back());
    pending.pop_back();
    // The next nodes are far apart in memory: fetched while this one goes.
    const std::size_t left = pending.size();
    if (left > 0) __builtin_prefetch(pending[left - 1].get());
    if (left > 1) __builtin_prefetch(pending[left - 2].get());
    if (node->FElements) {
      for (auto& child : *node->FElements) pending.push_back(std::move(child));
      node->FElements.reset();
    }
  }
}

TXmlElement::TTagExtra& TXmlElement::TagExtra() {
  if (!FTagExtra) {
    FTagExtra = std::make_unique<TTagExtra>();
    if (FStartSpace) FTagExtra->Start = SingleSpace();
    if (FEndSpace) FTagExtra->End = SingleSpace();
    FStartSpace = FEndSpace = false;
  }
  return *FTagExtra;
}

const std::wstring& TXmlElement::GetStartWhiteSpaces() const {
  return FTagExtra ? FTagExtra->Start : FlagSpaces(FStartSpace);
}

void TXmlElement::SetStartWhiteSpaces(std::wstring value) {
  if (value.empty() && (!FTagExtra || FTagExtra->Start.empty()) && !FStartSpace) return;
  CheckChangeable();
  if (!FTagExtra && FitsSpaceFlag(value)) {
    FStartSpace = !value.empty();
    return;
  }
  TagExtra().Start = std::move(value);
}

const std::wstring& TXmlElement::GetEndWhiteSpaces() const {
  return FTagExtra ? FTagExtra->End : FlagSpaces(FEndSpace);
}

void TXmlElement::SetEndWhiteSpaces(std::wstring value) {
  if (value.empty() && (!FTagExtra || FTagExtra->End.empty()) && !FEndSpace) return;
  CheckChangeable();
  if (!FTagExtra && FitsSpaceFlag(value)) {
    FEndSpace = !value.empty();
    return;
  }
  TagExtra().End = std::move(value);
}

TXmlAttributes& TXmlElement::GetAttributes() {
  if (!FAttributes) FAttributes = std::make_unique<TXmlAttributes>(this);
  return *FAttributes;
}

const TXmlAttributes& TXmlElement::GetAttributes() const {
  static const TXmlAttributes empty;
  return FAttributes ? *FAttributes : empty;
}

void TXmlElement::SetAttributes(const TXmlAttributes& attributes) {
  CheckChangeable();
  GetAttributes().Assign(attributes);
}

void TXmlElement::SetName(std::wstring value) {
  CheckChangeable();
  if (value != GetName()) ChildChanged();
  TXmlPart::SetName(std::move(value));
}

void TXmlElement::SetValue(std::wstring value) {
  if (value == GetValue()) return;
  CheckChangeable();
  TXmlPart::SetValue(std::move(value));
}

void TXmlElement::ValueChanged() {
  // From an empty-element tag to a start and end tag: the same form for
  // numbering.
  if (FElementType == xeSingle) {
    FElementType = xeDouble;
    if (FTagExtra) FTagExtra->Start.clear();
    FStartSpace = false;
  }
}

void TXmlElement::SetElementType(TXmlElementType value) {
  CheckChangeable();
  if (value != FElementType) ChildChanged();
  FElementType = value;
  if (value == xeSingle) StoreValue(L"");
}

// Everything but the children.
namespace {

void CopyNode(TXmlElement& dest, const TXmlElement& source) {
  TXmlElement* parent = dest.GetParent();
  dest.TXmlPart::Assign(source);
  dest.SetParent(parent);
  if (source.HasAttributes() || dest.HasAttributes()) dest.GetAttributes().Assign(source.GetAttributes());
  dest.SetContainsText(source.GetContainsText());
  dest.SetElementType(source.GetElementType());
  // SetValue above may have turned an empty-element tag into a double one.
  dest.SetStartWhiteSpaces(source.GetStartWhiteSpaces());
  dest.SetEndWhiteSpaces(source.GetEndWhiteSpaces());
  dest.SetIndex(source.GetIndex());
  dest.SetTag(source.GetTag());
}

}  // namespace

void TXmlElement::Assign(const Rtl::TPersistent& source) {
  const auto& element = Rtl::As<TXmlElement>(source);
  if (&element == this) return;
  CheckChangeable();
  // A copy of a subtree that contains this element would never end.
  for (const TXmlElement* p = this; p != nullptr; p = p->GetParent())
    if (p == &element) throw Rtl::EInvalidOperation(Rtl::Format(Rtl::LoadResString(Rtl::SAssignError), {ClassName(), ClassName()}));
  CopyNode(*this, element);
  ClearElements();
  std::vector<std::pair<const TXmlElement*, TXmlElement*>> pending{{&element, this}};
  while (!pending.empty()) {
    const auto [from, to] = pending.back();
    pending.pop_back();
    if (from->GetCount() == 0) continue;
    to->FElements = std::make_unique<TXmlElementList>();
    to->FElements->reserve(static_cast<std::size_t>(from->GetCount()));
    for (const auto& child : *from->FElements) {
      auto copy = std::make_unique<TXmlElement>();
      copy->SetParent(to);
      CopyNode(*copy, *child);
      pending.emplace_back(child.get(), copy.get());
      to->FElements->push_back(std::move(copy));
    }
  }
}

// --- Structure ------------------------------------------------------------------------

TXmlElement* TXmlElement::GetElements(int index) const {
  if (index < 0 || index >= GetCount())
    throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
  return (*FElements)[static_cast<std::size_t>(index)].get();
}

int TXmlElement::GetLevel() const {
  int level = 0;
  for (const TXmlElement* p = GetParent(); p != nullptr; p = p->GetParent()) ++level;
  return level;
}

int TXmlElement::GetDepth() const {
  int depth = 0;
  std::vector<std::pair<const TXmlElement*, int>> pending{{this, 0}};
  while (!pending.empty()) {
    const auto [node, level] = pending.back();
    pending.pop_back();
    depth = std::max(depth, level);
    if (node->FElements)
      for (const auto& child : *node->FElements) pending.emplace_back(child.get(), level + 1);
  }
  return depth;
}

int TXmlElement::IndexOfChild(const TXmlElement* element) const {
  if (!FElements || element == nullptr) return -1;
  for (std::size_t i = FElements->size(); i-- > 0;)
    if ((*FElements)[i].get() == element) return static_cast<int>(i);
  return -1;
}

int TXmlElement::GetPosition() const {
  if (GetParent() == nullptr) return 0;
  return std::max(GetParent()->IndexOfChild(this), 0);
}

int TXmlElement::GetNoneWhiteSpaceCount() const {
  int count = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (GetElements(i)->FElementType != xeWhiteSpace) ++count;
  return count;
}

TXmlLineBegining TXmlElement::GetLineBegining() const {
  if (GetCount() == 0) return xlbNone;
  return FExpanded ? xlbMinus : xlbPlus;
}

TXmlElement* TXmlElement::DoAdd(std::unique_ptr<TXmlElement> element, int index) {
  if (!element) return nullptr;
  CheckChangeable();
  if (!FElements) FElements = std::make_unique<TXmlElementList>();
  TXmlElement* child = element.get();
  child->SetParent(this);
  const bool append = index < 0 || index >= GetCount();
  if (append) {
    FElements->push_back(std::move(element));
  } else {
    FElements->insert(FElements->begin() + index, std::move(element));
    FElements->LastByName.reset();
  }
  child->FIndex = 0;
  if (!IsNumbered(child->FElementType)) return child;
  // The nearest sibling of the same name and form: a long list has its
  // index; one without an index yet looks at its last few children first
  // (children of one name mostly follow each other), and builds the index
  // only when they don't tell.
  bool found = false;
  if (append && FElements->size() > LAST_BY_NAME_MIN_C && !FElements->LastByName) {
    const std::size_t size = FElements->size();
    for (std::size_t i = size - 1; i-- > 0 && size - 1 - i <= LAST_BY_NAME_LOOK_BACK_C;) {
      const TXmlElement* sibling = (*FElements)[i].get();
      if (sibling->GetName() == child->GetName() && Compatible(sibling->FElementType, child->FElementType)) {
        child->FIndex = sibling->FIndex + 1;
        found = true;
        break;
      }
    }
  }
  if (found) {
    // Numbered from a near sibling.
  } else if (append && FElements->size() > LAST_BY_NAME_MIN_C) {
    auto& last = FElements->LastByName;
    if (!last) {
      last = std::make_unique<TXmlLastIndex>();
      for (std::size_t i = 0; i + 1 < FElements->size(); ++i) {
        TXmlElement* sibling = (*FElements)[i].get();
        if (IsNumbered(sibling->FElementType)) last->Last(LastKey(*sibling)) = sibling;
      }
    }
    TXmlElement*& previous = last->Last(LastKey(*child));
    if (previous != nullptr) child->FIndex = previous->FIndex + 1;
    previous = child;
  } else {
    for (std::size_t i = FElements->size(); i-- > 0;) {
      const TXmlElement* sibling = (*FElements)[i].get();
      if (sibling != child && sibling->GetName() == child->GetName() &&
          Compatible(sibling->FElementType, child->FElementType)) {
        child->FIndex = sibling->FIndex + 1;
        break;
      }
    }
  }
  return child;
}

TXmlElement*& TXmlLastIndex::Last(const TXmlLastKey& key) {
  if (FMany) return (*FMany)[key];
  for (auto& [known, last] : FFew)
    if (known.Type == key.Type && known.Name == key.Name) return last;
  if (FFew.size() < FEW_C) return FFew.emplace_back(key, nullptr).second;
  FMany = std::make_unique<std::unordered_map<TXmlLastKey, TXmlElement*, TXmlLastKeyHash>>(FFew.begin(), FFew.end());
  FFew.clear();
  FFew.shrink_to_fit();
  return (*FMany)[key];
}

TXmlElement* TXmlElement::Add(TXmlElementType elementType, const std::wstring& value, const std::wstring& name) {
  auto element = std::make_unique<TXmlElement>(name, elementType);
  element->StoreValue(value);
  return DoAdd(std::move(element), -1);
}

TXmlElement* TXmlElement::Add(const std::wstring& name) { return Add(xeDouble, L"", name); }

TXmlElement* TXmlElement::AddSingle(const std::wstring& name) { return Add(xeSingle, L"", name); }

TXmlElement* TXmlElement::AddText(const std::wstring& value) {
  TXmlElement* result = Add(xeText, value, L"");
  FContainsText = true;
  return result;
}

TXmlElement* TXmlElement::AddComment(const std::wstring& value) { return Add(xeComment, value, L""); }

TXmlElement* TXmlElement::AddString(const std::wstring& name, const std::wstring& value) {
  return Add(xeDouble, value, name);
}

TXmlElement* TXmlElement::Add(std::unique_ptr<TXmlElement> element, bool smart) {
  if (smart && element && element->IsEmpty()) return nullptr;
  return DoAdd(std::move(element), -1);
}

TXmlElement* TXmlElement::Append(std::unique_ptr<TXmlElement> element) {
  const int count = GetCount();
  if (count > 0 && (*FElements)[static_cast<std::size_t>(count - 1)]->FElementType == xeWhiteSpace)
    return DoAdd(std::move(element), count - 1);
  return DoAdd(std::move(element), -1);
}

TXmlElement* TXmlElement::Insert(std::unique_ptr<TXmlElement> element, int index) {
  return DoAdd(std::move(element), std::max(index, 0));
}

TXmlElement* TXmlElement::Insert(const std::wstring& name, int index) {
  return Insert(std::make_unique<TXmlElement>(name), index);
}

TXmlElement* TXmlElement::InsertAfter(std::unique_ptr<TXmlElement> element, const TXmlElement* anchor) {
  const int index = IndexOfChild(anchor);
  return DoAdd(std::move(element), index < 0 ? -1 : index + 1);
}

TXmlElement* TXmlElement::InsertAfter(const std::wstring& name, const TXmlElement* anchor) {
  return InsertAfter(std::make_unique<TXmlElement>(name), anchor);
}

void TXmlElement::ChildChanged() const {
  if (const TXmlElement* parent = GetParent(); parent != nullptr && parent->FElements)
    parent->FElements->LastByName.reset();
}

std::unique_ptr<TXmlElement> TXmlElement::Extract(int index) {
  GetElements(index);
  FElements->LastByName.reset();
  std::unique_ptr<TXmlElement> result = std::move((*FElements)[static_cast<std::size_t>(index)]);
  FElements->erase(FElements->begin() + index);
  // A list that became empty goes: the reader folds the only child of many
  // elements into their value, and each list would outlive its use.
  if (FElements->empty()) FElements.reset();
  result->SetParent(nullptr);
  return result;
}

void TXmlElement::AppendChildrenOf(TXmlElement& from) {
  if (!from.FElements) return;
  const std::unique_ptr<TXmlElementList> children = std::move(from.FElements);
  for (std::unique_ptr<TXmlElement>& child : *children) DoAdd(std::move(child), -1);
}

void TXmlElement::Delete(int index) { Extract(index); }

void TXmlElement::Remove(const TXmlElement* element) {
  const int index = IndexOfChild(element);
  if (index >= 0) Delete(index);
}

void TXmlElement::Remove(std::wstring_view name) {
  if (!FElements) return;
  FElements->LastByName.reset();
  TXmlElementList removed;
  std::erase_if(*FElements, [&](std::unique_ptr<TXmlElement>& child) {
    if (child->GetName() != name) return false;
    removed.push_back(std::move(child));
    return true;
  });
}

void TXmlElement::RemoveAllAfter(const TXmlElement* element) {
  const int index = std::max(IndexOfChild(element), 0);
  while (GetCount() > index) Delete(GetCount() - 1);
}

void TXmlElement::ClearElements() {
  if (!FElements) return;
  // The destructor of a holder frees the children without recursion.
  TXmlElement holder;
  holder.FElements = std::move(FElements);
}

void TXmlElement::ClearValueAndElements() {
  ClearElements();
  SetValue(L"");
}

TXmlElement* TXmlElement::Clone() {
  TXmlElement* parent = GetParent();
  if (parent == nullptr) return nullptr;
  const int position = parent->IndexOfChild(this);
  if (position > 0) {
    const TXmlElement* before = parent->GetElements(position - 1);
    if (before->FElementType == xeWhiteSpace) {
      auto space = std::make_unique<TXmlElement>();
      space->Assign(*before);
      parent->Add(std::move(space), false);
    }
  }
  auto copy = std::make_unique<TXmlElement>();
  copy->Assign(*this);
  return parent->Add(std::move(copy), false);
}

TXmlElement* TXmlElement::CloneLast() { return Clone(); }

TXmlElement* TXmlElement::FindPrevious(const TXmlElement* element) const {
  const int index = IndexOfChild(element);
  return index > 0 ? GetElements(index - 1) : nullptr;
}

TXmlElement* TXmlElement::FindNext(const TXmlElement* element) const {
  const int index = IndexOfChild(element);
  return index >= 0 && index + 1 < GetCount() ? GetElements(index + 1) : nullptr;
}

void TXmlElement::Optimize() {
  std::vector<TXmlElement*> pending{this};
  while (!pending.empty()) {
    TXmlElement* node = pending.back();
    pending.pop_back();
    if (node->GetCount() == 0) {
      if (node->FElementType == xeDouble && node->GetValue().empty() && !IsEmptyElement(node))
        node->FElementType = xeSingle;
      continue;
    }
    for (const auto& child : *node->FElements) pending.push_back(child.get());
  }
}

void TXmlElement::CheckName(const std::wstring& name) {
  if (GetName().empty()) SetName(name);
}

// --- Search ---------------------------------------------------------------------------

TXmlElement* TXmlElement::Find(std::wstring_view name, int index, int startIndex) const {
  if (name.empty()) return const_cast<TXmlElement*>(this);
  for (int i = std::max(startIndex, 0); i < GetCount(); ++i) {
    TXmlElement* child = (*FElements)[static_cast<std::size_t>(i)].get();
    if (child->GetName() == name && (index == -1 || child->FIndex == index)) return child;
  }
  return nullptr;
}

TXmlElement* TXmlElement::Get(std::wstring_view name) const {
  TXmlElement* found = Find(name, -1, 0);
  return found != nullptr ? found : &EmptyElement();
}

int TXmlElement::ElementCount(std::wstring_view name) const {
  int count = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (GetElements(i)->GetName() == name) ++count;
  return count;
}

TXmlElement* TXmlElement::FindByLanguage(std::wstring_view name, std::wstring_view language, int index) const {
  if (name.empty()) return const_cast<TXmlElement*>(this);
  for (int i = 0; i < GetCount(); ++i) {
    TXmlElement* child = GetElements(i);
    if (child->GetName() == name && (index == -1 || child->FIndex == index) && child->GetLanguage() == language)
      return child;
  }
  return nullptr;
}

TXmlElement* TXmlElement::FindByAttribute(std::wstring_view name, std::wstring_view attributeName,
                                          std::wstring_view attributeValue, std::wstring_view language) const {
  for (int i = 0; i < GetCount(); ++i) {
    TXmlElement* child = GetElements(i);
    if (child->GetName() == name && child->GetAttributes().GetString(attributeName) == attributeValue &&
        child->GetLanguage() == language)
      return child;
  }
  return nullptr;
}

TXmlElement* TXmlElement::FindWithAttribute(std::wstring_view name, std::wstring_view attributeName,
                                            std::wstring_view attributeValue) const {
  for (int i = 0; i < GetCount(); ++i) {
    TXmlElement* child = GetElements(i);
    const TXmlAttribute* attribute = child->GetAttributes().Find(attributeName);
    if (child->GetName() == name && attribute != nullptr && attribute->GetValue() == attributeValue) return child;
  }
  return nullptr;
}

TXmlElement* TXmlElement::FindSub(std::wstring_view name, int index, std::wstring_view language) const {
  if (language.empty()) return Find(name, index);
  return FindByLanguage(name, language, index);
}

TXmlElement* TXmlElement::FindType(TXmlElementType elementType, int index) const {
  for (int i = 0; i < GetCount(); ++i) {
    TXmlElement* child = GetElements(i);
    if (child->FElementType == elementType && (index == -1 || child->FIndex == index)) return child;
  }
  return nullptr;
}

std::wstring TXmlElement::GetText(int index) const {
  if (GetCount() == 0) return GetValue();
  const TXmlElement* text = FindText(index);
  return text != nullptr ? text->GetValue() : std::wstring();
}

void TXmlElement::SetText(const std::wstring& value, int index) {
  if (GetCount() == 0) {
    SetValue(value);
    return;
  }
  if (TXmlElement* text = FindText(index)) text->SetValue(value);
}

int TXmlElement::GetList(std::wstring_view name, Rtl::TList& list) const {
  int count = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (GetElements(i)->GetName() == name) {
      list.Add(GetElements(i));
      ++count;
    }
  return count;
}

int TXmlElement::GetValues(std::wstring_view name, Rtl::TStringList& list) const {
  int count = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (GetElements(i)->GetName() == name) {
      list.Add(GetElements(i)->GetValue());
      ++count;
    }
  return count;
}

bool TXmlElement::HasMoreThan(TXmlElementType elementType, int limit) const {
  int count = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (GetElements(i)->FElementType == elementType && ++count > limit) return true;
  return false;
}

bool TXmlElement::HasMoreThan(std::wstring_view name, std::wstring_view language, int limit) const {
  int count = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (GetElements(i)->GetName() == name && GetElements(i)->GetLanguage() == language && ++count > limit)
      return true;
  return false;
}

// --- Value views ----------------------------------------------------------------------

std::wstring TXmlElement::GetWhiteSpacesValue() const {
  return GetBeforeWhiteSpaces() + GetValue() + GetAfterWhiteSpaces();
}

std::wstring TXmlElement::GetNormalizedValue() const { return TUnicodeString::NormalizeWhiteSpaces(GetValue()); }

std::wstring TXmlElement::GetTrimmedValue() const { return TUnicodeString::GetWhiteSpaceDeletedValue(GetValue()); }

std::wstring TXmlElement::GetWhiteSpaceRemovedValue() const {
  std::wstring value = GetValue();
  return TUnicodeString::DeleteAllWhiteSpaces(value);
}

TXmlSpace TXmlElement::GetSpace() const {
  const TXmlAttribute* space = GetAttributes().Find(L"xml:space");
  return space != nullptr && space->GetValue() == L"preserve" ? xpPreserve : xpDefault;
}

bool TXmlElement::ActualPreserveSpaces() const {
  for (const TXmlElement* p = this; p != nullptr; p = p->GetParent())
    if (const TXmlAttribute* space = p->GetAttributes().Find(L"xml:space")) return space->GetValue() == L"preserve";
  return false;
}

std::wstring TXmlElement::GetCheckedValue() const {
  return ActualPreserveSpaces() ? GetWhiteSpacesValue() : GetNormalizedValue();
}

std::wstring TXmlElement::GetLanguage() const { return GetAttributes().GetLanguage(); }

void TXmlElement::SetLanguage(const std::wstring& value) {
  CheckChangeable();
  GetAttributes().SetLanguage(value);
}

TXmlElement& TXmlElement::SetXmlLang(const std::wstring& value) {
  SetLanguage(value);
  return *this;
}

TXmlElement& TXmlElement::SetPreserveSpace(bool value) {
  CheckChangeable();
  GetAttributes().SetPreserveSpace(value);
  return *this;
}



// --- Display --------------------------------------------------------------------------

std::wstring TXmlElement::GetContext() const {
  std::wstring name;
  switch (FElementType) {
    case xeWhiteSpace: name = L"(whitespace)"; break;
    case xeDeclaration: name = L"(declaration)"; break;
    case xeDocType: name = L"(doctype)"; break;
    case xeElement: name = L"(element)"; break;
    case xeScript: name = L"(script)"; break;
    case xeProcessing: name = L"(processing)"; break;
    case xeComment: name = L"(comment)"; break;
    case xeCData: name = L"(cdata)"; break;
    case xeSingle: name = GetName() + L"/"; break;
    case xeText: name = L"(text)"; break;
    default: name = GetName(); break;
  }
  return name + L"[" + Rtl::IntToStr(FIndex) + L"]";
}

namespace {

// At most MAX_LEN_C characters, then "..."; TAB, LF, CR (and with
// `spaces`, a space) as markers.
std::wstring Visible(const std::wstring& value, bool spaces) {
  std::wstring result;
  const std::size_t shown = std::min<std::size_t>(value.size(), TXmlElement::MAX_LEN_C);
  for (std::size_t i = 0; i < shown; ++i) {
    switch (const wchar_t c = value[i]) {
      case L'\t': result += L"<tab>"; break;
      case L'\n': result += L"<lf>"; break;
      case L'\r': result += L"<cr>"; break;
      case L' ':
        result += spaces ? L"<sp>" : L" ";
        break;
      default: result += c; break;
    }
  }
  if (value.size() > TXmlElement::MAX_LEN_C) result += L"...";
  return result;
}

}  // namespace

std::wstring TXmlElement::GetDisplayString() const {
  switch (FElementType) {
    case xeWhiteSpace: return Visible(GetValue(), true);
    case xeDeclaration: return L"(declaration)";
    case xeDocType: return L"(doctype): " + GetValue();
    case xeElement: return L"(element): " + GetValue();
    case xeScript: return L"(script): " + GetValue();
    case xeProcessing: return L"(processing instruction): " + GetValue();
    case xeComment: return L"(comment): " + GetValue();
    case xeCData: return L"(cdata): " + GetValue();
    case xeSingle: return GetName() + L"/";
    case xeText: return Visible(GetValue(), false);
    default:
      if (GetValue().empty()) return GetName();
      return GetName() + L": \"" + Visible(GetValue(), false) + L"\"";
  }
}

// --- Markup ---------------------------------------------------------------------------

std::wstring TXmlElement::AddTagsAround(const std::wstring& value) const {
  std::wstring result = L"<" + GetName();
  for (int i = 0; i < GetAttributes().GetCount(); ++i) {
    const TXmlAttribute* attribute = GetAttributes().GetItems(i);
    result += L" " + attribute->GetName() + L"=\"" + attribute->GetValue() + L"\"";
  }
  if (value.empty()) return result + L" />";
  return result + L">" + value + L"</" + GetName() + L">";
}

std::wstring TXmlElement::AddTagsAround(const std::wstring& tagName, const std::wstring& value) {
  return Rtl::Format(L"<%0:s>%1:s</%0:s>", {tagName, value});
}

std::wstring TXmlElement::StructureToString(bool normalize) const {
  if (GetCount() == 0) return GetValue();
  const auto entities = TXmlFileEntities::CreateDefault();
  const auto encode = [&](const std::wstring& text, const TXmlPart& part) {
    return entities->EncodeString(text, XML_DEFAULT_ENTITYFORMATS_C, &part.GetPartEntities());
  };
  std::wstring result;
  const int count = GetCount();
  for (int i = 0; i < count; ++i) {
    const TXmlElement* child = GetElements(i);
    const bool first = i == 0;
    const bool last = i == count - 1;
    switch (child->FElementType) {
      case xeWhiteSpace:
        if (!first && !last) result += normalize ? std::wstring(L" ") : encode(child->GetValue(), *child);
        break;
      case xeScript: result += L"<%" + child->GetValue() + L"%>"; break;
      case xeProcessing: result += L"<?" + child->GetValue() + L"?>"; break;
      case xeComment: result += L"<!--" + child->GetValue() + L"-->"; break;
      case xeText: {
        const std::wstring& value = child->GetValue();
        std::wstring text;
        if (normalize) {
          text = TUnicodeString::NormalizeWhiteSpaces(TUnicodeString::GetWhiteSpaceDeletedValue(value));
          if (!first && !value.empty() && TUnicodeString::IsWhiteSpace(value.front())) text = L" " + text;
          if (!last && !value.empty() && TUnicodeString::IsWhiteSpace(value.back())) text += L" ";
        } else {
          text = TUnicodeString::GetWhiteSpaceDeletedValue(value);
          if (!first) text = TUnicodeString::GetLeftWhiteSpaces(value) + text;
          if (!last) text += TUnicodeString::GetRightWhiteSpaces(value);
        }
        result += encode(text, *child);
        break;
      }
      default: {
        result += L"<" + child->GetName();
        for (int a = 0; a < child->GetAttributes().GetCount(); ++a) {
          const TXmlAttribute* attribute = child->GetAttributes().GetItems(a);
          result += L" " + attribute->GetName() + L"=\"" + encode(attribute->GetValue(), *attribute) + L"\"";
        }
        const std::wstring inner =
            child->GetCount() > 0 ? child->StructureToString(true) : encode(child->GetNormalizedValue(), *child);
        if (inner.empty())
          result += L" />";
        else
          result += L">" + inner + L"</" + child->GetName() + L">";
        break;
      }
    }
  }
  return result;
}

}  // namespace Qd
