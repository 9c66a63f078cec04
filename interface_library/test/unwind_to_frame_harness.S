/* The harness for the contract of UnwindToFrame (invoke_checked_i686.S), the guard's way through
   the system's unwind (32-bit Windows, GNU assembler). */

        .data
        .globl  _unwind_sentinels       /* loaded into EBX, ESI, EDI and EBP before the call */
_unwind_sentinels:
        .long   0x5E171E1B, 0x5E171E51, 0x5E171ED1, 0x5E171EBB
        .globl  _unwind_target_instruction
_unwind_target_instruction:
        .long   0
        .globl  _unwind_return_address
_unwind_return_address:
        .long   0

        .text
/* void __stdcall UnwindClobberingRegisters(void* target_frame, void* target_instruction,
                                            EXCEPTION_RECORD* record, void* return_value);
   The system's RtlUnwind, after which EBX, ESI, EDI and EBP hold other values, as Windows' own
   32-bit RtlUnwind leaves the first three. Notes its target instruction and return address. */
        .globl  _UnwindClobberingRegisters@16
        .def    _UnwindClobberingRegisters@16; .scl 2; .type 32; .endef
_UnwindClobberingRegisters@16:
        movl    8(%esp), %eax
        movl    %eax, _unwind_target_instruction
        movl    (%esp), %eax
        movl    %eax, _unwind_return_address
        pushl   16(%esp)                /* return value */
        pushl   16(%esp)                /* record */
        pushl   $1f                     /* target instruction: the continuation below */
        pushl   16(%esp)                /* target frame */
        call    *__imp__RtlUnwind@16    /* removes them */
1:      movl    $0xBAD0BAD0, %ebx
        movl    $0xBAD1BAD1, %esi
        movl    $0xBAD2BAD2, %edi
        movl    $0xBAD3BAD3, %ebp
        ret     $16

ContinueSearch:                         /* never called: the unwind stops at its frame */
        movl    $1, %eax
        ret

/* void UnwindToFrameUnderSentinels(EXCEPTION_RECORD* record, uint32_t after[4]);
   Registers a frame of its own at fs:0, loads the sentinels, calls UnwindToFrame(frame, record)
   and stores what EBX, ESI, EDI and EBP hold after it into after[]. */
        .globl  _UnwindToFrameUnderSentinels
        .def    _UnwindToFrameUnderSentinels; .scl 2; .type 32; .endef
_UnwindToFrameUnderSentinels:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        pushl   12(%ebp)                /* after */
        pushl   $ContinueSearch         /* the registration record: handler, next */
        pushl   %fs:0
        movl    %esp, %fs:0
        movl    %esp, %eax
        pushl   8(%ebp)                 /* record */
        pushl   %eax                    /* target frame: ours */
        movl    _unwind_sentinels, %ebx
        movl    _unwind_sentinels+4, %esi
        movl    _unwind_sentinels+8, %edi
        movl    _unwind_sentinels+12, %ebp
        call    _UnwindToFrame
        addl    $8, %esp
        popl    %fs:0
        addl    $4, %esp
        popl    %eax
        movl    %ebx, (%eax)
        movl    %esi, 4(%eax)
        movl    %edi, 8(%eax)
        movl    %ebp, 12(%eax)
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
