// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Preloaded (node --require) to make a newer Node's WASI look like Node
// 18's, Debian 12's: no getImportObject, so the package takes the path it
// takes there.
"use strict";
process.removeAllListeners("warning");
delete require("node:wasi").WASI.prototype.getImportObject;
