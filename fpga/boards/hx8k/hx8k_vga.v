// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Lattice's iCE40-HX8K breakout board (iCE40HX8K-CT256, 12 MHz oscillator
// on J3) with a Digilent Pmod VGA wired to its header: the picture of
// picture.vh, full screen where it fits. The PLL makes 25.125 MHz from
// 12 MHz (DIVR 0, DIVF 66, DIVQ 5, as icepll gives it): 59.82 frames a
// second. It starts when the PLL locks.
`default_nettype none

module hx8k_vga (
    input  wire       clk_12mhz,
    output wire [3:0] vga_r,
    output wire [3:0] vga_g,
    output wire [3:0] vga_b,
    output wire       vga_hs,
    output wire       vga_vs
);
`include "picture.vh"

    wire clk, locked;
    SB_PLL40_CORE #(
        .FEEDBACK_PATH("SIMPLE"),
        .DIVR(4'b0000), .DIVF(7'b1000010), .DIVQ(3'b101), .FILTER_RANGE(3'b001)
    ) pll (
        .REFERENCECLK(clk_12mhz), .PLLOUTGLOBAL(clk), .LOCK(locked), .RESETB(1'b1), .BYPASS(1'b0)
    );


    board_vga #(
        .WIDTH(PHOTO_WIDTH), .HEIGHT(PHOTO_HEIGHT), .VALUE_BITS(PHOTO_VALUE_BITS), .INIT_FILE(PHOTO_INIT_FILE)
    ) vga (
        .clk(clk), .locked(locked), .hold(1'b0), .vga_r(vga_r), .vga_g(vga_g), .vga_b(vga_b), .vga_hs(vga_hs), .vga_vs(vga_vs)
    );
endmodule

`default_nettype wire
