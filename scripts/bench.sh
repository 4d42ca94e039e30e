#!/usr/bin/env bash
# Measures a large download through a loopback Apache httpd: time and memory.
# usage: scripts/bench.sh [MiB]   (default 512; run scripts/test.sh once first)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target korvanth_bench >/dev/null
build/korvanth_bench "${1:-512}"
