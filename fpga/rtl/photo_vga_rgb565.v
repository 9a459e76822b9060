// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// A photo2mem image of a 16-bit photo file on an RGB565 output (5, 6 and
// 5 bits a channel), centred on black, 640 x 480 at 60 Hz from a
// 25.175 MHz clock. Every output is a register of photo_vga.
`default_nettype none

module photo_vga_rgb565 #(
    parameter WIDTH     = 160,
    parameter HEIGHT    = 120,
    parameter SCALE     = 1,
    parameter INIT_FILE = "picture.mem",
    parameter PICTURES  = 1
) (
    input  wire       clk,
    input  wire       reset,
    input  wire [(PICTURES > 1 ? $clog2(PICTURES) : 1)-1:0] picture,
    output wire [4:0] vga_r,
    output wire [5:0] vga_g,
    output wire [4:0] vga_b,
    output wire       vga_hsync_n,
    output wire       vga_vsync_n,
    output wire       vga_de
);
    wire [15:0] value;
    photo_vga #(.WIDTH(WIDTH), .HEIGHT(HEIGHT), .VALUE_BITS(16), .SCALE(SCALE), .INIT_FILE(INIT_FILE),
                .PICTURES(PICTURES)) core (
        .clk(clk), .reset(reset), .picture(picture), .value(value), .de(vga_de),
        .hsync_n(vga_hsync_n), .vsync_n(vga_vsync_n)
    );
    assign vga_r = value[15:11];
    assign vga_g = value[10:5];
    assign vga_b = value[4:0];
endmodule

`default_nettype wire
