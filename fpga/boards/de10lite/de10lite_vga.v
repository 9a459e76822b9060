// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The Terasic DE10-Lite (MAX 10 10M50DAF484C7G, 50 MHz oscillator) on its
// own 12-bit VGA port: the picture of picture.vh, full screen where it
// fits. The pixel clock is the 50 MHz oscillator divided by two in a
// register, 25 MHz: 800 x 525 clocks a frame, 59.52 frames a second, which
// monitors take for 640 x 480 at 60 Hz. (Quartus calls such a clock a
// ripple clock and times it as one; an ALTPLL from the IP catalog, c0 at
// 25.175 MHz, may take its place.) KEY0, pressed, restarts the picture.
// Pins: de10lite_vga.qsf.
`default_nettype none

module de10lite_vga (
    input  wire       max10_clk1_50,
    input  wire       key0_n,
    output wire [3:0] vga_r,
    output wire [3:0] vga_g,
    output wire [3:0] vga_b,
    output wire       vga_hs,
    output wire       vga_vs
);
`include "picture.vh"

    reg clk = 1'b0;
    always @(posedge max10_clk1_50)
        clk <= !clk;

    board_vga #(
        .WIDTH(PHOTO_WIDTH), .HEIGHT(PHOTO_HEIGHT), .VALUE_BITS(PHOTO_VALUE_BITS), .INIT_FILE(PHOTO_INIT_FILE)
    ) vga (
        .clk(clk), .locked(1'b1), .hold(!key0_n), .vga_r(vga_r), .vga_g(vga_g), .vga_b(vga_b),
        .vga_hs(vga_hs), .vga_vs(vga_vs)
    );
endmodule

`default_nettype wire
