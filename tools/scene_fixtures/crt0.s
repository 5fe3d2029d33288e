@ Start of every test ROM: the branch over the header, the header mGBA looks for, then
@ a stack and main. Nothing is copied to RAM: the ROMs keep no writable globals.
    .section .text.start, "ax"
    .arm
    .global _start
_start:
    b       start
    .fill   156, 1, 0               @ logo (not checked when the BIOS is skipped)
    .ascii  "TEGULOSCENE "          @ 0xA0 title
    .ascii  "TSCN"                  @ 0xAC game code
    .ascii  "01"                    @ 0xB0 maker
    .byte   0x96, 0, 0              @ 0xB2 fixed value, unit, device
    .fill   7, 1, 0
    .byte   0, 0                    @ 0xBC version, complement (unchecked)
    .fill   2, 1, 0
start:
    ldr     sp, =0x03007F00
    ldr     r0, =main
    mov     lr, pc
    bx      r0
hang:
    b       hang
    .pool
