# A screen reader reads what the windows show: through the AT-SPI tree it finds every
# clock's name and time (with its day where it is not Tokyo's), the reference time, the
# selected zone, the 24 hour panels, the coming events, and every control of the clock
# editor and of the time-setup hints window, each under the name it shows.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

DUMP="/usr/bin/python3 $HORAVANE_SOURCE_DIR/tools/e2e/atspi_dump.py"
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || e2e_fail "python3-pyatspi is not installed"

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
PIDS+=($!)
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# The reference zone follows the computer's, so it is known here; the five clocks keep
# their default cities because the settings file is new.
export TZ=Asia/Tokyo
e2e_launch
main=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"

# dump_until PATTERN: the AT-SPI tree once a line matches PATTERN (the bridge and the
# windows need a moment to appear on the bus).
dump_until() {
    local tree
    for _ in $(seq 50); do
        tree=$($DUMP Horavane 2>/dev/null || true)
        if grep -qE "$1" <<<"$tree"; then printf '%s\n' "$tree"; return 0; fi
        sleep 0.2
    done
    printf '%s\n' "$tree" >"$WORK/last-tree.txt"
    return 1
}

# name_at TREE WINDOW-ROLE ROLE X Y: the name of the object of that role at (X, Y) in
# the top level of that role.
name_at() {
    awk -F'\t' -v wr="$2" -v r="$3" -v x="$4" -v y="$5" '
        {split($1, w, ":")} w[2] == wr && $2 == r && $3 == x && $4 == y {print $7; exit}' <<<"$1"
}

# field_at TREE WINDOW-ROLE ROLE X Y FIELD: another column (8: text, 9: states) of it.
field_at() {
    awk -F'\t' -v wr="$2" -v r="$3" -v x="$4" -v y="$5" -v f="$6" '
        {split($1, w, ":")} w[2] == wr && $2 == r && $3 == x && $4 == y {print $f; exit}' <<<"$1"
}

expect_name() {  # expect_name TREE WINDOW-ROLE ROLE X Y TEXT WHAT
    local got
    got=$(name_at "$1" "$2" "$3" "$4" "$5")
    [[ "$got" == "$6" ]] || e2e_fail "$7: a screen reader reads \"$got\", the window shows \"$6\""
}

# day_mark ZONE WHEN: what a clock of ZONE adds to its time when its date is not that of
# the reference zone, Tokyo: " +1 д." a day ahead, " −1 д." a day behind.
day_mark() {
    local there here
    there=$(TZ=$1 date -d "$2" +%Y%m%d)
    here=$(TZ=Asia/Tokyo date -d "$2" +%Y%m%d)
    if ((there > here)); then echo " +1 д."; elif ((there < here)); then echo " −1 д."; fi
}

# expect_time NAME ZONE WHAT: NAME is the time of ZONE now (or a minute ago, should the
# minute have changed between the program's reading and ours), with its day mark.
expect_time() {
    local name=$1 zone=$2 what=$3 now before
    [[ "$name" =~ ^[0-9]{1,2}:[0-9]{2}( (\+|−)1 д\.)?$ ]] ||
        e2e_fail "$what: a screen reader reads \"$name\", not a time"
    now=$(TZ=$zone date +%-H:%M)$(day_mark "$zone" now)
    before=$(TZ=$zone date -d '-1 minute' +%-H:%M)$(day_mark "$zone" '-1 minute')
    [[ "${name#0}" == "$now" || "${name#0}" == "$before" ]] ||
        e2e_fail "$what: a screen reader reads \"$name\"; it is $now in $zone"
}

# No control that shows text may be silent: every label, button, check box, combo box
# and menu item has a name.
expect_no_silent_controls() {  # TREE WINDOW-ROLE
    local silent
    silent=$(awk -F'\t' -v wr="$2" '{split($1, w, ":")}
        w[2] == wr && $2 ~ /^(label|push button|check box|combo box|menu item|text)$/ && $7 == "" {print $2 " at " $3 "," $4}' <<<"$1")
    [[ -z "$silent" ]] || e2e_fail "controls without an accessible name: $silent"
}

# --- main window ---------------------------------------------------------------------
tree=$(dump_until $'\tpush button\t715\t27\t') || e2e_fail "the main window is not on the AT-SPI bus"
echo "$tree" >"$WORK/main-tree.txt"
expect_no_silent_controls "$tree" filler

cities=(London NewYork Tokyo Sydney Moscow)
zones=(Europe/London America/New_York Asia/Tokyo Australia/Sydney Europe/Moscow)
for k in 0 1 2 3 4; do
    x=$((15 + 175 * k + 9))
    expect_name "$tree" filler label "$x" 77 "${cities[k]}" "lblCapital$((k + 1))"
    expect_time "$(name_at "$tree" filler label "$x" 96)" "${zones[k]}" "pnlCapital$((k + 1))Time"
done
expect_time "$(name_at "$tree" filler "push button" 715 27)" Asia/Tokyo "btnLocalTime"
zone=$(name_at "$tree" filler "combo box" 190 28)
[[ "$zone" == "Время компьютера: (UTC+09:00) "*"Токио"* ]] || e2e_fail "cbbUTC: a screen reader reads \"$zone\" as the selected zone"
expect_name "$tree" filler label 15 32 "Выбрать UTC (GMT):" "lblSelectGMT"
expect_name "$tree" filler "push button" 14 0 "Режим мини" "btnMiniMode"
expect_name "$tree" filler "check box" 320 3 "Загружать программу при входе в систему" "CheckBox_Autorun"
expect_name "$tree" filler label 723 4 "Время на компьютере:" "Label8"
expect_name "$tree" filler label 0 134 \
    "Чтобы изменить города, нажмите на кнопки выше. Подсказка (London UTC 0, NewYork  UTC +5)" "pnlHeadBottom"

expect_name "$tree" filler label 12 639 "Ближайшие события" "lblUpcomingTitle"

# The hour line: the panels 1..24, each read once.
hours=$(awk -F'\t' '{split($1, w, ":")} w[2] == "filler" && $2 == "label" && $4 == 597 {print $7}' <<<"$tree" |
    sort -n | tr '\n' ' ')
[[ "$hours" == "$(seq -s ' ' 1 24) " ]] || e2e_fail "the hour panels read as: $hours"

# --- clock editor: a click on the first clock box opens it ---------------------------
xdotool mousemove --window "$main" 100 80 click 1
e2e_wait_window "Редактирование часов" >/dev/null || e2e_fail "the clock editor did not open"
tree=$(dump_until $'\tpush button\t403\t148\t') || e2e_fail "the clock editor is not on the AT-SPI bus"
echo "$tree" >"$WORK/editor-tree.txt"
expect_no_silent_controls "$tree" dialog
expect_name "$tree" dialog label 16 19 "Название города:" "lblName"
expect_name "$tree" dialog label 16 59 "Часовой пояс:" "lblSelectUTC"
expect_name "$tree" dialog label 16 97 "Цвет в мини режиме:" "lblSelectColor"
expect_name "$tree" dialog label 191 97 "Нажмите на цвет, чтобы изменить." "lbl1"
expect_name "$tree" dialog "push button" 16 148 "OK" "btnOK"
expect_name "$tree" dialog "push button" 403 148 "Отмена" "btnCancel"
# The name field is read by its label, then by what it holds.
expect_name "$tree" dialog text 152 16 "Название города:" "edtName"
[[ "$(field_at "$tree" dialog text 152 16 8)" == "London" ]] ||
    e2e_fail "edtName: a screen reader reads \"$(field_at "$tree" dialog text 152 16 8)\" in the name field"
zone=$(name_at "$tree" dialog "combo box" 152 55)
[[ "$zone" == "(UTC+00:00) "*"Лондон"* ]] || e2e_fail "cbbTimeZones: a screen reader reads \"$zone\""
colour=$(awk -F'\t' '{split($1, w, ":")} w[2] == "dialog" && $3 == 152 && $4 == 93 {print $7; exit}' <<<"$tree")
[[ "$colour" == "Цвет в мини режиме:" ]] || e2e_fail "pnlColor: a screen reader reads \"$colour\""

editor=$(xdotool search --onlyvisible --name "^Редактирование часов\$" | head -n1)
xdotool mousemove --window "$editor" 467 160 click 1
for _ in $(seq 50); do
    xdotool search --onlyvisible --name "^Редактирование часов\$" >/dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name "^Редактирование часов\$" >/dev/null 2>&1 &&
    e2e_fail "\"Отмена\" did not close the clock editor"

# --- hints window: a click on the reference time opens it -----------------------------
xdotool mousemove --window "$main" 800 41 click 1
tree=$(dump_until $'\tpush button\t336\t559\t') || e2e_fail "the hints window is not on the AT-SPI bus"
echo "$tree" >"$WORK/hints-tree.txt"
expect_no_silent_controls "$tree" dialog
expect_name "$tree" dialog "push button" 336 559 "OK" "the hints window's btnOK"
hints=$(awk -F'\t' '{split($1, w, ":")} w[2] == "dialog" && $7 ~ /^Если программа неправильно определила время/ {print $2; exit}' <<<"$tree")
[[ -n "$hints" ]] || e2e_fail "wb1: the hints text is not read"
same=$(awk -F'\t' '{split($1, w, ":")} w[2] == "dialog" && $7 ~ /^Если программа/ && $8 != "" {print ($7 == $8) ? "yes" : "no"; exit}' <<<"$tree")
[[ "$same" != "no" ]] || e2e_fail "wb1: its accessible name differs from the text it shows"

e2e_alive || e2e_fail "the program ended"
echo "PASS: clocks, reference time and zone, hour panels, clock editor and hints window read by AT-SPI"
