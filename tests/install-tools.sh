#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Installs, from Debian's archive, everything the tests use, and Debian's
# kernel for the framebuffer test. The one list of what the tests need:
# .ci/run calls this too. Run as root on Debian 12 (bookworm); installs only
# what is missing, so it is quick the second time.
set -euo pipefail

# Everything the test command uses. Asked of dpkg rather than the PATH: a
# stand-in of the same name on the PATH (a wrapper script, say) must not
# keep the real package out.
packages=(
  cmake g++ binutils libgtest-dev libbenchmark-dev           # build, tests, benchmarks
  clang libclang-rt-14-dev valgrind                          # sanitizers, fuzzers, valgrind runs
  groff-base mandoc dpkg-dev lintian                         # man pages and the .deb
  imagemagick ffmpeg python3 python3-pil                     # the documented ways to a BMP
  g++-aarch64-linux-gnu g++-arm-linux-gnueabihf g++-arm-linux-gnueabi g++-s390x-linux-gnu qemu-user  # other machines
  gcc-arm-none-eabi picolibc-arm-none-eabi qemu-system-arm xxd pkgconf          # the reader on bare metal, installed
  verilator iverilog yosys srecord ghdl                                         # the FPGA design and its memory formats
  nextpnr-ice40 fpga-icestorm                                                   # the FPGA board bitstreams
  gcc-avr avr-libc simavr libsimavr-dev arduino-core-avr                        # the reader on an 8-bit AVR, the Arduino library on a simulated Uno
  gcc-riscv64-unknown-elf picolibc-riscv64-unknown-elf qemu-system-misc         # the reader on rv32
  qemu-system-x86 busybox-static cpio                                           # fbview on a kernel's framebuffer
  wasi-libc lld-14 libc++-14-dev-wasm32 libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32  # the web page
  chromium chromium-driver python3-selenium                                     # the web page in a browser
)
# Node 18 or later with npm, for the npm package's test: the machine's own
# where it has one (Node is often installed by other means), else Debian's.
command -v node > /dev/null 2>&1 || packages+=(nodejs)
command -v npm > /dev/null 2>&1 || packages+=(npm)
# The other machines' C libraries, as dpkg knows them, so dpkg-shlibdeps can
# write each cross-built package's Depends.
foreign=(arm64 armhf s390x)
for arch in "${foreign[@]}"; do
  dpkg --print-foreign-architectures | grep -qx "$arch" || dpkg --add-architecture "$arch"
  packages+=("libc6:$arch")
done

need=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
# A mirror part-way through a sync refuses an index now and then ("File has
# unexpected size"), often one nothing here needs: an update that reports
# errors is only noted, and the install, which fails if something needed is
# missing, is what is tried again, with fresh lists.
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  for attempt in 1 2 3 4 5; do
    apt-get update -qq || echo "apt-get update reported errors; installing from the lists it has" >&2
    if apt-get install -y -qq --no-install-recommends "${need[@]}"; then
      break
    fi
    if [ "$attempt" -eq 5 ]; then
      echo "installing ${need[*]} failed $attempt times" >&2
      exit 1
    fi
    echo "apt-get install failed (attempt $attempt); trying again in 20 s" >&2
    sleep 20
  done
fi

# Debian's own kernel for fbview's framebuffer test: the package the
# linux-image-amd64 metapackage names, downloaded and unpacked into
# /var/cache/kestrow/linux, never installed.
if ! compgen -G "/var/cache/kestrow/linux/boot/vmlinuz-*" > /dev/null; then
  kernel=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-/ { print $2; exit }')
  if [ -z "$kernel" ]; then
    apt-get update -qq || true
    kernel=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-/ { print $2; exit }')
  fi
  mkdir -p /var/cache/kestrow/download
  (cd /var/cache/kestrow/download && apt-get download -qq "$kernel")
  dpkg-deb -x /var/cache/kestrow/download/"$kernel"_*.deb /var/cache/kestrow/linux
fi

