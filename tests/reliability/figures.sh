#!/bin/sh
# Measures the figures that docs/reliability.md quotes: runs the fault tests of a build with
# VELLUM_FIGURES set, then prints every figure and the worst must-not-hang time of each bound
# as Markdown table rows. The tests themselves must pass.
#   tests/reliability/figures.sh [BUILD_DIR]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
figures=$(mktemp)
trap 'rm -f "$figures"' EXIT
export VELLUM_FIGURES="$figures" VELLUM_BUILD_DIR="$build" VELLUM_FAULTFS="$build/tests/vellum_faultfs"
for name in cli files http import settings trash; do
    "$build/tests/test_reliability_$name" >/dev/null
done
status=0
sh "$root/tests/reliability/in_mount_namespace.sh" "$build/tests/test_reliability_mounts" \
    >/dev/null || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 77 ] || exit "$status"
awk -F '\t' '
    { printf "| %s | %.1f %s |\n", $1, $2, $3 }
    $1 ~ /^must-not-hang, 3 s/ && $2 > worst3 { worst3 = $2 }
    $1 ~ /^must-not-hang, 12 s/ && $2 > worst12 { worst12 = $2 }
    END {
        printf "| worst must-not-hang case, bound 3 s | %.1f ms |\n", worst3
        printf "| worst must-not-hang case, bound 12 s | %.1f ms |\n", worst12
    }' "$figures"
