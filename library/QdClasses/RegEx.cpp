#include "QdClasses/RegEx.h"

#include <memory>

#include <pcre2.h>

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"
#include "QdClasses/Strings.h"

static_assert(sizeof(wchar_t) == sizeof(PCRE2_UCHAR16), "UTF-16 strings are matched in place");

namespace Qd {

namespace {

struct TCodeFree {
  void operator()(pcre2_code_16* code) const { pcre2_code_free_16(code); }
};
struct TMatchDataFree {
  void operator()(pcre2_match_data_16* data) const { pcre2_match_data_free_16(data); }
};

PCRE2_SPTR16 Units(const std::wstring& text) { return reinterpret_cast<PCRE2_SPTR16>(text.data()); }

std::wstring ErrorText(int errorCode) {
  PCRE2_UCHAR16 buffer[256];
  const int length = pcre2_get_error_message_16(errorCode, buffer, sizeof buffer / sizeof buffer[0]);
  if (length < 0) return Rtl::Format(L"error %d", {errorCode});
  return std::wstring(reinterpret_cast<const wchar_t*>(buffer), static_cast<std::size_t>(length));
}

// Patterns are UTF-16 (a pattern with an unpaired surrogate is malformed);
// the text is matched as UTF-16 in which invalid code units never match.
std::unique_ptr<pcre2_code_16, TCodeFree> Compile(const std::wstring& pattern) {
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code_16* code = pcre2_compile_16(Units(pattern), pattern.size(), PCRE2_UTF | PCRE2_MATCH_INVALID_UTF,
                                         &errorCode, &errorOffset, nullptr);
  if (code == nullptr)
    throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SInvalidRegEx),
                                      {static_cast<unsigned>(errorOffset) + 1, ErrorText(errorCode)}));
  return std::unique_ptr<pcre2_code_16, TCodeFree>(code);
}

}  // namespace

bool TQdRegEx::Match(const std::wstring& value, const std::wstring& pattern, int index) {
  if (value.empty()) return false;
  const auto code = Compile(pattern);
  const std::unique_ptr<pcre2_match_data_16, TMatchDataFree> data(
      pcre2_match_data_create_from_pattern_16(code.get(), nullptr));
  if (data == nullptr) throw Rtl::EOutOfMemory(Rtl::LoadResString(SOutOfMemory));
  const int rc = pcre2_match_16(code.get(), Units(value), value.size(), 0, PCRE2_NOTEMPTY, data.get(), nullptr);
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0) throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SRegExMatchFailed), {ErrorText(rc)}));
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer_16(data.get());
  const PCRE2_SIZE start = ovector[0];
  const PCRE2_SIZE end = ovector[1];
  return end > start && (index == -1 || start + 1 == static_cast<PCRE2_SIZE>(index));
}

}  // namespace Qd
