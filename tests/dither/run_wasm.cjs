// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Runs a test program built for WASI under Node: node run_wasm.cjs <program.wasm> [arguments],
// its exit status the program's.
"use strict";
process.removeAllListeners("warning");  // WASI's "experimental" notice
// As in web/npm/run.js: no fast API calls, which a big program's memory
// makes crash Node 20's WASI.
require("node:v8").setFlagsFromString("--no-turbo-fast-api-calls");
const { WASI } = require("node:wasi");
const fs = require("node:fs");
const wasi = new WASI({ version: "preview1", args: [process.argv[2], ...process.argv.slice(3)], env: {},
                        preopens: {}, returnOnExit: true });
const compiled = new WebAssembly.Module(fs.readFileSync(process.argv[2]));
process.exitCode = wasi.start(new WebAssembly.Instance(compiled, wasi.getImportObject()));
