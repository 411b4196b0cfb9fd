#!/usr/bin/env bash
# Starts the default program (Jix61MK2); with no real device linked, the device emulator plays the instrument,
# the GPS receiver and the tilt meter on the program's default ports (COM4, COM6, COM7), as a survey (--demo):
# readings that follow the ground along the GPS walk, with a buried target now and then.
set -euo pipefail
build=${1:-build}
program=${2:-Jix61MK2}
root=${ULVANE_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/ulvane-root}
emulator_pid=""
if [ ! -e "$root/dev/COM4" ] && [ -x "$build/tools/devemu" ]; then
  "$build/tools/devemu" --root "$root" --no-stdin --demo >/dev/null &
  emulator_pid=$!
  trap '[ -n "$emulator_pid" ] && kill "$emulator_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "$root/dev/COM4" ] && break; sleep 0.1; done
fi
ULVANE_ROOT="$root" "$build/apps/$program"
