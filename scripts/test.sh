#!/usr/bin/env bash
# Builds the panel and runs every test: bash scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd build && ctest --output-on-failure -j2 --timeout 300
