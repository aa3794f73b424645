#!/usr/bin/env bash
# Draws the tray icons, the program icon and the notification pictures (logo, splash, gesture chart)
# into resources/.
# Usage: tools/assets/make-app-images.sh [RESOURCES_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../resources}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck disable=SC2046
g++ -std=c++17 -O1 -fPIC "$here/appimages/make_app_images.cpp" -o "$tmp/make_app_images" \
  $(pkg-config --cflags --libs Qt5Gui)
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$tmp/make_app_images" "$out"
