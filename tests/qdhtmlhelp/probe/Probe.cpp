// The help author's run for the report test: copied into T\a\b of a
// temporary folder T (whose "Help" folder is then T\Help), it starts the
// units, makes an application object, maps a menu and asks for topics,
// then ends as a program does: the application object goes first, then the
// units, whose shutdown writes T\a\b\helpout.txt.
#include <memory>

#include "QdHtmlHelp.h"
#include "QdStartup.h"
#include "runtime/Toolkit/Forms.h"
#include "runtime/Toolkit/Menus.h"

int wmain() {
  Qd::StartUp();
  {
    auto application = std::make_unique<Rtl::TApplication>();
    Qd::THtmlHelp::CheckHelp();
    Qd::THtmlHelp& help = *Qd::Help();
    Rtl::TMainMenu menu;
    Rtl::TMenuItem& file = menu.Items().Add(L"FileMenu", L"&File");
    file.Add(L"FileOpen", L"&Open");
    file.Add(L"", L"-");
    file.Add(L"FileExit", L"E&xit");
    help.MapMenu(menu, {{L"FileMenu", L"files"},
                        {L"FileOpen", L"files#open"},
                        {L"Zebra", L"animals"},
                        {L"apple", L"fruit.htm"},
                        {L"FILEOPEN", L"ignored"}});
    help.MapTopic(L"intro#details");
    help.MapTopic(L"..\\outside");
    help.MapTopic(L"C:\\rooted");
    // The application object goes before the units shut down.
  }
  Qd::ShutDown();
  return 0;
}
