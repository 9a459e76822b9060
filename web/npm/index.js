// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The page's API in Node: require("kestrow")() resolves to an object with
// convertBmp, toBmp, toMem, toMemHeader and toRaw, over bytes in memory,
// as in the browser (see the docs' browser page).
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const { makeApi, PROGRAMS } = require("./kestrow.js");

module.exports = async function load() {
  const modules = {};
  for (const p of PROGRAMS)
    modules[p] = await WebAssembly.compile(fs.readFileSync(path.join(__dirname, "wasm", p + ".wasm")));
  return makeApi(modules);
};
