// What only the test build of the program does: faults raised on request, to see how the program
// ends on them.
#pragma once

// Where TESTZ_TEST_CRASH names a fault ("unhandled_exception" or "terminate"), raises it on a
// thread of its own a second after the call: an access violation nobody handles, or
// std::terminate.
void StartTestCrash();
