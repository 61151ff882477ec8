#!/usr/bin/env bash
# The viewer's part of the demo: makes a changed copy of the demo package,
# generates the transform between the two with the engine, and lists that
# transform's changes with deltalens-cli. The package and the transform are
# checked to be byte for byte the same after the listing.
#
#   deltalens/demo/demo-steps.sh BUILD_DIR [PACKAGE]
#
# BUILD_DIR is a configured build folder; PACKAGE defaults to the demo
# package that samples/ builds there (samples/TablesmithDemo.msi). Missing
# programs and the package are built first. The copy and the transform go to
# BUILD_DIR/deltalens/demo/.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 BUILD_DIR [PACKAGE]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
package=${2:-$build/samples/TablesmithDemo.msi}
cli=$build/deltalens/deltalens-cli
maker=$build/deltalens/deltalens-demo-transform
work=$build/deltalens/demo

if [[ ! -x $cli || ! -x $maker ]]; then
    cmake --build "$build" --target deltalens-cli deltalens-demo-transform > /dev/null
fi
if [[ ! -f $package && $# -eq 1 ]]; then
    # samples/ builds the package only on demand.
    cmake --build "$build" --target sample_package > /dev/null ||
        echo "demo-steps: the demo package could not be built (target sample_package)" >&2
fi
if [[ ! -f $package ]]; then
    echo "demo-steps: no package at $package" >&2
    exit 1
fi

mkdir -p "$work"
name=$(basename "$package" .msi)
changed=$work/$name-changed.msi
transform=$work/$name.mst

echo "deltalens: changing a copy of $package and generating the transform"
"$maker" "$package" "$changed" "$transform"

before=$(sha256sum "$package" "$transform")
echo
echo "\$ deltalens-cli $(basename "$package") $(basename "$transform")"
status=0
"$cli" "$package" "$transform" || status=$?
echo
echo "\$ deltalens-cli --format json ... (first lines)"
"$cli" --format json "$package" "$transform" | head -n 4 || true
after=$(sha256sum "$package" "$transform")

echo
if [[ $status -ne 0 ]]; then
    echo "deltalens: deltalens-cli failed with exit status $status" >&2
    exit 1
fi
if [[ $before != "$after" ]]; then
    echo "deltalens: the package or the transform changed on disk" >&2
    exit 1
fi
echo "deltalens: package and transform unchanged on disk (sha256 before and after agree)"
