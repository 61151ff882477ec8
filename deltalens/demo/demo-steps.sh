#!/usr/bin/env bash
# The viewer's part of the demo: makes a changed copy of the demo package,
# generates the transform between the two with the engine, and lists that
# transform's changes with deltalens-cli; then compares the two packages with
# `deltalens-cli diff` and writes the transform with `make-transform`. The
# packages and the transform are checked to be byte for byte the same after.
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

before=$(sha256sum "$package" "$changed" "$transform")
echo
echo "\$ deltalens-cli $(basename "$package") $(basename "$transform")"
status=0
"$cli" "$package" "$transform" || status=$?
echo
echo "\$ deltalens-cli --format json ... (first lines)"
"$cli" --format json "$package" "$transform" | head -n 4 || true

# diff makes the same transform itself, in a private temporary folder, and
# lists it: the rows are the listing's.
echo
echo "\$ deltalens-cli diff $(basename "$package") $(basename "$changed")"
"$cli" diff "$package" "$changed" || status=$?
echo
echo "\$ deltalens-cli diff --exit-code $(basename "$package") $(basename "$package")   # the same package"
same=0
"$cli" diff --exit-code --format tsv "$package" "$package" > /dev/null || same=$?
echo "exit status $same (0: no difference)"
differs=0
"$cli" diff --exit-code --format tsv "$package" "$changed" > /dev/null || differs=$?
echo "\$ deltalens-cli diff --exit-code ... $(basename "$changed"): exit status $differs (1: they differ)"

# make-transform writes that transform to a file, with its summary information.
made=$work/$name-made.mst
echo
echo "\$ deltalens-cli make-transform --force $(basename "$package") $(basename "$changed") $(basename "$made")"
"$cli" make-transform --force "$package" "$changed" "$made" || status=$?
echo "\$ deltalens-cli --format tsv $(basename "$package") $(basename "$made")"
"$cli" --format tsv "$package" "$made" || status=$?
if command -v msiinfo > /dev/null; then
    echo "\$ msiinfo suminfo $(basename "$made")   # msitools reads its summary information"
    msiinfo suminfo "$made" || true
    echo
fi
after=$(sha256sum "$package" "$changed" "$transform")

echo
if [[ $status -ne 0 ]]; then
    echo "deltalens: a deltalens-cli step failed" >&2
    exit 1
fi
if [[ $same -ne 0 || $differs -ne 1 ]]; then
    echo "deltalens: diff --exit-code gave $same and $differs, not 0 and 1" >&2
    exit 1
fi
if ! cmp -s <("$cli" --format tsv "$package" "$made") <("$cli" diff --format tsv "$package" "$changed"); then
    echo "deltalens: diff and the listing of the made transform disagree" >&2
    exit 1
fi
if [[ $before != "$after" ]]; then
    echo "deltalens: a package or the transform changed on disk" >&2
    exit 1
fi
echo "deltalens: diff lists what the made transform lists; the packages and the transform are"
echo "unchanged on disk (sha256 before and after agree)"
