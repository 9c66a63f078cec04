// Tests of loading, looking up and freeing the interface library, against the simulator library
// and its variants, which lack one export or name it in another letter case.
#include "unit_library_api_kelm.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "simulator_for_tests.h"

namespace {

// Passes every call on to the system loader and records it.
class RecordingLoader final : public PlatformLoader {
 public:
  std::vector<std::string> calls;

  ModuleHandle Load(const char* file_name) override {
    calls.push_back(std::string("load ") + file_name);
    return SystemLoader().Load(file_name);
  }
  EntryAddress Lookup(ModuleHandle module, const char* export_name) override {
    calls.push_back(std::string("lookup ") + export_name);
    return SystemLoader().Lookup(module, export_name);
  }
  void Free(ModuleHandle module) override {
    calls.push_back("free");
    SystemLoader().Free(module);
  }

  int CountOf(const std::string& prefix) const {
    int n = 0;
    for (const auto& call : calls) n += call.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
};

class Binding : public ::testing::Test {
 protected:
  RecordingLoader loader;

  void SetUp() override { SetPlatformLoader(loader); }
  void TearDown() override {
    UnloadInterfaceLibrary();
    SetPlatformLoader(SystemLoader());
  }

  static int FilledEntries() {
    int n = 0;
    for (EntryAddress entry : EntryPointTable) n += entry != nullptr ? 1 : 0;
    return n;
  }

  static EntryAddress EntryAt(EntrySlot slot) {
    return EntryPointTable[static_cast<std::size_t>(slot)];
  }

  std::vector<std::string> ExpectedLookups() const {
    std::vector<std::string> lookups;
    for (const char* name : kEntryPointNames) lookups.push_back(std::string("lookup ") + name);
    return lookups;
  }
};

// Runs first in its own process under ctest, before anything was loaded.
TEST_F(Binding, StartsUnloadedWithEveryEntryEmpty) {
  EXPECT_FALSE(LibraryLoaded);
  EXPECT_FALSE(AllEntryPointsResolved);
  EXPECT_EQ(FilledEntries(), 0);
}

TEST_F(Binding, AMissingFileIsNotLoadedAndNothingIsLookedUpOrFreed) {
  EXPECT_FALSE(LoadInterfaceLibrary(SimulatorPath("that_does_not_exist").c_str()));
  EXPECT_FALSE(LibraryLoaded);
  EXPECT_FALSE(AllEntryPointsResolved);
  EXPECT_EQ(LibraryHandle, nullptr);
  EXPECT_EQ(FilledEntries(), 0);
  UnloadInterfaceLibrary();
  EXPECT_EQ(loader.calls, std::vector<std::string>{"load " + SimulatorPath("that_does_not_exist")});
}

TEST_F(Binding, ACompleteLibraryResolvesAll34ExportsInSlotOrder) {
  ASSERT_TRUE(LoadInterfaceLibrary(SimulatorPath("").c_str()));
  EXPECT_TRUE(LibraryLoaded);
  EXPECT_TRUE(AllEntryPointsResolved);
  EXPECT_NE(LibraryHandle, nullptr);
  EXPECT_EQ(FilledEntries(), 34);

  std::vector<std::string> expected{"load " + SimulatorPath("")};
  for (const auto& lookup : ExpectedLookups()) expected.push_back(lookup);
  EXPECT_EQ(loader.calls, expected);

  UnloadInterfaceLibrary();
  EXPECT_EQ(loader.calls.back(), "free");
  EXPECT_FALSE(LibraryLoaded);
  EXPECT_FALSE(AllEntryPointsResolved);
  EXPECT_EQ(FilledEntries(), 0);
}

TEST_F(Binding, ALibraryLackingOneExportFailsButStaysLoadedUntilUnloaded) {
  EXPECT_FALSE(LoadInterfaceLibrary(SimulatorPath("without_get_block").c_str()));
  EXPECT_TRUE(LibraryLoaded);
  EXPECT_FALSE(AllEntryPointsResolved);
  EXPECT_EQ(EntryAt(EntrySlot::get_block), nullptr);
  EXPECT_NE(EntryAt(EntrySlot::put_block), nullptr);
  EXPECT_EQ(FilledEntries(), 33);
  EXPECT_EQ(loader.CountOf("free"), 0);

  UnloadInterfaceLibrary();
  EXPECT_EQ(loader.CountOf("free"), 1);
  EXPECT_FALSE(LibraryLoaded);
  EXPECT_EQ(FilledEntries(), 0);
}

TEST_F(Binding, AnExportNamedInAnotherLetterCaseIsNotFound) {
  EXPECT_FALSE(LoadInterfaceLibrary(SimulatorPath("get_block_in_other_case").c_str()));
  EXPECT_EQ(EntryAt(EntrySlot::get_block), nullptr);
  EXPECT_EQ(FilledEntries(), 33);
  // The export is there, under the other spelling.
  EXPECT_NE(SystemLoader().Lookup(LibraryHandle, "Get_Block"), nullptr);
}

TEST_F(Binding, All34LookupsAreMadeInSlotOrderWhenTheFirstFails) {
  EXPECT_FALSE(LoadInterfaceLibrary(SimulatorPath("without_version").c_str()));
  EXPECT_EQ(EntryAt(EntrySlot::version), nullptr);
  EXPECT_EQ(FilledEntries(), 33);
  std::vector<std::string> lookups(loader.calls.begin() + 1, loader.calls.end());
  EXPECT_EQ(lookups, ExpectedLookups());
}

TEST_F(Binding, LoadingAgainFreesTheFirstLibraryBeforeTheSecondLoad) {
  ASSERT_TRUE(LoadInterfaceLibrary(SimulatorPath("").c_str()));
  loader.calls.clear();
  EXPECT_FALSE(LoadInterfaceLibrary(SimulatorPath("without_get_block").c_str()));
  ASSERT_GE(loader.calls.size(), 2u);
  EXPECT_EQ(loader.calls[0], "free");
  EXPECT_EQ(loader.calls[1], "load " + SimulatorPath("without_get_block"));

  // A failed second load leaves nothing loaded.
  loader.calls.clear();
  EXPECT_FALSE(LoadInterfaceLibrary(SimulatorPath("that_does_not_exist").c_str()));
  EXPECT_EQ(loader.calls,
            (std::vector<std::string>{"free", "load " + SimulatorPath("that_does_not_exist")}));
  EXPECT_FALSE(LibraryLoaded);
  EXPECT_EQ(FilledEntries(), 0);
  UnloadInterfaceLibrary();
  EXPECT_EQ(loader.CountOf("free"), 1);
}

TEST_F(Binding, UnloadingWhenNothingIsLoadedFreesNothingButClearsTheState) {
  UnloadInterfaceLibrary();
  EXPECT_FALSE(LoadInterfaceLibrary(SimulatorPath("that_does_not_exist").c_str()));
  UnloadInterfaceLibrary();
  EXPECT_EQ(loader.CountOf("free"), 0);
  EXPECT_FALSE(LibraryLoaded);
  EXPECT_FALSE(AllEntryPointsResolved);
  EXPECT_EQ(FilledEntries(), 0);
}

TEST_F(Binding, AnAbandonedLibraryIsNeverFreedAndItsEntriesAreGone) {
  ASSERT_TRUE(LoadInterfaceLibrary(SimulatorPath("").c_str()));
  AbandonInterfaceLibrary();
  EXPECT_FALSE(LibraryLoaded);
  EXPECT_FALSE(AllEntryPointsResolved);
  EXPECT_EQ(FilledEntries(), 0);
  UnloadInterfaceLibrary();
  EXPECT_EQ(loader.CountOf("free"), 0);
}

TEST_F(Binding, CalledEntriesPassTheirArgumentsAndAreReadAtTheContractWidths) {
  // Every answer carries bits above the width the contract reads.
  const std::string scenario = testing::TempDir() + "binding_widths.scn";
  const std::string trace = testing::TempDir() + "binding_widths.trace";
  std::remove(trace.c_str());
  std::ofstream(scenario, std::ios::binary) << "version = simulated library\n"
                                               "dll_version = 0xDEAD0123\n"
                                               "cable_version = 0x7FFFFFFF\n"
                                               "count.3 = 2\n"
                                               "descriptor.3.1 = null\n"
                                               "descriptor.3.2 = port 3/2\n"
                                               "count.9 = 0x00090009\n"
                                               "open_port = 0x100\n"
                                               "check_critical_error = 0xFF00\n"
                                               "mode_swd = 0x300\n"
                                               "mode_jtag = 0x301\n";
  SetVariable("UNIT_KELM_SCENARIO", scenario);
  SetVariable("UNIT_KELM_TRACE", trace);
  const bool loaded = LoadInterfaceLibrary(SimulatorPath("").c_str());
  SetVariable("UNIT_KELM_SCENARIO", "");
  SetVariable("UNIT_KELM_TRACE", "");
  ASSERT_TRUE(loaded);

  EXPECT_EQ(CopyLibraryText(Entry<EntrySlot::version>()()), "simulated library");
  EXPECT_EQ(Entry<EntrySlot::get_enumerated_number_of_ports>()(9), 0x00090009u);
  EXPECT_EQ(CopyLibraryText(Entry<EntrySlot::get_port_descriptor>()(3, 2)), "port 3/2");
  EXPECT_EQ(CopyLibraryText(Entry<EntrySlot::get_port_descriptor>()(3, 1)), "");

  // 0x100 is nonzero as a word but the answer is its low byte: not connected.
  EXPECT_FALSE(ByteResult(Entry<EntrySlot::open_port>()(5, 1)));
  EXPECT_FALSE(ByteResult(Entry<EntrySlot::check_critical_error>()()));

  EXPECT_EQ(WordResult(Entry<EntrySlot::get_dll_version>()()), 0x0123);
  EXPECT_EQ(WordResult(Entry<EntrySlot::get_cable_version>()()), 65535);

  const auto special = Entry<EntrySlot::corvane_special_features>();
  EXPECT_FALSE(ByteResult(special(SPECIAL_FEATURE_SET_COMM_MODE, 1, 0, 0, 0, nullptr, 0)));
  EXPECT_TRUE(ByteResult(special(SPECIAL_FEATURE_SET_COMM_MODE, 1, 1, 0, 0, nullptr, 0)));
  std::uint8_t status = 0;
  special(SPECIAL_FEATURE_HALT_ATTEMPT, 1, 0, 0, 0, &status, 0);
  EXPECT_EQ(status, kHaltStatusHalted);
  UnloadInterfaceLibrary();

  // The library saw every argument as passed, in order.
  char status_address[24];
  std::snprintf(status_address, sizeof status_address, "%08" PRIXPTR,
                reinterpret_cast<std::uintptr_t>(&status));
  const std::vector<std::string> expected = {
      "attach scenario " + scenario,
      "version()",
      "get_enumerated_number_of_ports(00000009) = 00090009",
      "get_port_descriptor(00000003, 00000002)",
      "get_port_descriptor(00000003, 00000001)",
      "open_port(00000005, 00000001) = 00000100",
      "check_critical_error() = 0000FF00",
      "get_dll_version() = DEAD0123",
      "get_cable_version() = 7FFFFFFF",
      "corvane_special_features(44000001, 00000001, 00000000, 00000000, 00000000, 00000000, "
      "00000000) = 00000300",
      "corvane_special_features(44000001, 00000001, 00000001, 00000000, 00000000, 00000000, "
      "00000000) = 00000301",
      "corvane_special_features(44000100, 00000001, 00000000, 00000000, 00000000, " +
          std::string(status_address) + ", 00000000) = 00000000 x 0000000001",
      "detach unload",
  };
  EXPECT_EQ(LinesOf(trace), expected);
  std::remove(scenario.c_str());
  std::remove(trace.c_str());
}

}  // namespace
