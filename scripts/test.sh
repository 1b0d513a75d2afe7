#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Starts Xvfb when no display is set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
"$root/scripts/build.sh"
build=${GLIMMERPEN_BUILD_DIR:-$root/build}

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$displayfile" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$displayfile")"
  rm -f "$displayfile"
fi

cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
