/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Reset and fault handlers and the vector table of the test image. */
#include <stdint.h>

#include "semihost.h"

extern uint32_t __data_load[], __data_start[], __data_end[], __bss_start[], __bss_end[], __stack_top[];
int main(void);

static void reset_handler(void)
{
    uint32_t *src = __data_load, *dst = __data_start;
    while (dst < __data_end)
        *dst++ = *src++;
    for (dst = __bss_start; dst < __bss_end; dst++)
        *dst = 0;
    semihost_exit(main() == 0);
}

static void fault_handler(void)
{
    semihost_write0("fault: the core refused an access (on a Cortex-M0, an unaligned one)\n");
    semihost_exit(0);
}

/* Initial stack pointer, then reset, NMI, HardFault; the rest of the
 * core's 16 entries go to the fault handler too. */
__attribute__((section(".vectors"), used)) static const uintptr_t vectors[16] = {
    (uintptr_t)__stack_top,     (uintptr_t)reset_handler, (uintptr_t)fault_handler, (uintptr_t)fault_handler,
    (uintptr_t)fault_handler,   (uintptr_t)fault_handler, (uintptr_t)fault_handler, (uintptr_t)fault_handler,
    (uintptr_t)fault_handler,   (uintptr_t)fault_handler, (uintptr_t)fault_handler, (uintptr_t)fault_handler,
    (uintptr_t)fault_handler,   (uintptr_t)fault_handler, (uintptr_t)fault_handler, (uintptr_t)fault_handler,
};
