// Tests of the call under way, which a watchdog on another thread reads when a call never returns.
#include "call_under_way.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "guarded_call.h"
#include "platform_loader.h"
#include "unit_library_api_kelm.h"

namespace {

std::optional<CallUnderWayNow> seen_inside;
std::optional<CallUnderWayNow> seen_from_another_thread;

std::uint32_t LIBRARY_CALL OpenPortLookingAtItself(std::uint32_t, std::uint32_t) {
  seen_inside = LibraryCallUnderWay();
  std::thread([] { seen_from_another_thread = LibraryCallUnderWay(); }).join();
  return 1;
}

TEST(CallUnderWay, NamesTheExportWhileItRunsOnAnyThreadAndNothingOnceItReturned) {
  EXPECT_FALSE(LibraryCallUnderWay());
  const OpenPortFn open_port = &OpenPortLookingAtItself;
  EntryPointTable[static_cast<std::size_t>(EntrySlot::open_port)] =
      reinterpret_cast<EntryAddress>(open_port);
  std::uint32_t fault = 0;
  EXPECT_EQ(GuardedEntryCall<EntrySlot::open_port>(&fault, std::uint32_t{3}, std::uint32_t{1}), 1u);
  EntryPointTable.fill(nullptr);

  ASSERT_TRUE(seen_inside);
  EXPECT_STREQ(seen_inside->what, "open_port");
  EXPECT_LT(seen_inside->milliseconds, 60000u);
  ASSERT_TRUE(seen_from_another_thread);
  EXPECT_STREQ(seen_from_another_thread->what, "open_port");
  EXPECT_FALSE(LibraryCallUnderWay());
}

// A loader whose library loads and frees, looking at what is under way as it does.
class LookingLoader final : public PlatformLoader {
 public:
  std::string during_load;
  std::string during_free;
  ModuleHandle Load(const char*) override {
    during_load = LibraryCallUnderWay() ? LibraryCallUnderWay()->what : "nothing";
    return this;
  }
  EntryAddress Lookup(ModuleHandle, const char*) override { return nullptr; }
  void Free(ModuleHandle) override {
    during_free = LibraryCallUnderWay() ? LibraryCallUnderWay()->what : "nothing";
  }
};

// The library's own code runs inside the load and the free: they can hang as a call can.
TEST(CallUnderWay, TheLoadAndTheFreeAreUnderWayToo) {
  LookingLoader loader;
  SetPlatformLoader(loader);
  LoadInterfaceLibrary("unit_kelm.DLL");
  EXPECT_FALSE(LibraryCallUnderWay());
  UnloadInterfaceLibrary();
  SetPlatformLoader(SystemLoader());
  EXPECT_EQ(loader.during_load, "the load of the library");
  EXPECT_EQ(loader.during_free, "the free of the library");
}

}  // namespace
