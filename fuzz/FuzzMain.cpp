// The driver: seeded generation and mutation, reproducible from --seed.
//   fuzz_qd [--target=NAME] [--iterations=N] [--seconds=S] [--seed=N]
//           [--max-length=N] [--input=FILE] [--case-seconds=S]
//           [--max-memory-mb=N]
// Without --seconds each target runs N iterations (default 2000) times its
// weight; with it, the targets take turns until the time is up. --input runs
// one saved input through the target named. A fault saves the input as
// fuzz-<target>-<seed>.bin in the current directory and exits with 1. A
// watchdog thread makes a fault of one input that runs longer than
// --case-seconds (default 10) and of a process whose committed memory goes
// over --max-memory-mb (default 1024).
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fstream>
#include <string>
#include <thread>

#include "Fuzz.h"
#include "QdStartup.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"

#include <psapi.h>

namespace {

using Fuzz::TBytes;

// The input being run, for the fault handlers.
const Fuzz::TTarget* CurrentTarget = nullptr;
const TBytes* CurrentInput = nullptr;
std::uint64_t CurrentSeed = 0;

void SaveCurrent(const char* why) {
  if (CurrentTarget == nullptr || CurrentInput == nullptr) return;
  char name[128];
  std::snprintf(name, sizeof name, "fuzz-%s-%llu.bin", CurrentTarget->Name,
                static_cast<unsigned long long>(CurrentSeed));
  if (std::FILE* f = std::fopen(name, "wb")) {
    if (!CurrentInput->empty()) std::fwrite(CurrentInput->data(), 1, CurrentInput->size(), f);
    std::fclose(f);
  }
  std::fprintf(stderr, "fuzz: %s: %s with an input of %zu bytes, saved as %s\n", CurrentTarget->Name, why,
               CurrentInput->size(), name);
  std::fflush(stderr);
}

void OnAbort(int) {
  SaveCurrent("abort (an assertion failed)");
  std::_Exit(1);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
  char why[64];
  std::snprintf(why, sizeof why, "crash (exception 0x%08lX)", info->ExceptionRecord->ExceptionCode);
  SaveCurrent(why);
  std::_Exit(1);
}

// When the input being run started (GetTickCount64), 0 between inputs.
std::atomic<std::uint64_t> CaseStart{0};

// Watches the inputs' time and the process's memory until `stop` is set.
void Watch(const std::atomic<bool>& stop, std::uint64_t caseMilliseconds, std::uint64_t maxMemory) {
  while (!stop.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint64_t start = CaseStart.load();
    if (start != 0 && GetTickCount64() - start > caseMilliseconds) {
      char why[64];
      std::snprintf(why, sizeof why, "hang (over %llu ms)", static_cast<unsigned long long>(caseMilliseconds));
      SaveCurrent(why);
      std::_Exit(1);
    }
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) &&
        counters.PagefileUsage > maxMemory) {
      char why[64];
      std::snprintf(why, sizeof why, "memory (%llu MB committed)",
                    static_cast<unsigned long long>(counters.PagefileUsage >> 20));
      SaveCurrent(why);
      std::_Exit(1);
    }
  }
}

// xorshift64*: small, fast and the same everywhere.
class TRandom {
public:
  explicit TRandom(std::uint64_t seed) : FState(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint64_t Next() {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    return FState * 0x2545F4914F6CDD1Dull;
  }
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }

private:
  std::uint64_t FState;
};

TBytes Mutate(TRandom& random, const Fuzz::TTarget& target, const std::vector<TBytes>& seeds,
              const std::vector<std::string>& dictionary, std::size_t maxLength) {
  TBytes data = seeds.empty() ? TBytes{} : seeds[random.Below(seeds.size())];
  const std::size_t steps = 1 + random.Below(8);
  for (std::size_t step = 0; step < steps; ++step) {
    const std::size_t at = random.Below(data.size() + 1);
    switch (random.Below(9)) {
      case 0:  // flip a bit
        if (!data.empty()) data[random.Below(data.size())] ^= static_cast<std::uint8_t>(1u << random.Below(8));
        break;
      case 1:  // a random byte
        if (!data.empty()) data[random.Below(data.size())] = static_cast<std::uint8_t>(random.Next());
        break;
      case 2: {  // insert random bytes
        const std::size_t n = 1 + random.Below(16);
        for (std::size_t i = 0; i < n; ++i) data.insert(data.begin() + at, static_cast<std::uint8_t>(random.Next()));
        break;
      }
      case 3: {  // delete a range
        if (data.empty()) break;
        const std::size_t from = random.Below(data.size());
        const std::size_t n = 1 + random.Below(data.size() - from);
        data.erase(data.begin() + from, data.begin() + from + n);
        break;
      }
      case 4: {  // repeat a range
        if (data.empty()) break;
        const std::size_t from = random.Below(data.size());
        const std::size_t n = 1 + random.Below(std::min<std::size_t>(64, data.size() - from));
        const TBytes copy(data.begin() + from, data.begin() + from + n);
        data.insert(data.begin() + at, copy.begin(), copy.end());
        break;
      }
      case 5:
      case 6: {  // a token of the target's dictionary, as bytes or as UTF-16
        if (dictionary.empty()) break;
        const std::string& token = dictionary[random.Below(dictionary.size())];
        const TBytes bytes = random.Below(2) == 0 ? Fuzz::Bytes(token)
                                                  : Fuzz::Utf16Bytes(std::wstring(token.begin(), token.end()));
        data.insert(data.begin() + at, bytes.begin(), bytes.end());
        break;
      }
      case 7: {  // splice with another seed
        if (seeds.empty()) break;
        const TBytes& other = seeds[random.Below(seeds.size())];
        const std::size_t from = random.Below(other.size() + 1);
        data.resize(at);
        data.insert(data.end(), other.begin() + from, other.end());
        break;
      }
      default:  // an interesting value: 0, -1, the extremes of small integers
      {
        static const std::uint8_t values[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xFE};
        if (!data.empty()) data[random.Below(data.size())] = values[random.Below(sizeof values)];
        break;
      }
    }
  }
  (void)target;
  if (data.size() > maxLength) data.resize(maxLength);
  return data;
}

// Runs one input; false (after saying why) on a fault.
bool RunOne(const Fuzz::TTarget& target, const TBytes& input, std::uint64_t seed) {
  CurrentTarget = &target;
  CurrentInput = &input;
  CurrentSeed = seed;
  CaseStart = GetTickCount64();
  struct TCaseEnd {
    ~TCaseEnd() { CaseStart = 0; }
  } caseEnd;
  try {
    target.Run(Fuzz::TInput(input.data(), input.size()));
  } catch (const Rtl::Exception&) {
    // Bad input, reported clearly: as it should be.
  } catch (const std::exception& e) {
    SaveCurrent((std::string("unexpected exception: ") + e.what()).c_str());
    return false;
  } catch (...) {
    SaveCurrent("unexpected exception of an unknown type");
    return false;
  }
  CurrentInput = nullptr;
  return true;
}

bool Option(const char* arg, const char* name, std::string& value) {
  const std::size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return false;
  value = arg + n + 1;
  return true;
}

}  // namespace

namespace Fuzz {

[[noreturn]] void Fail(const std::string& what) { throw std::logic_error(what); }

}  // namespace Fuzz

int main(int argc, char** argv) {
  std::string only, inputFile;
  std::uint64_t iterations = 2000, seconds = 0, seed = 1;
  std::size_t maxLength = 4096;
  std::uint64_t caseSeconds = 10, maxMemoryMb = 1024;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (Option(argv[i], "--target", value)) only = value;
    else if (Option(argv[i], "--iterations", value)) iterations = std::strtoull(value.c_str(), nullptr, 10);
    else if (Option(argv[i], "--seconds", value)) seconds = std::strtoull(value.c_str(), nullptr, 10);
    else if (Option(argv[i], "--seed", value)) seed = std::strtoull(value.c_str(), nullptr, 10);
    else if (Option(argv[i], "--max-length", value)) maxLength = std::strtoull(value.c_str(), nullptr, 10);
    else if (Option(argv[i], "--input", value)) inputFile = value;
    else if (Option(argv[i], "--case-seconds", value)) caseSeconds = std::strtoull(value.c_str(), nullptr, 10);
    else if (Option(argv[i], "--max-memory-mb", value)) maxMemoryMb = std::strtoull(value.c_str(), nullptr, 10);
    else {
      std::fprintf(stderr, "usage: fuzz_qd [--target=NAME] [--iterations=N] [--seconds=S] [--seed=N] "
                           "[--max-length=N] [--input=FILE] [--case-seconds=S] [--max-memory-mb=N]\n");
      return 2;
    }
  }
  std::signal(SIGABRT, OnAbort);
  SetUnhandledExceptionFilter(OnCrash);
  Qd::StartUp();

  std::vector<const Fuzz::TTarget*> targets;
  for (const Fuzz::TTarget& target : Fuzz::Targets())
    if (only.empty() || only == target.Name) targets.push_back(&target);
  if (targets.empty()) {
    std::fprintf(stderr, "fuzz: no target named %s\n", only.c_str());
    return 2;
  }
  std::atomic<bool> stopWatching{false};
  std::thread watchdog(Watch, std::cref(stopWatching), caseSeconds * 1000, maxMemoryMb << 20);

  int status = 0;
  if (!inputFile.empty()) {
    std::ifstream file(inputFile, std::ios::binary);
    const TBytes input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (const Fuzz::TTarget* target : targets)
      if (!RunOne(*target, input, 0)) status = 1;
  } else {
    const std::time_t end = seconds > 0 ? std::time(nullptr) + static_cast<std::time_t>(seconds) : 0;
    for (const Fuzz::TTarget* target : targets) {
      const std::vector<TBytes> seeds = target->Seeds();
      const std::vector<std::string> dictionary = target->Dictionary();
      std::uint64_t runs = 0;
      // Every seed as it is first, then mutations.
      for (const TBytes& input : seeds) {
        ++runs;
        if (!RunOne(*target, input, 0)) status = 1;
      }
      const std::uint64_t count = seconds > 0 ? ~std::uint64_t{0} : iterations * target->Weight;
      const std::time_t targetEnd =
          seconds > 0 ? std::time(nullptr) + static_cast<std::time_t>(seconds / targets.size() + 1) : 0;
      for (std::uint64_t i = 0; i < count && status == 0; ++i) {
        if (seconds > 0 && (i & 255) == 0 && std::time(nullptr) >= std::min(targetEnd, end)) break;
        const std::uint64_t inputSeed = seed * 1000003 + i;
        TRandom random(inputSeed ^ std::hash<std::string>{}(target->Name));
        const TBytes input = target->Generate != nullptr && i % 2 == 0
                                 ? target->Generate(inputSeed)
                                 : Mutate(random, *target, seeds, dictionary, maxLength);
        ++runs;
        if (!RunOne(*target, input, inputSeed)) status = 1;
      }
      std::printf("fuzz: %-16s %10llu inputs%s\n", target->Name, static_cast<unsigned long long>(runs),
                  status == 0 ? "" : "  FAULT");
      if (status != 0) break;
    }
  }
  stopWatching = true;
  watchdog.join();
  Qd::ShutDown();
  return status;
}
