// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The iCEBreaker (iCE40UP5K, 12 MHz oscillator) with a Digilent Pmod VGA
// in its dual Pmod 1A/1B: the picture of picture.vh, full screen where it
// fits. The PLL makes 25.125 MHz from 12 MHz (DIVR 0, DIVF 66, DIVQ 5, as
// icepll gives it; 25.175 MHz cannot be reached): 800 x 525 clocks a frame,
// 59.82 frames a second, which monitors take for 640 x 480 at 60 Hz. The
// button (BTN_N) restarts the picture.
`default_nettype none

module icebreaker_vga (
    input  wire       clk_12mhz,
    input  wire       btn_n,
    output wire [3:0] vga_r,
    output wire [3:0] vga_g,
    output wire [3:0] vga_b,
    output wire       vga_hs,
    output wire       vga_vs
);
`include "picture.vh"

    wire clk, locked;
    SB_PLL40_PAD #(
        .FEEDBACK_PATH("SIMPLE"),
        .DIVR(4'b0000), .DIVF(7'b1000010), .DIVQ(3'b101), .FILTER_RANGE(3'b001)
    ) pll (
        .PACKAGEPIN(clk_12mhz), .PLLOUTGLOBAL(clk), .LOCK(locked), .RESETB(1'b1), .BYPASS(1'b0)
    );


    board_vga #(
        .WIDTH(PHOTO_WIDTH), .HEIGHT(PHOTO_HEIGHT), .VALUE_BITS(PHOTO_VALUE_BITS), .INIT_FILE(PHOTO_INIT_FILE)
    ) vga (
        .clk(clk), .locked(locked), .hold(!btn_n), .vga_r(vga_r), .vga_g(vga_g), .vga_b(vga_b), .vga_hs(vga_hs), .vga_vs(vga_vs)
    );
endmodule

`default_nettype wire
