# The map generator's projection puts every marked city inside its marker rectangle,
# and the committed pictures are the 8-bit palette PNGs of the chart's sizes (900 x 447 at
# 96 dpi, twice that at 192 dpi), the same map at both.
# Takes the program's path as $1 like every end-to-end test, and does not need it.
set -euo pipefail
root="${HORAVANE_SOURCE_DIR:-$(dirname "$0")/../..}"
exec /usr/bin/python3 "$root/tools/worldmap/make_map.py" --check
