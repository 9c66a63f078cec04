/* Calls a cdecl function with an array of 32-bit arguments and reports whether it returned with
   the stack pointer where cdecl leaves it (32-bit Windows, GNU assembler).

   uint32_t InvokeChecked(EntryAddress entry, const uint32_t* args, unsigned count,
                          uint32_t* stack_moved);

   The arguments are pushed last to first. After the call the stack pointer must be where it was
   just before the call: a callee that removed its own arguments (stdcall) or otherwise moved it
   sets *stack_moved to 1. Either way the stack pointer is restored from a callee-saved register,
   so the caller goes on with a sound stack. */

        .text
        .globl  _InvokeChecked
        .def    _InvokeChecked; .scl 2; .type 32; .endef
_InvokeChecked:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    %esp, %esi              /* the stack pointer to restore */
        movl    12(%ebp), %edi          /* args */
        movl    16(%ebp), %ecx          /* count */
1:      testl   %ecx, %ecx
        jz      2f
        decl    %ecx
        pushl   (%edi,%ecx,4)
        jmp     1b
2:      movl    %esp, %ebx              /* where cdecl leaves the stack pointer after the call */
        call    *8(%ebp)
        xorl    %ecx, %ecx
        cmpl    %ebx, %esp
        setne   %cl
        movl    20(%ebp), %edx
        movl    %ecx, (%edx)
        movl    %esi, %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

/* Unwinds the exception-registration frames above a guard's through the routine that
   _GuardUnwind points at (the system's RtlUnwind, a stdcall routine of four arguments), keeping
   the caller's registers as cdecl promises them.

   void UnwindToFrame(void* target_frame, EXCEPTION_RECORD* record);

   The target instruction passed is the continuation address of the unwind: the instruction right
   after the call, where this routine goes on. Windows' own 32-bit RtlUnwind returns with EBX, ESI
   and EDI changed, so they are saved here around it, and EBP as well; nothing is read from them
   after the call before they are restored from the stack. */

        .globl  _UnwindToFrame
        .def    _UnwindToFrame; .scl 2; .type 32; .endef
_UnwindToFrame:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        pushl   $0                      /* return value */
        pushl   12(%ebp)                /* record */
        pushl   $1f                     /* target instruction: the continuation below */
        pushl   8(%ebp)                 /* target frame */
        call    *_GuardUnwind           /* removes its four arguments */
1:      popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

/* The guard's exception handler (_GuardHandler, guarded_call_win32_x86.cpp) is entered by the
   system from the registration record GuardedInvoke puts at fs:0. An image whose load
   configuration lists its safe exception handlers (SafeSEH) gets only those called, so the
   handler is declared one, and the object marked as declaring all of its handlers (@feat.00),
   for the assemblers that build that list: clang's. The GNU assembler has no such directive, nor
   does the GNU linker write the list; the program's header check fails on an image whose list
   lacks the handler (packaging/program_header_check.cmake). */
#if defined(__clang__)
        .def    @feat.00; .scl 3; .type 0; .endef
        .globl  @feat.00
        .set    @feat.00, 1
        .safeseh _GuardHandler
#endif
