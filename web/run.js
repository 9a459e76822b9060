// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Runs one of the programs, built as WebAssembly for WASI, under Node's own
// WASI over real files: the same arguments, output bytes, messages and exit
// status as the program on Linux. WASI has no current folder: the guest's
// "/" is the current folder, so relative names work as they do on Linux,
// and the folder of each absolute name is opened under its own name too.
"use strict";
const fs = require("node:fs");
const path = require("node:path");

// Node calls WASI experimental on standard error; the programs' standard
// error must hold their own messages alone.
process.removeAllListeners("warning");
// Node 20's WASI calls, taken by V8's fast path, may start a garbage
// collection from inside that path once a program holds tens of MiB (a
// 4096 x 4096 picture), and the process aborts or crashes; the ordinary
// call path has no such trouble.
require("node:v8").setFlagsFromString("--no-turbo-fast-api-calls");
const { WASI } = require("node:wasi");
const { PROGRAM_PAGES } = require("./kestrow.js");

// The imports a WASI instance gives a program. getImportObject came with
// Node 20; Node 18 (Debian 12's) has only the table of calls itself.
function wasiImports(wasi) {
  return typeof wasi.getImportObject === "function"
    ? wasi.getImportObject()
    : { wasi_snapshot_preview1: wasi.wasiImport };
}

// A program started under `wasi`. Its memory is the host's (imported), as
// the page gives it; WASI's start finds it as the instance's own.
function start(wasi, module) {
  const memory = new WebAssembly.Memory({ initial: PROGRAM_PAGES });
  const instance = new WebAssembly.Instance(module, { ...wasiImports(wasi), env: { memory } });
  return wasi.start({ exports: { _start: instance.exports._start, memory } });
}

// The nearest folder that exists, at or above `dir`.
function existing(dir) {
  while (!fs.existsSync(dir) && path.dirname(dir) !== dir) dir = path.dirname(dir);
  return dir;
}

function run(program) {
  let args = process.argv.slice(2);
  // Windows: folders separated by "/" as in WASI (a drive letter is not
  // understood: give names relative to the current folder).
  if (process.platform === "win32") args = args.map((a) => a.replace(/\\/g, "/"));
  const preopens = { "/": process.cwd() };
  for (const a of args)
    if (a.startsWith("/") && a.length > 1) {
      const dir = existing(path.posix.dirname(a));
      if (dir !== "/") preopens[dir] = dir;
    }
  const wasi = new WASI({ version: "preview1", args: [program, ...args], env: {}, preopens, returnOnExit: true });
  const module = new WebAssembly.Module(fs.readFileSync(path.join(__dirname, "wasm", program + ".wasm")));
  process.exitCode = start(wasi, module);
}

module.exports = run;
module.exports.start = start;
