/* A minimal 32-bit Windows image for the tests of the program's header check: a load
   configuration whose list of safe exception handlers (SafeSEH) the linker fills in
   (lld-link /safeseh), a handler of its own in that list, and a stand-in for the guard's
   _GuardHandler, which is listed only when the guard's invoke_checked_i686.S, assembled by clang,
   is linked in with it. Assembled by clang (the GNU assembler has no .safeseh). */

        .text
        .globl  _start
_start: xorl    %eax, %eax
        ret

        .globl  _GuardHandler
_GuardHandler:
        movl    $1, %eax                /* ExceptionContinueSearch */
        ret

        .globl  _ImageHandler
_ImageHandler:
        movl    $1, %eax
        ret

        .data
        .globl  _GuardUnwind
_GuardUnwind:
        .long   0

/* IMAGE_LOAD_CONFIG_DIRECTORY32 up to its SafeSEH fields: its size, fifteen fields left zero,
   then the list's address and length, which the linker defines. */
        .section .rdata,"dr"
        .globl  __load_config_used
        .p2align 2
__load_config_used:
        .long   0x48
        .fill   15, 4, 0
        .long   ___safe_se_handler_table
        .long   ___safe_se_handler_count

        .def    @feat.00; .scl 3; .type 0; .endef
        .globl  @feat.00
        .set    @feat.00, 1
        .safeseh _ImageHandler
