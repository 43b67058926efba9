// Unit QdXml, private: the bytes of external DTDs and entities, from a local
// file or an "http://" address, each under a limit of size (and of time for
// HTTP). The reader decides which sources a document may use; these
// functions only fetch safely: a local file is never a network share, a
// device or an address of another scheme, and an HTTP fetch is a plain GET
// that follows no redirect and takes only a complete answer "200".
// QdLanguages reads the flag images named in language list files through
// ReadLocalFile too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/Core/Types.h"

namespace Qd::XmlExternal {

// The name starts with "http://", ignoring case.
bool IsHttpAddress(const std::wstring& name);

// The body of a GET of `url` ("http://" only), or none: another scheme, a
// malformed address, no connection, an answer other than 200 (a redirect
// included: it is not followed), a body longer than `maxSize` bytes, or a
// fetch that has not completed `timeoutMs` milliseconds after the call.
std::optional<Rtl::TBytes> FetchHttp(const std::wstring& url, std::size_t maxSize, std::uint32_t timeoutMs);

// The full local path that `name` stands for: a path on a drive (relative
// names against the current directory) or a "file:" URL of one
// ("file:///C:/dir/a.dtd", "file://localhost/C:/dir/a%20b.dtd", with %XX as
// UTF-8 bytes). None for a network path (\\server\share, //server/share, a
// "file:" URL with a host), a device path (\\.\, \\?\), a device name (CON,
// NUL, COM1, ... in any folder, with any extension), an alternate data
// stream and an address of any other scheme.
std::optional<std::wstring> LocalFilePath(const std::wstring& name);

enum TLocalFileResult : std::uint8_t {
  lrRead,        // Data holds the whole file
  lrNotLocal,    // the name is not a local file path (see LocalFilePath)
  lrMissing,     // no such file (or folder on its path)
  lrTooLarge,    // longer than the limit
  lrUnreadable,  // a folder, a file that isn't on a disk, or a read that failed
};

struct TLocalFile {
  TLocalFileResult Result = lrNotLocal;
  std::wstring Path;  // the full path read, when the name was local
  Rtl::TBytes Data;   // with lrRead only
};

// The bytes of the local file that `name` stands for, at most `maxSize`.
TLocalFile ReadLocalFile(const std::wstring& name, std::size_t maxSize);

}  // namespace Qd::XmlExternal
