#!/usr/bin/env bash
# Runs a test as two machines on one computer: in a network namespace of its own (loopback up), with
# two private X servers and tray hosts, $DISPLAY for the test and the source machine and
# $VELMO_DEST_DISPLAY (1280x1024) for the destination. The test links a second namespace to this
# one itself. Exits 77 (skipped) where no network namespace can be made.
# Usage: with-relay-hosts.sh command args...
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${VELMO_IN_NETNS:-}" ]; then
  for flags in -n -rn; do
    if unshare $flags true 2>/dev/null; then
      exec unshare $flags env VELMO_IN_NETNS=1 "$0" "$@"
    fi
  done
  echo "with-relay-hosts: cannot make a network namespace" >&2
  exit 77
fi
ip link set lo up || exit 1
exec "$here/with-xvfb.sh" --tray --size 1280x1024 \
  bash -c 'VELMO_DEST_DISPLAY=$DISPLAY exec "$0" --tray "$@"' "$here/with-xvfb.sh" "$@"
