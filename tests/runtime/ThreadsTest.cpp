// TThread: a sleep that Wake cuts short, join, and what Execute lets out.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Threads.h"

namespace {

class TSleeper : public Rtl::TThread {
public:
  explicit TSleeper(std::uint32_t milliseconds, bool fail = false) : FMilliseconds(milliseconds), FFail(fail) {}
  ~TSleeper() override {
    Wake();
    Join();
  }
  std::atomic<int> Result{-1};

protected:
  void Execute() override {
    Result = Sleep(FMilliseconds) ? 1 : 0;
    if (FFail) throw std::runtime_error("failed");
  }

private:
  std::uint32_t FMilliseconds;
  bool FFail;
};

}  // namespace

TEST(Threads, WakeEndsALongSleepAndJoinWaitsForTheThread) {
  TSleeper thread(3600 * 1000);
  EXPECT_FALSE(thread.Started());
  thread.Start();
  EXPECT_TRUE(thread.Started());
  EXPECT_THROW(thread.Start(), Rtl::Exception);
  thread.Wake();
  thread.Join();
  EXPECT_EQ(thread.Result, 1);
  EXPECT_TRUE(thread.Woken());
  EXPECT_EQ(thread.FatalException(), nullptr);
}

TEST(Threads, AShortSleepEndsByItselfAndAnEscapedExceptionIsKept) {
  TSleeper thread(1, true);
  thread.Start();
  thread.Join();
  EXPECT_EQ(thread.Result, 0);
  EXPECT_NE(thread.FatalException(), nullptr);
  // Joining again, or a thread never started, returns at once.
  thread.Join();
  TSleeper idle(1);
  idle.Join();
}
