/* An unwind routine for the tests of the guard: the system's RtlUnwind, after which EBX, ESI and
   EDI hold other values, as Windows' own 32-bit RtlUnwind leaves them (32-bit Windows, GNU
   assembler).

   void __stdcall UnwindClobberingRegisters(void* target_frame, void* target_instruction,
                                            EXCEPTION_RECORD* record, void* return_value); */

        .text
        .globl  _UnwindClobberingRegisters@16
        .def    _UnwindClobberingRegisters@16; .scl 2; .type 32; .endef
_UnwindClobberingRegisters@16:
        pushl   16(%esp)                /* the four arguments, again, last to first */
        pushl   16(%esp)
        pushl   16(%esp)
        pushl   16(%esp)
        call    *__imp__RtlUnwind@16    /* removes them */
        movl    $0xBAD0BAD0, %ebx
        movl    $0xBAD1BAD1, %esi
        movl    $0xBAD2BAD2, %edi
        ret     $16
