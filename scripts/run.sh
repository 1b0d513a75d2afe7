#!/usr/bin/env bash
# Installs what is missing, builds and starts Book.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
"$root/scripts/build.sh"
build=${GLIMMERPEN_BUILD_DIR:-$root/build}
exec "$build/stage/bin/Book"
