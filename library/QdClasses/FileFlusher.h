// The unit's flusher: a thread that writes a file's data to disk while the
// writer of that file goes on making more, so that the flush that must
// come before the file takes its target's place waits only for the rest;
// and that removes the old content a replacement kept a name of, so that
// freeing its blocks is not the rename's work.
// Private to QdClasses (TFileReplacement); tests wait for it with Settle.
#pragma once

#include <deque>
#include <string>
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
  // Removes the file `fileName` on the thread (after any flush asked for);
  // false, with nothing queued, when the caller must remove it itself (no
  // thread, shutdown, or too many removals waiting).
  bool RemoveLater(const std::wstring& fileName) noexcept;
  // Returns once every removal queued so far is done.
  void Settle() noexcept;

private:
  // Under FLock: the thread, made if need be; false when it can't be.
  bool Started() noexcept;
  void Loop();

  Rtl::TLock FLock;
  Rtl::TCondition FChanged;
  void* FWaiting = nullptr;
  void* FRunning = nullptr;
  std::deque<std::wstring> FRemovals;
  bool FRemoving = false;
  bool FEnding = false;
  std::thread FThread;
};

// The flusher of the started unit; null before start-up and after shutdown.
TFileFlusher* FileFlusher();

}  // namespace Qd
