// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The Digilent Basys 3 (Artix-7 xc7a35t, 100 MHz oscillator) on its own
// 12-bit VGA port: the picture of picture.vh, full screen where it fits.
// An MMCM makes 25 MHz from 100 MHz (VCO 1000 MHz, CLKFBOUT_MULT_F 10,
// CLKOUT0_DIVIDE_F 40): 800 x 525 clocks a frame, 59.52 frames a second,
// which monitors take for 640 x 480 at 60 Hz. The centre button (BTNC)
// restarts the picture. Pins: basys3_vga.xdc.
`default_nettype none

module basys3_vga (
    input  wire       clk_100mhz,
    input  wire       btn_c,
    output wire [3:0] vga_r,
    output wire [3:0] vga_g,
    output wire [3:0] vga_b,
    output wire       vga_hs,
    output wire       vga_vs
);
`include "picture.vh"

    wire clk_fb, clk_unbuffered, clk, locked;
    MMCME2_BASE #(
        .CLKIN1_PERIOD(10.0), .DIVCLK_DIVIDE(1), .CLKFBOUT_MULT_F(10.0), .CLKOUT0_DIVIDE_F(40.0)
    ) mmcm (
        .CLKIN1(clk_100mhz), .CLKFBIN(clk_fb), .CLKFBOUT(clk_fb), .CLKOUT0(clk_unbuffered),
        .LOCKED(locked), .RST(1'b0), .PWRDWN(1'b0)
    );
    BUFG bufg (.I(clk_unbuffered), .O(clk));

    board_vga #(
        .WIDTH(PHOTO_WIDTH), .HEIGHT(PHOTO_HEIGHT), .VALUE_BITS(PHOTO_VALUE_BITS), .INIT_FILE(PHOTO_INIT_FILE)
    ) vga (
        .clk(clk), .locked(locked), .hold(btn_c), .vga_r(vga_r), .vga_g(vga_g), .vga_b(vga_b),
        .vga_hs(vga_hs), .vga_vs(vga_vs)
    );
endmodule

`default_nettype wire
