// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Icarus Verilog reads a photo2mem image on its own and writes every word
// back out, one value a line in hex, for comparison with what the
// Verilated design showed: two readers of the same image must agree.
// An unreadable or short image leaves x in a word, which prints as x.
`default_nettype none

module tb_readmem;
    parameter VALUE_BITS = 6;
    parameter DEPTH      = 1;
    parameter INIT_FILE  = "picture.mem";
    parameter OUT_FILE   = "values.txt";

    reg [VALUE_BITS-1:0] mem [0:DEPTH-1];
    integer i, out;

    initial begin
        $readmemh(INIT_FILE, mem);
        out = $fopen(OUT_FILE, "w");
        for (i = 0; i < DEPTH; i = i + 1)
            $fwrite(out, "%h\n", mem[i]);
        $fclose(out);
        $finish;
    end
endmodule

`default_nettype wire
