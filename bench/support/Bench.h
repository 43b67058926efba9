// The benchmark harness: each case runs our code and a plain baseline doing
// the same work, taking turns N times, each timed with
// QueryPerformanceCounter; the best time of each counts. The suite prints a
// table of name, our time, baseline time and their ratio (below 1: ours is
// faster).
//
// A benchmark executable is a folder under bench/ with a main like:
//
//   int main() {
//     Bench::TSuite suite("qdstring", "4 MB of mixed text");
//     suite.Add("PosIgnoreCase", [&] { return ...; }, [&] { return ...; });
//     return suite.Run();
//   }
//
// Each function returns a check value (a count, a length, a sum): ours and
// the baseline must agree, which also keeps the compiler from dropping the
// work. A disagreement is shown in the table and makes Run return 1.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace Bench {

using TWork = std::function<std::size_t()>;

// The best (shortest) time in seconds of `repetitions` runs of work; the
// check value of the last run goes to `check`.
double BestTime(const TWork& work, int repetitions, std::size_t& check);

class TSuite {
public:
  explicit TSuite(std::string title, std::string data = "", int repetitions = 9);

  void Add(std::string name, TWork ours, TWork baseline);
  // Runs every case in the order added and prints the table; 0 when all
  // check values agree, else 1.
  int Run();

private:
  struct TCase {
    std::string Name;
    TWork Ours;
    TWork Baseline;
  };
  std::string FTitle;
  std::string FData;
  int FRepetitions;
  std::vector<TCase> FCases;
};

}  // namespace Bench
