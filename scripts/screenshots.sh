#!/bin/sh
# Pictures of both windows in play, made by the end-to-end test under a private Xvfb display
# and saved as docs/cardtable.png and docs/oddsdesk.png.
#
#   scripts/screenshots.sh [build folder]
#
# Without a build folder the release preset's (build/release) is used, configured first
# when it is not yet.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -gt 0 ]; then
    build=$1
    if [ ! -f "$build/CMakeCache.txt" ]; then
        echo "$build is not a configured build folder" >&2
        exit 1
    fi
else
    build=$root/build/release
    if [ ! -f "$build/CMakeCache.txt" ]; then
        (cd "$root" && cmake --preset release)
    fi
fi
cmake --build "$build" --target product_e2e

BLACKJACK_SCREENSHOT_DIR="$root/docs" ASAN_OPTIONS=detect_leaks=0 \
    "$build/bin/product_e2e" --gtest_filter='Product.PicturesOfBothWindowsInPlay'
echo "Saved $root/docs/cardtable.png and $root/docs/oddsdesk.png"
