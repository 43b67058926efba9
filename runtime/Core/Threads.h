// Threads: a thread that runs one function, with a sleep that another
// thread can cut short (Wake) and a join.
#pragma once

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

}  // namespace Rtl
