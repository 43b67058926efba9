// QdString: the library's own converter of code page 54936 (GB18030), for
// systems that lack it. Its tables come from a GB18030 character map at
// build time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "QdString/Converters.h"

namespace Qd {

class TGb18030Converter : public TCodePageConverter {
  RTL_CLASS(TGb18030Converter, TCodePageConverter)
public:
  static constexpr std::int32_t CODE_PAGE_C = 54936;

  // Reads one byte for ASCII, two-byte and four-byte sequences; a byte
  // that starts no valid sequence, or a sequence cut short by the end,
  // gives U+FFFD and reading goes on at the next byte. Never reads past
  // `str`. Ok is true.
  std::wstring AnsiToWide(const Rtl::RawByteString& str, std::int32_t codePage) override;
  // A lone surrogate, or a character the map lacks, becomes '?'. Ok is
  // true.
  Rtl::RawByteString WideToAnsi(const std::wstring& str, std::int32_t codePage) override;
  // 0: GB18030 isn't told from its bytes.
  std::int32_t DetectCodePage(const Rtl::TBytes& str, bool isHtml) override;
  // Reports 54936.
  void GetCodePages(const TCodePageEvent& callback) override;

  static std::wstring Decode(std::string_view bytes);
  static std::string Encode(std::wstring_view text);
  // Whether the character of the plane has bytes of its own (U+0000 has);
  // false for a surrogate code unit.
  static bool CanEncode(wchar_t c);
};

}  // namespace Qd
