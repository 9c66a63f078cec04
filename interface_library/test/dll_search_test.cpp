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

// The load turns the system's error boxes off for itself only: the thread's mode is given back.
TEST(DllSearch, ALoadLeavesTheThreadsErrorModeAsItWas) {
  ASSERT_TRUE(SetThreadErrorMode(SEM_NOGPFAULTERRORBOX, nullptr));
  EXPECT_EQ(SystemLoader().Load("no_such_library.dll"), nullptr);
  EXPECT_EQ(GetThreadErrorMode(), DWORD{SEM_NOGPFAULTERRORBOX});
}

}  // namespace
