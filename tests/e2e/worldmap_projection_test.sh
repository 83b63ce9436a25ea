# The map generator's projection puts every marked city inside its marker rectangle,
# and the committed picture is the baseline 96 dpi 900 x 447 JPEG the chart needs.
# Takes the program's path as $1 like every end-to-end test, and does not need it.
set -euo pipefail
root="${HORAVANE_SOURCE_DIR:-$(dirname "$0")/../..}"
exec /usr/bin/python3 "$root/tools/worldmap/make_map.py" --check
