// Help topics of the program's compiled help file, named by text: the page
// inside the help file, optionally followed by "#" and an anchor. The help
// object takes over the application's help request, maps menu items and
// help keys to topics, opens topics in the system's help viewer and, for
// the help author, creates missing topic pages from a template and reports
// at its end which pages it created and which mappings were never used.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QdClasses/Objects.h"
#include "runtime/Core/Types.h"
#include "runtime/Text/StringList.h"
#include "runtime/Toolkit/Controls.h"
#include "runtime/Toolkit/Forms.h"
#include "runtime/Toolkit/Menus.h"

namespace Qd {

// A menu-item name or help key and the topic it shows.
struct THelpMapData {
  std::wstring Item;
  std::wstring Topic;
};

// One mapping; Used is set when it is used.
class THtmlMap : public TQdObject {
  RTL_CLASS(THtmlMap, TQdObject)
public:
  THtmlMap() = default;
  THtmlMap(std::wstring item, std::wstring topic) : FItem(std::move(item)), FTopic(std::move(topic)) {}
  const std::wstring& GetItem() const { return FItem; }
  const std::wstring& GetTopic() const { return FTopic; }
  bool GetUsed() const { return FUsed; }

private:
  friend class THtmlHelp;
  std::wstring FItem;
  std::wstring FTopic;
  bool FUsed = false;
};

class THtmlHelp : public TQdObject {
  RTL_CLASS(THtmlHelp, TQdObject)
public:
  // The help file is GetHelpFileName, the template page the topic file of
  // "DefaultTopic"; the application object's help handler (when one
  // exists) is remembered and HelpHook installed in its place. The report
  // goes to "helpout.txt" in ApplicationRootDir as it is now.
  THtmlHelp();
  // Writes the report (a failure goes to the debugger's output), closes
  // the viewers it opened and gives the application object, when it still
  // exists, its former help handler back.
  ~THtmlHelp() override;

  // The application's help request: commands 1 (a help context made by
  // TopicToContext), 0x101 (a topic text) and 0x102 (a key, shown as its
  // mapped topic) with data other than 0 show the topic. A numeric context
  // (up to 0xFFFF, or one that no topic was given) raises
  // "Help context value is an integer value. ...". True unless it raises.
  bool HelpHook(std::uint16_t command, std::intptr_t data, bool& callHelp);
  // Adds the mappings (a second one of a key is ignored), then gives every
  // named item of the menu, at any depth, the help context of its mapped
  // topic; separators and their sub-items are left alone.
  void MapMenu(Rtl::TMainMenu& menu, const std::vector<THelpMapData>& maps);
  void MapMenuItem(Rtl::TMenuItem& item);
  // The topic mapped to `key` (the mapping is then used), else the key
  // itself; its page is checked (CheckTopic).
  std::wstring MapTopic(const std::wstring& key);
  // Creates the topic's missing page from the template page, when the
  // template exists, and says so in a message box. An empty topic raises
  // "No topic value"; a topic whose page would lie outside the "Help"
  // folder (a "..", a drive, a rooted name) gets no page.
  void CheckTopic(const std::wstring& topic);
  void ShowTopic(const std::wstring& topic);
  // Opens the topic of the help file in the help viewer, owned by
  // `parentWindow` (an empty topic: the help file itself); the topic of
  // the program's own help file is checked first (CheckTopic). A missing
  // help file or a topic the viewer can't open is reported in an error
  // dialog.
  void ShowTopic(const std::wstring& helpFile, const std::wstring& topic, Rtl::THandle parentWindow,
                 bool copyContext);
  // Writes "helpout.txt": the created topic files and the unused
  // mappings. Raises what writing raises.
  void WriteReport();

  int GetMapCount() const { return FMaps.Count(); }
  THtmlMap* GetMap(int index) const;
  bool GetCopyContext() const { return FCopyContext; }
  void SetCopyContext(bool value) { FCopyContext = value; }
  const std::wstring& GetDefaultTopicFile() const { return FDefaultTopicFile; }
  const std::wstring& GetFileName() const { return FFileName; }
  Rtl::TControl* GetParent() const { return FParent; }
  void SetParent(Rtl::TControl* value) { FParent = value; }
  Rtl::THandle GetParentHandle() const;
  // The topics whose pages were created, sorted.
  const Rtl::TStringList& GetCreatedTopics() const { return FCreatedTopics; }
  const std::wstring& GetReportFileName() const { return FReportFileName; }

  // A help context that names the topic: 0 for an empty topic, else
  // 0x10000 plus the topic's place in a table that keeps every topic text
  // for the life of the process. The help object (when one exists) checks
  // the topic first.
  static Rtl::THelpContext TopicToContext(const std::wstring& topic);
  // The topic of a context that TopicToContext made; false for any other.
  static bool ContextToTopic(std::intptr_t context, std::wstring& topic);
  // The executable's path with the extension ".chm".
  static std::wstring GetHelpFileName();
  // The topic split at its first "#".
  static void ParseTopic(const std::wstring& topic, std::wstring& url, std::wstring& anchor);
  // The topic's page: ApplicationRootDir, "\..\..\Help\", the url part and
  // ".htm" (unless the url holds it).
  static std::wstring GetTopicFileName(const std::wstring& topic);
  // Creates the help object when there is none.
  static void CheckHelp();
  static void ViewTopic(const std::wstring& topic);
  static void ViewTopic(const std::wstring& helpFile, const std::wstring& topic, Rtl::THandle parentWindow,
                        bool copyContext);

private:
  void Unhook();

  bool FCopyContext = false;
  std::wstring FDefaultTopicFile;
  std::wstring FFileName;
  Rtl::THelpEvent FOldHelpEvent;
  Rtl::TControl* FParent = nullptr;
  Rtl::TStringList FCreatedTopics;
  Rtl::TStringList FMaps;
  std::wstring FReportFileName;
  Rtl::TApplication* FApplication = nullptr;  // whose help request is hooked
  struct TViewer;
  std::unique_ptr<TViewer> FViewer;  // the help viewer, loaded at the first topic shown
};

// The help object, or null while there is none (before CheckHelp).
// Raises "QdHtmlHelp is not started" outside the unit's life.
THtmlHelp* Help();

}  // namespace Qd

namespace Qd::QdHtmlHelpUnit {

// Start-up creates nothing; shutdown frees the help object, which writes
// its report.
void Initialization();
void Finalization();

}  // namespace Qd::QdHtmlHelpUnit
