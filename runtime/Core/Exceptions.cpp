#include "runtime/Core/Exceptions.h"

#include "runtime/Text/Format.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Handles.h"

namespace Rtl {

Exception::Exception(std::wstring message) : FMessage(std::move(message)), FWhat(Utf8Encode(FMessage)) {}

Exception::~Exception() = default;

void Exception::SetMessage(std::wstring message) {
  FMessage = std::move(message);
  FWhat = Utf8Encode(FMessage);
}

const char* Exception::what() const noexcept { return FWhat.c_str(); }

std::wstring SysErrorMessage(std::uint32_t errorCode) {
  wchar_t* allocated = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&allocated), 0, nullptr);
  const TLocalMemory<wchar_t> buffer(allocated);
  std::wstring result;
  if (length > 0 && buffer) result.assign(buffer.Get(), length);
  while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' '))
    result.pop_back();
  return result;
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(std::uint32_t errorCode) {
  if (errorCode != 0)
    throw EOSError(Format(LoadResString(SOSError), {errorCode, SysErrorMessage(errorCode)}),
                   errorCode);
  throw EOSError(LoadResString(SUnkOSError), 0);
}

}  // namespace Rtl
