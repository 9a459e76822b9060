/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Entry and trap handler of the rv32 test image, in machine mode on
 * qemu's virt board (started with -bios none, so at the image's entry). */
#include <stdint.h>

#include "semihost.h"

extern uint32_t __bss_start[], __bss_end[], __stack_top[];
int main(void);
void rv32_start(void);

static void trap_handler(void)
{
    semihost_write0("fault: the core trapped\n");
    semihost_exit(0);
}

void rv32_start(void)
{
    uint32_t *p;
    for (p = __bss_start; p < __bss_end; p++)
        *p = 0;
    /* Zicsr is named here, not in -march, which would leave picolibc's
     * rv32imac build unchosen. */
    __asm__ volatile(".option push\n.option arch, +zicsr\ncsrw mtvec, %0\n.option pop"
                     :
                     : "r"((uintptr_t)trap_handler));
    semihost_exit(main() == 0);
}

/* The stack first, before any C runs. */
__asm__(".section .text.entry, \"ax\"\n"
        ".global _start\n"
        "_start:\n"
        "  la sp, __stack_top\n"
        "  j rv32_start\n");
