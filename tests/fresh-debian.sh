#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Does what a new user on a fresh Debian 12 machine does, in a fresh root:
# a minimal bookworm made by mmdebstrap, this repository's HEAD cloned under
# /root, then the README's own lines, word for word: the set-up line of
# "Try it", the demo, the install script and the test command (with
# CI=true, so that a test skipped for want of a tool fails). Prints each
# step's result and time. It needs the network (Debian's archive) and the
# better part of an hour, so it is not part of .ci/run: run it as root
# whenever the install script, a toolchain file or a tool lookup changes.
#   tests/fresh-debian.sh [ROOT]     (default /var/tmp/kestrow-fresh-root)
set -euo pipefail
source_dir=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
root=${1:-/var/tmp/kestrow-fresh-root}
logs=$root.logs
readme=$source_dir/README.md

# The README's commands: the set-up line inside "Try it" (the backquoted
# command after "as root:"), the demo line, and the test command's block.
section() { awk -v h="## $1" '$0 == h { on = 1; next } /^## / { on = 0 } on' "$readme"; }
setup_line=$(section "Try it" | tr '\n' ' ' | sed -n 's/.*as root: `\([^`]*\)`.*/\1/p' | tr -s ' ')
demo_line=$(section "Try it" | grep -m1 '^    cmake --workflow' | sed 's/^    //')
install_line=$(section "Run every test" | grep -m1 '^    bash tests/install-tools.sh' | sed 's/^    //')
test_lines=$(section "Run every test" | grep '^    ' | grep -v 'install-tools.sh' | sed 's/^    //')
for v in setup_line demo_line install_line test_lines; do
  [ -n "${!v}" ] || { echo "fresh-debian.sh: could not read $v from README.md" >&2; exit 2; }
done

command -v mmdebstrap > /dev/null || apt-get install -y -qq mmdebstrap
mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2> /dev/null || true; done
}
trap cleanup EXIT
rm -rf "$root" "$logs"
mkdir -p "$logs"

failed=0
step() {
  local name=$1
  shift
  local start=$SECONDS rc=0
  "$@" > "$logs/$name.log" 2>&1 || rc=$?
  local took=$((SECONDS - start))
  if [ $rc -eq 0 ]; then
    printf '%-14s passed  %5d s\n' "$name" "$took"
  else
    printf '%-14s FAILED  %5d s  (status %d; %s)\n' "$name" "$took" "$rc" "$logs/$name.log"
    tail -n 30 "$logs/$name.log"
    failed=1
  fi
  return $rc
}
in_root() { chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 CI=true \
              bash -c "cd /root/kestrow && $1"; }
bind() {
  mkdir -p "$root$1"
  mount --bind "$1" "$root$1"
  mounted+=("$root$1")
}

step mmdebstrap mmdebstrap --variant=apt bookworm "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
for d in /proc /sys /dev /dev/pts /dev/shm; do bind "$d"; done
step clone git clone -q --no-local "$source_dir" "$root/root/kestrow"
step setup-line in_root "$setup_line"
step demo in_root "$demo_line"
step install-tools in_root "$install_line"
step test-command in_root "$test_lines" || true
# The suite's own count, from each workflow's closing line.
grep -E 'tests passed|tests failed|^[0-9]+% tests' "$logs/test-command.log" || true
grep -E '\(Skipped\)|\(Failed\)|Not Run' "$logs/test-command.log" || true
du -shx "$root" | sed 's/^/root size: /'
echo "packages: $(chroot "$root" dpkg-query -W -f='${Status}\n' | grep -c 'install ok installed')"
exit $failed
