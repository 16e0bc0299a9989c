#!/usr/bin/env bash
# Starts the program in the current directory, where it keeps its record files.
set -euo pipefail
exe=$1
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    cat >&2 <<MSG
varnolt needs a graphical display, and none is set (DISPLAY and WAYLAND_DISPLAY are empty).
Run it from a desktop session, over 'ssh -X', or inside a virtual display:
    xvfb-run -a make run
MSG
    exit 1
fi
exec "$exe"
