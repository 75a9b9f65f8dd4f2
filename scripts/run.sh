#!/usr/bin/env bash
# Installs what the project needs, builds Orlenta and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORLENTA_TESTS=OFF -DORLENTA_BENCHMARKS=OFF
cmake --build build -j"$(nproc)" --target orlenta
exec ./build/app/orlenta "$@"
