// Quoting: adding, doubling and removing quote characters of both kinds.
#include <gtest/gtest.h>

#include "QdString.h"

using U = Qd::TUnicodeString;
using Qd::sqDouble;
using Qd::sqNone;
using Qd::sqSingle;

TEST(Quote, QuoteLeavesTheInsideAlone) {
  EXPECT_EQ(U::Quote(L"it's", sqSingle), L"'it's'");
  EXPECT_EQ(U::Quote(L"a\"b", sqDouble), L"\"a\"b\"");
  EXPECT_EQ(U::Quote(L"", sqDouble), L"\"\"");
  EXPECT_EQ(U::Quote(L"x", sqNone), L"x");
}

TEST(Quote, CodeAndDecode) {
  EXPECT_EQ(U::QuoteCode(L"it's", sqSingle), L"it''s");
  EXPECT_EQ(U::QuoteCode(L"it's \"x\"", sqDouble), L"it's \"\"x\"\"");
  EXPECT_EQ(U::QuoteCode(L"it's", sqNone), L"it's");
  EXPECT_EQ(U::QuoteDecode(L"it''s", sqSingle), L"it's");
  EXPECT_EQ(U::QuoteDecode(L"a''", sqSingle), L"a'");
  EXPECT_EQ(U::QuoteDecode(L"a'", sqSingle), L"a'");      // a lone one at the end stays
  EXPECT_EQ(U::QuoteDecode(L"'''", sqSingle), L"''");
  EXPECT_EQ(U::QuoteDecode(L"''''", sqSingle), L"''");
  EXPECT_EQ(U::QuoteDecode(L"\"\"''", sqDouble), L"\"''");
  EXPECT_EQ(U::QuoteDecode(L"''", sqNone), L"''");
  for (const wchar_t* s : {L"", L"'", L"''", L"a'b''c'''", L"\"'\""}) {
    EXPECT_EQ(U::QuoteDecode(U::QuoteCode(s, sqSingle), sqSingle), s);
    EXPECT_EQ(U::QuoteDecode(U::QuoteCode(s, sqDouble), sqDouble), s);
  }
}

TEST(Quote, RemoveQuotesOfAKind) {
  EXPECT_EQ(U::RemoveQuotes(L"'a'", sqSingle), L"a");
  EXPECT_EQ(U::RemoveQuotes(L"'a", sqSingle), L"a");
  EXPECT_EQ(U::RemoveQuotes(L"a'", sqSingle), L"a");
  EXPECT_EQ(U::RemoveQuotes(L"'", sqSingle), L"");
  EXPECT_EQ(U::RemoveQuotes(L"''", sqSingle), L"");
  EXPECT_EQ(U::RemoveQuotes(L"\"a\"", sqSingle), L"\"a\"");
  EXPECT_EQ(U::RemoveQuotes(L"'a'", sqNone), L"'a'");
  EXPECT_EQ(U::RemoveQuotes(L"", sqDouble), L"");
}

TEST(Quote, DeleteQuotesReportsTheKind) {
  Qd::TStringQuote quote = sqDouble;
  EXPECT_EQ(U::DeleteQuotes(L"'", quote), L"");
  EXPECT_EQ(quote, sqSingle);
  EXPECT_EQ(U::DeleteQuotes(L"'a\"", quote), L"'a\"");
  EXPECT_EQ(quote, sqNone);
  EXPECT_EQ(U::DeleteQuotes(L"\"a b\"", quote), L"a b");
  EXPECT_EQ(quote, sqDouble);
  EXPECT_EQ(U::DeleteQuotes(L"''", quote), L"");
  EXPECT_EQ(quote, sqSingle);
  EXPECT_EQ(U::DeleteQuotes(L"xax", quote), L"xax");
  EXPECT_EQ(quote, sqNone);
  quote = sqSingle;
  EXPECT_EQ(U::DeleteQuotes(L"", quote), L"");
  EXPECT_EQ(quote, sqNone);
  EXPECT_EQ(U::RemoveQuotes(L"\"x\""), L"x");
  EXPECT_EQ(U::RemoveQuotes(L"'x"), L"'x");
}

TEST(Quote, QuoteSets) {
  Qd::TStringQuotes quotes{sqDouble};
  EXPECT_TRUE(quotes.Contains(sqDouble));
  EXPECT_FALSE(quotes.Contains(sqSingle));
  quotes.Include(sqSingle);
  quotes.Exclude(sqDouble);
  EXPECT_EQ(quotes, Qd::TStringQuotes{sqSingle});
  EXPECT_TRUE(Qd::TStringQuotes{}.IsEmpty());
}
