#!/usr/bin/env bash
# Configures and builds into build/ (or $GLIMMERPEN_BUILD_DIR); stages build/stage/{bin,Res}.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${GLIMMERPEN_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$build" -j"$(nproc)"
