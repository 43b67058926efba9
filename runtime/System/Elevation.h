// Whether the process runs elevated. An elevated process reads no
// translations, form streams or resource modules from places its user may
// write (see HACKING.md, "Elevated processes").
#pragma once

namespace Rtl {

// True when the process token is elevated (TokenElevation); a query that
// fails counts as elevated, the safe side of the rule.
bool IsElevated();

}  // namespace Rtl
