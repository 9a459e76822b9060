// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// A picture in block RAM: DEPTH words of WIDTH bits, loaded from a
// $readmemh image (photo2mem's output), read with one clock of latency.
// The registered read is what makes synthesis tools infer block RAM
// rather than logic.
`default_nettype none

module photo_rom #(
    parameter WIDTH     = 6,
    parameter DEPTH     = 19200,
    parameter ADDR_BITS = 15,
    parameter INIT_FILE = "picture.mem"
) (
    input  wire                 clk,
    input  wire [ADDR_BITS-1:0] addr,
    output reg  [WIDTH-1:0]     data
);
    reg [WIDTH-1:0] mem [0:DEPTH-1];

    initial $readmemh(INIT_FILE, mem);

`ifndef SYNTHESIS
    // An image shorter than DEPTH words is refused when the simulation
    // starts: read as WIDTH x HEIGHT it would show a sheared picture, and
    // simulators only warn of it, if at all. The image is read again into a
    // memory whose words start with a bit the image cannot set, so a short
    // image leaves its last word marked. (A longer image is refused by the
    // simulators themselves: Verilator stops, Icarus warns of too many
    // words.)
    reg [WIDTH:0] probe [0:DEPTH-1];
    integer i;
    initial begin
        for (i = 0; i < DEPTH; i = i + 1)
            probe[i] = {1'b1, {WIDTH{1'b0}}};
        $readmemh(INIT_FILE, probe);
        if (probe[DEPTH-1][WIDTH]) begin
            $display("photo_rom: %0s holds fewer than WIDTH x HEIGHT = %0d words", INIT_FILE, DEPTH);
            $stop;
        end
    end
`endif

    always @(posedge clk)
        data <= mem[addr];
endmodule

`default_nettype wire
