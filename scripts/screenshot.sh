#!/usr/bin/env bash
# Builds Orlenta, starts the real program under Xvfb, runs Create on a short text and saves
# a PNG picture of the window with the status bar's size and time of that text.
# Usage: scripts/screenshot.sh [picture.png] [text]   (default docs/screenshot.png, "Orlenta")
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshot.png}"
text="${2:-Orlenta}"
bash scripts/setup-debian.sh
cmake -S . -B build -G Ninja
cmake --build build -j2 --target orlenta
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1280x800x24" ./build/app/orlenta --screenshot "$out" --text "$text"
echo "saved $out"
