# The real program starts, maps its main window and keeps running quietly.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_launch
win=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"
size=$(e2e_window_size "$win")
[[ "$size" == "900x740" ]] || e2e_fail "client area is $size, not 900x740"
sleep 3
e2e_alive || e2e_fail "the program ended by itself"
shot="${E2E_SCREENSHOT:-$WORK/main.png}"
e2e_screenshot "$win" "$shot"
[[ -s "$shot" ]] || e2e_fail "no screenshot"
if [[ -s "$WORK/stderr" ]]; then e2e_fail "the program wrote to stderr"; fi
echo "PASS: main window 900x740 mapped; screenshot $shot"
