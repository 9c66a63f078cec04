// Whether this build catches a library call that faults: the one answer the whole project uses.
#pragma once

// The build decides it once (TESTZ_GUARDED_CALLS in the top-level CMakeLists.txt) and passes it
// on as TESTZ_LIBRARY_FAULTS_CAUGHT to everything that uses the library_faults target: where it
// is set (32-bit x86 Windows, the library's own platform) every library call goes through the
// guard, and the tests of faults are built. Code that must not even be compiled elsewhere
// (assembler, the guard's declarations) tests the definition; everything else reads this.
#if defined(TESTZ_LIBRARY_FAULTS_CAUGHT)
inline constexpr bool kLibraryFaultsCaught = true;
#else
inline constexpr bool kLibraryFaultsCaught = false;
#endif
