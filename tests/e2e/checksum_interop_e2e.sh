#!/bin/sh
# vellum-cli beside the tools that write and read the same checksum files: its md5sum and SFV
# lists pass md5sum -c and cksfv -f, and the lists those tools write verify with the verdicts
# and exit status of Vellum's own list.
#   checksum_interop_e2e.sh VELLUM_CLI
# Exit 77 (skipped) when md5sum or cksfv is not installed.
set -eu
cli=$1
for tool in md5sum cksfv; do
    command -v "$tool" >/dev/null 2>&1 || { echo "no $tool: skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAILED: $*"
    exit 1
}
cd "$work"
newline=$(printf 'new\nline')
printf abc > same
printf abc > 'sp ace'
printf abc > 'back\slash'
printf abc > "$newline"
printf abc > changed
printf abc > gone

# Ours, read by them.
"$cli" --no-progress --format md5sum same 'sp ace' 'back\slash' "$newline" > ours.md5
md5sum --strict --quiet -c ours.md5 || fail "md5sum -c on our list"
"$cli" --no-progress --format sfv same 'sp ace' 'back\slash' > ours.sfv
cksfv -q -f ours.sfv || fail "cksfv -f on our list"

# Theirs (and ours), read by us: every list of every writer, once of all three files and once
# of the unchanged one alone.
write() {
    writer=$1
    shift
    case $writer in
        own) "$cli" --no-progress "$@" ;;
        md5sum) md5sum "$@" ;;
        md5sum-b) md5sum -b "$@" ;;
        md5sum-tag) md5sum --tag "$@" ;;
        cksfv) cksfv "$@" ;;
    esac
}
writers="own md5sum md5sum-b md5sum-tag cksfv"
for w in $writers; do
    write "$w" same changed gone > "all.$w"
    write "$w" same > "one.$w"
done
printf abd > changed
rm gone

# check EXIT OUTPUT ARGS...: vellum-cli ARGS must end with EXIT and print OUTPUT.
check() {
    want_exit=$1
    want_out=$2
    shift 2
    out=$("$cli" --no-progress "$@" 2>"$work/err") && code=0 || code=$?
    [ "$code" = "$want_exit" ] || fail "$*: exit $code, wanted $want_exit ($(cat "$work/err"))"
    [ "$out" = "$want_out" ] || fail "$*: printed '$out'"
}
tab=$(printf '\t')
for w in $writers; do
    check 1 "UNCHANGED${tab}same
CHANGED${tab}changed
MISSING${tab}gone" --verify "all.$w"
    check 0 "UNCHANGED${tab}same" --verify "one.$w"
done
# Relative names are taken against the list's folder.
(cd / && check 0 "UNCHANGED${tab}$work/same" --verify "$work/one.md5sum")
# SFV's CRC-32 is that of -crc32b: under -crc32a the lines are not checked, and it is said.
check 1 "" -crc32a --verify one.cksfv
grep -q "could not be checked under -crc32a" "$work/err" || fail "no word on -crc32a"
echo "checksum interop: ok"
