#!/usr/bin/env bash
# Starts the program through its launcher, in the Varnolt folder, where it keeps its record files.
set -euo pipefail
launcher=$1
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    cat >&2 <<MSG
varnolt needs a graphical display, and none is set (DISPLAY and WAYLAND_DISPLAY are empty).
Run it from a desktop session, over 'ssh -X', or inside a virtual display:
    xvfb-run -a make run
MSG
    exit 1
fi
exec "$launcher"
