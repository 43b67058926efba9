// Conversion between UTF-16 and bytes in a Windows code page (the platform's
// MultiByteToWideChar and WideCharToMultiByte); UTF-8 is code page 65001.
//
// - Empty input gives empty output without asking the platform.
// - Input of more than 2147483647 bytes or code units (the platform counts
//   in int) raises EConvertError "Text too long to convert" before anything
//   is read; a result too long for the platform to count is a failure of
//   the platform (the last point).
// - Input that has no exact counterpart follows `invalid`:
//   icReplace (the default) converts as the platform does by default:
//   invalid bytes become U+FFFD (UTF-8) or the code page's default
//   character, characters that the code page lacks become its best fit or
//   default character, a lone surrogate becomes U+FFFD in UTF-8. It never
//   raises for the content of the input.
//   icRaise raises EConvertError instead: "Invalid text for code page %d"
//   for bytes that the platform rejects as invalid (MB_ERR_INVALID_CHARS),
//   and "Text not representable in code page %d" for text whose bytes don't
//   read back as the same text (a best fit, a default character, a lone
//   surrogate).
// - Any other failure of the platform, such as a code page that it doesn't
//   know or one that can't check its bytes (icRaise with UTF-7, ISO-2022
//   and a few others), raises EConvertError "Conversion in code page %d
//   failed (error %d)" with the platform's error code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Rtl {

// The system's ANSI code page (CP_ACP) and UTF-8 (CP_UTF8).
inline constexpr unsigned CODE_PAGE_ANSI_C = 0;
inline constexpr unsigned CODE_PAGE_UTF8_C = 65001;

// What a conversion does with input that has no exact counterpart.
enum TInvalidChars : std::uint8_t { icReplace = 0, icRaise = 1 };

// The UTF-16 text of `bytes` read in `codePage`.
std::wstring CodePageToWide(std::string_view bytes, unsigned codePage, TInvalidChars invalid = icReplace);
// The bytes of `text` in `codePage`.
std::string WideToCodePage(std::wstring_view text, unsigned codePage, TInvalidChars invalid = icReplace);
// The UTF-8 of `text` appended to `out`, without the platform (for large
// blocks of output); false, with `out` as it was, when the text holds a
// lone surrogate, which only WideToCodePage writes as the platform does.
bool AppendUtf8(std::string& out, std::wstring_view text);
// The UTF-8 of `text` written to `out`, which has room for three bytes per
// unit; the count of bytes written, or UTF8_LONE_SURROGATE_C (nothing
// usable written) when the text holds a lone surrogate.
constexpr std::size_t UTF8_LONE_SURROGATE_C = static_cast<std::size_t>(-1);
std::size_t EncodeUtf8(char* out, std::wstring_view text);

}  // namespace Rtl
