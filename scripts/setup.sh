#!/usr/bin/env bash
# Installs the Debian packages Velmo Mouse needs that are not installed yet. Idempotent, non-interactive.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$here/tools/debian-packages.txt")
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
install="apt-get install -y --no-install-recommends ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "setup: ${#missing[@]} package(s) are missing and sudo is not installed: install them as root (or install and configure sudo), then run this again:" >&2
    echo "  $install" >&2
    exit 1
  fi
  sudo="sudo"
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo $install
