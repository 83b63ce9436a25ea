# The session chart as a trader sees it, at a faked instant on a computer whose zone is
# seven hours from the chart zone: the seven bars' titles and countdowns and the coming
# events under the hour line as a screen reader reads them, the red number of the current
# hour on the hour line, and the yellow column over the current chart hour, checked on
# the pixels of the window.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_a11y

# Wednesday 13 January 2027, 06:10 UTC: 08:10 in the chart zone (UTC+2 in winter),
# 15:10 in Tokyo. The wall clock stands still there (faketime reads it in the local
# zone), so nothing moves while we look. The C locale writes hours with a leading zero.
export TZ=Asia/Tokyo LC_ALL=C.UTF-8
e2e_launch "2027-01-13 15:10:00"
main=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"

bars_text() { e2e_a11y_names | awk -F'\t' '$2 ~ /^Sydney \(/ {print $2; exit}'; }
expected="Sydney (00:00 - 09:00) до закрытия 50 мин; Tokyo (02:00 - 11:00) до закрытия 2 ч. 50 мин; \
London (10:00 - 19:00) до открытия 1 ч. 50 мин; NewYork (15:00 - 00:00) до открытия 6 ч. 50 мин; \
CME (17:30 - 00:00) до открытия 9 ч. 20 мин; NYSE (16:30 - 23:00) до открытия 8 ч. 20 мин; \
РТС (09:00 - 15:45) до открытия 50 мин"
e2e_poll 20 test -n "$(bars_text)" || true
got=$(bars_text)
[[ "$got" == "$expected" ]] || e2e_fail "the chart reads \"$got\", not \"$expected\""

# Under the hour line, the coming events: the next two session changes, counted as the
# bars count, the next London-NewYork overlap and Monday's American holiday; the market
# closes in more than a day and no clock changes within 30 days. A number and its unit
# are joined by a non-breaking space.
nb=$'\xc2\xa0'
events_text() {
    e2e_a11y_names | awk -F'\t' '$2 ~ /^(Закрытие|Открытие|Пересечение) |^[0-9]+\xc2\xa0[^ ]+: / {print $2}' | paste -sd'|'
}
expected="Закрытие Sydney через 50${nb}мин|Открытие London через 1${nb}ч. 50${nb}мин|\
Пересечение London – NewYork через 6${nb}ч. 50${nb}мин|\
18${nb}января: NYSE закрыта (День Мартина Лютера Кинга); CME до 12:00 Chicago"
got=$(events_text)
[[ "$got" == "$expected" ]] || e2e_fail "the coming events read \"$got\", not \"$expected\""

shot="$WORK/chart.png"
e2e_screenshot "$main" "$shot"
# The current chart hour 08:00-09:00 is column 23 - 8 = 15 from the left: x 562..599.
# Tokyo is 7 hours ahead of the chart zone, so panel 15 (15:00 Tokyo) stands under it.
"$E2E_PYTHON" - "$shot" <<'PY' || e2e_fail "the chart's current hour is not marked as it should be"
import sys
from PIL import Image

img = Image.open(sys.argv[1]).convert("RGB")
CHART_TOP, HOURS_TOP = 150, 597

def yellowish(x, y):
    r, g, b = img.getpixel((x, CHART_TOP + y))
    return r > 180 and g > 180 and b < 110

# The column above the exchanges' row (y 0..4) shows the map through the yellow blend.
inside = [x for x in range(900) if all(yellowish(x, y) for y in range(0, 4))]
if inside != list(range(562, 600)):
    sys.exit(f"yellow column at x {inside[:3]}..{inside[-3:]} ({len(inside)} px), not 562..599")

def red(x, y):
    r, g, b = img.getpixel((x, y))
    return r > 200 and g < 90 and b < 90

red_columns = sorted({x for x in range(900) for y in range(HOURS_TOP, HOURS_TOP + 38) if red(x, y)})
if not red_columns or red_columns[0] < 562 or red_columns[-1] > 599:
    sys.exit(f"red hour digits at x {red_columns[:1]}..{red_columns[-1:]}, not only on panel 15 (562..599)")
PY

e2e_alive || e2e_fail "the program ended"
echo "PASS: bar texts read by a screen reader, yellow column over 08:00 chart time, red panel 15 for Tokyo"
