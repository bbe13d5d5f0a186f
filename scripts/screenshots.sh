#!/bin/sh
# Pictures of both windows in play, made by the end-to-end test under a private Xvfb display
# and saved as docs/cardtable.png and docs/oddsdesk.png.
#
#   scripts/screenshots.sh [build folder]    (default: build/release, configured if missing)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset release -S "$root"
    build=$root/build/release
fi
cmake --build "$build" --target product_e2e

BLACKJACK_SCREENSHOT_DIR="$root/docs" ASAN_OPTIONS=detect_leaks=0 \
    "$build/bin/product_e2e" --gtest_filter='Product.PicturesOfBothWindowsInPlay'
echo "Saved $root/docs/cardtable.png and $root/docs/oddsdesk.png"
