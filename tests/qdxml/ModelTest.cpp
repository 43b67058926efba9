// The document model: building, numbering and searching children, values
// and kinds, the empty element's guard, identity among equal siblings,
// display and markup, and a very deep tree.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "QdXml.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"

#include <psapi.h>

#include "runtime/System/Win32Undef.h"

using namespace Qd;

TEST(XmlModel, RepeatedChildrenAreNumberedByNameAndForm) {
  TXmlElement a(L"a");
  TXmlElement* b0 = a.Add(L"b");
  TXmlElement* c0 = a.Add(L"c");
  TXmlElement* b1 = a.Add(L"b");
  TXmlElement* b2 = a.Add(L"b");
  EXPECT_EQ(b0->GetIndex(), 0);
  EXPECT_EQ(c0->GetIndex(), 0);
  EXPECT_EQ(b1->GetIndex(), 1);
  EXPECT_EQ(b2->GetIndex(), 2);
  EXPECT_EQ(b1->GetContext(), L"b[1]");
  EXPECT_EQ(c0->GetContext(), L"c[0]");
  TXmlElement* b3 = a.AddSingle(L"b");
  EXPECT_EQ(b3->GetIndex(), 3);
  EXPECT_EQ(b3->GetContext(), L"b/[3]");
  // Inserted at the front, a node still counts from the last match.
  TXmlElement* front = a.Insert(L"b", 0);
  EXPECT_EQ(front->GetIndex(), 4);
  // Comments are numbered among comments, declarations are not numbered.
  EXPECT_EQ(a.AddComment(L"x")->GetIndex(), 0);
  EXPECT_EQ(a.AddComment(L"y")->GetIndex(), 1);
  EXPECT_EQ(a.Add(xeProcessing, L"pi", L"")->GetIndex(), 0);
  EXPECT_EQ(a.Add(xeProcessing, L"pi", L"")->GetIndex(), 0);
  EXPECT_EQ(a.Find(L"b", 2), b2);
  EXPECT_EQ(a.Find(L"b", -1, 1), b0);
  EXPECT_EQ(a.Find(L""), &a);
  EXPECT_EQ(a.ElementCount(L"b"), 5);
  EXPECT_EQ(b1->GetPosition(), 3);
  EXPECT_EQ(b1->GetLevel(), 1);
  EXPECT_EQ(a.GetDepth(), 1);
  EXPECT_EQ(b1->GetDepth(), 0);
}

TEST(XmlModel, GetReturnsTheEmptyElementWhichRefusesEveryChange) {
  TXmlElement root(L"root");
  TXmlElement* missing = root.Get(L"nothing");
  ASSERT_EQ(missing, &EmptyElement());
  EXPECT_EQ(missing->GetValue(), L"");
  EXPECT_EQ(missing->GetCount(), 0);
  EXPECT_EQ(missing->GetAttributes().GetCount(), 0);
  const auto refuses = [](auto change) {
    try {
      change();
      ADD_FAILURE() << "changed";
    } catch (const Rtl::Exception& e) {
      EXPECT_EQ(e.Message(), L"The empty element cannot be changed");
    }
  };
  refuses([&] { missing->SetString(L"x", L"1"); });
  refuses([&] { missing->Add(L"child"); });
  refuses([&] { missing->GetAttributes().SetString(L"a", L"1"); });
  refuses([&] { missing->GetAttributes().GetItems(L"a"); });
  refuses([&] { missing->SetName(L"n"); });
  refuses([&] { missing->SetValue(L"v"); });
  refuses([&] { missing->SetElementType(xeSingle); });
  refuses([&] { missing->SetLanguage(L"de"); });
  // Every later look-up still finds nothing.
  EXPECT_EQ(root.Get(L"other")->GetString(L"x", L"default"), L"default");
  EXPECT_TRUE(EmptyElement().IsEmpty());
  EXPECT_EQ(EmptyElement().GetName(), L"");
}

TEST(XmlModel, SiblingLookUpsGoByIdentity) {
  TXmlElement root(L"root");
  TXmlElement* first = root.AddString(L"item", L"same");
  TXmlElement* second = root.AddString(L"item", L"same");
  TXmlElement* third = root.AddString(L"item", L"same");
  EXPECT_EQ(second->GetPosition(), 1);
  EXPECT_EQ(third->GetPosition(), 2);
  EXPECT_EQ(root.FindPrevious(second), first);
  EXPECT_EQ(root.FindNext(second), third);
  EXPECT_EQ(root.FindNext(third), nullptr);
  root.InsertAfter(L"new", second);
  EXPECT_EQ(root.GetElements(2)->GetName(), L"new");
  TXmlElement stranger(L"item");
  root.InsertAfter(L"tail", &stranger);  // no child: appended
  EXPECT_EQ(root.GetElements(root.GetCount() - 1)->GetName(), L"tail");
  root.Remove(third);
  EXPECT_EQ(root.GetCount(), 4);
  EXPECT_EQ(root.GetElements(0), first);
  EXPECT_EQ(root.GetElements(1), second);
  root.Remove(&stranger);  // not a child: nothing goes
  EXPECT_EQ(root.GetCount(), 4);
  root.RemoveAllAfter(second);  // the element itself goes too
  ASSERT_EQ(root.GetCount(), 1);
  EXPECT_EQ(root.GetElements(0), first);
  root.Add(L"x");
  root.RemoveAllAfter(&stranger);  // not a child: all go
  EXPECT_EQ(root.GetCount(), 0);
}

TEST(XmlModel, ValueChangesTurnEmptyTagsIntoDoubleOnesAndOptimizeTurnsThemBack) {
  TXmlElement root(L"root");
  TXmlElement* single = root.AddSingle(L"s");
  single->SetStartWhiteSpaces(L"  ");
  single->SetValue(L"");  // no change: stays
  EXPECT_EQ(single->GetElementType(), xeSingle);
  EXPECT_EQ(single->GetStartWhiteSpaces(), L"  ");
  single->SetValue(L"text");
  EXPECT_EQ(single->GetElementType(), xeDouble);
  EXPECT_EQ(single->GetStartWhiteSpaces(), L"");
  single->SetValue(L"");
  root.Add(L"parent")->Add(L"leaf");
  root.Optimize();
  EXPECT_EQ(single->GetElementType(), xeSingle);
  EXPECT_EQ(root.Get(L"parent")->GetElementType(), xeDouble);
  EXPECT_EQ(root.Get(L"parent")->Get(L"leaf")->GetElementType(), xeSingle);
  single->SetValue(L"v");
  single->SetElementType(xeSingle);
  EXPECT_EQ(single->GetValue(), L"");
}

TEST(XmlModel, StructureEditing) {
  TXmlElement root(L"root");
  root.Add(xeWhiteSpace, L"\n  ");
  root.Add(L"a");
  root.Add(xeWhiteSpace, L"\n");
  root.Append(std::make_unique<TXmlElement>(L"b"));  // before the trailing whitespace
  EXPECT_EQ(root.GetElements(2)->GetName(), L"b");
  EXPECT_EQ(root.GetNoneWhiteSpaceCount(), 2);
  EXPECT_EQ(root.Add(std::make_unique<TXmlElement>(L"empty"), true), nullptr);
  EXPECT_EQ(root.GetCount(), 4);
  TXmlElement* a = root.Get(L"a");
  a->GetAttributes().SetString(L"k", L"v");
  a->Add(L"inner")->SetValue(L"deep");
  TXmlElement* copy = a->Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(root.GetCount(), 6);  // whitespace copy + element copy
  EXPECT_EQ(root.GetElements(4)->GetElementType(), xeWhiteSpace);
  EXPECT_EQ(copy->GetAttributes().GetString(L"k"), L"v");
  EXPECT_EQ(copy->GetString(L"inner"), L"deep");
  EXPECT_EQ(copy->GetIndex(), 1);
  EXPECT_EQ(copy->GetParent(), &root);
  EXPECT_EQ(copy->Get(L"inner")->GetParent(), copy);
  root.Remove(L"a");
  EXPECT_EQ(root.ElementCount(L"a"), 0);
  EXPECT_EQ(root.GetLineBegining(), xlbMinus);
  root.SetExpanded(false);
  EXPECT_EQ(root.GetLineBegining(), xlbPlus);
  root.ClearValueAndElements();
  EXPECT_EQ(root.GetLineBegining(), xlbNone);
}

TEST(XmlModel, AssigningAnAncestorIntoItsChildIsRefused) {
  TXmlElement root(L"root");
  TXmlElement* child = root.Add(L"child");
  EXPECT_THROW(child->Assign(root), Rtl::EInvalidOperation);
}

TEST(XmlModel, SearchesByLanguageAttributeAndKind) {
  TXmlElement root(L"root");
  root.Add(L"name")->SetValue(L"plain");
  TXmlElement* de = root.Add(L"name");
  de->SetValue(L"deutsch");
  de->SetLanguage(L"de");
  TXmlElement* tagged = root.Add(L"item");
  tagged->GetAttributes().SetString(L"id", L"7");
  root.AddText(L" text ");
  EXPECT_TRUE(root.GetContainsText());
  EXPECT_EQ(root.FindByLanguage(L"name", L"de"), de);
  EXPECT_EQ(root.GetLanguageString(L"name", L"de"), L"deutsch");
  EXPECT_EQ(root.GetLanguageString(L"name", L"fr"), L"plain");
  EXPECT_EQ(root.FindWithAttribute(L"item", L"id", L"7"), tagged);
  EXPECT_EQ(root.FindByAttribute(L"item", L"id", L"7", L""), tagged);
  EXPECT_EQ(root.FindSub(L"name", -1, L"de"), de);
  EXPECT_EQ(root.GetText(), L" text ");
  root.SetText(L"new");
  EXPECT_EQ(root.FindText()->GetValue(), L"new");
  EXPECT_TRUE(root.HasMoreThan(L"name", L"", 0));
  EXPECT_FALSE(root.HasMoreThan(L"name", L"", 1));
  EXPECT_TRUE(root.HasMoreThan(xeText, 0));
  Rtl::TStringList values;
  EXPECT_EQ(root.GetValues(L"name", values), 2);
  EXPECT_EQ(values[1], L"deutsch");
  Rtl::TList list;
  EXPECT_EQ(root.GetList(L"item", list), 1);
  EXPECT_EQ(list.Items(0), tagged);
  EXPECT_EQ(de->GetAttributes().GetItems(0)->GetName(), L"xml:lang");
  de->GetAttributes().SetString(L"other", L"1");
  de->SetLanguage(L"fr");
  EXPECT_EQ(de->GetAttributes().GetItems(0)->GetName(), L"xml:lang");
  de->SetLanguage(L"");
  EXPECT_FALSE(de->GetAttributes().DoesExist(L"xml:lang"));
}

TEST(XmlModel, WhitespaceAndPreservedSpaces) {
  TXmlElement root(L"root");
  TXmlElement* child = root.Add(L"c");
  child->SetValue(L" a \t b ");
  child->SetBeforeWhiteSpaces(L"\n");
  EXPECT_EQ(child->GetWhiteSpacesValue(), L"\n a \t b ");
  EXPECT_EQ(child->GetNormalizedValue(), L" a b ");
  EXPECT_EQ(child->GetTrimmedValue(), L"a \t b");
  EXPECT_EQ(child->GetWhiteSpaceRemovedValue(), L"ab");
  EXPECT_FALSE(child->ActualPreserveSpaces());
  EXPECT_EQ(child->GetCheckedValue(), L" a b ");
  root.SetPreserveSpace(true);
  EXPECT_TRUE(root.PreserveSpaces());
  EXPECT_TRUE(child->ActualPreserveSpaces());
  EXPECT_EQ(child->GetCheckedValue(), L"\n a \t b ");
  child->GetAttributes().SetString(L"xml:space", L"default");
  EXPECT_FALSE(child->ActualPreserveSpaces());
}

TEST(XmlModel, DisplayStrings) {
  TXmlElement root(L"root");
  EXPECT_EQ(root.Add(xeWhiteSpace, L"\r\n  ")->GetDisplayString(), L"<cr><lf><sp><sp>");
  const std::wstring long45(45, L'x');
  EXPECT_EQ(root.AddText(long45)->GetDisplayString(), std::wstring(40, L'x') + L"...");
  EXPECT_EQ(root.AddText(L"a b\t")->GetDisplayString(), L"a b<tab>");
  EXPECT_EQ(root.AddString(L"v", L"x y")->GetDisplayString(), L"v: \"x y\"");
  EXPECT_EQ(root.Add(L"e")->GetDisplayString(), L"e");
  EXPECT_EQ(root.AddSingle(L"s")->GetDisplayString(), L"s/");
  EXPECT_EQ(root.AddComment(L"c")->GetDisplayString(), L"(comment): c");
  EXPECT_EQ(root.Add(xeProcessing, L"p")->GetDisplayString(), L"(processing instruction): p");
  EXPECT_EQ(root.Add(xeDeclaration, L"")->GetDisplayString(), L"(declaration)");
  EXPECT_EQ(root.Add(xeDocType, L"d")->GetContext(), L"(doctype)[0]");
}

TEST(XmlModel, MarkupOfMixedContent) {
  TXmlElement p(L"p");
  p.AddText(L"  Hello ");
  TXmlElement* b = p.AddString(L"b", L" big & bold ");
  b->GetAttributes().SetString(L"class", L"x<y");
  p.AddText(L" world  ");
  p.AddComment(L"note");
  p.Add(xeWhiteSpace, L"\n");
  p.AddSingle(L"br");
  EXPECT_EQ(p.StructureToString(true), L"Hello <b class=\"x&lt;y\"> big &amp; bold </b> world <!--note--> <br />");
  EXPECT_EQ(p.StructureToString(false),
            L"Hello <b class=\"x&lt;y\"> big &amp; bold </b> world  <!--note-->\n<br />");
  EXPECT_EQ(TXmlElement(L"leaf").StructureToString(true), L"");
  EXPECT_EQ(b->AddTagsAround(L"in"), L"<b class=\"x<y\">in</b>");
  EXPECT_EQ(b->AddTagsAround(L""), L"<b class=\"x<y\" />");
  EXPECT_EQ(TXmlElement::AddTagsAround(L"t", L"v"), L"<t>v</t>");
  // The inverse goes through the reader.
  p.StringToStructure(L"<a/>");
  ASSERT_EQ(p.GetCount(), 1);
  EXPECT_EQ(p.GetElements(0)->GetName(), L"a");
}

TEST(XmlModel, EnumeratorsVisitEveryItemOnce) {
  TXmlElement root(L"root");
  for (int i = 0; i < 3; ++i) root.Add(L"n")->GetAttributes().ForceInteger(L"i", i);
  int count = 0;
  auto children = root.GetEnumerator();
  while (children.MoveNext()) {
    auto attributes = children.GetCurrent()->GetAttributes().GetEnumerator();
    while (attributes.MoveNext()) EXPECT_EQ(attributes.GetCurrent()->GetAsInteger(), count);
    ++count;
  }
  EXPECT_EQ(count, 3);
  TXmlElementEnumerator none(nullptr);
  EXPECT_FALSE(none.MoveNext());
}

TEST(XmlModel, AVeryDeepTreeIsCopiedMeasuredAndDestroyed) {
  auto root = std::make_unique<TXmlElement>(L"root");
  TXmlElement* node = root.get();
  for (int i = 0; i < 100000; ++i) node = node->Add(L"n");
  EXPECT_EQ(root->GetDepth(), 100000);
  EXPECT_EQ(node->GetLevel(), 100000);
  TXmlElement copy;
  copy.Assign(*root);
  EXPECT_EQ(copy.GetDepth(), 100000);
  root->Optimize();
  EXPECT_EQ(node->GetElementType(), xeSingle);
  root.reset();  // no stack overflow
  copy.ClearElements();
  EXPECT_EQ(copy.GetCount(), 0);
}

TEST(XmlModel, NodesStaySmall) {
  // The rarely set parts live in records made on first use.
  EXPECT_LE(sizeof(TXmlElement), sizeof(void*) == 8 ? 160u : 104u);
  EXPECT_LE(sizeof(TXmlAttribute), sizeof(void*) == 8 ? 144u : 92u);
}

TEST(XmlModel, SingleSpacesReadBackWhateverRecordComesLater) {
  // A whitespace field of one space is a flag until the node's record of
  // rarely set parts is made; then the record holds it.
  TXmlElement root(L"root");
  TXmlElement* e = root.Add(L"e");
  e->SetStartWhiteSpaces(L" ");
  e->SetEndWhiteSpaces(L" ");
  e->SetBeforeWhiteSpaces(L" ");
  e->SetAfterWhiteSpaces(L" ");
  EXPECT_EQ(e->GetStartWhiteSpaces(), L" ");
  EXPECT_EQ(e->GetEndWhiteSpaces(), L" ");
  EXPECT_EQ(e->GetBeforeWhiteSpaces(), L" ");
  EXPECT_EQ(e->GetAfterWhiteSpaces(), L" ");
  e->SetObjectData(&root);  // makes the tag record
  e->SetTag(7);             // makes the part record
  EXPECT_EQ(e->GetStartWhiteSpaces(), L" ");
  EXPECT_EQ(e->GetEndWhiteSpaces(), L" ");
  EXPECT_EQ(e->GetBeforeWhiteSpaces(), L" ");
  EXPECT_EQ(e->GetAfterWhiteSpaces(), L" ");
  e->SetStartWhiteSpaces(L"\n\t");
  e->SetAfterWhiteSpaces(L"");
  EXPECT_EQ(e->GetStartWhiteSpaces(), L"\n\t");
  EXPECT_EQ(e->GetAfterWhiteSpaces(), L"");

  // Other whitespace first, one space after it, and back to none.
  TXmlElement* f = root.Add(L"f");
  f->SetEndWhiteSpaces(L"  ");
  f->SetEndWhiteSpaces(L" ");
  f->SetStartWhiteSpaces(L" ");
  f->SetStartWhiteSpaces(L"");
  f->SetBeforeWhiteSpaces(L" ");
  f->SetBeforeWhiteSpaces(L"");
  EXPECT_EQ(f->GetEndWhiteSpaces(), L" ");
  EXPECT_EQ(f->GetStartWhiteSpaces(), L"");
  EXPECT_EQ(f->GetBeforeWhiteSpaces(), L"");
  // An empty-element tag that gets a value loses its start-tag whitespace.
  TXmlElement* g = root.AddSingle(L"g");
  g->SetStartWhiteSpaces(L" ");
  g->SetValue(L"v");
  EXPECT_EQ(g->GetElementType(), xeDouble);
  EXPECT_EQ(g->GetStartWhiteSpaces(), L"");

  // Copies take the spaces along, with or without records.
  TXmlElement copy(L"copy");
  copy.Assign(*e);
  EXPECT_EQ(copy.GetStartWhiteSpaces(), L"\n\t");
  EXPECT_EQ(copy.GetEndWhiteSpaces(), L" ");
  EXPECT_EQ(copy.GetBeforeWhiteSpaces(), L" ");
  TXmlElement copyOfF(L"copy");
  copyOfF.Assign(*f);
  EXPECT_EQ(copyOfF.GetEndWhiteSpaces(), L" ");

  // Attributes: the three whitespace fields, then a record for another one.
  TXmlAttribute* a = e->GetAttributes().AddString(L"a", L"1");
  a->SetNameWhiteSpaces(L" ");
  a->SetSeparatorWhiteSpaces(L" ");
  a->SetValueWhiteSpaces(L" ");
  EXPECT_EQ(a->GetNameWhiteSpaces(), L" ");
  EXPECT_EQ(a->GetSeparatorWhiteSpaces(), L" ");
  EXPECT_EQ(a->GetValueWhiteSpaces(), L" ");
  a->SetSeparatorWhiteSpaces(L"\r\n");
  EXPECT_EQ(a->GetNameWhiteSpaces(), L" ");
  EXPECT_EQ(a->GetSeparatorWhiteSpaces(), L"\r\n");
  EXPECT_EQ(a->GetValueWhiteSpaces(), L" ");
  TXmlAttribute b(L"b", L"2");
  b.SetValueWhiteSpaces(L" ");
  b.Assign(*a);
  EXPECT_EQ(b.GetSeparatorWhiteSpaces(), L"\r\n");
  EXPECT_EQ(b.GetValueWhiteSpaces(), L" ");
  EXPECT_TRUE(b.Equals(a));

  // The empty element refuses a space as any other change.
  EXPECT_THROW(EmptyElement().SetStartWhiteSpaces(L" "), Rtl::Exception);
  EXPECT_THROW(EmptyElement().SetBeforeWhiteSpaces(L" "), Rtl::Exception);
  EXPECT_EQ(EmptyElement().GetStartWhiteSpaces(), L"");
}

namespace {

// The process's committed memory (PagefileUsage; PrivateUsage reads 0 under Wine).
std::size_t CommittedBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PagefileUsage;
}

}  // namespace

TEST(XmlModel, PooledNodesAreSharedByThreadsAndGoBackToTheSystem) {
  // Nodes come from a pool of slabs: trees made on two threads at once and
  // freed on a third stay intact, and the memory of a freed tree is given
  // back (the process's committed memory returns to near where it was).
  const auto build = [](int count) {
    auto root = std::make_unique<TXmlElement>(L"root");
    for (int i = 0; i < count; ++i) {
      TXmlElement* child = root->AddString(L"item", std::to_wstring(i));
      child->GetAttributes().AddInteger(L"n", i);
    }
    return root;
  };
  const std::size_t before = CommittedBytes();
  std::unique_ptr<TXmlElement> a, b;
  std::thread first([&] { a = build(100000); });
  std::thread second([&] { b = build(100000); });
  first.join();
  second.join();
  for (int i = 0; i < 100000; i += 997) {
    EXPECT_EQ(a->GetElements(i)->GetValue(), std::to_wstring(i));
    EXPECT_EQ(b->GetElements(i)->GetAttributes().GetInteger(L"n"), i);
    EXPECT_EQ(b->GetElements(i)->GetIndex(), i);
  }
  const std::size_t grown = CommittedBytes();
  EXPECT_GT(grown, before + 20'000'000u);
  std::thread([&] {
    a.reset();
    b.reset();
  }).join();
  EXPECT_LT(CommittedBytes(), before + (grown - before) / 4);
}

TEST(XmlModel, TheUnitMakesTheEmptyElementAndAStartAfterShutdownBeginsAfresh) {
  TXmlElement* before = &EmptyElement();
  SetRaiseExceptionOnUnknownEntity(true);
  QdXmlUnit::Finalization();
  try {
    EmptyElement();
    ADD_FAILURE() << "read after shutdown";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"QdXml is not started");
  }
  TXmlElement detached(L"x");
  EXPECT_FALSE(IsEmptyElement(before));
  QdXmlUnit::Initialization();
  EXPECT_TRUE(IsEmptyElement(&EmptyElement()));
  EXPECT_FALSE(RaiseExceptionOnUnknownEntity());
  EXPECT_TRUE(EmptyElement().IsEmpty());
}

TEST(XmlModel, LongChildListsNumberAppendedChildrenAsAScanWould) {
  // The index of last children of a long list must give what a scan of
  // the siblings gives, also after inserts, removals, renames and changes
  // of form.
  const auto scanned = [](const TXmlElement& parent, const TXmlElement* child) {
    for (int i = parent.GetCount() - 1; i >= 0; --i) {
      const TXmlElement* sibling = parent.GetElements(i);
      const auto form = [](TXmlElementType t) { return t == xeSingle ? xeDouble : t; };
      if (sibling != child && sibling->GetName() == child->GetName() &&
          form(sibling->GetElementType()) == form(child->GetElementType()))
        return sibling->GetIndex() + 1;
    }
    return 0;
  };
  TXmlElement root(L"root");
  unsigned state = 12345;
  const auto next = [&state](unsigned n) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % n;
  };
  const wchar_t* names[] = {L"a", L"b", L"c", L"d"};
  for (int step = 0; step < 2000; ++step) {
    switch (next(10)) {
      case 0:
        if (root.GetCount() > 0) root.Delete(static_cast<int>(next(static_cast<unsigned>(root.GetCount()))));
        break;
      case 1:
        root.Insert(names[next(4)], static_cast<int>(next(static_cast<unsigned>(root.GetCount() + 1))));
        break;
      case 2:
        if (root.GetCount() > 0)
          root.GetElements(static_cast<int>(next(static_cast<unsigned>(root.GetCount()))))->SetName(names[next(4)]);
        break;
      case 3:
        if (root.GetCount() > 0)
          root.GetElements(static_cast<int>(next(static_cast<unsigned>(root.GetCount()))))
              ->SetElementType(next(2) ? xeComment : xeSingle);
        break;
      default: {
        TXmlElement* child = next(3) == 0 ? root.AddSingle(names[next(4)])
                             : next(2)   ? root.Add(names[next(4)])
                                         : root.AddComment(L"c");
        ASSERT_EQ(child->GetIndex(), scanned(root, child)) << "step " << step;
        break;
      }
    }
  }
  EXPECT_GT(root.GetCount(), 40);
}

TEST(XmlModel, ManySiblingsOfDistinctNames) {
  // Numbering an appended child doesn't scan its siblings: 100,000 distinct
  // names (a scan would compare five billion names).
  TXmlElement root(L"root");
  for (int i = 0; i < 100000; ++i) root.Add(L"n" + std::to_wstring(i));
  TXmlElement* again = root.Add(L"n99999");
  EXPECT_EQ(again->GetIndex(), 1);
  EXPECT_EQ(root.Add(L"n0")->GetIndex(), 1);
  EXPECT_EQ(root.AddSingle(L"n0")->GetIndex(), 2);
}
