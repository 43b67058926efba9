// Threads: a thread that runs one function, with a sleep that another
// thread can cut short (Wake) and a join; a spare thread kept for jobs that
// a caller hands over while it does its own part of the work.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace Rtl {

// A lock and a condition of the system's own (slim reader/writer lock,
// condition variable). Under Wine these wait and wake without a round trip
// to the server; the C++ library's mutex and condition variable of this
// tool chain take one for each wait and each wake (a handover between two
// threads measured 270 us against 37 us). TLock meets the C++ lock
// requirements (std::lock_guard, std::unique_lock).
class TLock {
public:
  TLock() = default;
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;
  void lock() noexcept;
  void unlock() noexcept;

private:
  friend class TCondition;
  void* FHandle = nullptr;  // SRWLOCK: one pointer, all zero when free
};

class TCondition {
public:
  TCondition() = default;
  TCondition(const TCondition&) = delete;
  TCondition& operator=(const TCondition&) = delete;
  // Waits, the lock given up meanwhile, until `ready()` holds.
  template <class TPredicate>
  void Wait(std::unique_lock<TLock>& lock, TPredicate ready) {
    while (!ready()) WaitOnce(*lock.mutex(), UINT32_MAX);
  }
  // The same for at most `milliseconds`; whether `ready()` holds.
  template <class TPredicate>
  bool WaitFor(std::unique_lock<TLock>& lock, std::uint32_t milliseconds, TPredicate ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!ready()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (left.count() <= 0) return ready();
      WaitOnce(*lock.mutex(), static_cast<std::uint32_t>(left.count()));
    }
    return true;
  }
  void NotifyAll() noexcept;

private:
  void WaitOnce(TLock& lock, std::uint32_t milliseconds) noexcept;
  void* FHandle = nullptr;  // CONDITION_VARIABLE: one pointer, all zero at rest
};

class TThread {
public:
  TThread() = default;
  // Wakes the thread and waits for it. A derived class whose Execute uses
  // its own members wakes and joins in its own destructor.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Runs Execute on a new thread. Raises Rtl::Exception "The thread has
  // been started already" for a second call.
  void Start();
  // Waits until the thread has ended (at once when it never started or was
  // joined); an exception that Execute let out is kept in FatalException.
  void Join();
  // Ends a Sleep of the thread at once, and makes every later Sleep return
  // at once.
  void Wake();

  bool Started() const { return FThread.joinable(); }
  bool Woken() const;
  std::exception_ptr FatalException() const { return FFatalException; }

protected:
  // The thread's work.
  virtual void Execute() = 0;
  // Waits `milliseconds` or until Wake; true when woken.
  bool Sleep(std::uint32_t milliseconds);

private:
  std::thread FThread;
  mutable TLock FLock;
  TCondition FWakeUp;
  bool FWoken = false;
  std::exception_ptr FFatalException;
};

// A thread kept for jobs that a caller hands over while it does its own
// part of the work (the XML writer's later half of a large document): made
// by the first job and kept, so that later jobs start without the cost of a
// new thread; it ends with the object, after its job. One job at a time:
// while one is handed over and not yet waited for, TryRun refuses others.
class TSpareThread {
public:
  TSpareThread() = default;
  ~TSpareThread();
  TSpareThread(const TSpareThread&) = delete;
  TSpareThread& operator=(const TSpareThread&) = delete;

  // Starts `job` on the thread; false, with nothing started, when the
  // thread is taken by a job not yet waited for.
  bool TryRun(std::function<void()> job);
  // Waits until the job that TryRun started has ended, and frees the thread
  // for the next; the exception that the job let out passes on. The caller
  // whose TryRun succeeded waits exactly once.
  void Wait();

private:
  void Loop();

  TLock FLock;
  TCondition FChanged;
  std::function<void()> FJob;
  bool FTaken = false;
  // A job handed over has not ended: set and cleared under the lock, read
  // without it by a wait that doesn't sleep.
  std::atomic<bool> FRunning{false};
  bool FEnding = false;
  std::exception_ptr FFault;
  std::thread FThread;
};

}  // namespace Rtl
