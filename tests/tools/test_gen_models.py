"""The model generator leaves out faces buried inside closed convex solids: only those,
and never a face that some camera could see. Run by CTest with the system python."""
import math
import os
import sys
import unittest

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "gen"))
import gen_models as g  # noqa: E402


def kept_triangles(parts, group_of=lambda name: 0):
    return {name: mesh.triangle_count() for name, _, mesh in g.drop_buried(parts, group_of)}


def depth_picture(parts, forward, size=160):
    """Nearest view depth per pixel of the parts seen along `forward` by a camera four
    units from the origin (perspective, back faces culled), inf where nothing is."""
    points, tris = [], []
    for _, _, mesh in parts:
        base = len(points)
        points += mesh.pos
        tris += [(base + a, base + b, base + c) for a, b, c in mesh.tris]
    points = np.array(points)
    up = np.array([0.0, 1.0, 0.0]) if abs(forward[1]) < 0.9 else np.array([1.0, 0.0, 0.0])
    right = g.norm(np.cross(forward, up))
    up = np.cross(right, forward)
    rel = points + forward * 4.0
    z = rel @ forward
    scale = size / 2.2 * 4.0
    sx = (rel @ right) / z * scale + size / 2
    sy = (rel @ up) / z * scale + size / 2
    depth = np.full((size, size), np.inf)
    for a, b, c in tris:
        xs, ys, zs = sx[[a, b, c]], sy[[a, b, c]], z[[a, b, c]]
        area = (xs[1] - xs[0]) * (ys[2] - ys[0]) - (xs[2] - xs[0]) * (ys[1] - ys[0])
        if area <= 0.0:
            continue
        x0, x1 = max(int(xs.min()), 0), min(int(math.ceil(xs.max())), size - 1)
        y0, y1 = max(int(ys.min()), 0), min(int(math.ceil(ys.max())), size - 1)
        if x1 < x0 or y1 < y0:
            continue
        px, py = np.meshgrid(np.arange(x0, x1 + 1) + 0.5, np.arange(y0, y1 + 1) + 0.5)
        w0 = ((xs[1] - px) * (ys[2] - py) - (xs[2] - px) * (ys[1] - py)) / area
        w1 = ((xs[2] - px) * (ys[0] - py) - (xs[0] - px) * (ys[2] - py)) / area
        w2 = 1.0 - w0 - w1
        inside = (w0 >= 0) & (w1 >= 0) & (w2 >= 0)
        with np.errstate(divide="ignore"):
            d = 1.0 / (w0 / zs[0] + w1 / zs[1] + w2 / zs[2])
        window = depth[y0:y1 + 1, x0:x1 + 1]
        nearer = inside & (d < window)
        window[nearer] = d[nearer]
    return depth


class DropBuriedTest(unittest.TestCase):
    def test_only_faces_wholly_inside_a_closed_convex_solid_go(self):
        outer = g.box((0, 0, 0), (1, 1, 1))
        cases = [
            # (what, the other part, triangles of it that stay)
            ("inside a closed box", g.box((0, 0, 0), (0.5, 0.5, 0.5)), 0),
            ("half out of the box: the faces that reach out stay", g.box((0.5, 0, 0), (0.5, 0.5, 0.5)), 10),
            ("on the box's face", g.box((0, 0.375, 0), (0.5, 0.25, 0.5), faces="Y"), 2),
            ("inside a closed cylinder", g.frustum((0, -0.4, 0), (0, 0.4, 0), 0.1, 0.1, 8), 0),
        ]
        for what, inner, stays in cases:
            with self.subTest(what):
                kept = kept_triangles([("outer", None, outer), ("inner", None, inner)])
                self.assertEqual(kept["inner"], stays)
                self.assertEqual(kept["outer"], 12)

    def test_solids_that_are_open_or_concave_hide_nothing(self):
        cases = [
            ("open box", g.box((0, 0, 0), (1, 1, 1), faces="xXyYz")),
            ("open cylinder", g.frustum((0, -1, 0), (0, 1, 0), 0.5, 0.5, 12, caps=(True, False))),
            # L-shaped: the second box sits in its notch, inside its hull but outside it
            ("concave", g.prism([(-1, -1), (1, -1), (1, 0.2), (0.2, 0.2), (0.2, 1), (-1, 1)],
                                (1, 0, 0), (0, 1, 0), -1, 1)),
        ]
        for what, outer in cases:
            with self.subTest(what):
                kept = kept_triangles([("outer", None, outer), ("inner", None, g.box((0, 0, 0), (0.2, 0.2, 0.2))),
                                       ("notch", None, g.box((0.6, 0.6, 0), (0.2, 0.2, 0.2)))])
                self.assertEqual((kept["inner"], kept["notch"]), (12, 12))

    def test_a_solid_hides_nothing_of_another_group(self):
        parts = [("body", None, g.box((0, 0, 0), (1, 1, 1))), ("wheel", None, g.box((0, 0, 0), (0.2, 0.2, 0.2)))]
        self.assertEqual(kept_triangles(parts, group_of=lambda name: name)["wheel"], 12)

    def test_the_lander_and_each_stage_look_the_same_from_every_side(self):
        reduced = g.build_lander()
        full = g.build_lander(leave_out_buried=False)
        self.assertLess(sum(m.triangle_count() for _, _, m in reduced), sum(m.triangle_count() for _, _, m in full))
        top = lambda name: name in g.TOP_STAGE_NAMES
        golden = math.pi * (3.0 - math.sqrt(5.0))
        for label, keep in (("whole", lambda name: True), ("top stage", top), ("descent stage", lambda n: not top(n))):
            for i in range(10):
                y = 1.0 - 2.0 * (i + 0.5) / 10
                r = math.sqrt(1.0 - y * y)
                forward = -np.array([r * math.cos(golden * i), y, r * math.sin(golden * i)])
                with self.subTest(label, view=i):
                    before = depth_picture([p for p in full if keep(p[0])], forward)
                    after = depth_picture([p for p in reduced if keep(p[0])], forward)
                    self.assertTrue(np.isfinite(before).any())
                    np.testing.assert_array_equal(before, after)


if __name__ == "__main__":
    unittest.main()
