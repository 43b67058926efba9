// The unit's flusher: a thread that writes a file's data to disk while the
// writer of that file goes on making more, so that the flush that must
// come before the file takes its target's place waits only for the rest.
// Private to QdClasses (TFileReplacement).
#pragma once

#include <thread>

#include "runtime/Core/Threads.h"

namespace Qd {

class TFileFlusher {
public:
  TFileFlusher() = default;
  ~TFileFlusher();
  TFileFlusher(const TFileFlusher&) = delete;
  TFileFlusher& operator=(const TFileFlusher&) = delete;

  // Asks for a flush of what is written to the open file `handle` so far.
  // The thread is made by the first request; a request for another file
  // while one is waiting, or a thread that can't be made, leaves the work
  // to the final flush.
  void Request(void* handle) noexcept;
  // Drops the request for `handle` and waits until no flush of it runs: the
  // handle may then be closed.
  void Forget(void* handle) noexcept;

private:
  void Loop();

  Rtl::TLock FLock;
  Rtl::TCondition FChanged;
  void* FWaiting = nullptr;
  void* FRunning = nullptr;
  bool FEnding = false;
  std::thread FThread;
};

// The flusher of the started unit; null before start-up and after shutdown.
TFileFlusher* FileFlusher();

}  // namespace Qd
