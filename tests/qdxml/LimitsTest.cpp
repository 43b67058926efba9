// The expansion limits: hostile declarations and texts raise their message
// quickly and without holding much memory (the peak is measured by the
// executable's allocation hook). Each case prints its time and peak.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "AllocationHook.h"
#include "QdXml.h"
#include "runtime/Core/Exceptions.h"

using namespace Qd;

namespace {

constexpr std::size_t PEAK_LIMIT_C = 64u * 1024 * 1024;

// Runs `action`, which must raise `message`; checks time and peak memory.
void ExpectLimit(const char* name, const std::function<void()>& action, const std::function<std::wstring()>& message) {
  XmlTest::ResetHeapPeak();
  const std::size_t before = XmlTest::HeapInUse();
  const auto start = std::chrono::steady_clock::now();
  std::wstring raised;
  try {
    action();
  } catch (const Rtl::Exception& e) {
    raised = e.Message();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::size_t peak = XmlTest::HeapPeak() - before;
  std::printf("[ limit    ] %s: %.3f s, peak %.1f MB\n", name, seconds, static_cast<double>(peak) / (1024 * 1024));
  EXPECT_EQ(raised, message());
  EXPECT_LT(seconds, 1.0);
  EXPECT_LT(peak, PEAK_LIMIT_C);
}

// The message of the expansion limit of `entities` after the fact: the
// greater of the fixed limit and ten times what the table read.
std::function<std::wstring()> ExpansionMessage(const TXmlFileEntities& entities) {
  return [&entities] {
    const long long limit = std::max<long long>(entities.GetMaxEntityExpansion(), entities.GetReadChars() * 10);
    return L"Entity expansion exceeds " + std::to_wstring(limit) + L" characters.";
  };
}

std::function<std::wstring()> Text(std::wstring text) {
  return [text] { return text; };
}

std::wstring LaughDeclarations() {
  std::wstring text = L"<!ENTITY lol0 \"lol\">";
  for (int level = 1; level <= 9; ++level) {
    text += L"<!ENTITY lol" + std::to_wstring(level) + L" \"";
    for (int i = 0; i < 10; ++i) text += L"&lol" + std::to_wstring(level - 1) + L";";
    text += L"\">";
  }
  return text;
}

}  // namespace

TEST(XmlLimits, BillionLaughsInDeclarations) {
  TXmlFileEntities entities;
  ExpectLimit("billion laughs, SetData", [&] { entities.SetData(LaughDeclarations()); },
              Text(L"Entity expansion exceeds 1000000 characters."));
}

TEST(XmlLimits, BillionLaughsInContent) {
  // With the declarations stopped early (a lower nesting of levels), the
  // references in content run into the limit instead.
  TXmlFileEntities entities;
  std::wstring text = L"<!ENTITY lol0 \"lol\">";
  for (int level = 1; level <= 4; ++level) {
    text += L"<!ENTITY lol" + std::to_wstring(level) + L" \"";
    for (int i = 0; i < 10; ++i) text += L"&lol" + std::to_wstring(level - 1) + L";";
    text += L"\">";
  }
  entities.SetData(text);
  std::wstring content;
  for (int i = 0; i < 100000; ++i) content += L"&lol4;";
  ExpectLimit("billion laughs, DecodeString",
              [&] { entities.DecodeString(content, XML_DEFAULT_ENTITYFORMATS_C, nullptr); },
              ExpansionMessage(entities));
}

TEST(XmlLimits, OneLargeEntityReferencedTenThousandTimes) {
  TXmlFileEntities entities;
  entities.SetData(L"<!ENTITY big \"" + std::wstring(100 * 1024, L'x') + L"\">");
  std::wstring content;
  for (int i = 0; i < 10000; ++i) content += L"&big;";
  ExpectLimit("100 KB entity x 10,000", [&] { entities.DecodeString(content, XML_DEFAULT_ENTITYFORMATS_C, nullptr); },
              ExpansionMessage(entities));
  TXmlFileEntities declared;
  std::wstring many = L"<!ENTITY big \"" + std::wstring(100 * 1024, L'x') + L"\"><!ENTITY many \"";
  for (int i = 0; i < 10000; ++i) many += L"&big;";
  many += L"\">";
  ExpectLimit("100 KB entity x 10,000, SetData", [&] { declared.SetData(many); }, ExpansionMessage(declared));
}

TEST(XmlLimits, SelfReferences) {
  ExpectLimit("direct self-reference", [] { TXmlFileEntities().SetData(L"<!ENTITY a \"x&a;y\">"); },
              Text(L"Entity \"&a;\" refers to itself."));
  ExpectLimit("indirect self-reference",
              [] { TXmlFileEntities().SetData(L"<!ENTITY a \"&b;\"><!ENTITY b \"&c;\"><!ENTITY c \"&a;\">"); },
              Text(L"Entity \"&c;\" refers to itself."));
  ExpectLimit("recursive parameter entity", [] { TXmlFileEntities().SetData(L"<!ENTITY % p \"%p;\"> %p;"); },
              Text(L"Entity \"&p;\" refers to itself."));
  ExpectLimit("parameter entities in a ring",
              [] { TXmlFileEntities().SetData(L"<!ENTITY % p \"%q;\"><!ENTITY % q \"%p;\"> %p;"); },
              Text(L"Entity \"&p;\" refers to itself."));
}

TEST(XmlLimits, NestingDepth) {
  // Seventeen parameter entities, each referring to the next.
  std::wstring text;
  for (int i = 0; i < 17; ++i)
    text += L"<!ENTITY % p" + std::to_wstring(i) + L" \"%p" + std::to_wstring(i + 1) + L";\">";
  text += L"<!ENTITY % p17 \"<!ENTITY deep 'x'>\"> %p0;";
  ExpectLimit("parameter nesting", [&] { TXmlFileEntities().SetData(text); },
              Text(L"Entity references are nested deeper than 16 levels."));
  TXmlFileEntities shallow;
  shallow.SetMaxEntityNesting(20);
  shallow.SetData(text);
  EXPECT_NE(shallow.FindName(L"deep"), nullptr);
}

TEST(XmlLimits, LimitsAreAdjustable) {
  TXmlFileEntities entities;
  EXPECT_EQ(entities.GetMaxEntityExpansion(), 1000000);
  EXPECT_EQ(entities.GetMaxEntityNesting(), 16);
  EXPECT_EQ(entities.GetMaxExternalSize(), 1024 * 1024);
  EXPECT_EQ(entities.GetExternalTimeout(), 10000);
  entities.SetMaxEntityExpansion(10);
  entities.SetData(L"<!ENTITY e \"" + std::wstring(100, L'e') + L"\">");
  // Ten times what was read (the declaration and the reference) is the
  // greater limit here.
  EXPECT_EQ(entities.DecodeString(L"&e;", XML_DEFAULT_ENTITYFORMATS_C, nullptr).size(), 100u);
  EXPECT_EQ(entities.GetExpandedChars(), 100);
  entities.ResetCounters();
  try {
    entities.DecodeString(L"&e;", XML_DEFAULT_ENTITYFORMATS_C, nullptr);
    ADD_FAILURE();
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Entity expansion exceeds 30 characters.");
  }
}
