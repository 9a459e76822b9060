/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The two semihosting calls the test images need. ARM's semihosting
 * interface: a BKPT 0xAB on M-profile cores; on RISC-V an EBREAK between
 * two marker instructions, uncompressed and within one page, that the
 * debugger (here qemu) recognises. */
#ifndef KESTROW_SEMIHOST_H
#define KESTROW_SEMIHOST_H

#include <stdint.h>

#if defined(__riscv)
static inline uintptr_t semihost_call(uintptr_t op, uintptr_t arg)
{
    register uintptr_t a0 __asm__("a0") = op;
    register uintptr_t a1 __asm__("a1") = arg;
    __asm__ volatile(".balign 16\n"
                     ".option push\n"
                     ".option norvc\n"
                     "slli zero, zero, 0x1f\n"
                     "ebreak\n"
                     "srai zero, zero, 7\n"
                     ".option pop\n"
                     : "+r"(a0)
                     : "r"(a1)
                     : "memory");
    return a0;
}
#else
static inline uintptr_t semihost_call(uintptr_t op, uintptr_t arg)
{
    register uintptr_t r0 __asm__("r0") = op;
    register uintptr_t r1 __asm__("r1") = arg;
    __asm__ volatile("bkpt 0xab" : "+r"(r0) : "r"(r1) : "memory");
    return r0;
}
#endif

/* SYS_WRITE0: a NUL-terminated string to the debugger's console. */
static inline void semihost_write0(const char *s) { semihost_call(0x04, (uintptr_t)s); }

/* SYS_EXIT: ADP_Stopped_ApplicationExit makes qemu exit 0, any other
 * reason (here ADP_Stopped_RunTimeErrorUnknown) exits 1. On 32-bit cores
 * the reason is the argument itself. */
static inline void semihost_exit(int success)
{
    semihost_call(0x18, success ? 0x20026u : 0x20023u);
    for (;;) {
    }
}

#endif
