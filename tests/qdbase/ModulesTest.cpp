// The resource handle of the head of the runtime's module list.
#include <gtest/gtest.h>

#include "QdBase.h"
#include "runtime/Core/Modules.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"

namespace {

using Qd::TQdBase;

Rtl::HINST AsInstance(const Rtl::TLoadedModule& module) { return reinterpret_cast<Rtl::HINST>(module.Get()); }

Rtl::TLoadedModule LoadAsData(const wchar_t* name) {
  return Rtl::TLoadedModule(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

TEST(ModuleListTest, IsLoadedAndResourceInstanceFollowTheHead) {
  EXPECT_FALSE(TQdBase::IsLoaded());
  EXPECT_EQ(Rtl::MainInstance(), TQdBase::GetResourceInstance());

  const Rtl::TLoadedModule library = LoadAsData(L"comctl32.dll");
  const Rtl::TLoadedModule resources = LoadAsData(L"shell32.dll");
  ASSERT_TRUE(library && resources);
  const Rtl::HINST instance = AsInstance(library);
  Rtl::RegisterModule(instance);
  EXPECT_FALSE(TQdBase::IsLoaded());
  EXPECT_EQ(instance, TQdBase::GetResourceInstance());
  ASSERT_TRUE(Rtl::SetResourceHInstance(instance, AsInstance(resources)));
  EXPECT_TRUE(TQdBase::IsLoaded());
  EXPECT_EQ(AsInstance(resources), TQdBase::GetResourceInstance());
  // Only the head counts: the executable below it has no resource module.
  Rtl::SetResourceHInstance(Rtl::MainInstance(), AsInstance(resources));
  Rtl::SetResourceHInstance(instance, 0);
  EXPECT_FALSE(TQdBase::IsLoaded());
  EXPECT_EQ(instance, TQdBase::GetResourceInstance());
  Rtl::UnregisterModule(instance);
  EXPECT_TRUE(TQdBase::IsLoaded());
  Rtl::SetResourceHInstance(Rtl::MainInstance(), 0);
  EXPECT_FALSE(TQdBase::IsLoaded());
  EXPECT_EQ(Rtl::MainInstance(), TQdBase::GetResourceInstance());
}

}  // namespace
