// The conformance run: every selected document is loaded by a loader in a
// child process (the test program started again), one after the other, each
// with a limit of two seconds. A child that crashes or overruns the limit is
// ended, the document counts as crashed or timed out, and a new child goes
// on with the next one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Catalogue.h"

namespace XmlConf {

// The reader's modes that the run measures.
enum TMode : std::uint8_t { xmDefault, xmStrict };
const char* ModeName(TMode mode);

enum TOutcome : std::uint8_t { loAccepted, loRejected, loCrashed, loTimedOut };

struct TLoadResult {
  TOutcome Outcome = loAccepted;
  std::string ExceptionClass;  // with loRejected
  std::string Message;
};

// A loader: what loading the document `path` in `mode` gives. It returns
// loAccepted or loRejected; a crash or overrun is seen from outside.
using TLoader = TLoadResult (*)(const std::wstring& path, TMode mode);

// The loaders a child can run, by name: "reader" (the XML reader) and
// "probe" (the run's own check: accepts every file whose name has no
// "crash", "hang" or "reject" in it, and does what such a name says).
TLoader FindLoader(const std::string& name);

// The reader's loader is built (until then the conformance run is skipped).
bool IsReaderBuilt();
bool IsStrictBuilt();
TLoadResult LoadWithReader(const std::wstring& path, TMode mode);
// The writer's round trip of an accepted document (RoundTrip.cpp): accepted
// when every check holds, else rejected as "RoundTrip" with what failed.
TLoadResult LoadWithWriter(const std::wstring& path, TMode mode);

constexpr unsigned LIMIT_MS_C = 2000;

// Loads every test of `tests` in `mode` with the loader `loaderName`, in
// children of this program; `results` in the order of `tests`.
std::vector<TLoadResult> RunInChildren(const std::vector<TConformanceTest>& tests, TMode mode,
                                       const std::string& loaderName);

// The child's side (the test case that the children run): reads its orders
// from the environment and reports each load on its standard output.
void RunChild();
bool IsChild();

struct TSummary {
  int NotWf = 0, NotWfRejected = 0;
  int WellFormed = 0, WellFormedAccepted = 0;
  int Crashed = 0, TimedOut = 0;
  std::vector<std::string> NotWfMisses;       // accepted although not well-formed
  std::vector<std::string> WellFormedMisses;  // rejected although well-formed: "id (class: message)"
  std::vector<std::string> Failures;          // crashed or timed out: "id (crashed)"
  double NotWfShare() const { return NotWf ? 100.0 * NotWfRejected / NotWf : 100.0; }
  double WellFormedShare() const { return WellFormed ? 100.0 * WellFormedAccepted / WellFormed : 100.0; }
};

TSummary Summarise(const std::vector<TConformanceTest>& tests, const std::vector<TLoadResult>& results);
// Prints the shares of `summary` for `mode` and the misses by ID.
void Print(TMode mode, const TSummary& summary);

}  // namespace XmlConf
