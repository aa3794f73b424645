#!/bin/sh
# The program needs no Ogre or SDL library (the renderer loads with the tutorial's module), and the
# module carries no engine, desktop backend or tracking code of its own (the program's single X
# connection, displays and listener would be doubled) and exports only its entry point.
# Usage: check-module-linkage.sh VELMO_MOUSE MODULE
set -u
status=0
needed=$(readelf -d "$1" | grep NEEDED | grep -E 'Ogre|SDL')
[ -z "$needed" ] || { echo "$1 needs:"; echo "$needed"; status=1; }
engine=$(nm -C --defined-only "$2" | grep -E 'VelmoListener|VelmoGestures|PinchMachine|PointerMapper|EngineSettings|X11Backend|MultiMonitor|Leap::' | head -5)
[ -z "$engine" ] || { echo "$2 defines engine code:"; echo "$engine"; status=1; }
exported=$(nm -D --defined-only "$2" | awk '$2 ~ /^[TWVD]$/ && $3 !~ /^_(edata|end|bss_start|_bss_start)$/ { print $3 }')
[ "$exported" = velmo_tutorial_factory ] || { echo "$2 exports: $exported"; status=1; }
[ "$status" = 0 ] && echo "velmo-mouse links no renderer; the module is self-contained and exports velmo_tutorial_factory"
exit $status
