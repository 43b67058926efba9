// External DTDs and entities: the HTTP fetch against a server on 127.0.0.1
// (only a plain answer 200 within the limits loads, and every fetch ends
// within its time), and the rules of local files (never a share, a device,
// another scheme; always within the size limit).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "HttpTestServer.h"
#include "QdXml/ExternalFetch.h"
#include "TestSupport.h"
#include "runtime/System/Win32.h"

using namespace Qd::XmlExternal;

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::size_t MAX_SIZE_C = 1024 * 1024;
constexpr std::uint32_t TIMEOUT_C = 1500;

std::string Text(const Rtl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// FetchHttp, checking that it ends within the timeout and one second.
std::optional<Rtl::TBytes> Fetch(const std::wstring& url, std::size_t maxSize = MAX_SIZE_C,
                                 std::uint32_t timeoutMs = TIMEOUT_C) {
  const auto start = TClock::now();
  auto result = FetchHttp(url, maxSize, timeoutMs);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
  EXPECT_LT(ms, timeoutMs + 1000) << "fetch of " << std::string(url.begin(), url.end());
  return result;
}

}  // namespace

TEST(HttpFetch, OnlyAPlainAnswer200WithinTheLimitLoads) {
  TestSupport::THttpTestServer server;
  const auto dtd = Fetch(server.Url(L"/test.dtd"));
  ASSERT_TRUE(dtd.has_value());
  EXPECT_EQ(Text(*dtd), TestSupport::THttpTestServer::DtdText());
  EXPECT_TRUE(Fetch(L"HTTP://127.0.0.1:" + std::to_wstring(server.Port()) + L"/test.dtd").has_value());
  EXPECT_EQ(server.Requests("/test.dtd"), 2);

  // A redirect is not followed: the server never sees the second request.
  EXPECT_FALSE(Fetch(server.Url(L"/redirect")).has_value());
  EXPECT_EQ(server.Requests("/redirect"), 1);
  EXPECT_EQ(server.Requests("/test.dtd"), 2);

  EXPECT_FALSE(Fetch(server.Url(L"/missing.dtd")).has_value());  // 404
  // 10 MB, announced or not, against a limit of 1 MB.
  EXPECT_FALSE(Fetch(server.Url(L"/big")).has_value());
  EXPECT_FALSE(Fetch(server.Url(L"/big-unsized")).has_value());
  EXPECT_FALSE(Fetch(server.Url(L"/big-unsized"), TestSupport::THttpTestServer::BIG_SIZE_C - 1).has_value());
  EXPECT_EQ(server.Requests("/big-unsized"), 2);
  // The limit itself.
  EXPECT_TRUE(Fetch(server.Url(L"/sized/1000"), 1000).has_value());
  EXPECT_FALSE(Fetch(server.Url(L"/sized/1001"), 1000).has_value());
  const auto empty = Fetch(server.Url(L"/sized/0"), 1000);
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());
}

TEST(HttpFetch, AnAnswerThatNeverComesOrNeverEndsStopsAtTheTimeout) {
  TestSupport::THttpTestServer server;
  for (const wchar_t* path : {L"/never", L"/trickle"}) {
    const auto start = TClock::now();
    EXPECT_FALSE(Fetch(server.Url(path)).has_value());
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
    EXPECT_GE(ms, TIMEOUT_C - 100) << "gave up before the timeout";
    EXPECT_EQ(server.Requests(std::string(path, path + wcslen(path))), 1);
  }
  // The server still answers afterwards.
  EXPECT_TRUE(Fetch(server.Url(L"/test.dtd")).has_value());
}

TEST(HttpFetch, OtherSchemesAndBadAddressesFetchNothing) {
  TestSupport::THttpTestServer server;
  const std::wstring port = std::to_wstring(server.Port());
  for (const std::wstring& url : std::vector<std::wstring>{
           L"https://127.0.0.1:" + port + L"/test.dtd", L"ftp://127.0.0.1:" + port + L"/test.dtd",
           L"file:///C:/windows/win.ini", L"127.0.0.1:" + port + L"/test.dtd", L"http://",
           L"http://127.0.0.1:" + port + L"/test.dtd\r\nX-Injected: 1", L""})
    EXPECT_FALSE(Fetch(url).has_value()) << std::string(url.begin(), url.end());
  EXPECT_EQ(server.Requests("/test.dtd"), 0);

  // A port where nobody listens: the listener of a server that has gone.
  std::wstring closed;
  {
    TestSupport::THttpTestServer gone;
    closed = gone.Url(L"/test.dtd");
  }
  EXPECT_FALSE(Fetch(closed).has_value());
  EXPECT_TRUE(IsHttpAddress(L"hTTp://x"));
  EXPECT_FALSE(IsHttpAddress(L"https://x"));
}

TEST(LocalFile, ReadsAFileByPathOrFileUrlWithinTheLimit) {
  TestSupport::TTempDir dir;
  TestSupport::WriteFile(dir / L"a b.dtd", "<!ENTITY a \"b\">");
  TestSupport::WriteFile(dir / L"\u00e9t\u00e9.dtd", "summer");

  auto local = ReadLocalFile(dir / L"a b.dtd", 100);
  ASSERT_EQ(local.Result, lrRead);
  EXPECT_EQ(Text(local.Data), "<!ENTITY a \"b\">");
  EXPECT_EQ(local.Path, dir / L"a b.dtd");

  // file: URLs, with slashes and %XX (UTF-8) for the path.
  std::wstring url = dir.Path();
  for (wchar_t& c : url)
    if (c == L'\\') c = L'/';
  EXPECT_EQ(ReadLocalFile(L"file:///" + url + L"/a%20b.dtd", 100).Result, lrRead);
  EXPECT_EQ(ReadLocalFile(L"FILE://localhost/" + url + L"/a b.dtd", 100).Result, lrRead);
  EXPECT_EQ(ReadLocalFile(L"file:/" + url + L"/a%20b.dtd", 100).Result, lrRead);
  const auto summer = ReadLocalFile(L"file:///" + url + L"/%C3%A9t%C3%A9.dtd", 100);
  EXPECT_EQ(summer.Result, lrRead);
  EXPECT_EQ(Text(summer.Data), "summer");
  EXPECT_EQ(ReadLocalFile(L"file:///" + url + L"/%C3t%C3%A9.dtd", 100).Result, lrNotLocal);  // not UTF-8
  EXPECT_EQ(ReadLocalFile(L"file:///" + url + L"/a%2", 100).Result, lrNotLocal);

  // The limit, and what isn't there.
  EXPECT_EQ(ReadLocalFile(dir / L"a b.dtd", 15).Result, lrRead);
  EXPECT_EQ(ReadLocalFile(dir / L"a b.dtd", 14).Result, lrTooLarge);
  EXPECT_EQ(ReadLocalFile(dir / L"none.dtd", 100).Result, lrMissing);
  EXPECT_EQ(ReadLocalFile(dir / L"no folder\\none.dtd", 100).Result, lrMissing);
  EXPECT_EQ(ReadLocalFile(dir.Path(), 100).Result, lrUnreadable);
  TestSupport::WriteFile(dir / L"empty.dtd");
  const auto empty = ReadLocalFile(dir / L"empty.dtd", 0);
  EXPECT_EQ(empty.Result, lrRead);
  EXPECT_TRUE(empty.Data.empty());
}

TEST(LocalFile, NeverASharedFolderADeviceOrAnotherScheme) {
  TestSupport::TTempDir dir;
  TestSupport::WriteFile(dir / L"x.dtd", "x");
  for (const std::wstring& name : std::vector<std::wstring>{std::wstring(L"\\\\server\\share\\x.dtd"), std::wstring(L"//server/share/x.dtd"),
        std::wstring(L"\\/server\\share\\x.dtd"), std::wstring(L"\\\\?\\") + (dir / L"x.dtd"),
        std::wstring(L"\\\\.\\pipe\\x"), std::wstring(L"\\\\127.0.0.1\\c$\\windows\\win.ini"),
        std::wstring(L"file://server/share/x.dtd"), std::wstring(L"file:////server/share/x.dtd"),
        std::wstring(L"file:%5C%5Cserver%5Cshare%5Cx.dtd"), std::wstring(L"http://127.0.0.1/x.dtd"),
        std::wstring(L"https://example.invalid/x.dtd"), std::wstring(L"ftp://example.invalid/x.dtd"),
        std::wstring(L"jar:file:///C:/x.jar!/x.dtd"), std::wstring(L"urn:x:y"), std::wstring(L"CON"),
        std::wstring(L"nul.dtd"), std::wstring(L"C:\\dir\\aux.txt"), dir / L"com1.dtd", dir / L"LPT9",
        dir / L"conin$", dir / L"NUL\\x.dtd", dir / L"x.dtd:stream", std::wstring(L"C:\\dir\\COM1:"),
        std::wstring(L""), std::wstring(L"a\0b", 3)}) {
    const auto local = ReadLocalFile(name, 1000);
    EXPECT_EQ(local.Result, lrNotLocal) << std::string(name.begin(), name.end());
    EXPECT_TRUE(local.Data.empty());
  }
  // A drive-relative or rooted name is resolved on a drive.
  EXPECT_TRUE(LocalFilePath(L"\\windows\\win.ini").has_value());
  EXPECT_TRUE(LocalFilePath(L"relative.dtd").has_value());
  EXPECT_EQ(LocalFilePath(L"file:///c|/dir/x.dtd"), std::optional<std::wstring>(L"c:\\dir\\x.dtd"));
  EXPECT_EQ(LocalFilePath(L"file:///C:/dir/x%23.dtd#frag"), std::optional<std::wstring>(L"C:\\dir\\x#.dtd"));
  // Wine's full path of a name with a run of dots counts one character too
  // many; the path ends at its NUL all the same.
  const auto dots = LocalFilePath(L"/q....//CON%2F");
  ASSERT_TRUE(dots.has_value());
  EXPECT_EQ(dots->find(L'\0'), std::wstring::npos);
  EXPECT_EQ(dots->substr(dots->size() - 7), L"\\CON%2F");
}
