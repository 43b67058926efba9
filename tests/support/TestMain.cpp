// The main of every test executable: the library units start before the
// first test and shut down after the last, as in the program.
#include <gtest/gtest.h>

#include "QdStartup.h"

namespace {

class TUnitsEnvironment : public ::testing::Environment {
public:
  void SetUp() override { Qd::StartUp(); }
  void TearDown() override { Qd::ShutDown(); }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new TUnitsEnvironment);  // gtest owns it
  return RUN_ALL_TESTS();
}
