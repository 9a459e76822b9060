// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// What both board tops share: the picture of picture.vh (photo2mem's
// header) at the largest SCALE that fits 640 x 480, on a 12-bit VGA output
// (a Digilent Pmod VGA's three 4-bit R-2R DACs, or a board's own). A 4:4:4
// picture (photo2mem --rgb444) drives the DACs as it is; a 2-bit channel is
// repeated to 4 bits and a 5- or 6-bit one gives its top 4, so full scale
// stays full scale: 11 -> 1111, 11111 -> 1111. The picture is held in
// reset until the PLL locks, and while `hold` is high (a button).
`default_nettype none

module board_vga #(
    parameter WIDTH      = 160,
    parameter HEIGHT     = 120,
    parameter VALUE_BITS = 6,
    parameter INIT_FILE  = "picture.mem"
) (
    input  wire       clk,      // the pixel clock, from the PLL
    input  wire       locked,   // the PLL's lock
    input  wire       hold,
    output wire [3:0] vga_r,
    output wire [3:0] vga_g,
    output wire [3:0] vga_b,
    output wire       vga_hs,
    output wire       vga_vs
);
    localparam integer SCALE = WIDTH * 8 <= 640 && HEIGHT * 8 <= 480 ? 8 :
                               WIDTH * 4 <= 640 && HEIGHT * 4 <= 480 ? 4 :
                               WIDTH * 2 <= 640 && HEIGHT * 2 <= 480 ? 2 : 1;
    // The lock and the button, synchronised to the pixel clock.
    reg [1:0] reset = 2'b11;
    always @(posedge clk)
        reset <= {reset[0], !locked || hold};

    wire [VALUE_BITS-1:0] value;
    wire de;
    photo_vga #(
        .WIDTH(WIDTH), .HEIGHT(HEIGHT), .VALUE_BITS(VALUE_BITS), .SCALE(SCALE), .INIT_FILE(INIT_FILE)
    ) core (
        .clk(clk), .reset(reset[1]), .picture(1'b0), .value(value), .de(de), .hsync_n(vga_hs), .vsync_n(vga_vs)
    );
    generate
        if (VALUE_BITS == 6) begin : rgb222
            assign vga_r = {value[5:4], value[5:4]};
            assign vga_g = {value[3:2], value[3:2]};
            assign vga_b = {value[1:0], value[1:0]};
        end else if (VALUE_BITS == 12) begin : rgb444
            assign vga_r = value[11:8];
            assign vga_g = value[7:4];
            assign vga_b = value[3:0];
        end else begin : rgb565
            assign vga_r = value[15:12];
            assign vga_g = value[10:7];
            assign vga_b = value[4:1];
        end
    endgenerate
endmodule

`default_nettype wire
