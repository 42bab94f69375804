# Shared by the end-to-end scripts, which source it.

# Runs the calling script again under a virtual X server unless it already runs under one:
#   run_under_virtual_x "$0" "$@"
# Exits 77 (skipped) without xvfb-run; fails without import (imagemagick) for the screenshots.
# VELLUM_XVFB_SCREEN sets the screen's size and depth (default 1024x768x24).
run_under_virtual_x() {
    if [ -z "${VELLUM_E2E_INSIDE:-}" ]; then
        if ! command -v xvfb-run >/dev/null 2>&1; then
            echo "xvfb-run is not installed: skipped"
            exit 77
        fi
        export VELLUM_E2E_INSIDE=1
        exec xvfb-run -a -s "-screen 0 ${VELLUM_XVFB_SCREEN:-1024x768x24}" sh "$@"
    fi
    command -v import >/dev/null 2>&1 || { echo "import (imagemagick) is missing"; exit 1; }
}

# Closes WINDOW as a window manager would and waits for PID to end on its own; a watchdog ends
# it after ten seconds, which shows in the exit status left in $status.
#   close_and_wait X11_WINDOW WINDOW PID
close_and_wait() {
    "$1" close "$2"
    (
        sleep 10 &
        sleeper=$!
        trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
        wait "$sleeper"
        kill "$3" 2>/dev/null
    ) >/dev/null 2>&1 &
    watchdog=$!
    status=0
    wait "$3" || status=$?
    kill "$watchdog" 2>/dev/null || true
}

# The caption of the main window of VELLUM ("Vellum v1.420"), from the program's own --version.
#   window_caption VELLUM
window_caption() {
    echo "Vellum v$("$1" --version | sed 's/^vellum //')"
}
