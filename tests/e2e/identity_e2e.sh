#!/bin/sh
# The real vellum under a virtual X server, its version check pointed at a loopback stand-in
# and its settings file kept in a scratch folder. Three starts: the splash comes first and is
# gone once the window shows; the first start makes the identifier and sends exactly one
# request carrying it; the second sends the same identifier again; a start with -noautocheck
# sends nothing and leaves the identifier as it was.
#   identity_e2e.sh VELLUM X11_WINDOW VERSION_SERVER OUTDIR
# Exit 77 (skipped) without xvfb-run.
set -eu
vellum=$1
x11_window=$2
version_server=$3
out=$4

. "$(dirname "$0")/virtual_x.sh"
run_under_virtual_x "$0" "$@"
mkdir -p "$out"
work=$(mktemp -d)
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    exit 1
}

beside="$(dirname "$vellum")/vellum.INI"
[ -e "$beside" ] && had_beside=1 || had_beside=0

"$version_server" "$work/port" "$work/requests" 120 &
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || fail "the stand-in server did not start"
touch "$work/requests"
export VELLUM_WEB_HOST="127.0.0.1:$(cat "$work/port")"
export VELLUM_SETTINGS="$work/vellum.INI"
printf 'listed at start\n' > "$work/start.txt"

requests() { wc -l < "$work/requests" | tr -d ' '; }
stored_id() { sed -n 's/^UniqueSerialNumber=//p' "$work/vellum.INI" | tr -d '\r'; }
sent_ids() { sed -n 's/.*uniqueid=\([0-9a-f]*\) HTTP.*/\1/p' "$work/requests"; }

# run NAME WANTED [OPTION]: one start with the scratch file listed; afterwards the server must
# have heard WANTED requests in all.
run() {
    name=$1
    wanted=$2
    shift 2
    "$vellum" "$@" "$work/start.txt" &
    pid=$!
    # Only the order is checked here: how long the splash holds is measured in the widget
    # tests, where a busy machine cannot delay the one who looks.
    "$x11_window" wait "Vellum" 10000 >/dev/null || fail "$name: no splash"
    [ "$name" = first ] && import -window root "$out/splash.png"
    window=$("$x11_window" wait "$(window_caption "$vellum")" 15000) || fail "$name: no main window"
    "$x11_window" gone "Vellum" 5000 || fail "$name: the splash stayed"
    # The check runs on the window's first timer tick; give a stray second one time to come.
    for _ in $(seq 100); do [ "$(requests)" -ge "$wanted" ] && break; sleep 0.1; done
    sleep 2
    import -window "$window" "$out/$name.png"
    close_and_wait "$x11_window" "$window" "$pid"
    [ "$status" -eq 0 ] || fail "$name: vellum exited with $status"
    [ "$(requests)" -eq "$wanted" ] || fail "$name: $(requests) requests in all, wanted $wanted"
}

run first 1
id=$(stored_id)
echo "$id" | grep -Eq '^[0-9]{1,19}[0-9a-f]{32}$' || fail "stored identifier '$id'"
[ "$(sent_ids)" = "$id" ] || fail "sent '$(sent_ids)', stored '$id'"

run second 2
[ "$(stored_id)" = "$id" ] || fail "the identifier changed to '$(stored_id)'"
[ "$(sent_ids | sort -u)" = "$id" ] || fail "the second start sent another identifier"

run noautocheck 2 -noautocheck
[ "$(stored_id)" = "$id" ] || fail "-noautocheck changed the identifier"

if [ "$had_beside" -eq 0 ] && [ -e "$beside" ]; then
    fail "a settings file was written beside the program"
fi
echo "one identifier $id, sent twice, none with -noautocheck; screenshots in $out"
