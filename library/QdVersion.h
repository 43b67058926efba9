// Unit QdVersion: what the running Windows is.
#pragma once

namespace Qd {

class TVersion {
public:
  TVersion() = delete;

  // True on 64-bit Windows: always in a 64-bit process; in a 32-bit one when
  // it runs under the 32-bit emulation of 64-bit Windows (false on 32-bit
  // Windows and where the query doesn't exist). Raises "Invalid handle" when
  // the query fails.
  static bool Is64Bit();
};

}  // namespace Qd
