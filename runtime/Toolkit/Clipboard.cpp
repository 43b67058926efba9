#include "runtime/Toolkit/Clipboard.h"

#include <cstring>

#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"

namespace Rtl {

namespace {

// The clipboard, open while the object lives. Another program may hold it
// for a moment: a few tries before giving up. A window of its own owns
// what is put on it (the system refuses data from a clipboard opened
// without an owner).
class TOpenClipboard {
public:
  TOpenClipboard() {
    FOwner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                             nullptr);
    if (FOwner == nullptr) RaiseLastOSError();
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (OpenClipboard(FOwner)) return;
      Sleep(10);
    }
    const DWORD error = GetLastError();
    DestroyWindow(FOwner);
    RaiseLastOSError(error);
  }
  ~TOpenClipboard() {
    CloseClipboard();
    DestroyWindow(FOwner);
  }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;

private:
  HWND FOwner;
};

// Global memory until the clipboard takes it over.
class TGlobalMemory {
public:
  explicit TGlobalMemory(std::size_t size) : FMemory(GlobalAlloc(GMEM_MOVEABLE, size)) {
    if (FMemory == nullptr) RaiseLastOSError();
  }
  ~TGlobalMemory() {
    if (FMemory != nullptr) GlobalFree(FMemory);
  }
  TGlobalMemory(const TGlobalMemory&) = delete;
  TGlobalMemory& operator=(const TGlobalMemory&) = delete;
  HGLOBAL Get() const { return FMemory; }
  HGLOBAL Release() {
    HGLOBAL memory = FMemory;
    FMemory = nullptr;
    return memory;
  }

private:
  HGLOBAL FMemory;
};

}  // namespace

std::wstring TClipboard::AsText() {
  TOpenClipboard clipboard;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (data == nullptr) return L"";
  const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
  if (text == nullptr) return L"";
  // Up to the terminator, and never past the block.
  const std::size_t capacity = GlobalSize(data) / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < capacity && text[length] != L'\0') ++length;
  std::wstring result(text, length);
  GlobalUnlock(data);
  return result;
}

void TClipboard::SetAsText(const std::wstring& text) {
  const std::size_t size = (text.size() + 1) * sizeof(wchar_t);
  TGlobalMemory memory(size);
  void* target = GlobalLock(memory.Get());
  if (target == nullptr) RaiseLastOSError();
  std::memcpy(target, text.c_str(), size);
  GlobalUnlock(memory.Get());
  TOpenClipboard clipboard;
  if (!EmptyClipboard()) RaiseLastOSError();
  if (SetClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr) RaiseLastOSError();
  memory.Release();  // the system's now
}

}  // namespace Rtl
