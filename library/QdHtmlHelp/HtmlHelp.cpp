#include "QdHtmlHelp/HtmlHelp.h"

#include <deque>
#include <mutex>
#include <unordered_map>

#include "QdClasses/File.h"
#include "QdClasses/Unit.h"
#include "QdHtmlHelp/Strings.h"
#include "QdTextFile.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Units.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/Utf8.h"
#include "runtime/Toolkit/Clipboard.h"
#include "runtime/Toolkit/Dialogs.h"

namespace Qd {

namespace {

constexpr std::intptr_t MAX_NUMERIC_CONTEXT_C = 0xFFFF;
constexpr std::intptr_t FIRST_TOPIC_CONTEXT_C = 0x10000;
constexpr unsigned HH_DISPLAY_TOPIC_C = 0;
constexpr unsigned HH_CLOSE_ALL_C = 0x12;

struct THtmlHelpState {
  std::unique_ptr<THtmlHelp> Help;
};

constinit Rtl::TUnitState<THtmlHelpState> State(L"QdHtmlHelp");

// The topic texts that help contexts name, kept for the life of the
// process: a menu item or dialog may ask for its topic at any time. One
// entry per text.
class TTopicTable {
public:
  Rtl::THelpContext Add(const std::wstring& topic) {
    const std::lock_guard<std::mutex> lock(FLock);
    if (auto found = FIndex.find(topic); found != FIndex.end()) return found->second;
    // (Memory runs out long before the contexts would: 2^31 - 2^16 texts.)
    const auto context = static_cast<Rtl::THelpContext>(FIRST_TOPIC_CONTEXT_C + static_cast<std::intptr_t>(FTopics.size()));
    FTopics.push_back(topic);
    FIndex.emplace(topic, context);
    return context;
  }
  bool Find(std::intptr_t context, std::wstring& topic) {
    const std::lock_guard<std::mutex> lock(FLock);
    if (context < FIRST_TOPIC_CONTEXT_C) return false;
    const auto index = static_cast<std::size_t>(context - FIRST_TOPIC_CONTEXT_C);
    if (index >= FTopics.size()) return false;
    topic = FTopics[index];
    return true;
  }

private:
  std::mutex FLock;
  std::deque<std::wstring> FTopics;
  std::unordered_map<std::wstring, Rtl::THelpContext> FIndex;
};

TTopicTable& Topics() {
  static TTopicTable table;
  return table;
}

bool HoldsHtm(const std::wstring& url) { return Rtl::AsciiLowerCase(url).find(L".htm") != std::wstring::npos; }

// The url part of a topic names a page inside the "Help" folder: relative,
// without a drive or stream (":") and without a level that leads up (a
// name of dots only, which the system reads as ".." or ".").
bool StaysInHelpFolder(const std::wstring& url) {
  if (url.empty() || url.front() == L'\\' || url.front() == L'/' || url.find(L':') != std::wstring::npos)
    return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = url.find_first_of(L"\\/", start);
    const std::wstring part = url.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (part.find_first_not_of(L". ") == std::wstring::npos && part.find(L"..") != std::wstring::npos) return false;
    if (end == std::wstring::npos) return true;
    start = end + 1;
  }
}

[[noreturn]] void RaiseNumericContext() { throw Rtl::Exception(Rtl::LoadResString(SHelpContextIsInteger)); }

using THtmlHelpW = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

}  // namespace

// The help viewer's library, loaded when the first topic is shown.
struct THtmlHelp::TViewer {
  Rtl::TLoadedModule Module;
  THtmlHelpW Function = nullptr;
};

THtmlHelp::THtmlHelp() {
  FDefaultTopicFile = GetTopicFileName(L"DefaultTopic");
  FFileName = GetHelpFileName();
  FReportFileName = ApplicationRootDir() + L"\\helpout.txt";
  for (Rtl::TStringList* list : {&FCreatedTopics, &FMaps}) {
    list->SetCaseSensitive(false);
    list->SetDuplicates(Rtl::dupIgnore);
    list->SetSorted(true);
  }
  if (Rtl::Application != nullptr) {
    FApplication = Rtl::Application;
    FOldHelpEvent = FApplication->OnHelp;
    FApplication->OnHelp = [this](std::uint16_t command, std::intptr_t data, bool& callHelp) {
      return HelpHook(command, data, callHelp);
    };
    // An application object that goes first takes its handlers with it.
    FApplication->AddFreeNotification(this, [this] {
      FApplication = nullptr;
      FOldHelpEvent = nullptr;
    });
  }
}

THtmlHelp::~THtmlHelp() {
  try {
    WriteReport();
  } catch (...) {
    std::wstring reason;
    try {
      throw;
    } catch (const Rtl::Exception& e) {
      reason = e.Message();
    } catch (const std::exception& e) {
      reason = Rtl::Utf8Decode(e.what());
    } catch (...) {
    }
    try {
      OutputDebugStringW(Rtl::Format(Rtl::LoadResString(SHelpReportFailed), {FReportFileName, reason}).c_str());
    } catch (...) {
    }
  }
  if (FViewer != nullptr && FViewer->Function != nullptr) FViewer->Function(nullptr, nullptr, HH_CLOSE_ALL_C, 0);
  Unhook();
}

void THtmlHelp::Unhook() {
  if (FApplication == nullptr) return;
  FApplication->OnHelp = FOldHelpEvent;
  FApplication->RemoveFreeNotification(this);
  FApplication = nullptr;
}

bool THtmlHelp::HelpHook(std::uint16_t command, std::intptr_t data, bool& callHelp) {
  if (data == 0 || (command != Rtl::HELP_CONTEXT_C && command != Rtl::HELP_KEY_C && command != Rtl::HELP_COMMAND_C))
    return true;
  std::wstring topic;
  if (command == Rtl::HELP_CONTEXT_C) {
    // A context, compared as the signed number it is, and never an
    // address: one that names no topic is a number.
    if (data <= MAX_NUMERIC_CONTEXT_C || !ContextToTopic(data, topic)) RaiseNumericContext();
  } else {
    // The address of the text, which may lie above 2 GB in a 32-bit
    // process: compared without sign.
    if (static_cast<std::uintptr_t>(data) <= static_cast<std::uintptr_t>(MAX_NUMERIC_CONTEXT_C))
      RaiseNumericContext();
    topic = reinterpret_cast<const wchar_t*>(data);
    if (command == Rtl::HELP_COMMAND_C) topic = MapTopic(topic);
  }
  ShowTopic(topic);
  callHelp = false;
  return true;
}

void THtmlHelp::MapMenu(Rtl::TMainMenu& menu, const std::vector<THelpMapData>& maps) {
  for (const THelpMapData& map : maps) FMaps.AddObject(map.Item, std::make_unique<THtmlMap>(map.Item, map.Topic));
  Rtl::TMenuItem& items = menu.Items();
  for (int i = 0; i < items.Count(); ++i) MapMenuItem(*items.Items(i));
}

void THtmlHelp::MapMenuItem(Rtl::TMenuItem& item) {
  if (item.IsLine()) return;
  if (!item.Name().empty()) item.SetHelpContext(TopicToContext(MapTopic(item.Name())));
  for (int i = 0; i < item.Count(); ++i) MapMenuItem(*item.Items(i));
}

std::wstring THtmlHelp::MapTopic(const std::wstring& key) {
  std::wstring topic = key;
  if (int index; FMaps.Find(key, index)) {
    THtmlMap* map = GetMap(index);
    map->FUsed = true;
    topic = map->FTopic;
  }
  CheckTopic(topic);
  return topic;
}

THtmlMap* THtmlHelp::GetMap(int index) const { return Rtl::As<THtmlMap>(FMaps.Objects(index)); }

void THtmlHelp::CheckTopic(const std::wstring& topic) {
  if (topic.empty()) throw Rtl::Exception(Rtl::LoadResString(SNoTopicValue));
  std::wstring url, anchor;
  ParseTopic(topic, url, anchor);
  if (!StaysInHelpFolder(url)) return;
  const std::wstring pageFile = GetTopicFileName(topic);
  if (!Rtl::FileExists(FDefaultTopicFile) || Rtl::FileExists(pageFile)) return;
  // The report names the file made: the url without the extension that
  // the report adds again.
  if (HoldsHtm(url) && Rtl::AsciiLowerCase(url).ends_with(L".htm")) url.resize(url.size() - 4);
  FCreatedTopics.Add(url);
  TFile::CopyFile(FDefaultTopicFile, pageFile, false);
  Rtl::ShowMessage(Rtl::Format(Rtl::LoadResString(STopicAdded), {pageFile}));
}

void THtmlHelp::ShowTopic(const std::wstring& topic) { ShowTopic(FFileName, topic, GetParentHandle(), FCopyContext); }

void THtmlHelp::ShowTopic(const std::wstring& helpFile, const std::wstring& topic, Rtl::THandle parentWindow,
                          bool copyContext) {
  // An empty topic opens the help file itself: there is no page to check.
  if (!topic.empty() && Rtl::AsciiSameText(helpFile, FFileName)) CheckTopic(topic);
  if (!Rtl::FileExists(helpFile)) {
    Rtl::MessageDlg(Rtl::Format(Rtl::LoadResString(SHelpFileMissing), {helpFile}), Rtl::mtError, {Rtl::mbOK}, 0);
    return;
  }
  std::wstring url = helpFile;
  if (!topic.empty()) {
    // The extension goes on the page, before the anchor.
    std::wstring page, anchor;
    ParseTopic(topic, page, anchor);
    if (!HoldsHtm(page)) page += L".htm";
    if (topic.find(L'#') != std::wstring::npos) page += L"#" + anchor;
    if (copyContext) Rtl::TClipboard::SetAsText(page);
    url = Rtl::Format(L"%s::/%s", {helpFile, page});
  }
  if (FViewer == nullptr) {
    auto viewer = std::make_unique<TViewer>();
    viewer->Module.Reset(LoadLibraryW(L"hhctrl.ocx"));
    if (viewer->Module)
      viewer->Function = reinterpret_cast<THtmlHelpW>(
          reinterpret_cast<void*>(GetProcAddress(viewer->Module.Get(), "HtmlHelpW")));
    FViewer = std::move(viewer);
  }
  HWND window = FViewer->Function != nullptr
                    ? FViewer->Function(reinterpret_cast<HWND>(parentWindow), url.c_str(), HH_DISPLAY_TOPIC_C, 0)
                    : nullptr;
  if (window == nullptr)
    Rtl::MessageDlg(Rtl::Format(Rtl::LoadResString(SUnknownTopic), {helpFile, url}), Rtl::mtError, {Rtl::mbOK}, 0);
}

void THtmlHelp::WriteReport() {
  TTextFile file;
  file.Rewrite(FReportFileName);
  file.WriteLine(L"// Created topic files");
  for (const std::wstring& topic : FCreatedTopics) file.WriteLine(topic + L".htm");
  file.WriteLine(L"");
  file.WriteLine(L"// Unused maps");
  for (int i = 0; i < FMaps.Count(); ++i) {
    const THtmlMap* map = GetMap(i);
    if (!map->FUsed) file.WriteLine(map->FItem + L"=" + map->FTopic);
  }
  file.Close();
}

Rtl::THandle THtmlHelp::GetParentHandle() const { return FParent != nullptr ? FParent->Handle() : 0; }

Rtl::THelpContext THtmlHelp::TopicToContext(const std::wstring& topic) {
  if (topic.empty()) return 0;
  if (State.Started() && State.Get().Help != nullptr) State.Get().Help->CheckTopic(topic);
  return Topics().Add(topic);
}

bool THtmlHelp::ContextToTopic(std::intptr_t context, std::wstring& topic) { return Topics().Find(context, topic); }

std::wstring THtmlHelp::GetHelpFileName() { return Rtl::ChangeFileExt(Rtl::GetModuleFileName(), L".chm"); }

void THtmlHelp::ParseTopic(const std::wstring& topic, std::wstring& url, std::wstring& anchor) {
  const std::size_t hash = topic.find(L'#');
  if (hash == std::wstring::npos) {
    url = topic;
    anchor.clear();
  } else {
    url = topic.substr(0, hash);
    anchor = topic.substr(hash + 1);
  }
}

std::wstring THtmlHelp::GetTopicFileName(const std::wstring& topic) {
  std::wstring url, anchor;
  ParseTopic(topic, url, anchor);
  std::wstring result = ApplicationRootDir() + L"\\..\\..\\Help\\" + url;
  if (!HoldsHtm(url)) result += L".htm";
  return result;
}

void THtmlHelp::CheckHelp() {
  THtmlHelpState& state = State.Get();
  if (state.Help == nullptr) state.Help = std::make_unique<THtmlHelp>();
}

void THtmlHelp::ViewTopic(const std::wstring& topic) {
  CheckHelp();
  Help()->ShowTopic(topic);
}

void THtmlHelp::ViewTopic(const std::wstring& helpFile, const std::wstring& topic, Rtl::THandle parentWindow,
                          bool copyContext) {
  CheckHelp();
  Help()->ShowTopic(helpFile, topic, parentWindow, copyContext);
}

THtmlHelp* Help() { return State.Get().Help.get(); }

}  // namespace Qd

namespace Qd::QdHtmlHelpUnit {

void Initialization() { State.Start(std::make_unique<THtmlHelpState>()); }

void Finalization() {
  // The help object goes (and writes its report) while the state is still
  // there: the report may ask for nothing of it, but its hook may.
  if (State.Started()) State.Get().Help.reset();
  State.Stop();
}

}  // namespace Qd::QdHtmlHelpUnit
