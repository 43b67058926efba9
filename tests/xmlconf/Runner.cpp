#include "Runner.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Utf8.h"

namespace XmlConf {

namespace {

using TClock = std::chrono::steady_clock;

// The child's orders: "<mode> <loader> <first index> <list file>", the list
// file holding one path a line (UTF-8).
constexpr const wchar_t* ORDERS_C = L"QD_XMLCONF_CHILD";
// The child reports "@@S <index>" before a load and
// "@@R <index> <outcome> <class>\t<message>" after it.
constexpr const char* STARTED_C = "@@S ";
constexpr const char* RESULT_C = "@@R ";

std::wstring ModuleFileName() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length < name.size()) {
      name.resize(length);
      return name;
    }
    name.resize(name.size() * 2);
  }
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  return text;
}

// Reads the child's standard output line by line, with a deadline.
class TLineReader {
public:
  explicit TLineReader(HANDLE pipe) : FPipe(pipe) {}

  enum TRead { rdLine, rdNothingYet, rdEnd };
  TRead Next(std::string& line) {
    for (;;) {
      if (const std::size_t eol = FBuffer.find('\n'); eol != std::string::npos) {
        line = FBuffer.substr(0, eol);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        FBuffer.erase(0, eol + 1);
        return rdLine;
      }
      DWORD available = 0;
      if (!PeekNamedPipe(FPipe, nullptr, 0, nullptr, &available, nullptr)) return rdEnd;
      if (available == 0) return rdNothingYet;
      char chunk[4096];
      DWORD read = 0;
      if (!::ReadFile(FPipe, chunk, std::min<DWORD>(available, sizeof(chunk)), &read, nullptr) || read == 0)
        return rdEnd;
      FBuffer.append(chunk, read);
    }
  }

private:
  HANDLE FPipe;
  std::string FBuffer;
};

LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* info) {
  // No debugger, no dialog: the parent sees the child gone without a result.
  TerminateProcess(GetCurrentProcess(), info ? info->ExceptionRecord->ExceptionCode : 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

const char* ModeName(TMode mode) { return mode == xmStrict ? "xoStrict" : "default"; }

bool IsChild() { return GetEnvironmentVariableW(ORDERS_C, nullptr, 0) != 0; }

std::vector<TLoadResult> RunInChildren(const std::vector<TConformanceTest>& tests, TMode mode,
                                       const std::string& loaderName) {
  std::vector<TLoadResult> results(tests.size());
  std::vector<bool> done(tests.size());
  const std::filesystem::path list = std::filesystem::temp_directory_path() /
                                     ("qdxmlconf-" + std::to_string(GetCurrentProcessId()) + ".txt");
  {
    std::ofstream out(list, std::ios::binary);
    for (const TConformanceTest& test : tests) out << Rtl::Utf8Encode(test.Path) << "\n";
  }
  // The children write no test report of their own.
  SetEnvironmentVariableW(L"GTEST_OUTPUT", nullptr);
  const std::wstring program = ModuleFileName();

  std::size_t next = 0;
  int idleChildren = 0;
  while (next < tests.size()) {
    const std::wstring orders = std::to_wstring(static_cast<int>(mode)) + L" " + Rtl::Utf8Decode(loaderName) + L" " +
                                std::to_wstring(next) + L" " + list.wstring();
    SetEnvironmentVariableW(ORDERS_C, orders.c_str());
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) throw std::runtime_error("no pipe");
    const Rtl::TKernelHandle reading(readEnd);
    Rtl::TKernelHandle writing(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring commandLine =
        L"\"" + program + L"\" --gtest_also_run_disabled_tests --gtest_filter=XmlConfChild.DISABLED_Run";
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
      throw std::runtime_error("the child did not start");
    const Rtl::TKernelHandle child(process.hProcess), thread(process.hThread);
    SetEnvironmentVariableW(ORDERS_C, nullptr);
    writing.Reset();  // only the child writes now: the end of its output ends the pipe

    TLineReader reader(readEnd);
    long long started = -1;
    TClock::time_point since = TClock::now();
    bool progressed = false;
    std::string line;
    for (;;) {
      const auto read = reader.Next(line);
      if (read == TLineReader::rdEnd) break;
      if (read == TLineReader::rdNothingYet) {
        if (started >= 0 && TClock::now() - since > std::chrono::milliseconds(LIMIT_MS_C)) {
          TerminateProcess(child.Get(), 1);
          results[static_cast<std::size_t>(started)] = {loTimedOut, "", "over the limit"};
          done[static_cast<std::size_t>(started)] = true;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        continue;
      }
      if (line.rfind(STARTED_C, 0) == 0) {
        started = std::stoll(line.substr(4));
        since = TClock::now();
      } else if (line.rfind(RESULT_C, 0) == 0) {
        const std::size_t index = std::stoul(line.substr(4));
        const std::size_t outcomeAt = line.find(' ', 4) + 1;
        const std::size_t classAt = line.find(' ', outcomeAt) + 1;
        const std::size_t tab = line.find('\t', classAt);
        TLoadResult& result = results.at(index);
        result.Outcome = static_cast<TOutcome>(std::stoi(line.substr(outcomeAt)));
        result.ExceptionClass = line.substr(classAt, tab - classAt);
        result.Message = tab == std::string::npos ? "" : line.substr(tab + 1);
        done[index] = true;
        started = -1;
        progressed = true;
        next = index + 1;
      }
    }
    WaitForSingleObject(child.Get(), 10000);
    if (started >= 0 && !done[static_cast<std::size_t>(started)]) {
      results[static_cast<std::size_t>(started)] = {loCrashed, "", "the loader ended the process"};
      done[static_cast<std::size_t>(started)] = true;
    }
    if (started >= 0) {
      next = static_cast<std::size_t>(started) + 1;
      progressed = true;
    }
    if (!progressed && ++idleChildren >= 3) throw std::runtime_error("the children load nothing");
  }
  std::error_code ignored;
  std::filesystem::remove(list, ignored);
  return results;
}

void RunChild() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(EndOnCrash);
  std::wstring orders(GetEnvironmentVariableW(ORDERS_C, nullptr, 0), L'\0');
  orders.resize(GetEnvironmentVariableW(ORDERS_C, orders.data(), static_cast<DWORD>(orders.size())));
  const std::string text = Rtl::Utf8Encode(orders);
  std::size_t first = 0;
  int mode = 0;
  char loaderName[32] = {};
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%d %31s %zu %n", &mode, loaderName, &first, &consumed) < 3)
    throw std::runtime_error("bad orders: " + text);
  const TLoader loader = FindLoader(loaderName);
  std::ifstream list(std::filesystem::path(Rtl::Utf8Decode(text.substr(static_cast<std::size_t>(consumed)))),
                     std::ios::binary);
  std::string path;
  for (std::size_t index = 0; std::getline(list, path); ++index) {
    if (index < first) continue;
    std::printf("%s%zu\n", STARTED_C, index);
    std::fflush(stdout);
    const TLoadResult result = loader(Rtl::Utf8Decode(path), static_cast<TMode>(mode));
    std::printf("%s%zu %d %s\t%s\n", RESULT_C, index, static_cast<int>(result.Outcome),
                OneLine(result.ExceptionClass).c_str(), OneLine(result.Message).c_str());
    std::fflush(stdout);
  }
}

TSummary Summarise(const std::vector<TConformanceTest>& tests, const std::vector<TLoadResult>& results) {
  TSummary summary;
  for (std::size_t i = 0; i < tests.size(); ++i) {
    const TConformanceTest& test = tests[i];
    const TLoadResult& result = results[i];
    if (result.Outcome == loCrashed || result.Outcome == loTimedOut) {
      ++(result.Outcome == loCrashed ? summary.Crashed : summary.TimedOut);
      summary.Failures.push_back(test.Id + (result.Outcome == loCrashed ? " (crashed)" : " (timed out)"));
    }
    if (test.Type == "not-wf") {
      ++summary.NotWf;
      if (result.Outcome == loRejected) ++summary.NotWfRejected;
      else if (result.Outcome == loAccepted) summary.NotWfMisses.push_back(test.Id);
    } else if (test.Type == "valid" || test.Type == "invalid") {
      ++summary.WellFormed;
      if (result.Outcome == loAccepted) ++summary.WellFormedAccepted;
      else if (result.Outcome == loRejected)
        summary.WellFormedMisses.push_back(test.Id + " (" + result.ExceptionClass + ": " + result.Message + ")");
    }
  }
  return summary;
}

void Print(TMode mode, const TSummary& summary) {
  std::printf("xmlconf %s: not-wf rejected %d/%d (%.1f%%), well-formed accepted %d/%d (%.1f%%), "
              "crashed %d, timed out %d\n",
              ModeName(mode), summary.NotWfRejected, summary.NotWf, summary.NotWfShare(), summary.WellFormedAccepted,
              summary.WellFormed, summary.WellFormedShare(), summary.Crashed, summary.TimedOut);
  auto list = [](const char* title, const std::vector<std::string>& ids) {
    if (ids.empty()) return;
    std::printf("  %s (%zu):", title, ids.size());
    for (const std::string& id : ids) std::printf("\n    %s", id.c_str());
    std::printf("\n");
  };
  list("not-wf accepted", summary.NotWfMisses);
  list("well-formed rejected", summary.WellFormedMisses);
  list("crashed or timed out", summary.Failures);
  std::fflush(stdout);
}

}  // namespace XmlConf
