#!/usr/bin/env bash
# Installs what the build needs, builds the native updater and the Windows .exe
# and runs the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The Windows .exe, whose end-to-end tests run under wine beside the native ones.
scripts/build-windows.sh build-windows
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANTH_WINDOWS_BUILD_DIR="$PWD/build-windows"
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
