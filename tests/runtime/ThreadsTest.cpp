// TThread: a sleep that Wake cuts short, join, and what Execute lets out;
// TSpareThread: jobs handed over one at a time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
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

// The spare thread: one thread for every job, never the caller's; a second
// job refused until the first was waited for; the job's exception passed
// to Wait; the object's end waits for a job still running.
TEST(Threads, TheSpareThreadRunsOneJobAtATimeOnOneThread) {
  std::thread::id first;
  std::thread::id second;
  {
    Rtl::TSpareThread spare;
    std::atomic<bool> release{false};
    ASSERT_TRUE(spare.TryRun([&] {
      first = std::this_thread::get_id();
      while (!release) std::this_thread::yield();
    }));
    EXPECT_FALSE(spare.TryRun([] {}));
    release = true;
    spare.Wait();
    ASSERT_TRUE(spare.TryRun([&] {
      second = std::this_thread::get_id();
      throw std::runtime_error("job failed");
    }));
    EXPECT_THROW(spare.Wait(), std::runtime_error);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, std::this_thread::get_id());

    std::atomic<bool> ended{false};
    ASSERT_TRUE(spare.TryRun([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ended = true;
    }));
    spare.Wait();
    EXPECT_TRUE(ended);
  }
  std::atomic<bool> ended{false};
  {
    Rtl::TSpareThread spare;
    ASSERT_TRUE(spare.TryRun([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ended = true;
    }));
  }
  EXPECT_TRUE(ended);
}
