#!/bin/sh
# Installs the build into a scratch prefix and compares what landed there with what should:
# the two programs, the desktop entry, the icons, the metadata, the manual pages and the
# completions, and nothing else (no test, benchmark or tool).
#   install_layout.sh BUILD_DIR APP_ID
set -eu
build=$1
id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
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
share/zsh/vendor-completions/_vellum-cli
EOF2
)
found=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
if [ "$found" != "$wanted" ]; then
    echo "installed files differ from the list:"
    printf '%s\n' "$wanted" > "$prefix/.wanted"
    printf '%s\n' "$found" | diff "$prefix/.wanted" - || true
    exit 1
fi
for size in 48 128 256; do
    file "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" | grep -q "PNG image data, $size x $size" ||
        { echo "the ${size}x$size icon is not a $size pixel PNG"; exit 1; }
done
[ -x "$prefix/bin/vellum" ] && [ -x "$prefix/bin/vellum-cli" ]
echo "installed: $(printf '%s\n' "$found" | wc -l) files, as listed"
