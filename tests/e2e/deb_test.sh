# The Debian package as a user meets it: built from this build by CPack, installed with
# dpkg, started from /usr/bin by an ordinary user (nobody, with a throw-away home), who
# saves a setting and ticks the start with the desktop session; then removed with dpkg,
# which takes everything it put and leaves the user's files alone. The package is removed
# whatever happens, so the machine is left as it was found.
source "$(dirname "$0")/lib.sh"
BUILD=$(dirname "$(readlink -f "$1")")
ID=org.horavane.Horavane
if [[ $(id -u) != 0 ]]; then echo "SKIP: installing a package needs root"; exit 0; fi
if dpkg-query -W -f='${Status}' horavane 2>/dev/null | grep -q installed || [[ -e /usr/bin/horavane ]]; then
    echo "SKIP: horavane is installed on this machine already; this test would change that"
    exit 0
fi
e2e_init "$@"

INSTALLED=
remove_package() {
    [[ -n "$INSTALLED" ]] || return 0
    INSTALLED=
    dpkg --purge horavane >/dev/null 2>&1 || true
}
trap 'remove_package; e2e_cleanup' EXIT

# --- the package: its name, fields and files ---
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1 \
    || { cat "$WORK/cpack.log" >&2; e2e_fail "cpack could not build the package"; }
version=$(sed -n 's/^project(Horavane VERSION \([0-9.]*\).*/\1/p' "${HORAVANE_SOURCE_DIR:-$(dirname "$0")/../..}/CMakeLists.txt")
DEB="$WORK/pkg/horavane_${version}_amd64.deb"
[[ -f "$DEB" ]] || e2e_fail "no $(basename "$DEB"): $(ls "$WORK/pkg")"
depends=$(dpkg-deb -f "$DEB" Depends)
for library in libqt6widgets6 libqt6dbus6 libjpeg62-turbo libc6 qt6-qpa-plugins; do
    grep -q "\b$library\b" <<<"$depends" || e2e_fail "Depends lacks $library: $depends"
done
dpkg-deb -f "$DEB" Recommends | grep -q '\bqt6-translations-l10n\b' || e2e_fail "qt6-translations-l10n is not recommended"
dpkg-deb -c "$DEB" | awk '{ print $6 }' | grep -v '/$' | LC_ALL=C sort >"$WORK/contents"
{
    echo ./usr/bin/horavane
    echo "./usr/share/applications/$ID.desktop"
    for size in 128 16 22 24 256 32 48 64; do echo "./usr/share/icons/hicolor/${size}x${size}/apps/$ID.png"; done
    echo "./usr/share/metainfo/$ID.metainfo.xml"
} | LC_ALL=C sort >"$WORK/expected"
diff -u "$WORK/expected" "$WORK/contents" || e2e_fail "the package holds other files than expected"

# --- installed: the system's files in place and valid ---
INSTALLED=1
dpkg -i "$DEB" >"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log" >&2; e2e_fail "dpkg -i failed"; }
[[ -x /usr/bin/horavane ]] || e2e_fail "no /usr/bin/horavane after the install"
appstreamcli validate --no-net "/usr/share/metainfo/$ID.metainfo.xml" >"$WORK/appstream.log" 2>&1 \
    || { cat "$WORK/appstream.log" >&2; e2e_fail "the installed AppStream data is not valid"; }
desktop-file-validate "/usr/share/applications/$ID.desktop" || e2e_fail "the installed entry is not valid"
grep -qx 'Exec="/usr/bin/horavane"' "/usr/share/applications/$ID.desktop" || e2e_fail "the entry does not start /usr/bin/horavane"
grep -qx "Icon=$ID" "/usr/share/applications/$ID.desktop" || e2e_fail "the entry does not name the icon $ID"

# --- an ordinary user starts it: the settings go to ~/.config/horavane ---
USER_HOME="$WORK/home"
mkdir -p "$USER_HOME" "$WORK/nobody-runtime"
chmod 755 "$WORK"
chmod 700 "$USER_HOME" "$WORK/nobody-runtime"
chown nobody "$USER_HOME" "$WORK/nobody-runtime"
setpriv --reuid=65534 --regid=65534 --clear-groups \
    env -u XDG_CONFIG_HOME HOME="$USER_HOME" XDG_RUNTIME_DIR="$WORK/nobody-runtime" /usr/bin/horavane \
    2>"$WORK/stderr" &
APP_PID=$!
PIDS+=($APP_PID)
main=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the installed program showed no main window"
[[ $(readlink "/proc/$APP_PID/exe") == /usr/bin/horavane ]] || e2e_fail "the program running is not /usr/bin/horavane"
INI="$USER_HOME/.config/horavane/horavane.ini"
[[ ! -e "$INI" ]] || e2e_fail "the start wrote the settings file"

# Pick the zone below the selected one in the reference zone box (client 190, 28, 520 x 27).
xdotool mousemove --window "$main" 450 41 click 1
e2e_poll 5 e2e_app_has_window POPUP || e2e_fail "the zone list did not open"
xdotool key Down Return
e2e_poll 10 grep -q '^TZI=[0-9A-F]\{344\}' "$INI" 2>/dev/null || e2e_fail "the reference zone was not saved in $INI"
[[ ! -e /usr/bin/horavane.ini ]] || e2e_fail "the settings went beside the installed program"
[[ $(stat -c %U "$INI") == nobody ]] || e2e_fail "the settings file is not the user's"
# Start with the desktop session: the box at (320, 3) in the top bar.
xdotool mousemove --window "$main" 328 11 click 1
AUTOSTART="$USER_HOME/.config/autostart/Horavane.desktop"
e2e_poll 5 test -f "$AUTOSTART" || e2e_fail "ticking the box wrote no autostart entry"
grep -qx 'Exec="/usr/bin/horavane"' "$AUTOSTART" || e2e_fail "the autostart entry does not start the installed program: $(cat "$AUTOSTART")"
grep -q "one-copy guard" "$WORK/stderr" && e2e_fail "the user's runtime folder was not used: $(cat "$WORK/stderr")"
kill -TERM "$APP_PID"
e2e_wait_exit || e2e_fail "the program did not end on SIGTERM"
cp "$INI" "$WORK/ini.saved"

# --- removed: every file of the package goes, the user's settings stay ---
dpkg -r horavane >"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log" >&2; e2e_fail "dpkg -r failed"; }
INSTALLED=
while read -r file; do
    [[ ! -e "${file#.}" ]] || e2e_fail "${file#.} outlived the removal"
done <"$WORK/contents"
status=$(dpkg-query -W -f='${Status}' horavane 2>/dev/null || true)
[[ "$status" != *" installed" ]] || e2e_fail "dpkg still lists horavane as installed: $status"
cmp -s "$INI" "$WORK/ini.saved" || e2e_fail "the removal changed the user's settings"
[[ -f "$AUTOSTART" ]] || e2e_fail "the removal took the user's autostart entry"
echo "PASS: $(basename "$DEB") built, installed, run from /usr/bin with its settings in ~/.config/horavane, removed leaving them"
