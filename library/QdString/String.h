// TString: the base of the string toolboxes (code pages, bytes, UCS-4 and
// number text); TAnsiString adds nothing.
#pragma once

#include <string>

namespace Qd {

class TString {
public:
  TString() = delete;

  // --- Comparing ---------------------------------------------------------------
  // (members are added here as the toolbox grows)
};

class TAnsiString : public TString {
public:
  TAnsiString() = delete;
};

}  // namespace Qd
