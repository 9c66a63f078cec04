// Tests of the procedure when a library call faults: one line, both buttons off, library dropped.
#include "recovery_procedure.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fault_codes.h"
#include "faulting_calls.h"
#include "guarded_call.h"
#include "library_lifetime.h"
#include "recovery_doubles.h"
#include "stop_request.h"
#include "unit_library_api_kelm.h"

namespace {

using u32 = std::uint32_t;

// Removes its own arguments on return, as an export built with another calling convention.
u32 __stdcall RemovesItsArguments(u32 feature, u32 one, u32 mode, u32 a, u32 b, std::uint8_t* s,
                                  u32 c) {
  return feature + one + mode + a + b + c + (s == nullptr ? 1u : 0u);
}

constexpr PlatformFault kAccessViolation = PlatformFault::kAccessViolation;

// The line that names the export and the code the platform reports for the fault.
std::string FaultLine(const std::string& name, PlatformFault fault) {
  return "The interface library failed in " + name + " (exception " + FaultCodeText(fault) +
         "). Restart the application.";
}

class RecoveryFault : public ::testing::Test {
 protected:
  Journal journal;
  ScriptedLibrary library{journal};
  ScriptedWindow window{journal};

  void SetUp() override {
    StopRequested = 0;
    LibraryLoaded = true;
    AllEntryPointsResolved = true;
    library.counts[3] = 1;
  }

  // START with "USB Veyra (K/ZV/PLEX)" and SWD chosen.
  RecoveryEnding Run() { return RecoveryProcedure(window, 1, 0); }

  template <typename F>
  void Replace(EntrySlot slot, F function) {
    EntryPointTable[static_cast<std::size_t>(slot)] = reinterpret_cast<EntryAddress>(function);
  }

  // After a fault: the fault line is the last finished line, START and STOP are off, and the
  // library is dropped without being freed.
  void ExpectEndedByFault(const std::string& line) {
    ASSERT_GE(window.lines().size(), 2u);
    EXPECT_EQ(window.lines()[window.lines().size() - 2], line);
    EXPECT_EQ(window.lines().back(), "");
    EXPECT_FALSE(window.start_enabled);
    EXPECT_FALSE(window.stop_enabled);
    EXPECT_EQ(journal.back(), "STOP off");
    EXPECT_FALSE(LibraryLoaded);
    EXPECT_FALSE(AllEntryPointsResolved);
    for (EntryAddress entry : EntryPointTable) EXPECT_EQ(entry, nullptr);
    EXPECT_TRUE(InterfaceLibraryAbandoned());
  }

  bool Called(const std::string& call) const {
    for (const auto& entry : journal) {
      if (entry.rfind(call, 0) == 0) return true;
    }
    return false;
  }
};

TEST_F(RecoveryFault, InTheFirstCallEndsBeforeTheReport) {
  Replace(EntrySlot::version, &faulting::AccessViolation);
  Run();
  EXPECT_EQ(window.lines(), (std::vector<std::string>{FaultLine("version", kAccessViolation), ""}));
  ExpectEndedByFault(window.lines()[0]);
}

TEST_F(RecoveryFault, InOpenPortClosesNothingAndCallsNothingMore) {
  Replace(EntrySlot::open_port, &faulting::DivideByZero);
  Run();
  ExpectEndedByFault(FaultLine("open_port", PlatformFault::kDivideByZero));
  EXPECT_FALSE(Called("close_port"));
  EXPECT_FALSE(Called("corvane_special_features"));
}

TEST_F(RecoveryFault, InTheModeCallNamesTheExportAndTheWrongCallingConvention) {
  Replace(EntrySlot::corvane_special_features, &RemovesItsArguments);
  Run();
  ExpectEndedByFault(
      "The interface library failed in corvane_special_features (it returned with the stack "
      "pointer moved: wrong calling convention). Restart the application.");
}

TEST_F(RecoveryFault, InCheckCriticalErrorEndsBeforeTheVersionLabel) {
  Replace(EntrySlot::check_critical_error, &faulting::IllegalInstruction);
  Run();
  ExpectEndedByFault(FaultLine("check_critical_error", PlatformFault::kIllegalInstruction));
  EXPECT_EQ(window.label, "?.??");
  EXPECT_FALSE(Called("get_dll_version"));
}

TEST_F(RecoveryFault, InTheThirdHaltAttemptEndsTheLoopThere) {
  library.halt = [](int attempt, std::uint8_t& status) {
    status = 0x7F;
    if (attempt == 3) status = static_cast<std::uint8_t>(faulting::AccessViolation());
  };
  EXPECT_EQ(Run(), RecoveryEnding::kLibraryFault);
  EXPECT_FALSE(window.halt_loop_running) << "the halt loop was ended";
  ExpectEndedByFault(FaultLine("corvane_special_features", kAccessViolation));
  EXPECT_EQ(library.halt_attempts(), 3);
  EXPECT_EQ(window.final_count->attempts, 3u) << "the attempt that failed was asked";
  EXPECT_EQ(window.message_passes, 2);
}

// A text that runs into a page without read access before its terminator is a fault of the
// export that returned it.
TEST_F(RecoveryFault, ADescriptorRunningIntoAnUnreadablePageIsAFaultInGetPortDescriptor) {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const std::size_t page = system.dwPageSize;
  auto* pages =
      static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD previous = 0;
  ASSERT_TRUE(VirtualProtect(pages + page, page, PAGE_NOACCESS, &previous));
  std::memset(pages + page - 10, 'a', 10);
  library.descriptor = [&](std::uint32_t, std::uint32_t) { return pages + page - 10; };
  Run();
  ExpectEndedByFault(FaultLine("get_port_descriptor", PlatformFault::kReadFault));
  EXPECT_EQ(window.lines()[window.lines().size() - 3], "Number of USB Veyras = 0001");
  VirtualFree(pages, 0, MEM_RELEASE);
}

}  // namespace
