#!/usr/bin/env bash
# The Debian package as a user gets it: packs the build with CPack, unpacks
# the package into a scratch root with dpkg -x (no root needed, nothing is
# installed on the machine), checks its files and its Depends, and runs the
# command-line programs from there on packages made here with msibuild.
#
#   packaging/check_package.sh BUILD_DIR SCRATCH GUI
#
# GUI is the build's VSB_BUILD_GUI (ON: the dialog programs and their desktop
# files must be in the package too).
set -euo pipefail
build=$1
scratch=$2
gui=$3

fail() {
    echo "check_package: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" > "$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack failed"
fi
debs=("$scratch"/out/tablesmith_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "no single tablesmith_*.deb in $scratch/out"
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root"

# --- what the package holds and needs ------------------------------------------
files=(usr/bin/tablesmith-cli usr/bin/deltalens-cli
       usr/share/man/man1/tablesmith-cli.1.gz usr/share/man/man1/deltalens-cli.1.gz)
# The command lines carry the C++ runtime inside (cmake/VsbQuickStart.cmake);
# the dialogs share libstdc++ with Qt.
depends_wanted=(libc6 libmspack0)
if [[ $gui == ON ]]; then
    files+=(usr/bin/tablesmith usr/bin/deltalens
            usr/share/man/man1/tablesmith.1.gz usr/share/man/man1/deltalens.1.gz
            usr/share/applications/tablesmith.desktop usr/share/applications/deltalens.desktop
            usr/share/mime/packages/deltalens.xml
            usr/share/icons/hicolor/scalable/apps/tablesmith.svg
            usr/share/icons/hicolor/scalable/apps/deltalens.svg
            usr/share/icons/hicolor/48x48/apps/tablesmith.png
            usr/share/icons/hicolor/48x48/apps/deltalens.png)
    depends_wanted+=(libstdc++6 libqt6widgets6 qt6-qpa-plugins)
fi
for file in "${files[@]}"; do
    [[ -e $root/$file ]] || fail "not in the package: /$file"
done
depends=$(dpkg-deb -f "$deb" Depends)
# The package names alone, without versions and alternatives.
depends_names=$(tr ',|' '\n\n' <<< "$depends" | sed 's/^ *//; s/[ (].*//')
for name in "${depends_wanted[@]}"; do
    grep -qx -- "$name" <<< "$depends_names" || fail "Depends lacks $name: $depends"
done
[[ $(dpkg-deb -f "$deb" Package) == tablesmith ]] || fail "the package is not called tablesmith"

# The manual pages are the programs' --help, with the commands in them.
zcat "$root/usr/share/man/man1/tablesmith-cli.1.gz" | grep -q -- 'folder DIR' ||
    fail "tablesmith-cli.1 does not describe --folder"
zcat "$root/usr/share/man/man1/deltalens-cli.1.gz" | grep -q -- 'make\\-transform' ||
    fail "deltalens-cli.1 does not describe make-transform"

# --- the installed command lines at work -----------------------------------------
bin=$root/usr/bin
[[ $("$bin/tablesmith-cli" --version) == "tablesmith-cli "* ]] || fail "tablesmith-cli --version"
[[ $("$bin/deltalens-cli" --version) == "deltalens-cli "* ]] || fail "deltalens-cli --version"
if [[ $gui == ON ]]; then
    # The dialog programs answer without a display (help2man relies on it).
    for program in tablesmith deltalens; do
        answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" --version) ||
            fail "$program --version failed without a display"
        [[ $answer == "$program "* ]] || fail "$program --version says '$answer'"
        zcat "$root/usr/share/man/man1/$program.1.gz" | grep -q 'PACKAGE' ||
            fail "$program.1 does not say what the program opens"
    done
fi

if ! command -v msibuild > /dev/null; then
    echo "check_package: msibuild (msitools) is missing: the programs were not run on packages"
    exit 0
fi
work=$scratch/work
mkdir -p "$work"
property() {
    printf 'Property\tValue\r\ns72\tl0\r\nProperty\tProperty\r\n'
    printf 'ProductCode\t{5B5CF8A8-36A3-4AB1-9D4A-DE8D7D1C3B11}\r\nProductVersion\t1.0.0\r\n'
    printf '%s' "$1"
}
property "" > "$work/Property.idt"
(cd "$work" && msibuild old.msi -i Property.idt)
property $'ProductName\tPackaged\r\n' > "$work/Property.idt"
(cd "$work" && msibuild new.msi -i Property.idt)

"$bin/tablesmith-cli" tables "$work/old.msi" | grep -qx Property || fail "tables does not list Property"
"$bin/tablesmith-cli" export --all --folder "$work/export" "$work/old.msi" > /dev/null ||
    fail "export failed"
[[ -f $work/export/Property.tbl ]] || fail "export wrote no Property.tbl"
status=0
"$bin/deltalens-cli" diff --exit-code --format tsv "$work/old.msi" "$work/new.msi" > "$work/diff.tsv" ||
    status=$?
[[ $status -eq 1 ]] || fail "diff --exit-code gave $status for packages that differ"
grep -q $'^Property\tINSERT\tProductName' "$work/diff.tsv" || fail "diff does not list the new row"
"$bin/deltalens-cli" make-transform "$work/old.msi" "$work/new.msi" "$work/t.mst" ||
    fail "make-transform failed"
"$bin/deltalens-cli" --format tsv "$work/old.msi" "$work/t.mst" | cmp -s - "$work/diff.tsv" ||
    fail "the made transform lists other rows than diff"
echo "check_package: $(basename "$deb") holds ${#files[@]} checked files; Depends: $depends"
