// The runtime's exception classes and the library's fixed messages.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "runtime/Core/Strings.h"

namespace Rtl {

// Fixed messages that guard impossible arguments.
inline constexpr const wchar_t* SErrorMessage = L"Error Message";
inline constexpr const wchar_t* SNotImplemented = L"Not implemented";
inline constexpr const wchar_t* SInvalidHandle = L"Invalid handle";

// The messages of the runtime's own errors are resource strings
// (runtime/Core/Strings.h: SInvalidCast, SListIndexError, ...).

// The general exception: a message text.
class Exception : public std::exception {
public:
  explicit Exception(std::wstring message);
  ~Exception() override;

  const std::wstring& Message() const noexcept { return FMessage; }
  void SetMessage(std::wstring message);

  // The message as UTF-8, for diagnostics of the C++ runtime.
  const char* what() const noexcept override;

private:
  std::wstring FMessage;
  std::string FWhat;
};

#define RTL_EXCEPTION_CLASS(Name, Base)                    \
  class Name : public Base {                               \
  public:                                                  \
    explicit Name(std::wstring message) : Base(std::move(message)) {} \
  }

RTL_EXCEPTION_CLASS(EConvertError, Exception);      // text that isn't a number, bad format
RTL_EXCEPTION_CLASS(EListError, Exception);         // list index out of bounds
RTL_EXCEPTION_CLASS(EStringListError, EListError);  // string list index, duplicates
RTL_EXCEPTION_CLASS(EInvalidCast, Exception);       // an object of another kind
RTL_EXCEPTION_CLASS(EInvalidOperation, Exception);
RTL_EXCEPTION_CLASS(EArgumentException, Exception);
RTL_EXCEPTION_CLASS(EArgumentOutOfRangeException, EArgumentException);  // an index or count out of range
RTL_EXCEPTION_CLASS(EClassNotFound, Exception);
RTL_EXCEPTION_CLASS(EStreamError, Exception);
RTL_EXCEPTION_CLASS(EFCreateError, EStreamError);
RTL_EXCEPTION_CLASS(EFOpenError, EStreamError);
RTL_EXCEPTION_CLASS(EReadError, EStreamError);
RTL_EXCEPTION_CLASS(EWriteError, EStreamError);
RTL_EXCEPTION_CLASS(EInvalidImage, EReadError);     // bytes that aren't the expected binary format
RTL_EXCEPTION_CLASS(EResNotFound, Exception);
RTL_EXCEPTION_CLASS(EIntError, Exception);
RTL_EXCEPTION_CLASS(EDivByZero, EIntError);
RTL_EXCEPTION_CLASS(EOutOfMemory, Exception);
RTL_EXCEPTION_CLASS(EAbstractError, Exception);     // an instance of an abstract class

#undef RTL_EXCEPTION_CLASS

// An operating-system error with its code.
class EOSError : public Exception {
public:
  EOSError(std::wstring message, std::uint32_t errorCode)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  std::uint32_t ErrorCode() const noexcept { return FErrorCode; }

private:
  std::uint32_t FErrorCode;
};

// The system's text for an error code, without the trailing line break.
std::wstring SysErrorMessage(std::uint32_t errorCode);

// Raises EOSError for the thread's last error code.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(std::uint32_t errorCode);

}  // namespace Rtl
