// The running module's full path. (A path longer than MAX_PATH can't be
// tried under Wine: it starts no program from there, measured with and
// without the "\\?\" prefix.)
#include <gtest/gtest.h>

#include "QdBase.h"
#include "runtime/IO/Files.h"

namespace {

TEST(RunningFileNameTest, NamesThisProgram) {
  const std::wstring name = Qd::TQdBase::GetRunningFileName();
  EXPECT_TRUE(Rtl::SameFileName(Rtl::GetModuleFileName(), name));
  EXPECT_TRUE(Rtl::SameFileName(L"test_qdbase.exe", Rtl::ExtractFileName(name)));
}

}  // namespace
