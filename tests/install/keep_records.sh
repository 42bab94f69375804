# Shared by the tests that install the build into a scratch prefix, which source it.

# Runs a command, such as a scratch install, and leaves the build's own records of its user's
# installs (install_manifest.txt, uninstallers.txt) as they were before it. ctest runs the
# tests that do this one at a time (RESOURCE_LOCK), so that none restores what another saved.
#   keeping_records BUILD_DIR COMMAND [ARG...]
keeping_records() {
    kept_build=$1
    shift
    kept=$(mktemp -d)
    for record in install_manifest.txt uninstallers.txt; do
        if [ -e "$kept_build/$record" ]; then cp -p "$kept_build/$record" "$kept/"; fi
    done
    kept_status=0
    "$@" || kept_status=$?
    for record in install_manifest.txt uninstallers.txt; do
        if [ -e "$kept/$record" ]; then
            cp -p "$kept/$record" "$kept_build/$record"
        else
            rm -f "$kept_build/$record"
        fi
    done
    rm -rf "$kept"
    return "$kept_status"
}
