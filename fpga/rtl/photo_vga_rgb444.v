// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// A photo2mem --rgb444 image on a 12-bit VGA output (4 bits a channel
// through resistor DACs, as on the Basys 3, Nexys, DE10-Lite and the Pmod
// VGA), centred on black, 640 x 480 at 60 Hz from a
// 25.175 MHz clock. Every output is a register of photo_vga.
`default_nettype none

module photo_vga_rgb444 #(
    parameter WIDTH     = 160,
    parameter HEIGHT    = 120,
    parameter SCALE     = 1,
    parameter INIT_FILE = "picture.mem",
    parameter PICTURES  = 1
) (
    input  wire       clk,
    input  wire       reset,
    input  wire [(PICTURES > 1 ? $clog2(PICTURES) : 1)-1:0] picture,
    output wire [3:0] vga_r,
    output wire [3:0] vga_g,
    output wire [3:0] vga_b,
    output wire       vga_hsync_n,
    output wire       vga_vsync_n,
    output wire       vga_de
);
    wire [11:0] value;
    photo_vga #(.WIDTH(WIDTH), .HEIGHT(HEIGHT), .VALUE_BITS(12), .SCALE(SCALE), .INIT_FILE(INIT_FILE),
                .PICTURES(PICTURES)) core (
        .clk(clk), .reset(reset), .picture(picture), .value(value), .de(vga_de),
        .hsync_n(vga_hsync_n), .vsync_n(vga_vsync_n)
    );
    assign vga_r = value[11:8];
    assign vga_g = value[7:4];
    assign vga_b = value[3:0];
endmodule

`default_nettype wire
