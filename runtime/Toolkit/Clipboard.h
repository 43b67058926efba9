// The system's clipboard as text.
#pragma once

#include <string>

namespace Rtl {

class TClipboard {
public:
  TClipboard() = delete;
  // The clipboard's text; "" when it holds none. Raises EOSError when the
  // clipboard stays taken by another program.
  static std::wstring AsText();
  // Puts `text` on the clipboard in place of what it held.
  static void SetAsText(const std::wstring& text);
};

}  // namespace Rtl
