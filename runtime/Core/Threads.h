// Threads: a thread that runs one function, with a sleep that another
// thread can cut short (Wake) and a join; a spare thread kept for jobs that
// a caller hands over while it does its own part of the work.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace Rtl {

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
  mutable std::mutex FLock;
  std::condition_variable FWakeUp;
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

  std::mutex FLock;
  std::condition_variable FChanged;
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
