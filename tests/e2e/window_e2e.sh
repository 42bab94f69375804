#!/bin/sh
# Starts the real vellum with a few files under a virtual X server, waits for its window,
# saves a screenshot, closes the window as a window manager would, and checks the exit.
#   window_e2e.sh VELLUM X11_WINDOW OUTDIR
# Exit 77 (skipped) without xvfb-run.
set -eu
vellum=$1
x11_window=$2
out=$3

if [ -z "${VELLUM_E2E_INSIDE:-}" ]; then
    if ! command -v xvfb-run >/dev/null 2>&1; then
        echo "xvfb-run is not installed: skipped"
        exit 77
    fi
    export VELLUM_E2E_INSIDE=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" sh "$0" "$@"
fi

command -v import >/dev/null 2>&1 || { echo "import (imagemagick) is missing"; exit 1; }
mkdir -p "$out"
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
printf 'The quick brown fox jumps over the lazy dog.\n' > "$files/notes.txt"
cp "$files/notes.txt" "$files/notes copy.txt"
head -c 70000 /dev/zero | tr '\0' 'v' > "$files/vellum.dat"
printf '\x89PNG\r\n\x1a\n' > "$files/picture.png"
# The identifier goes to the scratch folder, never beside the program under test.
export VELLUM_SETTINGS="$files/vellum.INI"

"$vellum" -noautocheck "$files/notes.txt" "$files/notes copy.txt" "$files/vellum.dat" \
    "$files/picture.png" &
pid=$!

if ! id=$("$x11_window" wait "Vellum v1.420" 10000); then
    kill "$pid" 2>/dev/null || true
    exit 1
fi
# The first timer tick lists and reads the four small files; give it a moment to paint.
sleep 1
import -window "$id" "$out/window.png"
"$x11_window" close "$id"

# Bounded wait for the program to end on its own: a watchdog ends it after ten seconds, which
# shows in its exit status.
(
    sleep 10 &
    sleeper=$!
    trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
    wait "$sleeper"
    kill "$pid" 2>/dev/null
) >/dev/null 2>&1 &
watchdog=$!
status=0
wait "$pid" || status=$?
kill "$watchdog" 2>/dev/null || true
echo "vellum exited with $status; screenshot: $out/window.png"
[ "$status" -eq 0 ]
