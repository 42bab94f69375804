#!/bin/sh
# Takes the pictures of the window in docs/: the real vellum under a virtual X server, at scale 1
# (screenshot.png), at QT_SCALE_FACTOR=2 (screenshot-scale2.png) and under a dark desktop palette
# (screenshot-dark.png), each showing the same list: two pairs of copies flagged by "Flag Adjacent
# Identicals" and a text file selected, its bytes in the hex view. The window is driven as a user
# would drive it: a click on the list, then the keyboard.
#   tools/screenshots.sh [BUILD_DIR]     BUILD_DIR (default build) holds vellum and tests/x11_window
#
# The dark palette is the one a desktop without a Qt theme of its own can give: qt6ct's "darker"
# colour scheme, chosen with QT_QPA_PLATFORMTHEME=qt6ct and a qt6ct.conf of our own.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
vellum=$build/vellum
x11_window=$build/tests/x11_window

. "$root/tests/e2e/virtual_x.sh"
if [ -z "${VELLUM_E2E_INSIDE:-}" ]; then
    "$root/tools/deps" screenshots
    # Room for the window at scale 2.
    export VELLUM_XVFB_SCREEN=2048x1400x24
fi
run_under_virtual_x "$0" "$@"

# A short, fixed folder: its paths show in the pictures.
demo=/tmp/vellum-demo
rm -rf "$demo"
trap 'rm -rf "$demo"' EXIT
mkdir -p "$demo/Pictures" "$demo/Documents" "$demo/Music" "$demo/config/qt6ct"

# Contents that stay the same from run to run, so that the pictures do too.
fill() {  # FILE SIZE TEXT
    yes "$3" | head -c "$2" > "$1"
}
fill "$demo/Pictures/holiday.jpg" 123456 "holiday by the sea"
cp "$demo/Pictures/holiday.jpg" "$demo/Pictures/holiday-2.jpg"
printf 'Shopping list: bread, milk, 12 eggs.\nCall the plumber on Tuesday.\n' \
    > "$demo/Documents/notes.txt"
fill "$demo/Documents/report-2023.pdf" 48213 "quarterly figures"
cp "$demo/Documents/report-2023.pdf" "$demo/Documents/report-2023 (copy).pdf"
fill "$demo/Pictures/sunset.jpg" 98765 "sunset over the hills"
fill "$demo/Music/track01.ogg" 307200 "a song in the key of C"

cat > "$demo/config/qt6ct/qt6ct.conf" <<CONF
[Appearance]
color_scheme_path=/usr/share/qt6ct/colors/darker.conf
custom_palette=true
style=Fusion

[Fonts]
fixed="DejaVu Sans Mono,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"
general="DejaVu Sans,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"
CONF

# shoot PICTURE SCALE [VARIABLE=VALUE...]: lists the files, flags the copies, selects the notes.
shoot() {
    picture=$1
    scale=$2
    shift 2
    env QT_SCALE_FACTOR="$scale" VELLUM_SETTINGS="$demo/vellum.INI" "$@" "$vellum" -noautocheck \
        "$demo/Pictures/holiday.jpg" "$demo/Pictures/holiday-2.jpg" "$demo/Documents/notes.txt" \
        "$demo/Documents/report-2023.pdf" "$demo/Documents/report-2023 (copy).pdf" \
        "$demo/Pictures/sunset.jpg" "$demo/Music/track01.ogg" &
    pid=$!
    if ! id=$("$x11_window" wait "$(window_caption "$vellum")" 15000); then
        kill "$pid" 2>/dev/null || true
        exit 1
    fi
    sleep 1
    # The first row, below the 4-pixel border and the 20-pixel header strip.
    xdotool mousemove --window "$id" $((150 * scale)) $((34 * scale)) click 1
    sleep 0.5
    # The Menu key, then the ninth item: "Flag Adjacent Identicals".
    xdotool key Menu
    sleep 0.5
    xdotool key Down Down Down Down Down Down Down Down Down Return
    sleep 0.5
    xdotool key Down Down
    sleep 1
    import -window "$id" "$root/docs/$picture"
    close_and_wait "$x11_window" "$id" "$pid"
    [ "$status" -eq 0 ] || { echo "vellum exited with $status"; exit 1; }
    echo "docs/$picture"
}

shoot screenshot.png 1
shoot screenshot-scale2.png 2
shoot screenshot-dark.png 1 QT_QPA_PLATFORMTHEME=qt6ct XDG_CONFIG_HOME="$demo/config"
