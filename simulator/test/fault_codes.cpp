// Learns the platform's exception codes with a vectored handler that records the code and resumes
// the learner, whatever the fault did to the stack, on a thread of the fault's own.
#include "fault_codes.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "faults.h"

namespace {

constexpr std::size_t kFaultCount = 5;

// The fault being raised: where to resume (the compiler's own jump buffer: no unwinding on the
// way back), on which stack, and the code the system reported.
struct Learning {
  void* resume[5] = {};
  std::uintptr_t resume_stack = 0;
  DWORD code = 0;
};
Learning* learning = nullptr;

[[noreturn]] void Resume() {
  __builtin_longjmp(learning->resume, 1);
}

LONG CALLBACK RecordAndResume(EXCEPTION_POINTERS* exception) {
  if (learning == nullptr) return EXCEPTION_CONTINUE_SEARCH;
  learning->code = exception->ExceptionRecord->ExceptionCode;
  // Continues in Resume, entered as if called, on the stack below the learner's frame, which the
  // faulting code used and left (a stack overflow left no room where it stopped).
  const std::uintptr_t resume = reinterpret_cast<std::uintptr_t>(&Resume);
#if defined(__i386__)
  exception->ContextRecord->Eip = static_cast<DWORD>(resume);
  exception->ContextRecord->Esp = static_cast<DWORD>(learning->resume_stack);
#else
  exception->ContextRecord->Rip = resume;
  exception->ContextRecord->Rsp = learning->resume_stack;
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

void Raise(PlatformFault fault) {
  switch (fault) {
    case PlatformFault::kAccessViolation: faults::AccessViolation(); break;
    case PlatformFault::kReadFault: faults::ReadFault(); break;
    case PlatformFault::kIllegalInstruction: faults::IllegalInstruction();
    case PlatformFault::kDivideByZero: faults::DivideByZero(); break;
    case PlatformFault::kStackOverflow: faults::StackOverflow(); break;
  }
}

// Raises `fault` on this thread and returns the code reported, or 0.
DWORD LearnHere(PlatformFault fault) {
  Learning state;
  volatile char here = 0;
  // 16-byte aligned, less the return address a call would have pushed.
  state.resume_stack =
      ((reinterpret_cast<std::uintptr_t>(&here) - 1024) & ~std::uintptr_t{15}) - sizeof(void*);
  learning = &state;
  void* handler = AddVectoredExceptionHandler(1, &RecordAndResume);
  if (handler == nullptr) return 0;
  if (__builtin_setjmp(state.resume) == 0) Raise(fault);
  RemoveVectoredExceptionHandler(handler);
  learning = nullptr;
  return state.code;
}

struct Lesson {
  PlatformFault fault;
  DWORD code = 0;
};

DWORD WINAPI LearnOnItsThread(void* lesson) {
  auto* asked = static_cast<Lesson*>(lesson);
  asked->code = LearnHere(asked->fault);
  return 0;
}

// Each fault is raised on a thread of its own, whose stack goes with it: a stack overflow leaves
// the tests' own thread as it was, with no guard page to restore.
DWORD Learn(PlatformFault fault) {
  Lesson lesson{fault};
  HANDLE thread = CreateThread(nullptr, 256 * 1024, &LearnOnItsThread, &lesson,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) throw std::runtime_error("no thread to raise the fault on");
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  if (lesson.code == 0) throw std::runtime_error("the fault was not raised");
  return lesson.code;
}

}  // namespace

std::uint32_t FaultCode(PlatformFault fault) {
  static std::array<std::uint32_t, kFaultCount> learnt{};
  std::uint32_t& code = learnt[static_cast<std::size_t>(fault)];
  if (code == 0) code = Learn(fault);
  return code;
}

std::string FaultCodeText(PlatformFault fault) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(FaultCode(fault)));
  return text;
}

PlatformFault FaultOfKind(const std::string& kind) {
  if (kind == "access_violation") return PlatformFault::kAccessViolation;
  if (kind == "illegal_instruction") return PlatformFault::kIllegalInstruction;
  if (kind == "divide_by_zero") return PlatformFault::kDivideByZero;
  if (kind == "stack_overflow") return PlatformFault::kStackOverflow;
  throw std::invalid_argument("no fault kind " + kind);
}

std::uint32_t RealCpuFaultCode(PlatformFault fault) {
  switch (fault) {
    case PlatformFault::kAccessViolation:
    case PlatformFault::kReadFault: return EXCEPTION_ACCESS_VIOLATION;
    case PlatformFault::kIllegalInstruction: return EXCEPTION_ILLEGAL_INSTRUCTION;
    case PlatformFault::kDivideByZero: return EXCEPTION_INT_DIVIDE_BY_ZERO;
    case PlatformFault::kStackOverflow: return EXCEPTION_STACK_OVERFLOW;
  }
  return 0;
}

bool CpuEmulated() {
  const char* value = std::getenv("TESTZ_CPU_EMULATED");
  return value != nullptr && value[0] == '1';
}
