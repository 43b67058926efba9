#include "runtime/Core/Modules.h"

#include <algorithm>
#include <mutex>

#include "runtime/IO/Files.h"

namespace Rtl {

namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

// The list, head first; the executable is put in at the first use.
std::vector<TModuleEntry>& List() {
  static std::vector<TModuleEntry> list{{MainInstance(), MainInstance()}};
  return list;
}

std::vector<TModuleEntry>::iterator Find(std::vector<TModuleEntry>& list, HINST instance) {
  return std::find_if(list.begin(), list.end(), [instance](const TModuleEntry& e) { return e.Instance == instance; });
}

}  // namespace

void RegisterModule(HINST instance) {
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TModuleEntry>& list = List();
  TModuleEntry entry{instance, instance};
  const auto it = Find(list, instance);
  if (it != list.end()) {
    entry = *it;
    list.erase(it);
  }
  list.insert(list.begin(), entry);
}

void UnregisterModule(HINST instance) {
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TModuleEntry>& list = List();
  const auto it = Find(list, instance);
  if (it != list.end()) list.erase(it);
}

std::vector<TModuleEntry> Modules() {
  const std::lock_guard<std::mutex> guard(Lock());
  return List();
}

HINST FindResourceHInstance(HINST instance) {
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TModuleEntry>& list = List();
  const auto it = Find(list, instance);
  return it != list.end() && it->ResourceHandle != 0 ? it->ResourceHandle : instance;
}

bool SetResourceHInstance(HINST instance, HINST resourceHandle) {
  const std::lock_guard<std::mutex> guard(Lock());
  std::vector<TModuleEntry>& list = List();
  const auto it = Find(list, instance);
  if (it == list.end()) return false;
  it->ResourceHandle = resourceHandle != 0 ? resourceHandle : instance;
  return true;
}

}  // namespace Rtl
