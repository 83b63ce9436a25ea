#!/usr/bin/python3
"""Draws resources/WorldMap.jpg, the 900 x 447 world map under the session chart, and
resources/WorldMap@2x.jpg, the same map at 1800 x 894 for screens of device pixel ratio 2.

Re-run it from the repository root:
    (cd tools/worldmap && npm install)       # world-atlas 2.0.2: Natural Earth 1:50m outlines
    /usr/bin/python3 tools/worldmap/make_map.py            # writes both pictures
    /usr/bin/python3 tools/worldmap/make_map.py --check    # checks the projection and the
                                                           # committed pictures; no npm needed
Needs Debian's python3-numpy and python3-pil.

The map is a plain map, west on the left. Its projection is not a textbook one: the
program's city markers have fixed rectangles, so x = f(longitude) and y = g(latitude)
are fitted as the smoothest curves passing within about a pixel of every rectangle's
centre. f advances 900 px per full turn, so every longitude appears exactly once.
Both pictures are reductions of one drawing at 4x: the 2x one is the 1x one with twice
the detail, every border and dot where the 1x one has it.
"""

import json
import math
import os
import re
import sys

import numpy as np

WIDTH, HEIGHT = 900, 447
SCALE = 4                     # drawn at 4x, then reduced for smooth edges
TOLERANCE = 0.8               # px between a city and its rectangle's centre
GRID_STEP = 0.25              # degrees between the curves' nodes
FADE = 1e-8                   # how fast the curves straighten away from the cities

SEA = (172, 212, 242)
LAND = (255, 255, 255)
BORDER = (90, 90, 90)
DOT = (228, 0, 0)
DOT_RADIUS = 2.0              # px; every rectangle is at least 5 px across

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
ATLAS = os.path.join(HERE, "node_modules", "world-atlas", "countries-50m.json")
OUTPUT = os.path.join(ROOT, "resources", "WorldMap.jpg")
OUTPUT_2X = os.path.join(ROOT, "resources", "WorldMap@2x.jpg")
# picture, its scale, its density
PICTURES = [(OUTPUT, 1, 96), (OUTPUT_2X, 2, 192)]
MARKER_TABLE = os.path.join(ROOT, "worldmap", "WorldMapCapital.h")

# name, latitude, longitude, marker rectangle (left, top, right, bottom; right and
# bottom lie outside). The rectangles are the program's marker table.
CITIES = [
    ("London", 51.5074, -0.1278, (365, 87, 371, 94)),
    ("NewYork", 40.7128, -74.0060, (177, 120, 184, 127)),
    ("Tokyo", 35.6762, 139.6503, (725, 137, 730, 142)),
    ("Moscow", 55.7558, 37.6173, (459, 78, 466, 84)),
    ("Chicago", 41.8781, -87.6298, (144, 118, 151, 124)),
    ("Paris", 48.8566, 2.3522, (373, 95, 379, 101)),
    ("Bern", 46.9480, 7.4474, (385, 102, 390, 108)),
    ("Berlin", 52.5200, 13.4050, (395, 87, 402, 92)),
    ("Minsk", 53.9006, 27.5590, (431, 82, 437, 88)),
    ("Kiev", 50.4501, 30.5234, (441, 93, 447, 98)),
    ("Astana", 51.1694, 71.4491, (539, 89, 545, 95)),
    ("Hongkong", 22.3193, 114.1694, (671, 177, 676, 182)),
    ("Singapore", 1.3521, 103.8198, (648, 241, 654, 247)),
]
# Sydney keeps a capital clock but has no marker, hence no dot.


def centre(rect):
    """Centre of a rectangle in continuous coordinates (pixel i spans [i, i + 1))."""
    left, top, right, bottom = rect
    return (left + right) / 2.0, (top + bottom) / 2.0


def second_differences(n, periodic):
    rows = n if periodic else n - 2
    d = np.zeros((rows, n))
    for r in range(rows):
        i = r if periodic else r + 1
        d[r, (i - 1) % n] += 1.0
        d[r, i] -= 2.0
        d[r, (i + 1) % n] += 1.0
    return d


def interpolation_rows(nodes, points, periodic):
    n = len(nodes)
    a = np.zeros((len(points), n))
    for r, t in enumerate(points):
        k = (t - nodes[0]) / GRID_STEP
        i = int(math.floor(k))
        frac = k - i
        if periodic:
            a[r, i % n] += 1.0 - frac
            a[r, (i + 1) % n] += frac
        else:
            a[r, i] += 1.0 - frac
            a[r, i + 1] += frac
    return a


def fit_smoothest(nodes, points, targets, periodic):
    """Node values of the smoothest curve within TOLERANCE of (points, targets).

    Minimises the squared second differences plus weighted misses, raising the weight
    of every point that misses by more than the tolerance until none does. A faint
    pull toward zero makes the curve fade back to zero far from the points, so the
    caller's straight line carries it over the oceans and the poles."""
    d2 = second_differences(len(nodes), periodic)
    a = interpolation_rows(nodes, points, periodic)
    smooth = d2.T @ d2 + FADE * np.eye(len(nodes))
    weights = np.full(len(points), 1e-3)
    targets = np.asarray(targets, dtype=float)
    for _ in range(200):
        w = np.diag(weights)
        values = np.linalg.solve(smooth + a.T @ w @ a, a.T @ w @ targets)
        misses = np.abs(a @ values - targets)
        if misses.max() <= TOLERANCE:
            return values
        weights[misses > TOLERANCE] *= 2.0
    raise SystemExit("the projection does not converge")


class Projection:
    """x = f(longitude) with f(lon + 360) = f(lon) + 900; y = g(latitude)."""

    PX_PER_DEGREE = WIDTH / 360.0

    def __init__(self):
        lats = [c[1] for c in CITIES]
        lons = [c[2] for c in CITIES]
        xs = [centre(c[3])[0] for c in CITIES]
        ys = [centre(c[3])[1] for c in CITIES]
        # f is an even advance plus a periodic wobble, so it wraps by construction.
        self.x0 = float(np.mean([x - self.PX_PER_DEGREE * lon for x, lon in zip(xs, lons)]))
        self.lon_nodes = np.arange(-180.0, 180.0, GRID_STEP)
        residual = [x - self.PX_PER_DEGREE * lon - self.x0 for x, lon in zip(xs, lons)]
        self.wobble = fit_smoothest(self.lon_nodes, lons, residual, periodic=True)
        # g is the straight line through the cities plus a bend that fades away.
        self.slope, self.y0 = (float(v) for v in np.polyfit(lats, ys, 1))
        self.lat_nodes = np.arange(-90.0, 90.0 + GRID_STEP / 2, GRID_STEP)
        residual = [y - self.slope * lat - self.y0 for y, lat in zip(ys, lats)]
        self.bend = fit_smoothest(self.lat_nodes, lats, residual, periodic=False)

    def x(self, lon):
        """Unwrapped x: continuous in lon for any real longitude."""
        k = (lon + 180.0) / GRID_STEP
        i = math.floor(k)
        frac = k - i
        n = len(self.lon_nodes)
        w = (1 - frac) * self.wobble[i % n] + frac * self.wobble[(i + 1) % n]
        return self.x0 + self.PX_PER_DEGREE * lon + w

    def y(self, lat):
        k = (min(max(lat, -90.0), 90.0) + 90.0) / GRID_STEP
        i = min(int(math.floor(k)), len(self.lat_nodes) - 2)
        frac = k - i
        bend = (1 - frac) * self.bend[i] + frac * self.bend[i + 1]
        return self.y0 + self.slope * lat + bend

    def check(self):
        """Problems found: cities outside their rectangles, folds, extreme stretching."""
        problems = []
        for name, lat, lon, rect in CITIES:
            x = self.x(lon) % WIDTH
            y = self.y(lat)
            left, top, right, bottom = rect
            if not (left <= math.floor(x) < right and top <= math.floor(y) < bottom):
                problems.append(f"{name} at ({x:.2f}, {y:.2f}) is outside {rect}")
        dx = np.diff([self.x(lon) for lon in np.arange(-180.0, 180.5, 0.5)]) / 0.5
        dy = np.diff([self.y(lat) for lat in np.arange(-90.0, 90.5, 0.5)]) / 0.5
        if dx.min() < 1.0 or dx.max() > 4.5:
            problems.append(f"x stretches between {dx.min():.2f} and {dx.max():.2f} px/degree")
        if -dy.max() < 1.0 or -dy.min() > 5.0:
            problems.append(f"y stretches between {-dy.max():.2f} and {-dy.min():.2f} px/degree")
        return problems

    def report(self):
        for name, lat, lon, rect in CITIES:
            cx, cy = centre(rect)
            print(f"{name:10s} ({self.x(lon) % WIDTH:7.2f}, {self.y(lat):7.2f})"
                  f"  centre ({cx:6.1f}, {cy:6.1f})")
        top = min(self.lat_nodes, key=lambda lat: abs(self.y(lat)))
        bottom = min(self.lat_nodes, key=lambda lat: abs(self.y(lat) - HEIGHT))
        left = min(np.arange(-360.0, 0.0, 0.5), key=lambda lon: abs(self.x(lon)))
        print(f"latitudes {bottom:.1f} .. {top:.1f}; the left edge is near longitude {left:.0f}")


# ---- TopoJSON ---------------------------------------------------------------------

def decode_arcs(topology):
    """Delta-decoded, dequantised arcs with longitudes unwrapped across 180 degrees."""
    (sx, sy), (tx, ty) = topology["transform"]["scale"], topology["transform"]["translate"]
    arcs = []
    for arc in topology["arcs"]:
        qx = qy = 0
        points = []
        for dx, dy in arc:
            qx += dx
            qy += dy
            points.append((qx * sx + tx, qy * sy + ty))
        arcs.append(unwrap(points))
    return arcs


def unwrap(points):
    """Shifts longitudes by whole turns so consecutive points never jump by over 180."""
    out = []
    for lon, lat in points:
        if out:
            prev = out[-1][0]
            lon += 360.0 * round((prev - lon) / 360.0)
        out.append((lon, lat))
    return out


def ring_points(arcs, indexes):
    points = []
    for index in indexes:
        arc = arcs[index] if index >= 0 else arcs[~index][::-1]
        if points:
            # Each arc starts where the last ended, up to whole turns of longitude.
            shift = 360.0 * round((points[-1][0] - arc[0][0]) / 360.0)
            arc = [(lon + shift, lat) for lon, lat in arc]
            points.extend(arc[1:])
        else:
            points.extend(arc)
    return points


def polygons_of(geometry):
    if geometry["type"] == "Polygon":
        return [geometry["arcs"]]
    if geometry["type"] == "MultiPolygon":
        return geometry["arcs"]
    return []


# ---- drawing ----------------------------------------------------------------------

def render(projection):
    from PIL import Image, ImageDraw

    with open(ATLAS, encoding="utf-8") as f:
        topology = json.load(f)
    arcs = decode_arcs(topology)
    geometries = topology["objects"]["countries"]["geometries"]

    big = Image.new("RGB", (WIDTH * SCALE, HEIGHT * SCALE), SEA)
    draw = ImageDraw.Draw(big)
    turn = WIDTH * SCALE

    def to_canvas(points):
        # PIL puts pixel centres on whole numbers; the map's pixel i spans [i, i + 1).
        return [(projection.x(lon) * SCALE - 0.5, projection.y(lat) * SCALE - 0.5)
                for lon, lat in points]

    drawn_arcs = set()
    for geometry in geometries:
        for polygon in polygons_of(geometry):
            exterior = polygon[0]
            points = ring_points(arcs, exterior)
            if abs(points[-1][0] - points[0][0]) > 180.0:
                # A ring around the pole (Antarctica): close it along the pole.
                points = points + [(points[-1][0], -90.0), (points[0][0], -90.0)]
            canvas = to_canvas(points)
            xs = [p[0] for p in canvas]
            ys = [p[1] for p in canvas]
            if max(max(xs) - min(xs), max(ys) - min(ys)) < 2.0 * SCALE:
                continue  # an island under a couple of pixels
            for shift in (-turn, 0, turn):
                draw.polygon([(x + shift, y) for x, y in canvas], fill=LAND)
            for ring in polygon:
                drawn_arcs.update(i if i >= 0 else ~i for i in ring)

    for index in sorted(drawn_arcs):
        canvas = to_canvas(arcs[index])
        if len(canvas) < 2:
            continue
        for shift in (-turn, 0, turn):
            draw.line([(x + shift, y) for x, y in canvas], fill=BORDER, width=3, joint="curve")

    for _, _, _, rect in CITIES:
        cx, cy = centre(rect)
        r = DOT_RADIUS * SCALE
        draw.ellipse([cx * SCALE - r - 0.5, cy * SCALE - r - 0.5,
                      cx * SCALE + r - 0.5, cy * SCALE + r - 0.5], fill=DOT)

    for path, scale, dpi in PICTURES:
        small = big.resize((WIDTH * scale, HEIGHT * scale), Image.BOX)
        # Baseline, not progressive: the program decodes it in about half the time, and
        # the coefficients, hence the pixels, are the same either way.
        small.save(path, "JPEG", quality=90, subsampling=0, optimize=True, dpi=(dpi, dpi))
        print(f"wrote {path}")


def check_marker_table(path):
    """Problems if the program's marker table and CITIES disagree."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    rows = re.findall(r'\{"[^"]+", "([^"]+)", \{(\d+), (\d+), (\d+), (\d+)\}\}', text)
    program = [(name, tuple(int(v) for v in rect)) for name, *rect in rows]
    ours = [(name, rect) for name, _, _, rect in CITIES]
    if program != ours:
        return [f"the marker table in {path} is {program}, the map's is {ours}"]
    return []


def check_picture(path, scale, dpi):
    """Problems of a written picture: size, colour, encoding, density."""
    from PIL import Image, JpegImagePlugin

    with Image.open(path) as image:
        problems = []
        if image.format != "JPEG" or image.mode != "RGB":
            problems.append(f"{path} is {image.format} {image.mode}, not a 24-bit JPEG")
        if image.size != (WIDTH * scale, HEIGHT * scale):
            problems.append(f"{path} is {image.size}, not {(WIDTH * scale, HEIGHT * scale)}")
        if image.info.get("progressive") or image.info.get("progression"):
            problems.append(f"{path} is progressive; the program starts faster with baseline")
        if tuple(round(v) for v in image.info.get("dpi", (0, 0))) != (dpi, dpi):
            problems.append(f"{path} is not {dpi} dpi")
        if JpegImagePlugin.get_sampling(image) != 0:
            problems.append(f"{path} has subsampled colour; the dots would blur")
        return problems


def check_pictures():
    """Problems of the committed pictures, each alone and the 2x one against the 1x one."""
    from PIL import Image

    problems = []
    for path, scale, dpi in PICTURES:
        problems += check_picture(path, scale, dpi)
    if problems:
        return problems
    # Halved, the 2x picture is the 1x one up to the JPEG coding of each: the same map in
    # the same projection, not another drawing or a shifted one.
    with Image.open(OUTPUT) as one, Image.open(OUTPUT_2X) as two:
        a = np.asarray(one.convert("RGB"), dtype=float)
        b = np.asarray(two.convert("RGB").resize((WIDTH, HEIGHT), Image.BOX), dtype=float)
        difference = np.abs(a - b).mean()
        if difference > 2.0:
            problems.append(f"{OUTPUT_2X} halved differs from {OUTPUT} by {difference:.1f} on average")
    return problems


def main(argv):
    projection = Projection()
    projection.report()
    problems = projection.check()
    for problem in problems:
        print("FAIL:", problem)
    if problems:
        return 1
    if "--check" in argv:
        problems = check_marker_table(MARKER_TABLE) + check_pictures()
        for problem in problems:
            print("FAIL:", problem)
        if problems:
            return 1
        print("projection and pictures OK")
        return 0
    if not os.path.exists(ATLAS):
        print(f"missing {ATLAS}: run npm install in {HERE}")
        return 1
    render(projection)
    return 1 if check_pictures() else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
