// Tests of the library search on Windows: only the standard places, never a folder set before.
#include "platform_loader.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// planted.dll lies in the folder "planted" below the working directory and nowhere else.
TEST(DllSearch, AFolderAddedToTheSearchEarlierIsDroppedBeforeLoading) {
  // The folder is found while it is in the search...
  ASSERT_TRUE(SetDllDirectoryW(L"planted"));
  HMODULE found = LoadLibraryA("planted.dll");
  ASSERT_NE(found, nullptr);
  FreeLibrary(found);

  // ...and the loader takes it out before it loads.
  ASSERT_TRUE(SetDllDirectoryW(L"planted"));
  EXPECT_EQ(SystemLoader().Load("planted.dll"), nullptr);
  EXPECT_EQ(LoadLibraryA("planted.dll"), nullptr);
}

// The load asks the system to show no box of its own; the thread's error mode is given back after
// it, whether the load succeeds or not.
TEST(DllSearch, ALoadLeavesTheThreadsErrorModeAsItWas) {
  for (const DWORD mode : {DWORD{0}, DWORD{SEM_NOGPFAULTERRORBOX}}) {
    ASSERT_TRUE(SetThreadErrorMode(mode, nullptr));
    EXPECT_EQ(SystemLoader().Load("no_such_library.dll"), nullptr);
    EXPECT_EQ(GetThreadErrorMode(), mode);
    ModuleHandle kernel32 = SystemLoader().Load("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    SystemLoader().Free(kernel32);
    EXPECT_EQ(GetThreadErrorMode(), mode);
  }
}

}  // namespace
