// Tree-mode loading of two documents: the MIME database that Debian's
// shared-mime-info installs (2.4 MB, multilingual, with an internal DTD) and
// a generated 4 MB document (tools/XmlSample, fixed seed). The baseline is
// the system's XML DOM through COM ("Msxml2.DOMDocument.6.0": async off,
// ProhibitDTD off, no validation, load of the file, save to a file): its best
// load and save times, and its bytes per element from the growth of the
// process's PagefileUsage (GetProcessMemoryInfo; PrivateUsage reads 0 under
// Wine). The native program of scripts/bench measures libxml2 and pugixml on
// the same bytes. Writing: TXmlFile::WriteFile of the loaded tree to a file
// against the DOM's save to a file; beside it, what WriteFile is made of:
// WriteToBytes (the document in memory) and the file step alone (the atomic
// replace of TFile::BytesToFile, which flushes the new file to disk before
// the rename; the DOM's save does not flush), and the same bytes written
// plainly to the target as a reference for the flush and replace.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/System/Win32.h"

#include <msxml2.h>
#include <oleauto.h>
#include <psapi.h>

#include "QdClasses.h"
#include "QdStartup.h"
#include "QdXml.h"
#include "runtime/Core/Memory.h"
#include "XmlSample.h"
#include "runtime/System/Win32Undef.h"

namespace {

constexpr int REPETITIONS_C = 9;
constexpr const wchar_t* MIME_DATABASE_C = L"Z:\\usr\\share\\mime\\packages\\freedesktop.org.xml";
// IXMLDOMDocument2 (for setProperty); the import library has only the
// IID of IXMLDOMDocument.
constexpr IID IID_DOMDOCUMENT2_C = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

template <class T>
class TComPtr {
public:
  TComPtr() = default;
  ~TComPtr() {
    if (FValue) FValue->Release();
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  T* operator->() const { return FValue; }
  T** Out() { return &FValue; }
  explicit operator bool() const { return FValue != nullptr; }

private:
  T* FValue = nullptr;
};

class TBstr {
public:
  explicit TBstr(const std::wstring& text) : FValue(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  TBstr() = default;
  ~TBstr() { SysFreeString(FValue); }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  BSTR Get() const { return FValue; }
  BSTR* Out() { return &FValue; }

private:
  BSTR FValue = nullptr;
};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The calling thread's processor time (user and kernel) in seconds: on a
// machine shared with other work the wall-clock times of a run scatter with
// the load, the processor time much less (Wine counts it in ticks of 10 ms).
double ThreadSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  const auto value = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return value(kernel) + value(user);
}

std::size_t PagefileUsage() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PagefileUsage;
}

struct TDomResult {
  bool Loaded = false;
  std::string Error;
  long Elements = 0;
  double LoadSeconds = 1e300;
  double LoadCpuSeconds = 1e300;
  double SaveSeconds = 1e300;
  long long Bytes = 0;  // growth of PagefileUsage while the document lives
};

bool NewDocument(TComPtr<IXMLDOMDocument2>& document) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid))) return false;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_DOMDOCUMENT2_C,
                              reinterpret_cast<void**>(document.Out()))))
    return false;
  document->put_async(VARIANT_FALSE);
  document->put_validateOnParse(VARIANT_FALSE);
  document->put_resolveExternals(VARIANT_FALSE);
  VARIANT off;
  VariantInit(&off);
  off.vt = VT_BOOL;
  off.boolVal = VARIANT_FALSE;
  const TBstr property(L"ProhibitDTD");
  document->setProperty(property.Get(), off);
  return true;
}

// Loads `fileName` into `document`; an error text, empty when it loaded.
std::string Load(IXMLDOMDocument2* document, const std::wstring& fileName) {
  TBstr name(fileName);
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = name.Get();
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (SUCCEEDED(document->load(source, &loaded)) && loaded == VARIANT_TRUE) return "";
  TComPtr<IXMLDOMParseError> error;
  TBstr reason;
  long line = 0;
  if (SUCCEEDED(document->get_parseError(error.Out())) && error) {
    error->get_reason(reason.Out());
    error->get_line(&line);
  }
  std::wstring text = reason.Get() ? reason.Get() : L"failed";
  return "line " + std::to_string(line) + ": " + std::string(text.begin(), text.end());
}

struct TOurResult {
  bool Loaded = false;
  std::string Error;
  long Elements = 0;
  double LoadSeconds = 1e300;
  double LoadCpuSeconds = 1e300;
  double WriteSeconds = 1e300;
  // The parts of WriteFile: the document written to bytes in memory
  // (WriteToBytes), and the file step alone (TFile::BytesToFile of those
  // bytes: a new file beside the target, its flush to disk, the rename over
  // the target).
  double ToBytesSeconds = 1e300;
  double FileStepSeconds = 1e300;
  // The same bytes written plainly (a file stream over the target: no
  // flush, no rename), as the DOM's save writes: the rest of the file step
  // is the flush to disk and the replace.
  double PlainWriteSeconds = 1e300;
  long long Bytes = 0;
};

long CountElements(const Qd::TXmlElement& root) {
  long count = 0;
  std::vector<const Qd::TXmlElement*> work{&root};
  while (!work.empty()) {
    const Qd::TXmlElement* e = work.back();
    work.pop_back();
    if (e->GetElementType() == Qd::xeSingle || e->GetElementType() == Qd::xeDouble) ++count;
    for (int i = 0; i < e->GetCount(); ++i) work.push_back(e->GetElements(i));
  }
  return count;
}

// The text reader alone: chunks up to each "<", as the XML reader takes them.
double MeasureChunks(const std::wstring& fileName) {
  double best = 1e300;
  for (int i = 0; i < REPETITIONS_C; ++i) {
    Qd::TTextFile text;
    text.SetFormat(Qd::tfUtf8);
    text.SetIncludeLineBreak(true);
    const auto start = std::chrono::steady_clock::now();
    text.Open(fileName);
    std::size_t total = 0;
    while (!text.Eof()) total += text.ReadLine(L'<').size();
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
    if (total == 0) return 0;
  }
  return best;
}

// The file's data on disk, untimed. A flush to disk also writes the data of
// other files written since the last one (the file system commits them
// together): a write that is measured without a flush (the DOM's save, the
// plain write) is flushed here, so that the next WriteFile pays for its own
// data only.
void SettleFile(const std::wstring& fileName) {
  const HANDLE file = CreateFileW(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FlushFileBuffers(file);
  CloseHandle(file);
}

// TXmlFile::Load of the file in tree mode: the best time, and the growth of
// PagefileUsage while the document lives.
TOurResult MeasureOurs(const std::wstring& fileName, const std::wstring& saveName) {
  TOurResult result;
  SettleFile(saveName);  // the DOM's last save
  for (int i = 0; i < REPETITIONS_C; ++i) {
    // The memory manager keeps some free memory for the next blocks: given
    // back first, so that the growth counts the whole document.
    if (i == 0) Rtl::Memory::ReleaseFreeMemory();
    const std::size_t before = PagefileUsage();
    Qd::TXmlFile xml;
    const double cpuStart = ThreadSeconds();
    const auto start = std::chrono::steady_clock::now();
    try {
      result.Loaded = xml.Load(fileName);
    } catch (const std::exception& e) {
      result.Error = e.what();
      return result;
    }
    result.LoadSeconds = std::min(result.LoadSeconds, Seconds(std::chrono::steady_clock::now() - start));
    result.LoadCpuSeconds = std::min(result.LoadCpuSeconds, ThreadSeconds() - cpuStart);
    const std::size_t after = PagefileUsage();
    if (xml.GetRoot() != nullptr) result.Elements = CountElements(*xml.GetRoot());
    if (i == 0) result.Bytes = static_cast<long long>(after) - static_cast<long long>(before);
    // TXmlFile::WriteFile of the loaded tree to a file, against the DOM's save.
    const auto writeStart = std::chrono::steady_clock::now();
    try {
      xml.WriteFile(saveName);
    } catch (const std::exception& e) {
      result.Error = e.what();
      result.Loaded = false;
      return result;
    }
    result.WriteSeconds = std::min(result.WriteSeconds, Seconds(std::chrono::steady_clock::now() - writeStart));
    const auto bytesStart = std::chrono::steady_clock::now();
    const Rtl::TBytes written = xml.WriteToBytes();
    result.ToBytesSeconds = std::min(result.ToBytesSeconds, Seconds(std::chrono::steady_clock::now() - bytesStart));
    const auto fileStart = std::chrono::steady_clock::now();
    Qd::TFile::BytesToFile(written, saveName);
    result.FileStepSeconds = std::min(result.FileStepSeconds, Seconds(std::chrono::steady_clock::now() - fileStart));
    const auto plainStart = std::chrono::steady_clock::now();
    {
      Rtl::TFileStream plain(saveName, Rtl::fmCreate);
      plain.WriteBuffer(written.data(), static_cast<int>(written.size()));
    }
    result.PlainWriteSeconds = std::min(result.PlainWriteSeconds, Seconds(std::chrono::steady_clock::now() - plainStart));
    SettleFile(saveName);
  }
  return result;
}

// The bytes of a file, for loads from memory.
Rtl::TBytes FileBytes(const std::wstring& fileName) {
  std::ifstream in(fileName.c_str(), std::ios::binary);
  return Rtl::TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// TXmlFile::Load of the file's bytes already in memory, timed as the native
// program times libxml2 and pugixml: best of as many runs, and each run the
// parse into a tree, a count of its elements and the freeing of the tree
// (the native side frees its trees inside its timing too).
double MeasureOursFromMemory(const std::wstring& fileName) {
  constexpr int NATIVE_REPETITIONS_C = 9;
  const Rtl::TBytes bytes = FileBytes(fileName);
  double best = 1e300;
  for (int i = 0; i < NATIVE_REPETITIONS_C; ++i) {
    const auto start = std::chrono::steady_clock::now();
    {
      Qd::TXmlFile xml;
      if (!xml.Load(bytes) || xml.GetRoot() == nullptr || CountElements(*xml.GetRoot()) == 0) return 0;
    }
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
  }
  return best;
}

TDomResult MeasureDom(const std::wstring& fileName, const std::wstring& saveName) {
  TDomResult result;
  {
    // Memory first, in a fresh document.
    const std::size_t before = PagefileUsage();
    TComPtr<IXMLDOMDocument2> document;
    if (!NewDocument(document)) {
      result.Error = "Msxml2.DOMDocument.6.0 is not available";
      return result;
    }
    result.Error = Load(document.operator->(), fileName);
    if (!result.Error.empty()) return result;
    result.Bytes = static_cast<long long>(PagefileUsage()) - static_cast<long long>(before);
    TComPtr<IXMLDOMNodeList> all;
    const TBstr star(L"*");
    if (SUCCEEDED(document->getElementsByTagName(star.Get(), all.Out())) && all) all->get_length(&result.Elements);
  }
  for (int i = 0; i < REPETITIONS_C; ++i) {
    TComPtr<IXMLDOMDocument2> document;
    NewDocument(document);
    const double cpuStart = ThreadSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (!Load(document.operator->(), fileName).empty()) return result;
    result.LoadSeconds = std::min(result.LoadSeconds, Seconds(std::chrono::steady_clock::now() - start));
    result.LoadCpuSeconds = std::min(result.LoadCpuSeconds, ThreadSeconds() - cpuStart);
    TBstr name(saveName);
    VARIANT target;
    VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = name.Get();
    const auto saveStart = std::chrono::steady_clock::now();
    if (SUCCEEDED(document->save(target)))
      result.SaveSeconds = std::min(result.SaveSeconds, Seconds(std::chrono::steady_clock::now() - saveStart));
  }
  result.Loaded = true;
  return result;
}

unsigned long long FileSize(const std::wstring& fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(fileName.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int main() {
  Qd::TUnitsScope units;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("qdxml: COM did not start\n");
    return 1;
  }
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring sampleName = std::wstring(temp) + L"qdxml-bench-sample.xml";
  const std::wstring saveName = std::wstring(temp) + L"qdxml-bench-saved.xml";
  {
    const std::string sample = XmlSample::Make(XmlSample::BENCH_SIZE_C, XmlSample::BENCH_SEED_C);
    std::ofstream out(sampleName.c_str(), std::ios::binary);
    out.write(sample.data(), static_cast<std::streamsize>(sample.size()));
  }

  struct TDocument {
    const char* Name;
    std::wstring FileName;
  };
  const std::vector<TDocument> documents = {{"MIME database", MIME_DATABASE_C},
                                            {"generated (seed 24)", sampleName}};
  // The end of a run for a profiler, which measures nothing else.
  const auto endProfile = [&] {
    DeleteFileW(sampleName.c_str());
    CoUninitialize();
    return 0;
  };
  // For a profiler: QD_XML_PROFILE=<n> loads (and frees) each document n
  // times from memory, as the comparison with the native parsers does, and
  // measures nothing else, so that the samples are the load's; it prints
  // the best time.
  if (const char* profile = std::getenv("QD_XML_PROFILE"); profile != nullptr && std::atoi(profile) > 0) {
    for (const TDocument& document : documents) {
      const Rtl::TBytes bytes = FileBytes(document.FileName);
      double best = 1e300;
      for (int i = 0; i < std::atoi(profile); ++i) {
        const auto start = std::chrono::steady_clock::now();
        {
          Qd::TXmlFile xml;
          xml.Load(bytes);
          if (xml.GetRoot() != nullptr) CountElements(*xml.GetRoot());
        }
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
      }
      std::printf("%-22s load, count and free from memory: best %.2fms\n", document.Name, best * 1000);
    }
    return endProfile();
  }
  // QD_XML_SPLIT_NODES=<n>: the tree writer's threshold for a second thread
  // (0: always, a huge number: never).
  if (const char* split = std::getenv("QD_XML_SPLIT_NODES"); split != nullptr && *split != 0)
    Qd::SetXmlSplitWriteNodes(static_cast<std::size_t>(std::strtoull(split, nullptr, 10)));
  // QD_XML_WRITE_LOOP=<n>: the writer alone, for a profiler: each document
  // loaded once and written n times to bytes, with WriteFile and (those
  // bytes) with the file step alone; nothing else is measured.
  if (const char* loop = std::getenv("QD_XML_WRITE_LOOP"); loop != nullptr && std::atoi(loop) > 0) {
    for (const TDocument& document : documents) {
      Qd::TXmlFile xml;
      if (!xml.Load(document.FileName)) continue;
      double best = 1e300;
      double bestFile = 1e300;
      double bestStep = 1e300;
      std::size_t size = 0;
      for (int i = 0; i < std::atoi(loop); ++i) {
        auto start = std::chrono::steady_clock::now();
        const Rtl::TBytes bytes = xml.WriteToBytes();
        size = bytes.size();
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
        start = std::chrono::steady_clock::now();
        xml.WriteFile(saveName);
        bestFile = std::min(bestFile, Seconds(std::chrono::steady_clock::now() - start));
        start = std::chrono::steady_clock::now();
        Qd::TFile::BytesToFile(bytes, saveName);
        bestStep = std::min(bestStep, Seconds(std::chrono::steady_clock::now() - start));
      }
      std::printf("%-22s WriteToBytes best %.2fms (%zu bytes), WriteFile %.2fms, file step %.2fms\n",
                  document.Name, best * 1000, size, bestFile * 1000, bestStep * 1000);
    }
    return endProfile();
  }
  std::printf("qdxml: tree-mode load of a file, best of %d, %d-bit\n", REPETITIONS_C,
              static_cast<int>(sizeof(void*) * 8));
  std::printf("%-22s %10s %9s | %9s %9s %10s | %s\n", "document", "bytes", "elements", "DOM load", "DOM save",
              "DOM B/elem", "TXmlFile::Load");
  // The times from memory go to the file that QD_XML_TIMES names, one line
  // per document ("<seconds> <name>"), for the native program's ratios.
  std::FILE* times = nullptr;
  if (const char* timesName = std::getenv("QD_XML_TIMES"); timesName != nullptr && *timesName != 0)
    times = std::fopen(timesName, "w");
  int status = 0;
  for (const TDocument& document : documents) {
    const TDomResult dom = MeasureDom(document.FileName, saveName);
    if (!dom.Loaded) {
      std::printf("%-22s the DOM did not load it: %s\n", document.Name, dom.Error.c_str());
      status = 1;
      continue;
    }
    // Ours over the same file; the ratios ours / DOM (targets: time <= 0.6,
    // bytes per element <= the DOM's).
    const TOurResult ours = MeasureOurs(document.FileName, saveName);
    char oursText[300];
    if (!ours.Loaded) {
      std::snprintf(oursText, sizeof oursText, "failed %s", ours.Error.c_str());
      status = 1;
    } else {
      const double ourBytes = ours.Elements ? static_cast<double>(ours.Bytes) / ours.Elements : 0.0;
      const double domBytes = dom.Elements ? static_cast<double>(dom.Bytes) / dom.Elements : 0.0;
      std::snprintf(oursText, sizeof oursText,
                    "%.1fms %.0f B/elem (%ld elements), ratio %.2f (processor time %.0f/%.0fms, ratio %.2f), "
                    "memory %.2f; text reader alone %.1fms; WriteFile %.1fms, ratio %.2f (WriteToBytes %.1fms, "
                    "file step %.1fms; plain write %.1fms)",
                    ours.LoadSeconds * 1000, ourBytes, ours.Elements, ours.LoadSeconds / dom.LoadSeconds,
                    ours.LoadCpuSeconds * 1000, dom.LoadCpuSeconds * 1000,
                    dom.LoadCpuSeconds > 0 ? ours.LoadCpuSeconds / dom.LoadCpuSeconds : 0.0,
                    domBytes > 0 ? ourBytes / domBytes : 0.0, MeasureChunks(document.FileName) * 1000,
                    ours.WriteSeconds * 1000, ours.WriteSeconds / dom.SaveSeconds, ours.ToBytesSeconds * 1000,
                    ours.FileStepSeconds * 1000, ours.PlainWriteSeconds * 1000);
      if (times != nullptr) std::fprintf(times, "%.6f %s\n", MeasureOursFromMemory(document.FileName), document.Name);
    }
    std::printf("%-22s %10llu %9ld | %7.1fms %7.1fms %10.0f | %s\n", document.Name, FileSize(document.FileName),
                dom.Elements, dom.LoadSeconds * 1000, dom.SaveSeconds * 1000,
                dom.Elements ? static_cast<double>(dom.Bytes) / dom.Elements : 0.0, oursText);
  }
  if (times != nullptr) std::fclose(times);
  DeleteFileW(sampleName.c_str());
  DeleteFileW(saveName.c_str());
  CoUninitialize();
  return status;
}
