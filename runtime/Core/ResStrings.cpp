#include "runtime/Core/ResStrings.h"

#include <map>
#include <mutex>
#include <utility>

#include "runtime/Core/Modules.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Win32.h"

namespace Rtl {

namespace {

// Loaded texts by module and number. The cache keeps copies: a resource
// module may be freed while its texts are still in use.
struct TResStringCache {
  std::mutex Lock;
  std::map<std::pair<HINST, std::uint16_t>, std::wstring> Texts;
};

TResStringCache& Cache() {
  static TResStringCache cache;
  return cache;
}

// The string of that number in a module's string table, or false.
bool LoadFrom(HINST module, std::uint16_t identifier, std::wstring& text) {
  if (module == 0) return false;
  const wchar_t* data = nullptr;
  // A length of 0 asks for a read-only pointer to the text itself.
  const int length = LoadStringW(reinterpret_cast<HINSTANCE>(module), identifier,
                                 reinterpret_cast<LPWSTR>(&data), 0);
  if (length <= 0 || data == nullptr) return false;
  text.assign(data, static_cast<std::size_t>(length));
  return true;
}

}  // namespace

std::wstring LoadResString(const TResStringRec& rec) {
  const HINST module = rec.Module();
  const std::pair<HINST, std::uint16_t> key{module, rec.Identifier};
  TResStringCache& cache = Cache();
  {
    const std::lock_guard<std::mutex> guard(cache.Lock);
    const auto it = cache.Texts.find(key);
    if (it != cache.Texts.end()) return it->second;
  }
  // Loaded outside the lock: two threads may load the same text at once,
  // and both find the same.
  std::wstring text;
  const HINST resources = FindResourceHInstance(module);
  if (!(resources != module && LoadFrom(resources, rec.Identifier, text)) &&
      !LoadFrom(module, rec.Identifier, text))
    text = Utf8Decode(rec.Text);
  const std::lock_guard<std::mutex> guard(cache.Lock);
  cache.Texts.insert_or_assign(key, text);
  return text;
}

void ClearResStringCache() {
  TResStringCache& cache = Cache();
  const std::lock_guard<std::mutex> guard(cache.Lock);
  cache.Texts.clear();
}

}  // namespace Rtl
