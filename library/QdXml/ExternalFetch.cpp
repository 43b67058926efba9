#include "QdXml/ExternalFetch.h"

#include <algorithm>
#include <chrono>
#include <string_view>

#include "runtime/System/Handles.h"
#include "runtime/System/Win32Http.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/CodePage.h"

namespace Qd::XmlExternal {

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::wstring_view HTTP_PREFIX_C = L"http://";
constexpr std::wstring_view FILE_PREFIX_C = L"file:";
// Bytes asked of one read, and the most that one fetch keeps in flight.
constexpr DWORD READ_CHUNK_C = 64 * 1024;

bool StartsWithText(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && Rtl::AsciiSameText(text.substr(0, prefix.size()), prefix);
}

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// A scheme of two characters or more before a ":" (a single letter is a
// drive).
bool HasUrlScheme(std::wstring_view name) {
  const std::size_t colon = name.find(L':');
  if (colon == std::wstring_view::npos || colon < 2 || !Rtl::IsAsciiLetter(name[0])) return false;
  return std::all_of(name.begin() + 1, name.begin() + static_cast<std::ptrdiff_t>(colon), [](wchar_t c) {
    return Rtl::IsAsciiAlphaNumeric(c) || c == L'+' || c == L'-' || c == L'.';
  });
}

// The path of a "file:" URL (the text after "file:"), %XX decoded as UTF-8;
// none when the URL names a host other than "localhost" or is malformed.
std::optional<std::wstring> FileUrlPath(std::wstring_view rest) {
  if (rest.size() >= 2 && rest[0] == L'/' && rest[1] == L'/') {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find(L'/');
    const std::wstring_view host = rest.substr(0, slash);
    if (!host.empty() && !Rtl::AsciiSameText(host, L"localhost")) return std::nullopt;
    if (slash == std::wstring_view::npos) return std::nullopt;
    rest.remove_prefix(slash);
  }
  // "/C:/dir" and "/C|/dir" name drive C.
  if (rest.size() >= 3 && rest[0] == L'/' && Rtl::IsAsciiLetter(rest[1]) && (rest[2] == L':' || rest[2] == L'|'))
    rest.remove_prefix(1);
  std::string bytes;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const wchar_t c = rest[i];
    if (c == L'%') {
      if (i + 2 >= rest.size() || !Rtl::IsHexDigit(rest[i + 1]) || !Rtl::IsHexDigit(rest[i + 2])) return std::nullopt;
      bytes += static_cast<char>(Rtl::HexDigitValue(rest[i + 1]) * 16 + Rtl::HexDigitValue(rest[i + 2]));
      i += 2;
    } else if (c == L'?' || c == L'#') {
      break;  // a query or fragment is not part of the path
    } else {
      bytes += Rtl::WideToCodePage(std::wstring_view(&c, 1), Rtl::CODE_PAGE_UTF8_C);
    }
  }
  std::wstring path;
  try {
    path = Rtl::CodePageToWide(bytes, Rtl::CODE_PAGE_UTF8_C, Rtl::icRaise);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (path.size() >= 2 && path[1] == L'|') path[1] = L':';
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// A name that the system opens as a device in any folder: CON, PRN, AUX,
// NUL, COM0-COM9, LPT0-LPT9, CONIN$, CONOUT$, with any extension and
// trailing spaces or dots.
bool IsDeviceName(std::wstring_view fileName) {
  std::wstring_view base = fileName.substr(0, fileName.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  for (const std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    if (Rtl::AsciiSameText(base, device)) return true;
  if (base.size() == 4 && (Rtl::AsciiSameText(base.substr(0, 3), L"COM") || Rtl::AsciiSameText(base.substr(0, 3), L"LPT")))
    return Rtl::IsAsciiDigit(base[3]) || base[3] == L'\u00B9' || base[3] == L'\u00B2' || base[3] == L'\u00B3';
  return false;
}

std::wstring FullPathName(const std::wstring& path) {
  std::wstring result(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(result.size()), result.data(), nullptr);
    if (length == 0) return {};
    if (length < result.size()) {
      // Wine counts one character too many for some names with runs of
      // dots ("/q....//x"): the text ends at its terminating NUL.
      result.resize(std::min<std::size_t>(length, std::char_traits<wchar_t>::length(result.c_str())));
      return result;
    }
    result.resize(length);
  }
}

// What is left of `deadline`, in milliseconds, at least 1 while there is time.
DWORD RemainingMs(TClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
  return left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, 0x7FFFFFFF));
}

bool SetRequestTimeouts(HINTERNET request, DWORD ms) {
  // WinHttpSetTimeouts alone does not bound the wait for an answer
  // everywhere; the request's own options do.
  return WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &ms, sizeof(ms)) &&
         WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &ms, sizeof(ms)) &&
         WinHttpSetOption(request, WINHTTP_OPTION_SEND_TIMEOUT, &ms, sizeof(ms));
}

std::optional<DWORD> QueryNumber(HINTERNET request, DWORD info) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (!WinHttpQueryHeaders(request, info | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &value, &size,
                           WINHTTP_NO_HEADER_INDEX))
    return std::nullopt;
  return value;
}

}  // namespace

bool IsHttpAddress(const std::wstring& name) { return StartsWithText(name, HTTP_PREFIX_C); }

std::optional<Rtl::TBytes> FetchHttp(const std::wstring& url, std::size_t maxSize, std::uint32_t timeoutMs) {
  const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  if (!IsHttpAddress(url) || url.find_first_of(L"\r\n") != std::wstring::npos) return std::nullopt;

  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
      parts.nScheme != INTERNET_SCHEME_HTTP || parts.dwHostNameLength == 0)
    return std::nullopt;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                        std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (const std::size_t hash = object.find(L'#'); hash != std::wstring::npos) object.resize(hash);
  if (object.empty()) object = L"/";

  DWORD ms = RemainingMs(deadline);
  if (ms == 0) return std::nullopt;
  const Rtl::TInternetHandle session(
      WinHttpOpen(L"Qd", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return std::nullopt;
  const int each = static_cast<int>(ms);
  if (!WinHttpSetTimeouts(session.Get(), each, each, each, each)) return std::nullopt;
  const Rtl::TInternetHandle connection(WinHttpConnect(session.Get(), host.c_str(), parts.nPort, 0));
  if (!connection) return std::nullopt;
  const Rtl::TInternetHandle request(WinHttpOpenRequest(connection.Get(), L"GET", object.c_str(), nullptr,
                                                        WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (!request) return std::nullopt;

  // A plain GET: no redirect followed, no cookies, no credentials sent.
  DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  if (!WinHttpSetOption(request.Get(), WINHTTP_OPTION_REDIRECT_POLICY, &redirects, sizeof(redirects))) {
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable)))
      return std::nullopt;
  }
  DWORD noCookies = WINHTTP_DISABLE_COOKIES;
  WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &noCookies, sizeof(noCookies));
  DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
  WinHttpSetOption(request.Get(), WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof(logon));

  if ((ms = RemainingMs(deadline)) == 0 || !SetRequestTimeouts(request.Get(), ms)) return std::nullopt;
  if (!WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
    return std::nullopt;
  if ((ms = RemainingMs(deadline)) == 0 || !SetRequestTimeouts(request.Get(), ms)) return std::nullopt;
  if (!WinHttpReceiveResponse(request.Get(), nullptr)) return std::nullopt;

  if (QueryNumber(request.Get(), WINHTTP_QUERY_STATUS_CODE) != DWORD{200}) return std::nullopt;
  if (const auto length = QueryNumber(request.Get(), WINHTTP_QUERY_CONTENT_LENGTH); length && *length > maxSize)
    return std::nullopt;

  // The deadline is checked between reads, and each read waits at most for
  // what is left of it: a server that sends a byte now and then cannot
  // stretch the fetch.
  Rtl::TBytes body;
  for (;;) {
    if ((ms = RemainingMs(deadline)) == 0 || !SetRequestTimeouts(request.Get(), ms)) return std::nullopt;
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.Get(), &available)) return std::nullopt;
    if (available == 0) break;  // the end of the body
    if (RemainingMs(deadline) == 0) return std::nullopt;
    // One byte past the limit tells a body that is too long.
    const std::size_t room = maxSize - body.size() + 1;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>({available, READ_CHUNK_C, room}));
    const std::size_t at = body.size();
    body.resize(at + want);
    DWORD read = 0;
    if (!WinHttpReadData(request.Get(), body.data() + at, want, &read)) return std::nullopt;
    body.resize(at + read);
    if (body.size() > maxSize) return std::nullopt;
    if (read == 0) break;
  }
  if (RemainingMs(deadline) == 0) return std::nullopt;
  return body;
}

std::optional<std::wstring> LocalFilePath(const std::wstring& name) {
  if (name.empty() || name.find(L'\0') != std::wstring::npos) return std::nullopt;
  std::wstring path = name;
  if (StartsWithText(name, FILE_PREFIX_C)) {
    auto fromUrl = FileUrlPath(std::wstring_view(name).substr(FILE_PREFIX_C.size()));
    if (!fromUrl || fromUrl->empty() || fromUrl->find(L'\0') != std::wstring::npos) return std::nullopt;
    path = std::move(*fromUrl);
  } else if (HasUrlScheme(name)) {
    return std::nullopt;
  }
  // \\server\share, //server/share, \\?\ and \\.\ (and their mixes of
  // slashes) are never local files.
  if (path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1])) return std::nullopt;
  const std::wstring full = FullPathName(path);
  // What remains must be a path on a drive: "X:\" and no further ":" (an
  // alternate data stream, or a device such as "C:\dir\COM1:").
  if (full.size() < 3 || !Rtl::IsAsciiLetter(full[0]) || full[1] != L':' || full[2] != L'\\' ||
      full.find(L':', 2) != std::wstring::npos)
    return std::nullopt;
  // Every part of the path, not only the last: "C:\NUL\x" opens no folder.
  std::size_t start = 3;
  while (start < full.size()) {
    std::size_t end = full.find(L'\\', start);
    if (end == std::wstring::npos) end = full.size();
    if (IsDeviceName(std::wstring_view(full).substr(start, end - start))) return std::nullopt;
    start = end + 1;
  }
  return full;
}

TLocalFile ReadLocalFile(const std::wstring& name, std::size_t maxSize) {
  TLocalFile result;
  const auto path = LocalFilePath(name);
  if (!path) return result;
  result.Path = *path;
  const Rtl::TFileHandle file(CreateFileW(path->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    result.Result = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
                        ? lrMissing
                        : lrUnreadable;
    return result;
  }
  // Only a file on a disk: never a pipe, a console or another device.
  LARGE_INTEGER size{};
  if (GetFileType(file.Get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
    result.Result = lrUnreadable;
    return result;
  }
  if (static_cast<unsigned long long>(size.QuadPart) > maxSize) {
    result.Result = lrTooLarge;
    return result;
  }
  // Read to the end, whatever the size said: the file may grow meanwhile,
  // and one byte past the limit tells that it did.
  Rtl::TBytes data;
  for (;;) {
    const std::size_t room = maxSize - data.size() + 1;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(room, READ_CHUNK_C));
    const std::size_t at = data.size();
    data.resize(at + want);
    DWORD read = 0;
    if (!::ReadFile(file.Get(), data.data() + at, want, &read, nullptr)) {
      result.Result = lrUnreadable;
      return result;
    }
    data.resize(at + read);
    if (data.size() > maxSize) {
      result.Result = lrTooLarge;
      return result;
    }
    if (read == 0) break;
  }
  result.Result = lrRead;
  result.Data = std::move(data);
  return result;
}

}  // namespace Qd::XmlExternal
