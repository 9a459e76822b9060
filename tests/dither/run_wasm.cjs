// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Runs a test program built for WASI under Node: node run_wasm.cjs <program.wasm> [arguments],
// its exit status the program's. The npm package's runner, loaded first,
// quiets WASI's "experimental" notice, sets Node up as its programs need
// and gives the imports on Node 18 and 20 alike.
"use strict";
const { start } = require("../../web/run.js");
const { WASI } = require("node:wasi");
const fs = require("node:fs");
const wasi = new WASI({ version: "preview1", args: [process.argv[2], ...process.argv.slice(3)], env: {},
                        preopens: {}, returnOnExit: true });
const compiled = new WebAssembly.Module(fs.readFileSync(process.argv[2]));
process.exitCode = start(wasi, compiled);
