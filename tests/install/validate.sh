#!/bin/sh
# One installed text through its validator; the test fails on any complaint.
#   validate.sh desktop|metainfo|man|bash|zsh FILE
#   validate.sh answers VELLUM VERSION   --help, --version and an unknown option answered with
#                                        no display
#   validate.sh options PROGRAM FILE...   every option PROGRAM --help names is in each FILE
# Exit 77 (skipped) when the validator is not installed.
set -u
kind=$1
file=$2

need() {
    command -v "$1" >/dev/null 2>&1 || { echo "$1 is not installed: skipped"; exit 77; }
}
# Prints what the validator said and fails when it said anything.
silent() {
    [ -n "$said" ] && printf '%s\n' "$said"
    [ -z "$said" ]
}

case $kind in
desktop)
    need desktop-file-validate
    said=$(desktop-file-validate "$file" 2>&1)
    silent
    ;;
metainfo)
    need appstreamcli
    said=$(appstreamcli validate --no-net --pedantic --no-color "$file" 2>&1)
    status=$?
    printf '%s\n' "$said"
    # Notes (I:) are allowed: the id's top-level domain is the reserved "example".
    [ "$status" -eq 0 ] && ! printf '%s\n' "$said" | grep -Eq '^[EWP]:'
    ;;
man)
    need man
    said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
    silent
    ;;
bash)
    bash -c '. "$1" && complete -p vellum-cli' sh "$file"
    ;;
zsh)
    need zsh
    zsh -fc 'fpath=("$1" $fpath); autoload -Uz compinit && compinit -u -D &&
             [[ $_comps[vellum-cli] == _vellum-cli ]] && autoload +X _vellum-cli' \
        zsh "$(dirname "$file")"
    ;;
answers)
    # With no display a window could not even start: these must be answered before that.
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$file" -noautocheck --help) &&
        printf '%s\n' "$out" | head -n 1 | grep -q '^usage: vellum ' || exit 1
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$file" --version) &&
        [ "$out" = "vellum $3" ] || { echo "--version said '$out'"; exit 1; }
    # An option it does not know is a mistake: the usage on standard error, and exit 2.
    status=0
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$file" --bogus 2>&1 >/dev/null) ||
        status=$?
    [ "$status" -eq 2 ] && printf '%s\n' "$err" | grep -q '^usage: vellum ' ||
        { echo "--bogus: exit $status, '$err'"; exit 1; }
    ;;
options)
    shift
    # Option words stand at the start of a line, after a blank, "[" or "|".
    words=$(env -u DISPLAY -u WAYLAND_DISPLAY "$1" --help |
        grep -oE '(^|[][ |])--?[a-z][a-z0-9-]*' | grep -oE -- '--?[a-z][a-z0-9-]*' | sort -u)
    [ -n "$words" ] || { echo "$1 --help names no option"; exit 1; }
    shift
    missing=0
    for text in "$@"; do
        for word in $words; do
            # Manual pages write a hyphen as \-.
            sed 's/\\-/-/g' "$text" | grep -qF -- "$word" ||
                { echo "$(basename "$text") does not mention $word"; missing=1; }
        done
    done
    exit "$missing"
    ;;
*)
    echo "unknown kind $kind"
    exit 2
    ;;
esac
