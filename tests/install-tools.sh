#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Installs, from Debian's archive, everything the build and the tests use,
# and Debian's kernel for the framebuffer test. The one list of what they
# need: .ci/run calls this, and the test tools_come_from_the_install_script
# holds every tool the build finds to a package named here (or one these
# depend on). Run as root on Debian 12 (bookworm); installs only what is
# missing, so it is quick the second time.
#
#   install-tools.sh             every part: what the README's test command needs
#   install-tools.sh PART...     only those parts (see the list below), for
#                                work on one part; the tests of the others
#                                report themselves skipped
#   install-tools.sh --list [PART...]   print the packages, install nothing
set -euo pipefail

# The packages of each part. Names only: what a package merely recommends
# is not installed, so anything the build runs must be named here or be a
# dependency of a package named here.
declare -A part=(
  [core]="cmake make g++ binutils libgtest-dev libbenchmark-dev python3"  # the programs, the reader, their tests
  [sanitize]="clang llvm lld libclang-rt-14-dev valgrind"   # sanitizers, fuzzers (clang finds llvm's unversioned archiver and linker), valgrind runs
  [docs]="groff-base mandoc dpkg-dev lintian faketime imagemagick ffmpeg python3-pil xxd pkgconf"  # man pages, the .deb and its reproducibility, the documented ways to a BMP
  [cross]="g++-aarch64-linux-gnu g++-arm-linux-gnueabihf g++-arm-linux-gnueabi g++-s390x-linux-gnu qemu-user"  # other machines
  [devices]="gcc-arm-none-eabi picolibc-arm-none-eabi qemu-system-arm gcc-riscv64-unknown-elf picolibc-riscv64-unknown-elf qemu-system-misc"  # the reader on bare metal
  [fpga]="verilator iverilog yosys srecord ghdl nextpnr-ice40 fpga-icestorm"  # the FPGA design, its memory formats, the iCE40 bitstreams
  [arduino]="gcc-avr avr-libc simavr libsimavr-dev arduino-core-avr arduino-builder arduino-ctags"  # the reader on an AVR; the Arduino library built as the IDE builds it, on a simulated Uno
  [fbview]="qemu-system-x86 busybox-static cpio"                          # fbview on a kernel's framebuffer (and the kernel, below)
  # The web page: clang-14 for wasm32 with its archiver (llvm-14: the
  # programs are built with link-time optimisation), Node for the npm
  # package (with the CA list Debian's Node only recommends: without it,
  # it warns on standard error at every start), the three browser engines
  # to run the page in, with what drives each (xvfb-run needs xauth, which
  # xvfb only recommends).
  [web]="clang-14 llvm-14 lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32 nodejs ca-certificates chromium chromium-driver python3-selenium python3-pil firefox-esr libfirefox-marionette-perl webkit2gtk-driver xvfb xauth"
)
order=(core sanitize docs cross devices fpga arduino fbview web)

list_only=""
if [ "${1:-}" = "--list" ]; then
  list_only=1
  shift
fi
chosen=("$@")
[ ${#chosen[@]} -gt 0 ] || chosen=("${order[@]}")
packages=()
for p in "${chosen[@]}"; do
  if [ -z "${part[$p]+set}" ]; then
    echo "install-tools.sh: no part '$p' (parts: ${order[*]})" >&2
    exit 2
  fi
  read -r -a names <<< "${part[$p]}"
  packages+=("${names[@]}")
done
wants() { [[ " ${chosen[*]} " == *" $1 "* ]]; }
# npm: Debian's package, unless the machine has an npm of its own (a Node
# installed by other means brings one, which Debian's npm would clash with).
# Asked the same way before and after the install, so that --list names
# Debian's npm once it is installed.
if wants web && { ! command -v npm > /dev/null 2>&1 ||
                  dpkg-query -W -f='${Status}' npm 2>/dev/null | grep -q "install ok installed"; }; then
  packages+=(npm)
fi
# The other machines' C libraries, as dpkg knows them, so dpkg-shlibdeps can
# write each cross-built package's Depends.
foreign=()
if wants cross; then
  foreign=(arm64 armhf s390x)
  for arch in "${foreign[@]}"; do
    packages+=("libc6:$arch")
  done
fi

if [ -n "$list_only" ]; then
  printf '%s\n' "${packages[@]}" | sort -u
  exit 0
fi

for arch in "${foreign[@]}"; do
  dpkg --print-foreign-architectures | grep -qx "$arch" || dpkg --add-architecture "$arch"
done
# Asked of dpkg rather than the PATH: a stand-in of the same name on the
# PATH (a wrapper script, say) must not keep the real package out.
need=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
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
if wants fbview && ! compgen -G "/var/cache/kestrow/linux/boot/vmlinuz-*" > /dev/null; then
  kernel=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-/ { print $2; exit }')
  if [ -z "$kernel" ]; then
    apt-get update -qq || true
    kernel=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-/ { print $2; exit }')
  fi
  mkdir -p /var/cache/kestrow/download
  (cd /var/cache/kestrow/download && apt-get download -qq "$kernel")
  dpkg-deb -x /var/cache/kestrow/download/"$kernel"_*.deb /var/cache/kestrow/linux
fi
