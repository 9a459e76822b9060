/* qemu's riscv32 virt board: RAM from 0x80000000, where -kernel loads the
 * image and -bios none starts it. Everything is loaded in place, so
 * nothing is copied at start-up. */
ENTRY(_start)

MEMORY
{
    RAM (rwx) : ORIGIN = 0x80000000, LENGTH = 1M
}

SECTIONS
{
    .text : {
        KEEP(*(.text.entry))
        *(.text*)
        *(.rodata*)
        *(.srodata*)
    } > RAM
    .data : {
        *(.data*)
        *(.sdata*)
    } > RAM
    .bss (NOLOAD) : {
        . = ALIGN(4);
        __bss_start = .;
        *(.bss*)
        *(.sbss*)
        *(COMMON)
        . = ALIGN(4);
        __bss_end = .;
    } > RAM
    . = ALIGN(16);
    __stack_top = . + 16K;
}
