// The thread stack's guard page, armed again after a stack overflow (Windows).
#pragma once

// After a stack overflow has been caught the stack has no guard page left, and a second overflow
// would end the process unannounced. This makes the lowest writable page of the stack its guard
// page again, where the system had put it. (The C runtime's _resetstkoflw guards a page next to
// the caller's frame instead, which a process on an emulated CPU under Wine does not survive.)
// Nothing changes while that page is still guarded.
void RearmStackGuardPage();
