#include "Bench.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "runtime/System/Win32.h"

namespace Bench {

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(to.QuadPart - from.QuadPart) / frequency;
}

}  // namespace

double BestTime(const TWork& work, int repetitions, std::size_t& check) {
  double best = std::numeric_limits<double>::max();
  for (int i = 0; i < std::max(repetitions, 1); ++i) {
    LARGE_INTEGER start, stop;
    QueryPerformanceCounter(&start);
    check = work();
    QueryPerformanceCounter(&stop);
    best = std::min(best, Seconds(start, stop));
  }
  return best;
}

TSuite::TSuite(std::string title, std::string data, int repetitions)
    : FTitle(std::move(title)), FData(std::move(data)), FRepetitions(repetitions) {}

void TSuite::Add(std::string name, TWork ours, TWork baseline) {
  FCases.push_back({std::move(name), std::move(ours), std::move(baseline)});
}

int TSuite::Run() {
  // The architecture belongs to every table: the 32-bit and the 64-bit
  // build are measured on different machines.
  std::printf("%s, %s (best of %d%s%s)\n", FTitle.c_str(), sizeof(void*) == 8 ? "x86_64" : "i686", FRepetitions,
              FData.empty() ? "" : ", ", FData.c_str());
  std::printf("%-28s %12s %12s %8s\n", "name", "ours ms", "baseline ms", "ratio");
  int status = 0;
  for (const TCase& c : FCases) {
    // Ours and the baseline take turns, so that a burst of load on the
    // machine hits both alike.
    std::size_t oursCheck = 0, baselineCheck = 0;
    double ours = std::numeric_limits<double>::max(), baseline = ours;
    for (int i = 0; i < std::max(FRepetitions, 1); ++i) {
      ours = std::min(ours, BestTime(c.Ours, 1, oursCheck));
      baseline = std::min(baseline, BestTime(c.Baseline, 1, baselineCheck));
    }
    std::printf("%-28s %12.3f %12.3f %8.2f", c.Name.c_str(), ours * 1e3, baseline * 1e3,
                baseline > 0 ? ours / baseline : 0.0);
    if (oursCheck != baselineCheck) {
      std::printf("  MISMATCH (%zu vs %zu)", oursCheck, baselineCheck);
      status = 1;
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return status;
}

}  // namespace Bench
