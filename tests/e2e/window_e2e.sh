#!/bin/sh
# Starts the real vellum with a few files under a virtual X server, waits for its window,
# saves a screenshot, closes the window as a window manager would, and checks the exit.
#   window_e2e.sh VELLUM X11_WINDOW OUTDIR
# Exit 77 (skipped) without xvfb-run.
set -eu
vellum=$1
x11_window=$2
out=$3

. "$(dirname "$0")/virtual_x.sh"
run_under_virtual_x "$0" "$@"
mkdir -p "$out"
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
printf 'The quick brown fox jumps over the lazy dog.\n' > "$files/notes.txt"
cp "$files/notes.txt" "$files/notes copy.txt"
head -c 70000 /dev/zero | tr '\0' 'v' > "$files/vellum.dat"
printf '\x89PNG\r\n\x1a\n' > "$files/picture.png"
# The identifier goes to the scratch folder, never beside the program under test.
export VELLUM_SETTINGS="$files/vellum.INI"

# With a display as without one, an unknown option is answered with the usage, never a window.
status=0
"$vellum" --bogus 2>"$files/usage" >/dev/null || status=$?
grep -q '^usage: vellum ' "$files/usage" && [ "$status" -eq 2 ] ||
    { echo "--bogus under a display: exit $status"; exit 1; }

"$vellum" -noautocheck "$files/notes.txt" "$files/notes copy.txt" "$files/vellum.dat" \
    "$files/picture.png" &
pid=$!

if ! id=$("$x11_window" wait "$(window_caption "$vellum")" 10000); then
    kill "$pid" 2>/dev/null || true
    exit 1
fi
# The first timer tick lists and reads the four small files; give it a moment to paint.
sleep 1
import -window "$id" "$out/window.png"
close_and_wait "$x11_window" "$id" "$pid"
echo "vellum exited with $status; screenshot: $out/window.png"
[ "$status" -eq 0 ]
