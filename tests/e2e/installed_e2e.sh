#!/bin/sh
# An installed copy started by an ordinary user: the program lies in a folder its user cannot
# write, and the user has a fresh home folder. Two starts under a virtual X server: the first
# makes the identifier under ~/.config/vellum/ (a folder of mode 0700), the second finds the
# same one; neither shows a settings message, and nothing is written beside the program.
#   installed_e2e.sh X11_WINDOW VELLUM           an installed vellum, such as /usr/bin/vellum
#   installed_e2e.sh X11_WINDOW --build BUILD    installs the build into a scratch prefix first
# As root the starts run as nobody (uid 65534); otherwise as the caller, the prefix read-only.
# Exit 77 (skipped) without xvfb-run.
set -eu
x11_window=$1
fail() {
    echo "FAILED: $*"
    exit 1
}

# The user's side: two starts, each under its own virtual X server.
if [ -n "${VELLUM_E2E_USER:-}" ]; then
    vellum=$2
    . "$(dirname "$0")/virtual_x.sh"
    run_under_virtual_x "$0" "$@"
    settings="$HOME/.config/vellum/vellum.INI"
    mkdir -p -m 700 "$HOME/.runtime"
    export XDG_RUNTIME_DIR="$HOME/.runtime"
    stored_id() { sed -n 's/^UniqueSerialNumber=//p' "$settings" 2>/dev/null | tr -d '\r'; }
    [ -w "$(dirname "$vellum")" ] && fail "the user may write the program's folder"
    printf 'listed at start\n' > "$HOME/listed.txt"
    start() {
        "$vellum" -noautocheck "$HOME/listed.txt" &
        pid=$!
        window=$("$x11_window" wait "$(window_caption "$vellum")" 15000) || fail "$1: no main window"
        for _ in $(seq 100); do [ -n "$(stored_id)" ] && break; sleep 0.1; done
        [ -n "$(stored_id)" ] || fail "$1: no identifier in $settings"
        # A settings message would be a box titled as the program, over the main window.
        sleep 1
        "$x11_window" gone "Vellum" 2000 || fail "$1: a message box is showing"
        close_and_wait "$x11_window" "$window" "$pid"
        [ "$status" -eq 0 ] || fail "$1: vellum exited with $status"
    }
    start first
    id=$(stored_id)
    echo "$id" | grep -Eq '^[0-9]{1,19}[0-9a-f]{32}$' || fail "stored identifier '$id'"
    [ "$(stat -c %a "$(dirname "$settings")")" = 700 ] || fail "the settings folder is not 0700"
    start second
    [ "$(stored_id)" = "$id" ] || fail "the identifier changed to '$(stored_id)'"
    echo "one identifier $id in $settings, kept across two starts"
    exit 0
fi

command -v xvfb-run >/dev/null 2>&1 || { echo "xvfb-run is not installed: skipped"; exit 77; }
scratch=$(mktemp -d)
chmod 755 "$scratch"
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
if [ "$2" = --build ]; then
    . "$(dirname "$0")/../install/keep_records.sh"
    keeping_records "$3" cmake --install "$3" --prefix "$scratch/prefix" >/dev/null
    vellum="$scratch/prefix/bin/vellum"
else
    vellum=$2
fi
folder=$(dirname "$vellum")
before=$(ls -A "$folder")
home="$scratch/home"
mkdir "$home"
# The user's side runs from copies in the scratch folder: the checkout and the build may lie
# in a folder the user cannot enter (root's home is 0700).
mkdir "$scratch/run"
cp "$0" "$(dirname "$0")/virtual_x.sh" "$x11_window" "$scratch/run/"
x11_window="$scratch/run/$(basename "$x11_window")"
as_user=""
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$home"
    as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
elif [ -w "$folder" ]; then
    chmod a-w "$folder"
fi
$as_user env -u XDG_CONFIG_HOME -u VELLUM_SETTINGS -u VELLUM_E2E_INSIDE -u DISPLAY -u XAUTHORITY \
    -u XDG_RUNTIME_DIR HOME="$home" VELLUM_E2E_USER=1 sh "$scratch/run/$(basename "$0")" "$x11_window" "$vellum"
[ "$(ls -A "$folder")" = "$before" ] || fail "something was written beside the program"
