#!/usr/bin/env bash
# Builds the Debian package from a finished build folder and checks it as a user would get it:
# its files and dependencies, the desktop entry, the AppStream data, lintian, a start of the
# unpacked program, and the Windows resources compiled with MinGW's windres.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

# Tools for these checks only; the program itself needs none of them.
bash scripts/install-deps.sh dpkg-dev desktop-file-utils appstream lintian \
    binutils-mingw-w64-x86-64 file

fail() {
    echo "Package check failed: $*" >&2
    exit 1
}

work=$(mktemp -d)
program=
cleanup() {
    if [ -n "$program" ]; then
        kill "$program" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

rm -f "$build"/quadrotag_*.deb
(cd "$build" && cpack -G DEB > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
version=$(sed -n 's/^project(Quadrotag VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package=$(ls "$build"/quadrotag_"$version"_*.deb) || fail "no package for version $version"

echo "== files of $package"
dpkg-deb -c "$package" | awk '{print $6}' > "$work/files"
for path in ./usr/bin/quadrotag \
            ./usr/bin/quadrotag-export \
            ./usr/bin/quadrotag-relabel \
            ./usr/bin/quadrotag-import \
            ./usr/bin/quadrotag-agree \
            ./usr/bin/quadrotag-report \
            ./usr/share/applications/quadrotag.desktop \
            ./usr/share/metainfo/org.quadrotag.Quadrotag.metainfo.xml \
            ./usr/share/icons/hicolor/16x16/apps/quadrotag.png \
            ./usr/share/icons/hicolor/32x32/apps/quadrotag.png \
            ./usr/share/icons/hicolor/48x48/apps/quadrotag.png \
            ./usr/share/icons/hicolor/256x256/apps/quadrotag.png \
            ./usr/share/man/man1/quadrotag.1.gz \
            ./usr/share/man/man1/quadrotag-export.1.gz \
            ./usr/share/man/man1/quadrotag-relabel.1.gz \
            ./usr/share/man/man1/quadrotag-import.1.gz \
            ./usr/share/man/man1/quadrotag-agree.1.gz \
            ./usr/share/man/man1/quadrotag-report.1.gz \
            ./usr/share/doc/quadrotag/copyright \
            ./usr/share/doc/quadrotag/changelog.gz; do
    grep -qxF "$path" "$work/files" || fail "$path is not in the package"
done

echo "== control fields"
field() { dpkg-deb -f "$package" "$1"; }
[ "$(field Package)" = quadrotag ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
[ "$(field Section)" = graphics ] || fail "Section is $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
echo "Depends: $depends"
for needed in fonts-liberation2 libqt6widgets6 libqt6gui6 libopencv-imgcodecs libc6; do
    grep -q "\b$needed" <<< "$depends" || fail "Depends lacks $needed"
done
for unwanted in highgui qt5; do
    if grep -q "$unwanted" <<< "$depends"; then
        fail "Depends names $unwanted"
    fi
done

echo "== desktop entry and AppStream data"
root="$work/root"
dpkg-deb -x "$package" "$root"
desktop-file-validate "$root/usr/share/applications/quadrotag.desktop" \
    || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.quadrotag.Quadrotag.metainfo.xml" \
    || fail "appstreamcli validate"

echo "== lintian"
# Warnings are shown for the reader; only errors (or lintian failing to run) fail the check.
lintian --fail-on error "$package" || fail "lintian reports errors"

echo "== the unpacked program in a project folder"
project="$work/project"
mkdir "$project"
printf 'Sofa 0 Lamp(floor) 0\nMaterial 2 Wood Leather\n' > "$project/tags"
(cd "$project" && exec env QT_QPA_PLATFORM=offscreen "$root/usr/bin/quadrotag" \
    > "$work/program.log" 2>&1) &
program=$!
for _ in $(seq 200); do
    [ -s "$project/index2tag.csv" ] && break
    kill -0 "$program" 2>/dev/null || { cat "$work/program.log"; fail "the program ended"; }
    sleep 0.1
done
[ -s "$project/index2tag.csv" ] || fail "no index2tag.csv after 20 s"
printf '0,0,Sofa\n0,1,Lamp\n1,1,Material: Wood\n1,2,Material: Leather\n' > "$work/expected.csv"
cmp "$work/expected.csv" "$project/index2tag.csv" || fail "index2tag.csv differs"
kill -0 "$program" 2>/dev/null || fail "the program did not keep running"
kill "$program"
wait "$program" 2>/dev/null || true
program=

echo "== the unpacked exporter checks the project folder"
"$root/usr/bin/quadrotag-export" --version | grep -q "$version" || fail "quadrotag-export --version"
(cd "$project" && "$root/usr/bin/quadrotag-export" --check .) > "$work/export.log" 2>&1 \
    || { cat "$work/export.log"; fail "quadrotag-export --check on a folder without images"; }

echo "== the unpacked importer reads an export of the project folder"
"$root/usr/bin/quadrotag-import" --version | grep -q "$version" || fail "quadrotag-import --version"
mkdir "$work/predictions"
(cd "$project" && "$root/usr/bin/quadrotag-export" --format dota --output "$work/predictions" . \
    && "$root/usr/bin/quadrotag-import" --format dota "$work/predictions" .) \
    > "$work/import.log" 2>&1 || { cat "$work/import.log"; fail "quadrotag-import on an export"; }

echo "== the unpacked relabeller moves a tag of the project folder"
"$root/usr/bin/quadrotag-relabel" --version | grep -q "$version" || fail "quadrotag-relabel --version"
printf '0\n4 1 1 9 1 9 9 1 9 \n1 1 2 \n' > "$project/room.lbl"
printf 'Sofa 0 Lamp(floor) 0\nMaterial 3 Oak Wood Leather\n' > "$project/tags"
(cd "$project" && "$root/usr/bin/quadrotag-relabel" --from index2tag.csv .) > "$work/relabel.log" 2>&1 \
    || { cat "$work/relabel.log"; fail "quadrotag-relabel on the project folder"; }
printf '0\n4 1 1 9 1 9 9 1 9 \n1 1 3 \n' | cmp - "$project/room.lbl" || fail "room.lbl not relabelled"
grep -qx '1,3,Material: Leather' "$project/index2tag.csv" || fail "index2tag.csv not renewed"

echo "== the unpacked agreement tool compares the project folder with itself"
"$root/usr/bin/quadrotag-agree" --version | grep -q "$version" || fail "quadrotag-agree --version"
touch "$project/room.jpg"
(cd "$project" && "$root/usr/bin/quadrotag-agree" --json . .) > "$work/agree.json" 2> "$work/agree.log" \
    || { cat "$work/agree.log"; fail "quadrotag-agree on the project folder"; }
grep -q '"matched":1,"only_a":0,"only_b":0' "$work/agree.json" || fail "quadrotag-agree did not match room.lbl with itself"

echo "== the unpacked report tool writes a page of the project folder"
"$root/usr/bin/quadrotag-report" --version | grep -q "$version" || fail "quadrotag-report --version"
(cd "$project" && "$root/usr/bin/quadrotag-report" --output "$work/report.html" .) 2> "$work/report.log" \
    || { cat "$work/report.log"; fail "quadrotag-report on the project folder"; }
grep -q 'image header cannot be read' "$work/report.html" || fail "the report does not name the empty room.jpg"

echo "== Windows resources"
ico="$build/packaging/icons/quadrotag.ico"
file "$ico" | grep -q "MS Windows icon resource - 3 icons, 48x48, 16 colors, 4 bits/pixel" \
    || fail "$(file "$ico")"
# The host's preprocessor stands in for MinGW's compiler, which windres would call.
x86_64-w64-mingw32-windres --preprocessor=cpp -i "$build/packaging/quadrotag.rc" \
    -O coff -o "$work/resources.o" || fail "windres cannot compile the .rc"
x86_64-w64-mingw32-windres -J coff -i "$work/resources.o" -O rc > "$work/resources.rc"
count() { grep -c "$1" "$work/resources.rc" || true; }
[ "$(count '/\* RT_ICON \*/')" = 3 ] || fail "the resources do not hold three icons"
[ "$(count '/\* RT_GROUP_ICON \*/')" = 1 ] || fail "the resources do not hold one icon group"
[ "$(count '^1 24 /\* RT_MANIFEST \*/')" = 1 ] || fail "the resources do not hold one manifest"
grep -q 'requestedExecutionLevel level=""asInvoker"" uiAccess=""false""' "$work/resources.rc" \
    || fail "the manifest does not ask for asInvoker"
# Group entries: "width height colours reserved", planes, bits per pixel, bytes, icon id.
grep -o '"\\[0-9]*\\[0-9]*\\020\\000", 1, 4,' "$work/resources.rc" > "$work/entries"
printf '%s\n' '"\060\060\020\000", 1, 4,' '"\040\040\020\000", 1, 4,' \
    '"\020\020\020\000", 1, 4,' | cmp - "$work/entries" \
    || fail "the icon group is not 48, 32 and 16 pixels at 4 bits"

echo "Package checks passed: $package"
