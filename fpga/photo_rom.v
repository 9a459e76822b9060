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

    always @(posedge clk)
        data <= mem[addr];
endmodule

`default_nettype wire
