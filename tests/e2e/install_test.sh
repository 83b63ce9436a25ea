#!/usr/bin/env bash
# make install / make uninstall for a desktop user, into a throw-away HOME: exactly the
# program, its launcher entry, its icons and its AppStream data go in, under the one id
# the Debian package uses; exactly they come out again, and the settings file written
# beside the program stays.
set -euo pipefail
SRC=${HORAVANE_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
BUILD=$(dirname "$(readlink -f "$1")")
WORK=$(mktemp -d /tmp/horavane-install.XXXXXX)
STATE=(install_manifest.txt install_created_dirs.txt)

# The build folder's own install record belongs to the developer's real install.
mkdir "$WORK/saved"
for f in "${STATE[@]}"; do [[ -f "$BUILD/$f" ]] && cp "$BUILD/$f" "$WORK/saved/"; done
cleanup() {
    for f in "${STATE[@]}"; do
        rm -f "$BUILD/$f"
        [[ -f "$WORK/saved/$f" ]] && cp "$WORK/saved/$f" "$BUILD/"
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
tree() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort); }
SIZES=(16 22 24 32 48 64 128 256)
ID=org.horavane.Horavane

# --- default prefix: ~/.local of a user who already has other launcher entries ---
export HOME="$WORK/home"
mkdir -p "$HOME/.local/share/applications"
echo "[Desktop Entry]" > "$HOME/.local/share/applications/other.desktop"
tree "$HOME" > "$WORK/before"

"$SRC/tools/install-desktop.sh" "$BUILD" >/dev/null
P="$HOME/.local"
{
    cat "$WORK/before"
    printf './.local/bin\n./.local/bin/horavane\n'
    printf './.local/share/applications/%s.desktop\n./.local/share/icons\n' "$ID"
    printf './.local/share/icons/hicolor\n'
    for s in "${SIZES[@]}"; do
        printf './.local/share/icons/hicolor/%sx%s\n' "$s" "$s"
        printf './.local/share/icons/hicolor/%sx%s/apps\n' "$s" "$s"
        printf './.local/share/icons/hicolor/%sx%s/apps/%s.png\n' "$s" "$s" "$ID"
    done
    printf './.local/share/metainfo\n./.local/share/metainfo/%s.metainfo.xml\n' "$ID"
} | LC_ALL=C sort > "$WORK/expected"
tree "$HOME" > "$WORK/after"
diff -u "$WORK/expected" "$WORK/after" || fail "the install put something else than expected"

cmp -s "$BUILD/horavane" "$P/bin/horavane" || fail "the installed program differs from the built one"
[[ -x "$P/bin/horavane" ]] || fail "the installed program is not executable"
for s in "${SIZES[@]}"; do
    cmp -s "$SRC/resources/horavane-$s.png" "$P/share/icons/hicolor/${s}x${s}/apps/$ID.png" ||
        fail "icon ${s}x${s} is not the ${s}-pixel picture"
done
entry="$P/share/applications/$ID.desktop"
grep -qx "Exec=\"$P/bin/horavane\"" "$entry" || fail "the entry does not start the installed program"
grep -qx "TryExec=$P/bin/horavane" "$entry" || fail "the entry does not check for the installed program"
grep -qx "Icon=$ID" "$entry" || fail "the entry does not name the icon"
grep -qF "<launchable type=\"desktop-id\">$ID.desktop</launchable>" "$P/share/metainfo/$ID.metainfo.xml" ||
    fail "the AppStream data does not name the entry"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "the installed entry is not valid"
fi

# The program writes its settings beside itself; a second install changes nothing else.
printf '[Local]\r\nZone=Test\r\n' > "$P/bin/horavane.ini"
"$SRC/tools/install-desktop.sh" "$BUILD" >/dev/null
echo ./.local/bin/horavane.ini >> "$WORK/expected"
LC_ALL=C sort -o "$WORK/expected" "$WORK/expected"
tree "$HOME" > "$WORK/after"
diff -u "$WORK/expected" "$WORK/after" || fail "a second install changed the tree"

"$SRC/tools/uninstall-desktop.sh" "$BUILD" >/dev/null
{ cat "$WORK/before"; printf './.local/bin\n./.local/bin/horavane.ini\n'; } | LC_ALL=C sort > "$WORK/expected"
tree "$HOME" > "$WORK/after"
diff -u "$WORK/expected" "$WORK/after" || fail "the uninstall did not remove exactly what was installed"
[[ "$(cat "$P/bin/horavane.ini")" == $'[Local]\r\nZone=Test\r' ]] || fail "the settings file changed"
[[ ! -e "$BUILD/install_manifest.txt" ]] || fail "the install record outlived the uninstall"

# --- a prefix with a blank in its path, into which only an install from before the
# reverse-DNS names went: its entry and icon go, a picture of someone else's stays ---
P="$WORK/my apps"
mkdir -p "$P/share/applications" "$P/share/icons/hicolor/48x48/apps" "$P/share/icons/hicolor/64x64/apps"
printf '[Desktop Entry]\nExec="%s"\nTryExec=%s\n' "$P/bin/horavane" "$P/bin/horavane" \
    > "$P/share/applications/horavane.desktop"
cp "$SRC/resources/horavane-48.png" "$P/share/icons/hicolor/48x48/apps/horavane.png"
cp "$SRC/resources/horavane-48.png" "$P/share/icons/hicolor/64x64/apps/horavane.png"
"$SRC/tools/install-desktop.sh" "$BUILD" "$P" >/dev/null
[[ ! -e "$P/share/applications/horavane.desktop" && ! -e "$P/share/icons/hicolor/48x48/apps/horavane.png" ]] ||
    fail "the entry or icon of the install before the rename stayed"
[[ -f "$P/share/icons/hicolor/64x64/apps/horavane.png" ]] || fail "an icon the install did not put was removed"
grep -qx "Exec=\"$P/bin/horavane\"" "$P/share/applications/$ID.desktop" ||
    fail "a path with a blank is not quoted in Exec"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$P/share/applications/$ID.desktop" || fail "the entry with a quoted path is not valid"
fi
"$SRC/tools/uninstall-desktop.sh" "$BUILD" >/dev/null
[[ "$(tree "$P" | grep -v '/apps/horavane.png$' | grep -c '\.\(png\|desktop\|xml\)$')" == 0 && ! -e "$P/bin" ]] ||
    { tree "$P"; fail "the uninstall left files in the prefix"; }
echo "PASS"
