#!/bin/sh
# Installs the build into a scratch prefix and compares what landed there with what should:
# the two programs, the desktop entry, the icons, the metadata, the manual pages, the
# completions, the package documents and the uninstaller, and nothing else (no test, benchmark
# or tool). The prefix's name holds characters a desktop entry must escape: its entry names the
# program by its installed path, which must read back as that path. Installed into /usr (staged
# under DESTDIR, as a package is), the entry names the program by its bare name and there is no
# uninstaller. Uninstalling leaves no trace of an install, nor of one made twice, and takes
# nothing that was there before it. The build's records of its user's installs are kept.
#   install_layout.sh BUILD_DIR APP_ID
set -eu
build=$1
id=$2
. "$(dirname "$0")/keep_records.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/pre fix \$'\"%"
fail() {
    echo "FAILED: $*"
    exit 1
}

# The program an entry's Exec line starts, read as a desktop reads it: the string's escapes,
# then those of a quoted argument, then the doubled % of the field codes.
exec_program() {
    sed -n 's/^Exec=\(.*\) %F$/\1/p' "$1" | sed -e 's/\\\\/\\/g' -e 's/^"\(.*\)"$/\1/' \
        -e 's/\\\([\\"`$]\)/\1/g' -e 's/%%/%/g'
}
try_exec() {
    sed -n 's/^TryExec=//p' "$1" | sed 's/\\\\/\\/g'
}

keeping_records "$build" cmake --install "$build" --prefix "$prefix" >/dev/null
wanted=$(sort <<EOF2
bin/vellum
bin/vellum-cli
share/applications/$id.desktop
share/bash-completion/completions/vellum-cli
share/doc/vellum/changelog.gz
share/doc/vellum/copyright
share/icons/hicolor/128x128/apps/$id.png
share/icons/hicolor/256x256/apps/$id.png
share/icons/hicolor/48x48/apps/$id.png
share/icons/hicolor/scalable/apps/$id.svg
share/man/man1/vellum-cli.1.gz
share/man/man1/vellum.1.gz
share/metainfo/$id.metainfo.xml
share/vellum/uninstall.sh
share/zsh/vendor-completions/_vellum-cli
EOF2
)
found=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
if [ "$found" != "$wanted" ]; then
    echo "installed files differ from the list:"
    printf '%s\n' "$wanted" > "$scratch/wanted"
    printf '%s\n' "$found" | diff "$scratch/wanted" - || true
    exit 1
fi
for size in 48 128 256; do
    file "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" | grep -q "PNG image data, $size x $size" ||
        { echo "the ${size}x$size icon is not a $size pixel PNG"; exit 1; }
done
[ -x "$prefix/bin/vellum" ] && [ -x "$prefix/bin/vellum-cli" ]
echo "installed: $(printf '%s\n' "$found" | wc -l) files, as listed"

entry="$prefix/share/applications/$id.desktop"
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$entry" || fail "the installed entry does not validate"
fi
[ "$(exec_program "$entry")" = "$prefix/bin/vellum" ] || fail "Exec: $(grep '^Exec=' "$entry")"
[ "$(try_exec "$entry")" = "$prefix/bin/vellum" ] || fail "TryExec: $(grep '^TryExec=' "$entry")"
(
    export DESTDIR="$scratch/staged"
    keeping_records "$build" cmake --install "$build" --prefix /usr >/dev/null
)
entry="$scratch/staged/usr/share/applications/$id.desktop"
[ "$(exec_program "$entry")" = vellum ] || fail "under /usr, Exec: $(grep '^Exec=' "$entry")"
[ "$(try_exec "$entry")" = vellum ] || fail "under /usr, TryExec: $(grep '^TryExec=' "$entry")"
[ ! -e "$scratch/staged/usr/share/vellum" ] || fail "a staged install has an uninstaller"
echo "the entry starts $prefix/bin/vellum, and vellum when installed into /usr"

# Installed again over itself, then uninstalled by the build's target: the prefix, which the
# first install made, is gone. The build's list holds only this install while the target runs.
install_twice_and_uninstall() {
    rm -f "$build/uninstallers.txt"
    cmake --install "$build" --prefix "$prefix" >/dev/null
    cmake --build "$build" --target uninstall >/dev/null
}
keeping_records "$build" install_twice_and_uninstall
[ ! -e "$prefix" ] || fail "left after uninstalling: $(cd "$prefix" && find . | sort | tr '\n' ' ')"
echo "uninstalled without a trace, after installing twice"

# Into a prefix with folders and files of its own: they are all there after uninstalling,
# the empty folder too.
prefix="$scratch/own"
mkdir -p "$prefix/bin" "$prefix/share/applications"
echo mine > "$prefix/share/applications/mine.desktop"
before=$(cd "$prefix" && find . | sort)
keeping_records "$build" cmake --install "$build" --prefix "$prefix" >/dev/null
sh "$prefix/share/vellum/uninstall.sh" >/dev/null
after=$(cd "$prefix" && find . | sort)
[ "$after" = "$before" ] || fail "uninstalling changed what was there: $after"
echo "uninstalled, leaving what was there before"
