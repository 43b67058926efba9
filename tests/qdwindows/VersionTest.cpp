// The Windows version that QdWindows reads at start-up, and the Vista locale
// functions it binds: a probe program with the program's supported-OS
// manifest runs under each Windows version Wine can pretend to be (the
// per-program "Version" of Wine's AppDefaults), and reports what it saw.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "QdWindows.h"
#include "TestSupport.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Utf8.h"

namespace {

using TestSupport::TTempDir;
using TestSupport::TTestKey;

// Runs the probe with Wine's version for it set to `version`; its report.
std::string ProbeUnder(const std::wstring& version, const std::wstring& mode = L"") {
  const TTestKey key(TestSupport::OwnView(), L"Software\\Wine\\AppDefaults\\qdwindows_probe.exe",
                     Qd::HKEY_CURRENT_USER);
  key.WriteString(L"Version", version);
  TTempDir output{L"qdwinver"};
  const std::wstring probe = Rtl::ExtractFilePath(Rtl::GetModuleFileName()) + L"qdwindows_probe.exe";
  const std::wstring report = output / L"report.txt";
  const int code = TestSupport::RunProcess(L"\"" + probe + L"\" \"" + report + L"\" " + mode);
  key.DeleteTree();
  if (code != 0) return "exit code " + std::to_string(code);
  std::ifstream file(TestSupport::Narrow(report), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(WindowsVersionTest, VersionsAndBoundFunctionsUnderEachWineVersion_Wine) {
  EXPECT_EQ("5.2 nt=1 vista=0 7=0 8=0 10=0 bound=-", ProbeUnder(L"winxp64"));
  EXPECT_EQ("6.0 nt=1 vista=1 7=0 8=0 10=0 bound=ENG", ProbeUnder(L"vista"));
  EXPECT_EQ("6.1 nt=1 vista=1 7=1 8=0 10=0 bound=ENG", ProbeUnder(L"win7"));
  EXPECT_EQ("6.2 nt=1 vista=1 7=1 8=1 10=0 bound=ENG", ProbeUnder(L"win8"));
  // 10.0 is reported only to a program whose manifest declares Windows 10.
  EXPECT_EQ("10.0 nt=1 vista=1 7=1 8=1 10=1 bound=ENG", ProbeUnder(L"win10"));
}

// The test program itself (no manifest) sees Wine's default, Windows 7.
TEST(WindowsVersionTest, DefaultVersionIsWindows7_Wine) {
  const Qd::TOsVersionInfo& v = Qd::TQdWindows::GetVersionInfo();
  EXPECT_EQ(276u, v.Size);
  EXPECT_EQ(6u, v.MajorVersion);
  EXPECT_EQ(1u, v.MinorVersion);
  EXPECT_TRUE(Qd::TQdWindows::IsNt());
  EXPECT_TRUE(Qd::TQdWindows::IsVista());
  EXPECT_TRUE(Qd::TQdWindows::Is7());
  EXPECT_FALSE(Qd::TQdWindows::Is8());
  EXPECT_FALSE(Qd::TQdWindows::Is10());
}

}  // namespace

namespace {

// Before Windows 7 the display names are composed from the language and the
// country, and the Spanish sort orders are named after the country: in
// Spanish for the native name, by the translatable strings 65067 and 65068
// otherwise. From Windows 7 on the platform's display names answer.
TEST(WindowsVersionTest, SpanishSortsInLegacyDisplayNames_Wine) {
  // Native, English and system names of 040A, then of 0C0A.
  EXPECT_EQ(ProbeUnder(L"vista", L"names"),
            "espa\xC3\xB1ol (Espa\xC3\xB1" "a, Alfabetizaci\xC3\xB3n tradicional)|"
            "Spanish (Spain, traditional sort)|Spanish (Spain)|"
            "espa\xC3\xB1ol (Espa\xC3\xB1" "a, Alfabetizaci\xC3\xB3n internacional)|"
            "Spanish (Spain, international sort)|Spanish (Spain)");
  EXPECT_EQ(ProbeUnder(L"win7", L"names"),
            "espa\xC3\xB1ol (Espa\xC3\xB1" "a)|Spanish (Spain)|Spanish (Spain)|"
            "espa\xC3\xB1ol (Espa\xC3\xB1" "a)|Spanish (Spain)|Spanish (Spain)");
}

}  // namespace
