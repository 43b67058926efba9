#include "runtime/Core/Threads.h"

#include <chrono>

#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Strings.h"

namespace Rtl {

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
  FWakeUp.notify_all();
}

bool TThread::Woken() const {
  const std::lock_guard lock(FLock);
  return FWoken;
}

bool TThread::Sleep(std::uint32_t milliseconds) {
  std::unique_lock lock(FLock);
  return FWakeUp.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return FWoken; });
}

}  // namespace Rtl
