// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// kestrow in the browser. The programs themselves (kestrow, kestrow16,
// bmpdither, bmpdither16, photo2bmp, photo2mem, photo2raw), built from the
// project's C++ as WebAssembly for WASI, run here with their files in
// memory: this file gives them the few WASI calls they make, runs them as
// the command line would, and returns their output files, messages and
// exit status. window.kestrowReady resolves to the page's API.
"use strict";

const PROGRAMS = ["kestrow", "kestrow16", "photo2bmp", "photo2mem", "photo2raw", "bmpdither", "bmpdither16", "bmpdither12"];

// WASI's errno values and file types, as far as they are used.
const E = { SUCCESS: 0, BADF: 8, EXIST: 20, INVAL: 28, ISDIR: 31, NOENT: 44, NOSYS: 52, NOTDIR: 54 };
const FILETYPE = { CHAR: 2, DIR: 3, REG: 4 };
const PREOPEN_FD = 3;

class Exit {
  constructor(code) { this.code = code; }
}

// WASI's two calls for the program's arguments: the sizes first, for the
// program to allocate, then the arguments into what it allocated, each
// UTF-8 and NUL-ended. The two must agree byte for byte, or args_get writes
// past the program's buffer; the browser test holds them to each other.
function argumentCalls(argv, memory) {
  const encoded = argv.map((a) => new TextEncoder().encode(a + "\0"));
  return {
    args_sizes_get(argc, size) {
      const v = new DataView(memory().buffer);
      v.setUint32(argc, argv.length, true);
      v.setUint32(size, encoded.reduce((n, b) => n + b.length, 0), true);
      return E.SUCCESS;
    },
    args_get(list, buf) {
      const v = new DataView(memory().buffer), all = new Uint8Array(memory().buffer);
      encoded.forEach((b, i) => {
        v.setUint32(list + 4 * i, buf, true);
        all.set(b, buf);
        buf += b.length;
      });
      return E.SUCCESS;
    },
  };
}

// fd_read's work: from `file` ({data, size}) at the open file's position
// `f.pos` into the `count` buffers the iovecs at `iovs` name, until one is
// not filled; returns the bytes read (0 at the end of the file).
function readFile(file, f, v, mem, iovs, count) {
  let got = 0;
  for (let i = 0; i < count; i++) {
    const ptr = v.getUint32(iovs + 8 * i, true), len = v.getUint32(iovs + 8 * i + 4, true);
    const n = Math.max(0, Math.min(len, file.size - f.pos));
    mem.set(file.data.subarray(f.pos, f.pos + n), ptr);
    f.pos += n;
    got += n;
    if (n < len) break;
  }
  return got;
}

// The programs' memory is the host's: 8 MiB to start with (their data and
// stack; cmake/toolchains/wasi.cmake fixes it at link time), grown by
// them as they need. A fresh memory costs a page fault for every 4 KiB
// first touched, tens of milliseconds for a big picture's megabytes, more
// than the work itself; so each thread keeps the memory of its last run,
// and scratch buffers for the files its runs write, and hands them to the
// next run, cleared: all zero, as a fresh memory would be. (Where memory
// is imported the linker writes a program's zeroed data at each start
// anyway, and calloc clears what it gives out; but in Chromium a memory
// kept as the last run left it made the next 1080p conversion about twice
// as slow, and clearing it costs about a millisecond.)
const PROGRAM_PAGES = 128;
const spare = { memory: null, buffers: [] };

function takeMemory() {
  const m = spare.memory || new WebAssembly.Memory({ initial: PROGRAM_PAGES });
  spare.memory = null;
  return m;
}

// A buffer of at least `size` bytes for a file being written: a spare one
// where one is big enough, else a new one with room to grow.
function takeBuffer(size) {
  const i = spare.buffers.findIndex((b) => b.length >= size);
  if (i >= 0) return spare.buffers.splice(i, 1)[0];
  return new Uint8Array(Math.max(size, 4096));
}

// One run of one program over a set of in-memory files.
function runProgram(module, argv, files) {
  const fds = new Map([[PREOPEN_FD, { dir: true }]]);
  let nextFd = 4, memory = null, stdout = "", stderr = "";
  const decoder = new TextDecoder();
  const view = () => new DataView(memory.buffer);
  const bytes = () => new Uint8Array(memory.buffer);
  const text = (ptr, len) => decoder.decode(bytes().subarray(ptr, ptr + len));
  const name = (path) => path.replace(/^\.?\/+/, "");
  const inode = (n) => 2 + [...files.keys()].indexOf(n);

  function writeStat(ptr, type, size, ino) {
    const v = view();
    v.setBigUint64(ptr, 1n, true);              // dev
    v.setBigUint64(ptr + 8, BigInt(ino), true);  // ino
    v.setUint8(ptr + 16, type);
    v.setBigUint64(ptr + 24, 1n, true);          // nlink
    v.setBigUint64(ptr + 32, BigInt(size), true);
    for (let i = 40; i < 64; i += 8) v.setBigUint64(ptr + i, 0n, true);
  }
  // Room in `file` up to `end`, in a buffer of this set's own: a file the
  // caller lent is never written.
  function grow(file, end) {
    if (!file.lent && end <= file.data.length) return;
    const bigger = takeBuffer(Math.max(end, file.lent ? 0 : file.data.length * 2));
    bigger.set(file.data.subarray(0, file.size));
    if (!file.lent) spare.buffers.push(file.data);
    file.data = bigger;
    file.lent = false;
  }
  const wasi = {
    ...argumentCalls(argv, () => memory),
    environ_sizes_get(count, size) { view().setUint32(count, 0, true); view().setUint32(size, 0, true); return E.SUCCESS; },
    environ_get() { return E.SUCCESS; },
    fd_prestat_get(fd, buf) {
      if (fd !== PREOPEN_FD) return E.BADF;
      view().setUint8(buf, 0);
      view().setUint32(buf + 4, 1, true);
      return E.SUCCESS;
    },
    fd_prestat_dir_name(fd, path, len) {
      if (fd !== PREOPEN_FD) return E.BADF;
      bytes()[path] = 0x2f;  // "/"
      return E.SUCCESS;
    },
    fd_fdstat_get(fd, buf) {
      const v = view();
      const type = fd <= 2 ? FILETYPE.CHAR : fds.get(fd)?.dir ? FILETYPE.DIR : fds.has(fd) ? FILETYPE.REG : -1;
      if (type < 0) return E.BADF;
      v.setUint8(buf, type);
      v.setUint16(buf + 2, 0, true);
      v.setBigUint64(buf + 8, 0xffffffffffffffffn, true);
      v.setBigUint64(buf + 16, 0xffffffffffffffffn, true);
      return E.SUCCESS;
    },
    fd_fdstat_set_flags() { return E.SUCCESS; },
    fd_filestat_get(fd, buf) {
      if (fd <= 2) { writeStat(buf, FILETYPE.CHAR, 0, 1); return E.SUCCESS; }
      const f = fds.get(fd);
      if (!f) return E.BADF;
      if (f.dir) { writeStat(buf, FILETYPE.DIR, 0, 1); return E.SUCCESS; }
      writeStat(buf, FILETYPE.REG, files.get(f.name).size, inode(f.name));
      return E.SUCCESS;
    },
    path_filestat_get(fd, flags, path, len, buf) {
      const n = name(text(path, len));
      if (n === "") { writeStat(buf, FILETYPE.DIR, 0, 1); return E.SUCCESS; }
      if (!files.has(n)) return E.NOENT;
      writeStat(buf, FILETYPE.REG, files.get(n).size, inode(n));
      return E.SUCCESS;
    },
    path_open(dirfd, dirflags, path, len, oflags, rightsBase, rightsInheriting, fdflags, out) {
      const n = name(text(path, len));
      if (n === "" || (oflags & 2)) return E.ISDIR;  // a directory, or O_DIRECTORY
      if (!files.has(n)) {
        if (!(oflags & 1)) return E.NOENT;           // no O_CREAT
        files.set(n, { data: new Uint8Array(0), size: 0 });
      } else if (oflags & 4) {
        return E.EXIST;                               // O_EXCL
      }
      if (oflags & 8) files.get(n).size = 0;          // O_TRUNC
      const fd = nextFd++;
      fds.set(fd, { name: n, pos: 0, append: (fdflags & 1) !== 0 });
      view().setUint32(out, fd, true);
      return E.SUCCESS;
    },
    fd_close(fd) { return fds.delete(fd) ? E.SUCCESS : E.BADF; },
    fd_seek(fd, offset, whence, out) {
      const f = fds.get(fd);
      if (!f || f.dir) return E.BADF;
      const size = files.get(f.name).size;
      const base = whence === 0 ? 0 : whence === 1 ? f.pos : size;
      const pos = base + Number(offset);
      if (pos < 0) return E.INVAL;
      f.pos = pos;
      view().setBigUint64(out, BigInt(pos), true);
      return E.SUCCESS;
    },
    fd_read(fd, iovs, count, out) {
      const f = fds.get(fd);
      if (!f || f.dir) return fd === 0 ? (view().setUint32(out, 0, true), E.SUCCESS) : E.BADF;
      view().setUint32(out, readFile(files.get(f.name), f, view(), bytes(), iovs, count), true);
      return E.SUCCESS;
    },
    fd_write(fd, iovs, count, out) {
      const v = view();
      let put = 0;
      for (let i = 0; i < count; i++) {
        const ptr = v.getUint32(iovs + 8 * i, true), len = v.getUint32(iovs + 8 * i + 4, true);
        const chunk = bytes().subarray(ptr, ptr + len);
        if (fd === 1 || fd === 2) {
          const t = decoder.decode(chunk);
          if (fd === 1) stdout += t; else stderr += t;
        } else {
          const f = fds.get(fd);
          if (!f || f.dir) return E.BADF;
          const file = files.get(f.name);
          if (f.append) f.pos = file.size;
          grow(file, f.pos + len);
          file.data.set(chunk, f.pos);
          f.pos += len;
          file.size = Math.max(file.size, f.pos);
        }
        put += len;
      }
      v.setUint32(out, put, true);
      return E.SUCCESS;
    },
    proc_exit(code) { throw new Exit(code); },
  };
  const imports = { wasi_snapshot_preview1: new Proxy(wasi, {
    get: (target, key) => target[key] || (() => E.NOSYS),
  }) };
  memory = takeMemory();
  let status = 0;
  try {
    new WebAssembly.Instance(module, { ...imports, env: { memory } }).exports._start();
  } catch (e) {
    if (!(e instanceof Exit)) throw e;
    status = e.code;
  } finally {
    new Uint8Array(memory.buffer).fill(0);
    spare.memory = memory;
  }
  return { status, stdout, stderr };
}

// The files a run is given, by name, each {data, size, lent}: the caller's
// bytes, lent (read, never written).
function fileSet(entries) {
  const files = new Map();
  for (const [n, data] of entries) files.set(n, { data, size: data.length, lent: true });
  return files;
}
// A file's bytes, where they are: valid until the set is released.
const contents = (files, n) => files.has(n) ? files.get(n).data.subarray(0, files.get(n).size) : null;
// Once a set's outputs are taken: its buffers, kept for the next.
function release(files) {
  for (const f of files.values()) if (!f.lent) spare.buffers.push(f.data);
  // Only as many as one call needs at once: the photo file and a dithered BMP.
  spare.buffers.sort((a, b) => b.length - a.length).splice(2);
}

function refused(run) {
  const e = new Error(run.stderr.trim());
  e.status = run.status;
  return e;
}

// The dithers also come built with WebAssembly SIMD (<name>.simd), for
// their vector scan: the same bytes, sooner.
const SIMD_PROGRAMS = ["bmpdither", "bmpdither16"];
// The packings each built-in palette's panels take, the first offered when
// the palette is chosen.
const PACKINGS = { mono: ["1bpp", "ssd1306"], gray4: ["2bpp"], bwr: ["planes"], bwy: ["planes"], acep7: ["4bpp"],
                   spectra6: ["4bpp"] };

// Whether this engine has WebAssembly SIMD: a module of one SIMD
// instruction validates only where it does.
const HAS_SIMD = WebAssembly.validate(new Uint8Array(
  [0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11]));

// The programs compiled: from the page's single file, where they are
// embedded gzip-compressed and base64-encoded (window.KESTROW_WASM, by
// program), or fetched beside this script when the page is served. With
// simd, the dithers' SIMD builds. `builds` records which build each
// program is (the tests read it).
async function compilePrograms(base, simd, builds = {}) {
  const embedded = typeof KESTROW_WASM === "object" ? KESTROW_WASM : null;
  const modules = {};
  await Promise.all(PROGRAMS.map(async (name) => {
    const p = simd && SIMD_PROGRAMS.includes(name) ? name + ".simd" : name;
    builds[name] = p;
    let bytes;
    if (embedded) {
      const gz = Uint8Array.from(atob(embedded[p]), (c) => c.charCodeAt(0));
      const stream = new Blob([gz]).stream().pipeThrough(new DecompressionStream("gzip"));
      bytes = await new Response(stream).arrayBuffer();
    } else {
      const response = await fetch(new URL(p + ".wasm", base));
      if (!response.ok) throw new Error(`${p}.wasm: ${response.status} ${response.statusText}`);
      bytes = await response.arrayBuffer();
    }
    modules[name] = await WebAssembly.compile(bytes);
  }));
  return modules;
}

// The API over compiled programs; the page's thread and its worker build
// the same one. Bytes returned are the caller's own, or with `views` (the
// worker's, which copies them at once) the run's, until the next call.
function makeApi(modules, { views = false } = {}) {
  const run = (program, argv, files) => runProgram(modules[program], [program, ...argv], files);
  const output = (files, n) => views ? contents(files, n) : contents(files, n).slice();

  // BMP bytes to photo file bytes, as kestrow or kestrow16 would write them
  // (after bmpdither, bmpdither16 or bmpdither12 when dither is true). 12
  // bits is 4:4:4 VGA colour, carried by kestrow16's 16-bit photo file.
  // `name` is the name the messages give the BMP. With `palette` (a
  // panel of a few colours: mono, bwr, spectra6 ...), it is dithered onto
  // that palette, 6-bit.
  const DITHERS = { 6: "bmpdither", 12: "bmpdither12", 16: "bmpdither16" };
  function convertBmp(bytes, { bits = 16, dither = false, name = "input.bmp", palette = null } = {}) {
    if (palette) bits = 6, dither = true;
    if (!DITHERS[bits]) throw new Error("bits must be 6, 12 or 16");
    const files = fileSet([[name, bytes]]);
    try {
      let source = name;
      if (dither) {
        const options = palette ? ["--palette", palette] : [];
        const d = run(DITHERS[bits], [...options, name, "dithered.bmp"], files);
        if (d.status !== 0) throw refused(d);
        source = "dithered.bmp";
      }
      const c = run(bits === 6 ? "kestrow" : "kestrow16", [source, "out.photo"], files);
      if (c.status !== 0) throw refused(c);
      return output(files, "out.photo");
    } finally {
      release(files);
    }
  }
  // A photo file through one of the photo tools; returns its output file
  // (or the file named `take`). `options` go before the file names,
  // `extra` after them.
  function photoTool(program, photo, out, extra = [], options = [], take = out) {
    const files = fileSet([["picture.photo", photo]]);
    try {
      const r = run(program, [...options, "picture.photo", out, ...extra], files);
      if (r.status !== 0) throw refused(r);
      return output(files, take);
    } finally {
      release(files);
    }
  }
  const api = {
    convertBmp,
    // photo2bmp's preview BMP; with `palette`, as that panel shows it.
    toBmp: (photo, { palette = null } = {}) =>
      photoTool("photo2bmp", photo, "preview.bmp", [], palette ? ["--palette", palette] : []),
    // photo2mem's memory image as text, in the form `name` asks for
    // (.mem, .coe, .mif, .vhd), 12-bit 4:4:4 with rgb444; and the Verilog
    // header a .mem comes with.
    toMem: (photo, { name = "picture.mem", rgb444 = false } = {}) =>
      new TextDecoder().decode(photoTool("photo2mem", photo, name, [], rgb444 ? ["--rgb444"] : [])),
    toMemHeader: (photo, { rgb444 = false } = {}) => new TextDecoder().decode(
      photoTool("photo2mem", photo, "picture.mem", [], rgb444 ? ["--rgb444"] : [], "picture.vh")),
    // photo2raw's bytes in `format`, or its C header when `headerName` ends
    // in .h; a packed format (1bpp, ssd1306 ...) takes the picture's palette.
    toRaw: (photo, format, headerName = "picture.raw", { palette = null } = {}) =>
      photoTool("photo2raw", photo, headerName, [format], palette ? ["--palette", palette] : []),
  };
  return api;
}

// This script, whether served (src) or inline in the single file (text):
// the worker runs it too.
const OWN_SCRIPT = typeof document !== "undefined" ? document.currentScript : null;

// The same API in a Web Worker, each call answered by a promise, so that a
// long conversion leaves the page free; null where no worker can be made.
function startWorker(modules) {
  let worker;
  try {
    const url = OWN_SCRIPT && OWN_SCRIPT.src ? OWN_SCRIPT.src
      : URL.createObjectURL(new Blob([OWN_SCRIPT.textContent], { type: "text/javascript" }));
    worker = new Worker(url);
    worker.postMessage({ modules });
  } catch (e) {
    return null;
  }
  const waiting = new Map();
  let next = 0;
  // The bytes a call sends go in buffers moved to the worker and back
  // (transferred, not copied), kept from call to call: a buffer copied into
  // a message is new on the other side, and its first touch costs more
  // than the conversion (see spare above).
  const kept = [];
  function lend(bytes) {
    const i = kept.findIndex((b) => b.byteLength >= bytes.length);
    const buffer = i >= 0 ? kept.splice(i, 1)[0] : new ArrayBuffer(Math.max(bytes.length, 4096));
    const view = new Uint8Array(buffer, 0, bytes.length);
    view.set(bytes);
    return view;
  }
  // The answer's bytes are the caller's own, so they need new memory each
  // time: the worker writes them into a room made here, of the size of the
  // last answer to the same call, its pages touched while the worker ran
  // that call. An answer of another size gets a buffer of its own size.
  const rooms = new Map();  // by method: {size, buffer}
  function room(method) {
    const r = rooms.get(method);
    if (!r || r.size === 0) return new ArrayBuffer(0);
    const buffer = r.buffer || new ArrayBuffer(r.size);
    r.buffer = null;
    return buffer;
  }
  function makeRoom(method) {
    const r = rooms.get(method);
    if (r && r.size > 0) {
      r.buffer = new ArrayBuffer(r.size);
      new Uint8Array(r.buffer).fill(0);
    }
  }
  worker.onmessage = (e) => {
    const { id, ok, message, status, lent } = e.data;
    kept.push(...lent);
    kept.sort((a, b) => b.byteLength - a.byteLength).splice(2);
    const w = waiting.get(id);
    waiting.delete(id);
    if (message === undefined)
      rooms.set(w.method, { size: ok instanceof Uint8Array ? ok.length : 0, buffer: rooms.get(w.method)?.buffer });
    if (message === undefined) w.resolve(ok);
    else w.reject(Object.assign(new Error(message), { status }));
  };
  const call = (method, ...args) => new Promise((resolve, reject) => {
    const id = next++;
    waiting.set(id, { resolve, reject, method });
    const sent = args.map((a) => a instanceof Uint8Array ? lend(a) : a), into = room(method);
    worker.postMessage({ id, method, args: sent, room: into }, [...buffersOf(sent), into]);
    makeRoom(method);  // for the next such call, while the worker runs this one
  });
  return { call };
}

// The buffers of the byte arrays among `values`, to transfer.
const buffersOf = (values) => values.filter((v) => v instanceof Uint8Array).map((v) => v.buffer);

async function load() {
  const base = OWN_SCRIPT && OWN_SCRIPT.src ? new URL(".", OWN_SCRIPT.src) : new URL(".", location.href);
  // SIMD where the engine has it; "?nosimd" in the address asks for the
  // builds without (for the tests, and for comparing the two).
  const simd = HAS_SIMD && !new URLSearchParams(location.search).has("nosimd");
  const builds = {};
  const modules = await compilePrograms(base, simd, builds);
  const api = makeApi(modules);
  api.simd = simd;
  api.builds = builds;
  // api.worker.call("convertBmp", ...) and the like: the same calls off the
  // page's thread (the page's own controls use it); null without workers.
  api.worker = startWorker(modules);
  return api;
}

if (typeof document === "undefined" && typeof importScripts === "function") {
  // In the worker: the programs arrive compiled, then calls.
  let api = null;
  self.onmessage = (e) => {
    if (e.data.modules) {
      api = makeApi(e.data.modules, { views: true });
      return;
    }
    // Bytes of the answer go back in the room made for them (or in a
    // buffer of their own size), with the bytes lent.
    const { id, method, args, room } = e.data;
    const lent = buffersOf(args);
    try {
      let ok = api[method](...args);
      if (ok instanceof Uint8Array) {
        const copy = new Uint8Array(room.byteLength === ok.length ? room : new ArrayBuffer(ok.length));
        copy.set(ok);
        ok = copy;
      }
      if (!(ok instanceof Uint8Array) || ok.buffer !== room) lent.push(room);
      self.postMessage({ id, ok, lent }, [...lent, ...buffersOf([ok])]);
    } catch (err) {
      lent.push(room);
      self.postMessage({ id, message: err.message, status: err.status, lent }, lent);
    }
  };
} else if (typeof window !== "undefined") {
  window.kestrowReady = load();
}

// In Node (the npm package's module): the API over programs compiled there.
if (typeof module === "object" && module.exports) module.exports = { makeApi, runProgram, PROGRAMS, PROGRAM_PAGES };

// ---- The page ------------------------------------------------------------

// A 24-bit BMP (bottom row first, rows padded to 4 bytes) of RGBA pixels:
// the converters' input for a picture the browser decoded.
function bmpOf(rgba, w, h) {
  const row = (3 * w + 3) & ~3, size = 54 + row * h, b = new Uint8Array(size), v = new DataView(b.buffer);
  b[0] = 0x42; b[1] = 0x4d;
  v.setUint32(2, size, true); v.setUint32(10, 54, true); v.setUint32(14, 40, true);
  v.setInt32(18, w, true); v.setInt32(22, h, true); v.setUint16(26, 1, true); v.setUint16(28, 24, true);
  v.setUint32(34, row * h, true); v.setUint32(38, 2835, true); v.setUint32(42, 2835, true);
  for (let y = 0; y < h; y++)
    for (let x = 0; x < w; x++) {
      const s = 4 * ((h - 1 - y) * w + x), d = 54 + y * row + 3 * x;
      b[d] = rgba[s + 2]; b[d + 1] = rgba[s + 1]; b[d + 2] = rgba[s];
    }
  return b;
}

// Draws a 24-bit BMP (as photo2bmp writes it) into a canvas, each pixel
// `zoom` x `zoom`.
function drawBmp(canvas, bmp, zoom) {
  const v = new DataView(bmp.buffer, bmp.byteOffset);
  const offset = v.getUint32(10, true), w = v.getInt32(18, true), h = v.getInt32(22, true), row = (3 * w + 3) & ~3;
  const image = new ImageData(w, h);
  for (let y = 0; y < h; y++)
    for (let x = 0; x < w; x++) {
      const s = offset + (h - 1 - y) * row + 3 * x, d = 4 * (y * w + x);
      image.data[d] = bmp[s + 2]; image.data[d + 1] = bmp[s + 1]; image.data[d + 2] = bmp[s]; image.data[d + 3] = 255;
    }
  const flat = document.createElement("canvas");
  flat.width = w; flat.height = h;
  flat.getContext("2d").putImageData(image, 0, 0);
  canvas.width = w * zoom; canvas.height = h * zoom;
  const c = canvas.getContext("2d");
  c.imageSmoothingEnabled = false;
  c.drawImage(flat, 0, 0, w * zoom, h * zoom);
}

if (typeof document !== "undefined" && document.getElementById("kestrow-page")) {
  const $ = (id) => document.getElementById(id);
  const say = (text, error = false) => { $("message").textContent = text; $("message").className = error ? "error" : ""; };
  // While a conversion runs: the button off, the indicator shown.
  const working = (on) => { $("convert").disabled = on; $("working").hidden = !on; };
  let picture = null;  // {name, bytes, isBmp}
  const urls = [];

  $("preset").addEventListener("change", () => {
    const [w, h] = $("preset").value.split("x");
    if (h) { $("width").value = w; $("height").value = h; }
  });
  // A panel's palette brings its packing to the C header's format.
  $("bits").addEventListener("change", () => {
    const packings = PACKINGS[$("bits").value];
    if (packings) $("format").value = packings[0];
  });
  async function take(file) {
    if (!file) return;
    picture = { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
    picture.isBmp = picture.bytes[0] === 0x42 && picture.bytes[1] === 0x4d;
    say(`${file.name}: ${picture.bytes.length} bytes` + (picture.isBmp ? ", a BMP: converted as it is, size and fit unused" : ""));
    $("convert").disabled = false;
  }
  $("file").addEventListener("change", () => take($("file").files[0]));
  $("drop").addEventListener("dragover", (e) => { e.preventDefault(); $("drop").classList.add("over"); });
  $("drop").addEventListener("dragleave", () => $("drop").classList.remove("over"));
  $("drop").addEventListener("drop", (e) => { e.preventDefault(); $("drop").classList.remove("over"); take(e.dataTransfer.files[0]); });

  // A decoded picture at the panel's size, as a BMP.
  async function panelBmp(bytes, w, h) {
    let bitmap;
    try {
      bitmap = await createImageBitmap(new Blob([bytes]), { imageOrientation: "from-image" });
    } catch (e) {
      throw new Error(`${picture.name} is not a picture this browser can read.`);
    }
    const fit = $("fit").value, bw = bitmap.width, bh = bitmap.height;
    const s = fit === "pad" ? Math.min(w / bw, h / bh) : Math.max(w / bw, h / bh);
    const dw = fit === "stretch" ? w : Math.round(bw * s), dh = fit === "stretch" ? h : Math.round(bh * s);
    const canvas = document.createElement("canvas");
    canvas.width = w; canvas.height = h;
    const c = canvas.getContext("2d");
    c.fillStyle = $("background").value;  // transparency flattened on it, and the padding
    c.fillRect(0, 0, w, h);
    c.imageSmoothingQuality = "high";
    c.drawImage(bitmap, Math.round((w - dw) / 2), Math.round((h - dh) / 2), dw, dh);
    bitmap.close();
    return bmpOf(c.getImageData(0, 0, w, h).data, w, h);
  }

  function offer(name, bytes, type) {
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    urls.push(url);
    const a = document.createElement("a");
    a.href = url; a.download = name; a.textContent = name; a.id = "download-" + name.split(".").pop();
    $("downloads").appendChild(a);
  }

  $("convert").addEventListener("click", async () => {
    const api = await window.kestrowReady;
    urls.splice(0).forEach((u) => URL.revokeObjectURL(u));
    $("downloads").textContent = "";
    try {
      const w = Number($("width").value), h = Number($("height").value);
      if (!picture.isBmp && !(w >= 1 && w <= 4096 && h >= 1 && h <= 4096 && Number.isInteger(w) && Number.isInteger(h)))
        throw new Error("The panel's width and height must be whole numbers from 1 to 4096.");
      say("Converting...");
      working(true);
      const bmp = picture.isBmp ? picture.bytes : await panelBmp(picture.bytes, w, h);
      // A palette's name in the colour list is a panel of a few colours.
      const colour = $("bits").value, palette = /^\d+$/.test(colour) ? null : colour;
      const bits = palette ? 6 : Number(colour), dither = palette ? true : $("dither").checked;
      const base = picture.name.replace(/\.[^.]*$/, "").replace(/[^A-Za-z0-9_-]/g, "_") || "picture";
      // Off the page's thread where a worker could be made.
      const call = api.worker ? api.worker.call : async (method, ...args) => api[method](...args);
      const photo = await call("convertBmp", bmp, { bits, dither, palette, name: picture.isBmp ? picture.name : base + ".bmp" });
      const preview = await call("toBmp", photo, { palette });
      const pw = photo[0] | photo[1] << 8, ph = photo[2] | photo[3] << 8;
      // Both at the same whole-pixel magnification, without smoothing.
      const zoom = Math.max(1, Math.min(8, Math.floor(480 / pw), Math.floor(480 / ph)));
      drawBmp($("original"), bmp, zoom);
      drawBmp($("preview"), preview, zoom);
      offer(base + ".photo", photo, "application/octet-stream");
      const format = $("format").value, source = base + (format.startsWith("lvgl") ? ".c" : ".h");
      // A panel's palette goes with its own packing; where another format
      // is chosen, the header holds the nominal colours in that format.
      const packed = palette && (PACKINGS[palette] || []).includes(format);
      offer(source, await call("toRaw", photo, format, source, { palette: packed ? palette : null }), "text/x-c");
      const memory = $("memory").value, rgb444 = bits === 12;
      offer(base + "." + memory, await call("toMem", photo, { name: base + "." + memory, rgb444 }), "text/plain");
      if (memory === "mem") offer(base + ".vh", await call("toMemHeader", photo, { rgb444 }), "text/plain");
      say(`${pw} x ${ph}, ${bits}-bit${dither ? ", dithered" : ""}: ${photo.length} bytes.`);
    } catch (e) {
      say(e.message, true);
    } finally {
      working(false);
    }
  });

  window.kestrowReady.then(() => say("Ready: choose a picture."), (e) => say(`The converters did not load: ${e.message}`, true));
}
