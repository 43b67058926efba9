#include "runtime/Core/ResStrings.h"

#include "runtime/Core/Modules.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Win32.h"

namespace Rtl {

namespace {

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
  std::wstring text;
  const HINST module = rec.Module();
  const HINST resources = FindResourceHInstance(module);
  if (resources != module && LoadFrom(resources, rec.Identifier, text)) return text;
  if (LoadFrom(module, rec.Identifier, text)) return text;
  return Utf8Decode(rec.Text);
}

void ClearResStringCache() {}

}  // namespace Rtl
