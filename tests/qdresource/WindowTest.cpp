// A translated form from a container builds a real window: the form stream
// that FindForm returns goes to the toolkit's form reader, and the window
// shows the translated caption.
#include <gtest/gtest.h>

#include <optional>

#include "QdBase.h"
#include "QdResource.h"
#include "runtime/IO/Streams.h"
#include "runtime/System/Win32.h"
#include "runtime/Toolkit/Forms.h"
#include "tools/FormText.h"
#include "tools/ResourceImage.h"

namespace {

class TResForm : public Rtl::TForm {
  RTL_CLASS(TResForm, Rtl::TForm)
};

ResourceTools::TBytes FormStream(const char* caption) {
  return FormTools::ConvertFormText(std::string("object ResForm: TResForm\n  Caption = '") + caption +
                                    "'\n  ClientWidth = 200\n  ClientHeight = 100\nend\n");
}

TEST(WindowTest, ATranslatedFormStreamBuildsARealWindow) {
  // German in the layout-2 image, Finnish in the layout-1 one.
  ResourceTools::TImageModel de;
  de.Forms = {{L"TResForm", FormStream("Deutsches Fenster \xc3\xa4")}};
  ResourceTools::TImageModel fi;
  fi.Layout = 1;
  fi.Forms = {{L"TResForm", FormStream("Suomalainen ikkuna")}};
  ResourceTools::TContainerModel model;
  model.Languages = {{"de", de}, {"fi", fi}};
  Qd::TQdDelphiResources resources;
  Rtl::TBytesStream stream(ResourceTools::WriteContainer(model));
  resources.LoadFromStream(stream);

  std::optional<Rtl::TApplication> application{std::in_place};
  for (const auto& [id, caption] : {std::pair{L"de", L"Deutsches Fenster \u00e4"}, {L"fi", L"Suomalainen ikkuna"}}) {
    resources.SetLanguageId(id);
    ASSERT_TRUE(resources.FormExists(L"TResForm"));
    const auto formStream = resources.FindForm(L"TResForm");
    TResForm form;
    form.LoadFromStream(*formStream);
    EXPECT_EQ(form.Caption(), caption);
    ASSERT_NE(form.Handle(), 0u);
    wchar_t text[256] = {};
    GetWindowTextW(reinterpret_cast<HWND>(form.Handle()), text, 256);
    EXPECT_EQ(std::wstring(text), caption);
  }
  application.reset();
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace
