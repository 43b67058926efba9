#include "runtime/Core/Threads.h"

#include <chrono>
#include <thread>

#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Memory.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Strings.h"
#include "runtime/System/Win32.h"

namespace Rtl {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

void TLock::lock() noexcept { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&FHandle)); }

void TLock::unlock() noexcept { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&FHandle)); }

void TCondition::WaitOnce(TLock& lock, std::uint32_t milliseconds) noexcept {
  SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&FHandle), reinterpret_cast<PSRWLOCK>(&lock.FHandle),
                            milliseconds == UINT32_MAX ? INFINITE : milliseconds, 0);
}

void TCondition::NotifyAll() noexcept { WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&FHandle)); }

TThread::~TThread() {
  // A derived class joins in its own destructor while its members live;
  // this is the last resort for one that didn't.
  Wake();
  if (FThread.joinable()) FThread.join();
}

void TThread::Start() {
  if (FThread.joinable()) throw Exception(LoadResString(SThreadStarted));
  FThread = std::thread([this] {
    try {
      Execute();
    } catch (...) {
      FFatalException = std::current_exception();
    }
  });
}

void TThread::Join() {
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TThread::Wake() {
  {
    const std::lock_guard lock(FLock);
    FWoken = true;
  }
  FWakeUp.NotifyAll();
}

bool TThread::Woken() const {
  const std::lock_guard lock(FLock);
  return FWoken;
}

bool TThread::Sleep(std::uint32_t milliseconds) {
  std::unique_lock lock(FLock);
  return FWakeUp.WaitFor(lock, milliseconds, [this] { return FWoken; });
}

namespace {

// A job that ends within this long is waited for without sleeping, and the
// spare thread looks this long for the next job before it sleeps: under
// Wine a sleep and the wake-up after it each cost a round trip to the
// server, more than a small job takes.
constexpr auto SPARE_SPIN_C = std::chrono::microseconds(50);

// Until `busy` reads `value` or the spin time is over.
void SpinWhile(const std::atomic<bool>& busy, bool value) {
  const auto until = std::chrono::steady_clock::now() + SPARE_SPIN_C;
  while (busy.load(std::memory_order_acquire) == value && std::chrono::steady_clock::now() < until)
    std::this_thread::yield();
}

}  // namespace

TSpareThread::~TSpareThread() {
  {
    const std::lock_guard lock(FLock);
    FEnding = true;
  }
  FChanged.NotifyAll();
  if (FThread.joinable()) FThread.join();
}

bool TSpareThread::TryRun(std::function<void()> job) {
  {
    const std::lock_guard lock(FLock);
    if (FTaken || FEnding) return false;
    FTaken = true;
    FRunning.store(true, std::memory_order_release);
    FFault = nullptr;
    FJob = std::move(job);
    // The thread waits for the lock before it looks at the job.
    if (!FThread.joinable()) {
      try {
        FThread = std::thread([this] { Loop(); });
      } catch (...) {
        FTaken = false;
        FRunning.store(false, std::memory_order_release);
        FJob = nullptr;
        return false;
      }
    }
  }
  FChanged.NotifyAll();
  return true;
}

void TSpareThread::Wait() {
  SpinWhile(FRunning, true);
  std::exception_ptr fault;
  {
    std::unique_lock lock(FLock);
    FChanged.Wait(lock, [this] { return !FRunning; });
    FTaken = false;
    fault = std::move(FFault);
    FFault = nullptr;
  }
  if (fault) std::rethrow_exception(fault);
}

void TSpareThread::Loop() {
  // The thread's blocks come from a heap of its own when it is the first to
  // ask (its jobs make many: a part of a document read beside another).
  struct THeap {
    bool Own = Rtl::Memory::ClaimHeap();
    ~THeap() {
      if (Own) Rtl::Memory::ReleaseHeap();
    }
  } heap;
  std::unique_lock lock(FLock);
  for (;;) {
    if (!FRunning && !FEnding) {
      // The next job may come at once (a caller writing document after
      // document): looked for a while before the thread sleeps.
      lock.unlock();
      SpinWhile(FRunning, false);
      lock.lock();
    }
    FChanged.Wait(lock, [this] { return FRunning || FEnding; });
    if (!FRunning) return;  // ending, with no job left
    std::function<void()> job = std::move(FJob);
    FJob = nullptr;
    lock.unlock();
    std::exception_ptr fault;
    try {
      job();
    } catch (...) {
      fault = std::current_exception();
    }
    job = nullptr;  // what the job holds is freed before the caller goes on
    lock.lock();
    FFault = std::move(fault);
    FRunning.store(false, std::memory_order_release);
    FChanged.NotifyAll();
  }
}

}  // namespace Rtl
