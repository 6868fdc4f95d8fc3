#!/usr/bin/env python3
"""Writes the game's models as plain Wavefront OBJ/MTL files with their textures:

  models/Lander/lander_split.obj            two-stage lander, foil, windows, legs
  models/Mars Explorer/Mars_Explorer_new.obj six-wheeled tanker crawler with a landing pad
  models/Mars Explorer/Mars_Explorer_new_LOD1.obj  its simpler stand-in
  models/crystal/crystal.obj, medium.obj, very_low.obj  crystal cluster, three detail levels
  models/PlasmaGrenade/plasma_grenade.obj   the EMP bomb

Every shape is authored in the units and axes the game ends up with after import and
then written through the inverse of the transform the game bakes in when it loads the
file, so the numbers below are the numbers the game sees. Deterministic: fixed seeds,
no clock, no environment.

Usage: gen_models.py <assets dir>
"""

import math
import os
import sys

import numpy as np
from PIL import Image, ImageDraw

TAU = 2.0 * math.pi


# ----------------------------------------------------------------------------------------
# Mesh building
# ----------------------------------------------------------------------------------------

def norm(v):
    v = np.asarray(v, dtype=float)
    n = np.linalg.norm(v)
    return v / n if n > 1e-12 else v


def frame(axis):
    """Two unit vectors perpendicular to axis and to each other, (u, v, axis) right-handed."""
    w = norm(axis)
    helper = np.array([0.0, 1.0, 0.0]) if abs(w[1]) < 0.9 else np.array([1.0, 0.0, 0.0])
    u = norm(np.cross(helper, w))
    v = np.cross(w, u)
    return u, v, w


class Mesh:
    """Triangles with their own per-vertex normal and texture coordinate."""

    def __init__(self):
        self.pos = []
        self.nrm = []
        self.uv = []
        self.tris = []

    def vertex(self, p, n, uv):
        self.pos.append(np.asarray(p, dtype=float))
        self.nrm.append(norm(n))
        self.uv.append((float(uv[0]), float(uv[1])))
        return len(self.pos) - 1

    def tri(self, a, b, c):
        """Adds a triangle, wound so that its face agrees with its vertex normals;
        triangles without area are dropped."""
        pa, pb, pc = self.pos[a], self.pos[b], self.pos[c]
        face = np.cross(pb - pa, pc - pa)
        if np.linalg.norm(face) < 1e-10:
            return
        if np.dot(face, self.nrm[a] + self.nrm[b] + self.nrm[c]) < 0.0:
            b, c = c, b
        self.tris.append((a, b, c))

    def quad(self, a, b, c, d):
        self.tri(a, b, c)
        self.tri(a, c, d)

    def extend(self, other):
        base = len(self.pos)
        self.pos += other.pos
        self.nrm += other.nrm
        self.uv += other.uv
        self.tris += [(a + base, b + base, c + base) for a, b, c in other.tris]
        return self

    def triangle_count(self):
        return len(self.tris)

    def bounds(self):
        p = np.array(self.pos)
        return p.min(axis=0), p.max(axis=0)


def merge(*meshes):
    out = Mesh()
    for m in meshes:
        out.extend(m)
    return out


def flat_polygon(points, normal, uv_of):
    """A convex planar polygon, fan-triangulated from its centroid."""
    m = Mesh()
    centre = np.mean(np.array(points, dtype=float), axis=0)
    c = m.vertex(centre, normal, uv_of(centre))
    ids = [m.vertex(p, normal, uv_of(np.asarray(p, dtype=float))) for p in points]
    for i in range(len(ids)):
        m.tri(c, ids[i], ids[(i + 1) % len(ids)])
    return m


def planar_uv(normal, density):
    u, v, _ = frame(normal)
    return lambda p: (np.dot(p, u) * density, np.dot(p, v) * density)


def box(center, size, density=1.0, faces="xXyYzZ"):
    """Axis-aligned box; `faces` lists the sides to build (x = -x side, X = +x side...)."""
    c = np.asarray(center, dtype=float)
    h = np.asarray(size, dtype=float) * 0.5
    m = Mesh()
    sides = {
        "X": (0, 1.0), "x": (0, -1.0), "Y": (1, 1.0), "y": (1, -1.0), "Z": (2, 1.0), "z": (2, -1.0),
    }
    for key in faces:
        axis, sign = sides[key]
        a1, a2 = [k for k in range(3) if k != axis]
        n = np.zeros(3)
        n[axis] = sign
        corners = []
        for s1, s2 in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            p = c.copy()
            p[axis] += sign * h[axis]
            p[a1] += s1 * h[a1]
            p[a2] += s2 * h[a2]
            corners.append(p)
        ids = [m.vertex(p, n, (p[a1] * density, p[a2] * density)) for p in corners]
        m.quad(*ids)
    return m


def oriented_box(center, axes, size, density=1.0):
    """Box with its edges along the three given (orthonormal) axes."""
    c = np.asarray(center, dtype=float)
    m = Mesh()
    ax = [norm(a) for a in axes]
    h = np.asarray(size, dtype=float) * 0.5
    for axis in range(3):
        a1, a2 = [k for k in range(3) if k != axis]
        for sign in (-1.0, 1.0):
            n = ax[axis] * sign
            corners = []
            for s1, s2 in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
                corners.append(c + n * h[axis] + ax[a1] * s1 * h[a1] + ax[a2] * s2 * h[a2])
            ids = [m.vertex(p, n, ((s1 + 1) * h[a1] * density, (s2 + 1) * h[a2] * density))
                   for p, (s1, s2) in zip(corners, ((-1, -1), (1, -1), (1, 1), (-1, 1)))]
            m.quad(*ids)
    return m


def beam(p0, p1, width, height=None, up=(0.0, 1.0, 0.0), density=1.0):
    """Square (or rectangular) beam from p0 to p1."""
    p0 = np.asarray(p0, dtype=float)
    p1 = np.asarray(p1, dtype=float)
    d = p1 - p0
    length = np.linalg.norm(d)
    w = d / length
    up = np.asarray(up, dtype=float)
    if abs(np.dot(norm(up), w)) > 0.95:
        up = np.array([1.0, 0.0, 0.0])
    u = norm(np.cross(up, w))
    v = np.cross(w, u)
    return oriented_box((p0 + p1) * 0.5, (u, v, w), (width, height or width, length), density)


def frustum(p0, p1, r0, r1, segments, caps=(True, True), density=1.0, phase=0.0):
    """Cylinder or cone frustum from p0 (radius r0) to p1 (radius r1)."""
    p0 = np.asarray(p0, dtype=float)
    p1 = np.asarray(p1, dtype=float)
    u, v, w = frame(p1 - p0)
    length = np.linalg.norm(p1 - p0)
    m = Mesh()
    rings = []
    for k in range(segments + 1):
        a = phase + TAU * k / segments
        radial = u * math.cos(a) + v * math.sin(a)
        n = radial * length + w * (r0 - r1)
        circumference = TAU * max(r0, r1)
        uu = circumference * k / segments * density
        i0 = m.vertex(p0 + radial * r0, n, (uu, 0.0))
        i1 = m.vertex(p1 + radial * r1, n, (uu, length * density))
        rings.append((i0, i1))
    for k in range(segments):
        a0, a1 = rings[k]
        b0, b1 = rings[k + 1]
        m.quad(a0, b0, b1, a1)
    for end, (centre, radius, normal) in enumerate(((p0, r0, -w), (p1, r1, w))):
        if not caps[end] or radius <= 0.0:
            continue
        pts = [centre + (u * math.cos(phase + TAU * k / segments) + v * math.sin(phase + TAU * k / segments)) * radius
               for k in range(segments)]
        m.extend(flat_polygon(pts, normal, planar_uv(normal, density)))
    return m


def lathe(profile, segments, origin=(0.0, 0.0, 0.0), axis=(0.0, 1.0, 0.0), density=1.0, smooth=False):
    """Revolves a profile of (radius, height) points about an axis. Each profile segment
    gets its own ring of vertices (crisp edges along the profile) unless smooth."""
    o = np.asarray(origin, dtype=float)
    u, v, w = frame(axis)
    m = Mesh()
    prof = [(float(r), float(h)) for r, h in profile]
    seg_normals = []
    for (r0, h0), (r1, h1) in zip(prof[:-1], prof[1:]):
        dr, dh = r1 - r0, h1 - h0
        seg_normals.append((dh, -dr))  # (radial, axial) outward for a profile going up
    arc = [0.0]
    for (r0, h0), (r1, h1) in zip(prof[:-1], prof[1:]):
        arc.append(arc[-1] + math.hypot(r1 - r0, h1 - h0))
    for s, ((r0, h0), (r1, h1)) in enumerate(zip(prof[:-1], prof[1:])):
        if smooth:
            na = seg_normals[max(s - 1, 0)]
            nb = seg_normals[min(s + 1, len(seg_normals) - 1)]
            n0 = (seg_normals[s][0] + na[0], seg_normals[s][1] + na[1])
            n1 = (seg_normals[s][0] + nb[0], seg_normals[s][1] + nb[1])
        else:
            n0 = n1 = seg_normals[s]
        ring = []
        for k in range(segments + 1):
            a = TAU * k / segments
            radial = u * math.cos(a) + v * math.sin(a)
            uu = TAU * max(r0, r1, 0.05) * k / segments * density
            i0 = m.vertex(o + radial * r0 + w * h0, radial * n0[0] + w * n0[1], (uu, arc[s] * density))
            i1 = m.vertex(o + radial * r1 + w * h1, radial * n1[0] + w * n1[1], (uu, arc[s + 1] * density))
            ring.append((i0, i1))
        for k in range(segments):
            a0, a1 = ring[k]
            b0, b1 = ring[k + 1]
            m.quad(a0, b0, b1, a1)
    return m


def ellipsoid(center, radii, segments, rings, density=1.0):
    c = np.asarray(center, dtype=float)
    r = np.asarray(radii, dtype=float)
    m = Mesh()
    grid = []
    for i in range(rings + 1):
        phi = math.pi / 2 - math.pi * i / rings
        row = []
        for k in range(segments + 1):
            theta = TAU * k / segments
            unit = np.array([math.cos(theta) * math.cos(phi), math.sin(phi), -math.sin(theta) * math.cos(phi)])
            p = c + unit * r
            n = unit / r  # ellipsoid normal
            uu = (k + (0.5 if i in (0, rings) else 0.0)) / segments
            row.append(m.vertex(p, n, (uu * TAU * r.max() * density, (i / rings) * math.pi * r.max() * density)))
        grid.append(row)
    for i in range(rings):
        for k in range(segments):
            m.quad(grid[i][k], grid[i + 1][k], grid[i + 1][k + 1], grid[i][k + 1])
    return m


def torus(center, axis, major, minor, segments, sides, density=1.0):
    c = np.asarray(center, dtype=float)
    u, v, w = frame(axis)
    m = Mesh()
    grid = []
    for k in range(segments + 1):
        a = TAU * k / segments
        radial = u * math.cos(a) + v * math.sin(a)
        row = []
        for j in range(sides + 1):
            b = TAU * j / sides
            n = radial * math.cos(b) + w * math.sin(b)
            p = c + radial * major + n * minor
            row.append(m.vertex(p, n, (TAU * major * k / segments * density, TAU * minor * j / sides * density)))
        grid.append(row)
    for k in range(segments):
        for j in range(sides):
            m.quad(grid[k][j], grid[k + 1][j], grid[k + 1][j + 1], grid[k][j + 1])
    return m


def prism(polygon, plane_u, plane_v, z0, z1, density=1.0, caps=(True, True)):
    """Extrudes a convex polygon given in the (plane_u, plane_v) plane from z0 to z1 along
    plane_u x plane_v."""
    pu = np.asarray(plane_u, dtype=float)
    pv = np.asarray(plane_v, dtype=float)
    pw = np.cross(pu, pv)
    pts2 = [np.asarray(p, dtype=float) for p in polygon]
    centre2 = np.mean(np.array(pts2), axis=0)
    m = Mesh()
    perimeter = 0.0
    for i in range(len(pts2)):
        a, b = pts2[i], pts2[(i + 1) % len(pts2)]
        edge = b - a
        length = np.linalg.norm(edge)
        n2 = np.array([edge[1], -edge[0]])
        if np.dot(n2, (a + b) * 0.5 - centre2) < 0:
            n2 = -n2
        n = pu * n2[0] + pv * n2[1]
        pa = pu * a[0] + pv * a[1]
        pb = pu * b[0] + pv * b[1]
        ids = [m.vertex(pa + pw * z0, n, (perimeter * density, z0 * density)),
               m.vertex(pb + pw * z0, n, ((perimeter + length) * density, z0 * density)),
               m.vertex(pb + pw * z1, n, ((perimeter + length) * density, z1 * density)),
               m.vertex(pa + pw * z1, n, (perimeter * density, z1 * density))]
        m.quad(*ids)
        perimeter += length
    for end, z, n in ((0, z0, -pw), (1, z1, pw)):
        if caps[end]:
            pts = [pu * p[0] + pv * p[1] + pw * z for p in pts2]
            m.extend(flat_polygon(pts, n, lambda p: (np.dot(p, pu) * density, np.dot(p, pv) * density)))
    return m


def convex_solids(mesh, eps=1e-6):
    """The closed convex pieces of a mesh, as lists of (unit normal, offset) planes.

    Pieces are the sets of triangles joined through shared corner positions: each
    primitive with its caps is one, and primitives that only overlap stay apart. A
    piece is a closed convex solid when every edge borders exactly two of its
    triangles and no corner lies in front of any of its faces."""
    key = lambda p: tuple(np.round(p, 6))
    corner = [key(p) for p in mesh.pos]
    parent = {}

    def find(k):
        while parent.setdefault(k, k) != k:
            parent[k] = parent[parent[k]]
            k = parent[k]
        return k

    for tri in mesh.tris:
        for i in tri[1:]:
            parent[find(corner[i])] = find(corner[tri[0]])
    pieces = {}
    for t, tri in enumerate(mesh.tris):
        pieces.setdefault(find(corner[tri[0]]), []).append(t)

    solids = []
    for tris in pieces.values():
        edges = {}
        for t in tris:
            a, b, c = (corner[i] for i in mesh.tris[t])
            for e in ((a, b), (b, c), (c, a)):
                edges[frozenset(e)] = edges.get(frozenset(e), 0) + 1
        if any(n != 2 for n in edges.values()):
            continue
        points = np.array([mesh.pos[i] for t in tris for i in mesh.tris[t]])
        planes = []
        for t in tris:
            pa, pb, pc = (mesh.pos[i] for i in mesh.tris[t])
            n = norm(np.cross(pb - pa, pc - pa))
            planes.append((n, float(np.dot(n, pa))))
        if all((points @ n - d).max() <= eps for n, d in planes):
            solids.append(planes)
    return solids


def drop_buried(parts, group_of, margin=1e-4):
    """Leaves out the triangles that lie wholly inside a closed convex solid of the same
    group: no camera outside the solid can ever see them, so the picture stays the same
    and the renderer has fewer triangles to set up. Groups are what moves as one (the
    two stages of the lander part); parts: list of (name, Material, Mesh)."""
    solids = {}
    for name, _, mesh in parts:
        solids.setdefault(group_of(name), []).extend(convex_solids(mesh))
    out = []
    for name, material, mesh in parts:
        group = solids[group_of(name)]

        def buried(tri):
            p = np.array([mesh.pos[i] for i in tri])
            return any(all((p @ n - d).max() < -margin for n, d in planes) for planes in group)

        kept = [tri for tri in mesh.tris if not buried(tri)]
        if len(kept) == len(mesh.tris):
            out.append((name, material, mesh))
            continue
        compact = Mesh()
        index = {}
        for tri in kept:
            for i in tri:
                if i not in index:
                    index[i] = compact.vertex(mesh.pos[i], mesh.nrm[i], mesh.uv[i])
            compact.tris.append(tuple(index[i] for i in tri))
        out.append((name, material, compact))
    return out


def faceted(mesh):
    """The same triangles with one normal per face (for crystals)."""
    out = Mesh()
    for a, b, c in mesh.tris:
        pa, pb, pc = mesh.pos[a], mesh.pos[b], mesh.pos[c]
        n = np.cross(pb - pa, pc - pa)
        ids = [out.vertex(mesh.pos[i], n, mesh.uv[i]) for i in (a, b, c)]
        out.tri(*ids)
    return out


# ----------------------------------------------------------------------------------------
# Writing
# ----------------------------------------------------------------------------------------

class Material:
    def __init__(self, name, ka, kd, ks, ns, map_kd=None, bump=None):
        self.name, self.ka, self.kd, self.ks, self.ns = name, ka, kd, ks, ns
        self.map_kd, self.bump = map_kd, bump


def fmt(x):
    s = "%.6f" % x
    return "0.000000" if s == "-0.000000" else s


def write_obj(path, mtl_name, parts, to_file, normal_to_file, header):
    """parts: list of (object name, Material, Mesh). to_file maps a final-space point to file
    space, normal_to_file a final-space normal."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    lines = ["# " + header, "mtllib " + mtl_name]
    v_base = 1
    for name, material, mesh in parts:
        if not mesh.tris:
            raise SystemExit("empty part %s in %s" % (name, path))
        lines.append("o " + name)
        for p in mesh.pos:
            q = to_file(p)
            lines.append("v %s %s %s" % (fmt(q[0]), fmt(q[1]), fmt(q[2])))
        for t in mesh.uv:
            lines.append("vt %s %s" % (fmt(t[0]), fmt(t[1])))
        for n in mesh.nrm:
            q = norm(normal_to_file(n))
            lines.append("vn %s %s %s" % (fmt(q[0]), fmt(q[1]), fmt(q[2])))
        lines.append("usemtl " + material.name)
        for tri in mesh.tris:
            lines.append("f " + " ".join("%d/%d/%d" % ((i + v_base,) * 3) for i in tri))
        v_base += len(mesh.pos)
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def write_mtl(path, materials):
    lines = []
    for m in materials:
        lines += ["newmtl " + m.name,
                  "Ka %s %s %s" % tuple(fmt(x) for x in m.ka),
                  "Kd %s %s %s" % tuple(fmt(x) for x in m.kd),
                  "Ks %s %s %s" % tuple(fmt(x) for x in m.ks),
                  "Ns %s" % fmt(m.ns),
                  "d 1.000000",
                  "illum 2"]
        if m.map_kd:
            lines.append("map_Kd " + m.map_kd)
        if m.bump:
            lines.append("map_bump " + m.bump)
        lines.append("")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines))


def used_materials(parts):
    seen = []
    for _, material, _ in parts:
        if material not in seen:
            seen.append(material)
    return seen


# ----------------------------------------------------------------------------------------
# Textures
# ----------------------------------------------------------------------------------------

def smooth_noise(rng, size, cells):
    """Tileable value noise: random values on a coarse grid, bicubically interpolated."""
    grid = rng.random_sample((cells, cells))
    img = Image.fromarray((grid * 255).astype(np.uint8), "L")
    big = np.tile(np.asarray(img, dtype=float), (3, 3))
    up = Image.fromarray(big.astype(np.uint8), "L").resize((size * 3, size * 3), Image.BICUBIC)
    a = np.asarray(up, dtype=float)[size:2 * size, size:2 * size] / 255.0
    return a


def fractal(rng, size, octaves):
    total = np.zeros((size, size))
    weight = 0.0
    amp = 1.0
    for cells in octaves:
        total += smooth_noise(rng, size, cells) * amp
        weight += amp
        amp *= 0.5
    return total / weight


def save_rgb(path, array):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    Image.fromarray(np.clip(array, 0, 255).astype(np.uint8), "RGB").save(path, optimize=False)


def save_grey(path, array):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    Image.fromarray(np.clip(array, 0, 255).astype(np.uint8), "L").save(path, optimize=False)


def colourise(height, dark, light):
    h = height[..., None]
    return np.asarray(dark, dtype=float) * (1.0 - h) + np.asarray(light, dtype=float) * h


def foil_height(seed, size=256):
    """Crinkled foil: ridges of folded sheet over a soft undulation."""
    rng = np.random.RandomState(seed)
    base = fractal(rng, size, (4, 8, 16))
    ridges = 1.0 - np.abs(fractal(rng, size, (6, 12, 24)) * 2.0 - 1.0)
    return np.clip(0.55 * base + 0.45 * ridges ** 3, 0.0, 1.0)


def panel_height(seed, size=256, panels=4):
    """Flat panels separated by grooves, with rivet dots along the seams."""
    rng = np.random.RandomState(seed)
    h = np.full((size, size), 0.6) + (fractal(rng, size, (8, 16)) - 0.5) * 0.08
    step = size // panels
    yy, xx = np.mgrid[0:size, 0:size]
    groove = (xx % step < 2) | (yy % step < 2)
    h[groove] = 0.25
    rivets = ((xx % step - step // 2) % 16 == 8) & ((yy % step) == 6) | \
             ((yy % step - step // 2) % 16 == 8) & ((xx % step) == 6)
    h[rivets] = 0.85
    return h


def gentle(height, span):
    """Bump map bytes: 128 +- span/2 (the game turns steep bumps into harsh normals)."""
    return 128.0 + (height - 0.5) * span


def make_lander_textures(folder):
    # The lit programs multiply a texel by the largest component of the material's
    # diffuse colour, and the untextured ones show that colour alone; so each texture
    # here averages about diffuse / max(diffuse) and both ways look alike.
    size = 256
    gold = foil_height(11, size)
    save_rgb(os.path.join(folder, "foil_gold.png"),
             colourise(gold, (150, 108, 30), (255, 218, 96)))
    save_grey(os.path.join(folder, "foil_gold_bump.png"), gentle(gold, 20))

    dark = foil_height(12, size)
    save_rgb(os.path.join(folder, "foil_dark.png"), colourise(dark, (110, 110, 118), (255, 250, 255)))
    save_grey(os.path.join(folder, "foil_dark_bump.png"), gentle(dark, 16))

    panel = panel_height(13, size)
    rng = np.random.RandomState(14)
    stain = fractal(rng, size, (4, 8)) * 0.12
    save_rgb(os.path.join(folder, "panel.png"),
             colourise(np.clip(panel - stain, 0, 1), (95, 96, 98), (222, 222, 216)))
    save_grey(os.path.join(folder, "panel_bump.png"), gentle(panel, 10))

    rng = np.random.RandomState(15)
    brushed = np.asarray(Image.fromarray((rng.random_sample((size, 8)) * 255).astype(np.uint8), "L")
                         .resize((size, size), Image.BILINEAR), dtype=float) / 255.0
    metal = 0.6 * brushed + 0.4 * fractal(rng, size, (8, 16))
    save_rgb(os.path.join(folder, "metal.png"), colourise(metal, (150, 150, 160), (240, 240, 250)))
    save_grey(os.path.join(folder, "metal_bump.png"), gentle(metal, 6))

    yy, xx = np.mgrid[0:size, 0:size] / float(size)
    streak = np.clip(1.0 - np.abs((xx + yy) - 0.9) * 6.0, 0.0, 1.0) * 0.5
    save_rgb(os.path.join(folder, "glass.png"), colourise(streak, (60, 90, 150), (230, 240, 255)))
    save_grey(os.path.join(folder, "flat_bump.png"), np.full((16, 16), 128.0))


def make_crawler_textures(folder):
    size = 256
    rng = np.random.RandomState(21)
    # Body paint: industrial yellow-orange with panel seams and grime.
    panel = panel_height(22, size, panels=2)
    grime = fractal(rng, size, (4, 8, 16))
    shade = np.clip(panel * 0.9 + 0.25 - grime * 0.25, 0, 1)
    body = colourise(shade, (90, 52, 12), (236, 168, 40))
    # hazard stripes along the lowest eighth (the deck edges use that band)
    yy, xx = np.mgrid[0:size, 0:size]
    stripes = (yy >= size - 32) & (((xx + yy) // 16) % 2 == 0)
    body[stripes] = (30, 30, 30)
    save_rgb(os.path.join(folder, "body.png"), body)

    # Helium tanks: white with weld rings and a blue band.
    tank = np.full((size, size, 3), 228.0)
    tank *= (0.92 + 0.08 * fractal(rng, size, (4, 8)))[..., None]
    tank[(xx % 128) < 3] *= 0.6
    band = (yy > 100) & (yy < 140)
    tank[band] = (40, 80, 170)
    save_rgb(os.path.join(folder, "tank.png"), tank)

    # Wheels: the left half is tread (u 0..0.5), the right half the hub disc (u 0.5..1).
    tire = np.full((size, size, 3), 34.0)
    tread = ((yy // 12) % 2 == 0) & (np.abs((xx % 128) - 64) > 10) & (xx < 128)
    tire[tread] = (58, 58, 60)
    hub_c = (size * 0.75, size * 0.5)
    r = np.hypot(xx - hub_c[0], yy - hub_c[1])
    hub = (xx >= 128) & (r < 60)
    tire[hub] = (150, 150, 155)
    tire[(xx >= 128) & (r < 60) & (r > 52)] = (90, 90, 95)
    bolts = (xx >= 128) & (np.abs(r - 38) < 5) & ((np.degrees(np.arctan2(yy - hub_c[1], xx - hub_c[0])) % 60) < 12)
    tire[bolts] = (60, 60, 64)
    tire[(xx >= 128) & (r < 14)] = (200, 200, 205)
    save_rgb(os.path.join(folder, "tire.png"), tire)

    # The landing pad, full and empty. Both share one layout: u across the pad (x), v
    # along it (z). 9 x 14.5 units -> 288 x 464 pixels.
    save_rgb(os.path.join(folder, "landarea.png"), landing_pad_image(full=True))
    save_rgb(os.path.join(folder, "landarea2.png"), landing_pad_image(full=False))


def landing_pad_image(full):
    w, h = 288, 464
    rng = np.random.RandomState(23)
    grit = fractal(rng, 512, (16, 32))[:h, :w]
    base = colourise(grit, (52, 54, 58), (92, 94, 100))
    img = Image.fromarray(base.astype(np.uint8), "RGB")
    d = ImageDraw.Draw(img)
    mark = (250, 200, 30) if full else (120, 120, 118)
    edge = (230, 60, 20) if full else (105, 100, 98)
    # hazard border
    for i in range(0, w + h, 24):
        d.polygon([(i, 0), (i + 12, 0), (i - h + 12, h), (i - h, h)], fill=edge)
    d.rectangle([14, 14, w - 15, h - 15], fill=tuple(int(x) for x in base[h // 2, w // 2]))
    inner = Image.fromarray(base.astype(np.uint8), "RGB").crop((14, 14, w - 14, h - 14))
    img.paste(inner, (14, 14))
    # touchdown circle with the helium "H"
    cx, cy, rad = w // 2, h // 2, 110
    d.ellipse([cx - rad, cy - rad, cx + rad, cy + rad], outline=mark, width=12)
    d.rectangle([cx - 50, cy - 60, cx - 30, cy + 60], fill=mark)
    d.rectangle([cx + 30, cy - 60, cx + 50, cy + 60], fill=mark)
    d.rectangle([cx - 30, cy - 10, cx + 30, cy + 10], fill=mark)
    # status lamps at both ends: green when the tanks hold helium, dark red when empty
    lamp = (60, 240, 90) if full else (110, 30, 24)
    for lx in (40, w - 40):
        for ly in (40, h - 40):
            d.ellipse([lx - 12, ly - 12, lx + 12, ly + 12], fill=lamp)
    if not full:
        d.line([(cx - 90, cy - 90), (cx + 90, cy + 90)], fill=(170, 40, 30), width=14)
        d.line([(cx - 90, cy + 90), (cx + 90, cy - 90)], fill=(170, 40, 30), width=14)
    return np.asarray(img, dtype=float)


# ----------------------------------------------------------------------------------------
# The lander
# ----------------------------------------------------------------------------------------

LANDER_SCALE = 0.35
LANDER_LIFT = 0.35 * 1.39

TOP_STAGE_NAMES = [
    "Iron", "Iron_kaku", "Thruster_UV_t_TOP", "Thruster_bace_1_TOP", "Thruster_bace_kaku",
    "avionics_platforms", "big_tank", "body_band", "boom.001", "cabin", "cabin_parts", "cabin_parts2",
    "hatch", "leg_jointparts_TOP", "main_engine_UVt_TOP", "tank", "tank_mount", "upper", "window_frame",
    "window_glass",
]


def rot_y(deg):
    a = math.radians(deg)
    c, s = math.cos(a), math.sin(a)
    return np.array([[c, 0.0, s], [0.0, 1.0, 0.0], [-s, 0.0, c]])


def octagon(apothem):
    r = apothem / math.cos(math.pi / 8)
    return [(r * math.cos(math.pi / 8 + k * math.pi / 4), r * math.sin(math.pi / 8 + k * math.pi / 4))
            for k in range(8)]


def nozzle(top, throat_r, exit_r, length, segments, density):
    """A bell nozzle hanging down from `top`, with an inner wall and a rim."""
    y0 = top[1]
    prof = []
    steps = 6
    for i in range(steps + 1):
        t = i / steps
        r = throat_r + (exit_r - throat_r) * (t ** 1.6)
        prof.append((r, y0 - length * t))
    prof.reverse()  # from the exit upwards
    outer = lathe(prof, segments, origin=(top[0], 0.0, top[2]), density=density, smooth=True)
    inner_prof = [(r - 0.012, y) for r, y in prof]
    inner = lathe(inner_prof, segments, origin=(top[0], 0.0, top[2]), density=density, smooth=True)
    inner.nrm = [-n for n in inner.nrm]
    inner.tris = []
    ring = 2 * (segments + 1)
    for s in range(len(inner_prof) - 1):
        for k in range(segments):
            a0, a1 = s * ring + 2 * k, s * ring + 2 * k + 1
            b0, b1 = s * ring + 2 * (k + 1), s * ring + 2 * (k + 1) + 1
            inner.quad(a0, b0, b1, a1)
    rim = lathe([(prof[0][0] - 0.012, prof[0][1]), (prof[0][0], prof[0][1])], segments,
                origin=(top[0], 0.0, top[2]), density=density)
    rim.nrm = [np.array([0.0, -1.0, 0.0]) for _ in rim.nrm]
    rim_tris = rim.tris
    rim.tris = []
    for a, b, c in rim_tris:
        rim.tri(a, b, c)
    return merge(outer, inner, rim)


def build_lander(leave_out_buried=True):
    D = 2.0  # texture repeats per unit
    gold = Material("gold_foil", (0.26, 0.19, 0.06), (0.86, 0.66, 0.24), (0.55, 0.48, 0.30), 40.0,
                    "foil_gold.png", "foil_gold_bump.png")
    dark = Material("dark_foil", (0.05, 0.05, 0.05), (0.16, 0.16, 0.17), (0.35, 0.35, 0.35), 30.0,
                    "foil_dark.png", "foil_dark_bump.png")
    panel = Material("panel", (0.22, 0.22, 0.21), (0.78, 0.78, 0.75), (0.30, 0.30, 0.30), 20.0,
                     "panel.png", "panel_bump.png")
    metal = Material("metal", (0.08, 0.08, 0.09), (0.30, 0.30, 0.33), (0.50, 0.50, 0.50), 50.0,
                     "metal.png", "metal_bump.png")
    glass = Material("glass", (0.02, 0.03, 0.05), (0.08, 0.11, 0.16), (0.90, 0.90, 0.95), 90.0,
                     "glass.png", "flat_bump.png")

    parts = {}
    Y = np.array([0.0, 1.0, 0.0])

    # ---- descent stage (everything not named as top stage) ----
    body = prism(octagon(0.86), (1, 0, 0), (0, 0, -1), -0.80, -0.06, density=D, caps=(True, False))
    # prism extrudes along (1,0,0)x(0,0,-1) = (0,1,0): z0/z1 are heights
    parts["descent_stage"] = (gold, body)
    deck = prism(octagon(0.84), (1, 0, 0), (0, 0, -1), -0.06, -0.01, density=D)
    skirt = prism(octagon(0.80), (1, 0, 0), (0, 0, -1), -0.95, -0.80, density=D, caps=(True, False))
    parts["descent_skirt"] = (dark, merge(deck, skirt))
    parts["descent_engine"] = (metal, nozzle((0.0, -0.93, 0.0), 0.16, 0.40, 0.50, 20, D))

    legs_upper = Mesh()
    legs_lower = Mesh()
    pads = Mesh()
    for k in range(4):
        az = math.radians(45 + 90 * k)
        d = np.array([math.cos(az), 0.0, math.sin(az)])
        side = np.array([-d[2], 0.0, d[0]])
        outrigger = d * 0.92 + Y * -0.12
        foot = d * 1.52 + Y * -1.64
        knee = outrigger + (foot - outrigger) * 0.55
        legs_upper.extend(frustum(outrigger, knee, 0.065, 0.065, 10, density=D))
        legs_lower.extend(frustum(knee, foot, 0.045, 0.045, 10, density=D))
        # secondary struts from the lower body corners to the knee
        for s in (-1.0, 1.0):
            base = d * 0.78 + side * (s * 0.32) + Y * -0.78
            legs_lower.extend(frustum(base, knee, 0.028, 0.028, 8, density=D))
        # outrigger truss from the body to the top of the strut
        legs_upper.extend(beam(d * 0.70 + Y * -0.12, outrigger, 0.08, density=D))
        # the footpad: a shallow dish
        pads.extend(lathe([(0.10, -1.74), (0.22, -1.72), (0.25, -1.66), (0.20, -1.64), (0.05, -1.63)], 16,
                          origin=(foot[0], 0.0, foot[2]), density=D))
        pads.extend(frustum(np.array([foot[0], -1.74, foot[2]]), np.array([foot[0], -1.735, foot[2]]),
                            0.10, 0.10, 16, caps=(True, False), density=D))
    parts["landing_legs"] = (gold, legs_upper)
    parts["leg_struts"] = (panel, legs_lower)
    parts["footpads"] = (panel, pads)

    # ladder down the front face (+z, between the two front legs) and the porch above it
    ladder = Mesh()
    face_z = 0.86 + 0.04
    for x in (-0.16, 0.16):
        ladder.extend(frustum((x, -0.80, face_z), (x, -0.06, face_z), 0.015, 0.015, 6, density=D))
    for i in range(7):
        y = -0.74 + i * 0.11
        ladder.extend(frustum((-0.16, y, face_z), (0.16, y, face_z), 0.01, 0.01, 6, density=D))
    ladder.extend(box((0.0, -0.04, 0.99), (0.44, 0.03, 0.22), D))
    parts["ladder"] = (panel, ladder)

    # ---- top stage: whole-lander heights -0.26 .. 1.74, centred on the axis ----
    upper_profile = [(-0.62, 0.0), (0.62, 0.0), (0.76, 0.34), (0.73, 0.92), (0.46, 1.20),
                     (-0.46, 1.20), (-0.73, 0.92), (-0.76, 0.34)]
    # extrude along +z: plane (x, y) with x cross y = z
    parts["upper"] = (panel, prism(upper_profile, (1, 0, 0), (0, 1, 0), -0.56, 0.46, density=D))

    cabin_profile = [(-0.52, 0.22), (0.52, 0.22), (0.58, 0.72), (0.40, 1.06), (-0.40, 1.06), (-0.58, 0.72)]
    parts["cabin"] = (panel, prism(cabin_profile, (1, 0, 0), (0, 1, 0), 0.46, 0.78, density=D))

    frames = Mesh()
    glass_mesh = Mesh()
    for sx in (-1.0, 1.0):
        tri = [(sx * 0.47, 0.70), (sx * 0.10, 0.70), (sx * 0.10, 0.99)]
        big = [(sx * 0.53, 0.66), (sx * 0.06, 0.66), (sx * 0.06, 1.03)]
        frames.extend(prism(big, (1, 0, 0), (0, 1, 0), 0.78, 0.80, density=D))
        glass_mesh.extend(prism(tri, (1, 0, 0), (0, 1, 0), 0.80, 0.81, density=D, caps=(False, True)))
    parts["window_frame"] = (metal, frames)
    parts["window_glass"] = (glass, glass_mesh)

    parts["hatch"] = (metal, merge(box((0.0, 0.44, 0.795), (0.42, 0.36, 0.03), D),
                                   box((0.14, 0.44, 0.82), (0.04, 0.10, 0.03), D)))

    parts["big_tank"] = (panel, ellipsoid((-0.90, 0.55, -0.08), (0.32, 0.36, 0.34), 20, 12, D))
    parts["tank"] = (panel, ellipsoid((0.88, 0.55, -0.10), (0.26, 0.30, 0.27), 18, 10, D))
    mounts = Mesh()
    for cx, r in ((-0.90, 0.32), (0.88, 0.26)):
        mounts.extend(torus((cx, 0.55, -0.09), (1, 0, 0), r * 0.72, 0.025, 18, 6, D))
        body_x = -0.74 if cx < 0 else 0.74
        for dz in (-0.2, 0.2):
            mounts.extend(beam((cx, 0.55 - r * 0.85, -0.09 + dz), (body_x, 0.25, -0.09 + dz), 0.05, density=D))
    parts["tank_mount"] = (metal, mounts)

    band = merge(box((0.0, 0.05, 0.47), (1.30, 0.10, 0.04), D), box((0.0, 0.05, -0.57), (1.30, 0.10, 0.04), D),
                 box((0.66, 0.05, -0.05), (0.04, 0.10, 1.08), D), box((-0.66, 0.05, -0.05), (0.04, 0.10, 1.08), D))
    parts["body_band"] = (dark, band)

    parts["avionics_platforms"] = (dark, merge(box((0.0, 0.62, -0.78), (1.00, 0.66, 0.44), D),
                                                box((0.0, 0.27, -0.86), (1.10, 0.05, 0.56), D)))

    boom = Mesh()
    base = np.array([0.40, 1.20, -0.30])
    top = np.array([0.62, 1.52, -0.52])
    boom.extend(frustum(base, top, 0.025, 0.025, 8, density=D))
    boom.extend(lathe([(0.015, 1.60), (0.10, 1.64), (0.17, 1.70)], 16, origin=(top[0], 0.0, top[2]),
                      density=D))
    boom.extend(frustum(top, (top[0], 1.60, top[2]), 0.03, 0.03, 8, density=D))
    parts["boom.001"] = (panel, boom)

    rails = Mesh()
    for x in (-0.40, 0.40):
        rails.extend(frustum((x, 1.24, -0.40), (x, 1.24, 0.30), 0.018, 0.018, 6, density=D))
        rails.extend(frustum((x, 1.20, -0.40), (x, 1.24, -0.40), 0.018, 0.018, 6, density=D))
        rails.extend(frustum((x, 1.20, 0.30), (x, 1.24, 0.30), 0.018, 0.018, 6, density=D))
    for y in (0.30, 0.62):
        rails.extend(frustum((-0.50, y, 0.86), (0.50, y, 0.86), 0.016, 0.016, 6, density=D))
    parts["Iron"] = (metal, rails)

    truss = Mesh()
    for k in range(4):
        az = math.radians(45 + 90 * k)
        d = np.array([math.cos(az), 0.0, math.sin(az)])
        truss.extend(beam(d * 0.55 + Y * 0.02, d * 0.74 + Y * -0.20, 0.06, density=D))
        truss.extend(beam(d * 0.40 + Y * 0.02, d * 0.40 + Y * -0.20, 0.05, density=D))
    parts["Iron_kaku"] = (metal, truss)

    joints = Mesh()
    for k in range(4):
        az = math.radians(45 + 90 * k)
        d = np.array([math.cos(az), 0.0, math.sin(az)])
        joints.extend(box(d * 0.74 + Y * -0.17, (0.14, 0.10, 0.14), D))
    parts["leg_jointparts_TOP"] = (dark, joints)

    parts["main_engine_UVt_TOP"] = (metal, nozzle((0.0, 0.0, 0.0), 0.10, 0.19, 0.24, 16, D))

    # RCS quads on the four body axes at 1.22 from the axis, 0.05 up
    housings = Mesh()
    struts = Mesh()
    jets = Mesh()
    for k in range(4):
        az = math.radians(90 * k)
        d = np.array([math.cos(az), 0.0, -math.sin(az)])
        side = np.array([-d[2], 0.0, d[0]])
        c = d * 1.22 + Y * 0.05
        housings.extend(oriented_box(c, (d, Y, side), (0.16, 0.20, 0.16), D))
        attach = d * (0.62 if k % 2 == 0 else 0.5) + Y * 0.30
        if k == 1:  # +z side: the cabin front sits further out
            attach = d * 0.78 + Y * 0.30
        if k == 3:
            attach = d * 1.0 + Y * 0.40
        struts.extend(beam(attach, c + Y * 0.08 - d * 0.05, 0.05, density=D))
        struts.extend(beam(attach + Y * -0.26, c - Y * 0.08 - d * 0.05, 0.05, density=D))
        for direction in (Y, -Y, side, -side):
            start = c + direction * 0.09
            jets.extend(frustum(start, start + direction * 0.10, 0.025, 0.045, 10, caps=(False, True),
                                density=D))
    parts["Thruster_bace_1_TOP"] = (metal, housings)
    parts["Thruster_bace_kaku"] = (metal, struts)
    parts["Thruster_UV_t_TOP"] = (dark, jets)

    tunnel = merge(frustum((0.0, 1.20, 0.04), (0.0, 1.36, 0.04), 0.27, 0.25, 20, caps=(False, True), density=D),
                   torus((0.0, 1.36, 0.04), (0, 1, 0), 0.25, 0.03, 20, 6, D))
    parts["cabin_parts"] = (panel, tunnel)

    extras = Mesh()
    extras.extend(frustum((0.0, 1.06, 0.62), (0.0, 1.20, 0.70), 0.03, 0.03, 8, density=D))
    extras.extend(lathe([(0.01, 1.22), (0.08, 1.25), (0.13, 1.30)], 14, origin=(0.0, 0.0, 0.72), density=D))
    for x in (-0.55, 0.55):
        extras.extend(frustum((x, 1.0, -0.50), (x * 1.25, 1.42, -0.62), 0.012, 0.006, 6, density=D))
    extras.extend(box((-0.25, 1.23, -0.15), (0.22, 0.06, 0.18), D))
    parts["cabin_parts2"] = (metal, extras)

    order = [n for n in parts if n not in TOP_STAGE_NAMES] + TOP_STAGE_NAMES
    ordered = [(name, parts[name][0], parts[name][1]) for name in order]
    return drop_buried(ordered, lambda name: name in TOP_STAGE_NAMES) if leave_out_buried else ordered


def lander_file_transform():
    inv_rot = rot_y(-135.0)
    rot = rot_y(135.0)

    def to_file(p):
        return inv_rot @ (np.asarray(p) - np.array([0.0, LANDER_LIFT, 0.0])) / LANDER_SCALE

    def normal_to_file(n):
        return inv_rot @ np.asarray(n)

    # the game's import transform is translate(lift) * rotateY(135) * scale(0.35);
    # check that glm's rotate about +y matches ours
    assert np.allclose(rot @ np.array([1.0, 0.0, 0.0]), [math.cos(math.radians(135)), 0, -math.sin(math.radians(135))])
    return to_file, normal_to_file


# ----------------------------------------------------------------------------------------
# The crawler
# ----------------------------------------------------------------------------------------

CRAWLER_OFFSET = np.array([9.0, -22.9384, -35.0])
WHEEL_RADIUS = 1.4
WHEEL_INNER, WHEEL_OUTER = 3.85, 4.75  # |x| of the wheel faces
WHEEL_Z = {"front": 3.2, "mid": -4.6, "back": -12.2}
PAD = (-4.5, 4.5, -14.0, 0.5, 4.0)  # x0, x1, z0, z1, top: the crawler's highest surface
DECK_BOTTOM = 3.7
CHASSIS_TOP = 1.85


def wheel_set(z, segments):
    """Two wheels on one axle along x, mirror images, so the box centre is on the axle.
    The tread uses the left half of the texture, the hub discs the right half."""
    m = Mesh()
    for sx in (-1.0, 1.0):
        c_in = np.array([sx * WHEEL_INNER, WHEEL_RADIUS, z])
        c_out = np.array([sx * WHEEL_OUTER, WHEEL_RADIUS, z])
        axis = np.array([sx, 0.0, 0.0])
        tread = frustum(c_in, c_out, WHEEL_RADIUS, WHEEL_RADIUS, segments, caps=(False, False))
        width = WHEEL_OUTER - WHEEL_INNER
        tread.uv = [(0.5 * (abs(p[0]) - WHEEL_INNER) / width, t[0] / (TAU * WHEEL_RADIUS) * 6.0)
                    for p, t in zip(tread.pos, tread.uv)]
        m.extend(tread)
        u, v, _ = frame(axis)
        for c, n in ((c_in, -axis), (c_out, axis)):
            pts = [c + (u * math.cos(TAU * k / segments) + v * math.sin(TAU * k / segments)) * WHEEL_RADIUS
                   for k in range(segments)]
            m.extend(flat_polygon(pts, n, lambda p, c=c, u=u, v=v: (
                0.75 + 0.24 * np.dot(p - c, u) / WHEEL_RADIUS, 0.5 + 0.48 * np.dot(p - c, v) / WHEEL_RADIUS)))
        cap = frustum(c_out, c_out + axis * 0.05, 0.35, 0.25, max(segments // 2, 6), caps=(False, True))
        cap.uv = [(0.75 + 0.24 * np.dot(p - c_out, u) / WHEEL_RADIUS, 0.5 + 0.48 * np.dot(p - c_out, v) / WHEEL_RADIUS)
                  for p in cap.pos]
        m.extend(cap)
    return m


def half_dome(centre, radius, depth, sign, segments, rings):
    """The half of an ellipsoid that bulges along sign * z (a tank end)."""
    cap = ellipsoid(centre, (radius, radius, depth), segments, rings)
    keep = Mesh()
    for a, b, c in cap.tris:
        if all((cap.pos[i][2] - centre[2]) * sign >= -1e-6 for i in (a, b, c)):
            keep.tri(*[keep.vertex(cap.pos[i], cap.nrm[i], cap.uv[i]) for i in (a, b, c)])
    return keep


def build_crawler(lod):
    detail = lod == 0
    seg = 24 if detail else 12
    D = 0.5
    paint = Material("paint", (0.20, 0.13, 0.04), (0.90, 0.62, 0.16), (0.30, 0.30, 0.25), 16.0,
                     "Maps/body.png")
    tankm = Material("tank_white", (0.22, 0.22, 0.22), (0.90, 0.90, 0.90), (0.50, 0.50, 0.50), 40.0,
                     "Maps/tank.png")
    chassis = Material("chassis", (0.05, 0.05, 0.05), (0.24, 0.24, 0.26), (0.30, 0.30, 0.30), 12.0)
    tire = Material("tire", (0.10, 0.10, 0.10), (0.80, 0.80, 0.80), (0.15, 0.15, 0.15), 6.0, "Maps/tire.png")
    padm = Material("pad", (0.25, 0.25, 0.25), (0.95, 0.95, 0.95), (0.20, 0.20, 0.20), 8.0,
                    "Maps/landarea.png")
    glassm = Material("cab_glass", (0.02, 0.03, 0.05), (0.10, 0.16, 0.24), (0.90, 0.90, 0.90), 80.0)
    lamps = Material("lamps", (0.60, 0.45, 0.15), (1.00, 0.80, 0.35), (0.50, 0.50, 0.50), 20.0)

    x0, x1, z0, z1, top = PAD
    parts = []

    # ---- running gear and frame ----
    frame_parts = [box((0.0, 1.45, -4.8), (7.0, 0.8, 20.2), D)]
    for z in WHEEL_Z.values():
        frame_parts.append(frustum((-WHEEL_INNER, WHEEL_RADIUS, z), (WHEEL_INNER, WHEEL_RADIUS, z), 0.25, 0.25,
                                   10 if detail else 6))
        for sx in (-1.0, 1.0):
            frame_parts.append(box((sx * 3.66, 1.6, z), (0.32, 0.7, 1.3), D))
    pillars = [(-13.4, -3.35), (-13.4, 3.35), (-9.5, -3.35), (-9.5, 3.35), (-5.6, -3.35), (-5.6, 3.35),
               (-1.6, -3.35), (-1.6, 3.35), (0.2, 0.0)]
    if detail:
        for z, x in pillars:
            frame_parts.append(box((x, (CHASSIS_TOP + DECK_BOTTOM) / 2, z), (0.3, DECK_BOTTOM - CHASSIS_TOP, 0.3), D))
        frame_parts.append(box((0.0, DECK_BOTTOM - 0.08, -6.75), (0.5, 0.16, 14.5), D))
        for z in (-12.0, -8.0, -4.0, -1.4):
            for sx in (-1.0, 1.0):
                frame_parts.append(box((sx * 2.3, CHASSIS_TOP + 0.15, z), (1.3, 0.3, 0.35), D))
        # the valve panel at the back, with the feed pipes from the tanks
        frame_parts.append(box((0.0, 2.45, -15.05), (3.0, 1.1, 0.3), D))
        for x in (-0.8, 0.0, 0.8):
            frame_parts.append(frustum((x, 2.45, -15.25), (x, 2.45, -15.2), 0.14, 0.14, 8))
        for sx in (-1.0, 1.0):
            frame_parts.append(frustum((sx * 2.3, 2.5, -14.3), (sx * 1.2, 2.5, -14.95), 0.09, 0.09, 8))
        # a ladder up the back corner to the deck
        for x in (3.0, 3.6):
            frame_parts.append(frustum((x, CHASSIS_TOP, -14.15), (x, top - 0.05, -14.15), 0.04, 0.04, 6))
        for i in range(6):
            y = CHASSIS_TOP + 0.3 + i * 0.32
            frame_parts.append(frustum((3.0, y, -14.15), (3.6, y, -14.15), 0.03, 0.03, 6))
    else:
        for z, x in pillars[::2]:
            frame_parts.append(box((x, (CHASSIS_TOP + DECK_BOTTOM) / 2, z), (0.3, DECK_BOTTOM - CHASSIS_TOP, 0.3), D))
        frame_parts.append(box((0.0, 2.45, -15.05), (3.0, 1.1, 0.3), D))
        frame_parts.append(box((0.0, 2.45, -15.225), (1.9, 0.28, 0.05), D))
    parts.append(("chassis", chassis, merge(*frame_parts)))

    for name, z in WHEEL_Z.items():
        parts.append(("land_wheels_" + name, tire, wheel_set(z, seg)))

    # ---- helium tanks between the frame and the deck ----
    tanks = Mesh()
    tank_r, tank_y = 0.88, 2.78
    for sx in (-1.0, 1.0):
        c0 = np.array([sx * 2.3, tank_y, -13.3])
        c1 = np.array([sx * 2.3, tank_y, -0.9])
        tanks.extend(frustum(c0, c1, tank_r, tank_r, seg, caps=(False, False), density=D))
        tanks.extend(half_dome(c0, tank_r, 0.7, -1.0, seg, 8 if detail else 4))
        tanks.extend(half_dome(c1, tank_r, 0.7, 1.0, seg, 8 if detail else 4))
    parts.append(("tanks", tankm, tanks))

    # ---- body: cab (below the pad), deck sides, fenders, bumper ----
    cab_profile = [(1.0, CHASSIS_TOP), (6.0, CHASSIS_TOP), (6.0, 2.75), (5.25, 3.6), (1.0, 3.6)]
    cab = prism(cab_profile, (0, 0, 1), (0, 1, 0), -3.4, 3.4, density=D)
    deck = box((0.0, (top + DECK_BOTTOM) / 2, (z0 + z1) / 2), (x1 - x0, top - DECK_BOTTOM, z1 - z0), D, faces="xXyzZ")
    # the deck edges show the hazard band at the bottom of the body texture
    deck.uv = [(max(abs(p[0]), abs(p[2])) * 0.12 + p[0] * 0.05, 0.015 + (p[1] - DECK_BOTTOM) / (top - DECK_BOTTOM) * 0.09)
               for p in deck.pos]
    fenders = Mesh()
    for z in WHEEL_Z.values():
        for sx in (-1.0, 1.0):
            fenders.extend(box((sx * 4.3, 3.05, z), (1.0, 0.1, 3.3), D))
            fenders.extend(box((sx * 3.82, 2.45, z), (0.06, 1.2, 3.3), D))
    bumper = box((0.0, 1.55, 6.175), (7.2, 0.5, 0.35), D)
    parts.append(("body", paint, merge(cab, deck, fenders, bumper)))

    windows = []
    slope_n = norm(np.array([0.0, 6.0 - 5.25, 3.6 - 2.75]))
    a = np.array([0.0, 2.85, 6.0 - 0.1 * 0.75 / 0.85]) + slope_n * 0.02
    b = np.array([0.0, 3.5, 5.25 + 0.1 * 0.75 / 0.85]) + slope_n * 0.02
    corners = [a + np.array([-3.0, 0, 0]), a + np.array([3.0, 0, 0]), b + np.array([3.0, 0, 0]),
               b + np.array([-3.0, 0, 0])]
    windows.append(flat_polygon(corners, slope_n, planar_uv(slope_n, D)))
    for sx in (-1.0, 1.0):
        side = [(sx * 3.42, 2.8, 1.7), (sx * 3.42, 2.8, 4.9), (sx * 3.42, 3.4, 4.9), (sx * 3.42, 3.4, 1.7)]
        windows.append(flat_polygon(side, (sx, 0.0, 0.0), planar_uv((sx, 0, 0), D)))
    parts.append(("cab_windows", glassm, merge(*windows)))
    lights = [box((sx * 2.7, 2.25, 6.03), (0.7, 0.35, 0.06), D) for sx in (-1.0, 1.0)]
    if detail:
        lights += [frustum((sx * 2.9, 3.6, 1.6), (sx * 2.9, 3.8, 1.6), 0.14, 0.11, 10) for sx in (-1.0, 1.0)]
    parts.append(("lamps", lamps, merge(*lights)))

    # ---- the landing area: the top of the deck and the crawler's highest surface ----
    pad = Mesh()
    n = np.array([0.0, 1.0, 0.0])
    ids = [pad.vertex((x0, top, z1), n, (0.0, 0.0)), pad.vertex((x1, top, z1), n, (1.0, 0.0)),
           pad.vertex((x1, top, z0), n, (1.0, 1.0)), pad.vertex((x0, top, z0), n, (0.0, 1.0))]
    pad.quad(*ids)
    parts.append(("landingarea", padm, pad))
    return parts


def crawler_file_transform():
    return (lambda p: np.asarray(p) * 10.0 - CRAWLER_OFFSET), (lambda n: np.asarray(n))


# ----------------------------------------------------------------------------------------
# Crystals
# ----------------------------------------------------------------------------------------

CRYSTAL_BASE = 1.237554


def crystal_prism(base, direction, radius, length, sides, bands, tip, twist):
    """A pointed prism: `sides`-gon, `bands` straight sections, a pyramid tip of length
    `tip`, starting a little under the ground so that tilted prisms still meet it."""
    u, v, w = frame(direction)
    m = Mesh()
    rings = []
    heights = [-0.4 + (length + 0.4) * i / bands for i in range(bands + 1)]
    for i, h in enumerate(heights):
        taper = 1.0 - 0.10 * i / max(bands, 1)
        ring = []
        for k in range(sides):
            a = twist + TAU * k / sides
            p = base + w * h + (u * math.cos(a) + v * math.sin(a)) * radius * taper
            ring.append(m.vertex(p, u * math.cos(a) + v * math.sin(a), (k / sides, h)))
        rings.append(ring)
    for i in range(bands):
        for k in range(sides):
            m.quad(rings[i][k], rings[i + 1][k], rings[i + 1][(k + 1) % sides], rings[i][(k + 1) % sides])
    apex = m.vertex(base + w * (length + tip), w, (0.5, length + tip))
    for k in range(sides):
        m.tri(rings[-1][k], rings[-1][(k + 1) % sides], apex)
    bottom = m.vertex(base + w * -0.4, -w, (0.5, 0.0))
    for k in range(sides):
        m.tri(rings[0][(k + 1) % sides], rings[0][k], bottom)
    # per-vertex normals above are only used to orient the triangles; make them faceted
    return faceted(m)


def clip_below_ground(mesh):
    """Lifts vertices that poke below y = 0 back to the ground so the base is flat at 0."""
    for i, p in enumerate(mesh.pos):
        if p[1] < 0.0:
            mesh.pos[i] = np.array([p[0], 0.0, p[2]])
    out = Mesh()
    for a, b, c in mesh.tris:
        pa, pb, pc = mesh.pos[a], mesh.pos[b], mesh.pos[c]
        n = np.cross(pb - pa, pc - pa)
        if np.linalg.norm(n) < 1e-9:
            continue
        ids = [out.vertex(mesh.pos[i], n, mesh.uv[i]) for i in (a, b, c)]
        out.tri(*ids)
    return out


# (azimuth deg, tilt deg, radius, length, tip) of each prism of the cluster
CRYSTAL_LAYOUT = [
    (0, 0, 0.62, 4.3, 1.3),
    (20, 24, 0.45, 3.2, 0.9),
    (95, 30, 0.50, 3.0, 0.9),
    (165, 22, 0.42, 3.4, 1.0),
    (230, 34, 0.38, 2.4, 0.7),
    (300, 26, 0.46, 2.9, 0.8),
    (60, 48, 0.30, 1.7, 0.5),
    (130, 55, 0.26, 1.4, 0.45),
    (270, 52, 0.28, 1.6, 0.5),
]


def build_crystal(level):
    rng = np.random.RandomState(31)
    layout = CRYSTAL_LAYOUT
    if level == 0:
        sides, bands, count = 6, 3, len(layout)
    elif level == 1:
        sides, bands, count = 6, 1, 5
    else:
        sides, bands, count = 4, 1, 2
    cluster = Mesh()
    twists = rng.random_sample(len(layout)) * TAU
    for i, (az, tilt, radius, length, tip) in enumerate(layout[:count]):
        a, t = math.radians(az), math.radians(tilt)
        direction = np.array([math.sin(t) * math.cos(a), math.cos(t), -math.sin(t) * math.sin(a)])
        offset = np.array([math.cos(a), 0.0, -math.sin(a)]) * (0.35 if i else 0.0)
        r = radius * (1.25 if level == 2 else 1.0)
        cluster.extend(crystal_prism(offset, direction, r, length, sides, bands, tip, twists[i]))
    cluster = clip_below_ground(cluster)
    # centre it on the vertical axis
    lo, hi = cluster.bounds()
    shift = np.array([-(lo[0] + hi[0]) / 2, 0.0, -(lo[2] + hi[2]) / 2])
    cluster.pos = [p + shift for p in cluster.pos]
    return cluster


def crystal_file_transform():
    return (lambda p: np.asarray(p) - np.array([0.0, CRYSTAL_BASE, 0.0])), (lambda n: np.asarray(n))


# ----------------------------------------------------------------------------------------
# The EMP bomb
# ----------------------------------------------------------------------------------------

def build_bomb():
    shell_m = Material("plasma_shell", (0.10, 0.30, 0.10), (0.20, 0.95, 0.30), (0.50, 0.50, 0.50), 60.0)
    band_m = Material("casing", (0.06, 0.06, 0.07), (0.28, 0.28, 0.30), (0.60, 0.60, 0.60), 50.0)
    pin_m = Material("pin", (0.15, 0.12, 0.05), (0.75, 0.62, 0.25), (0.80, 0.80, 0.70), 70.0)
    # final units: a ball of radius ~0.47 with a casing cage and a fuse pin
    shell = ellipsoid((0.0, 0.0, 0.0), (0.44, 0.44, 0.44), 24, 16)
    casing = Mesh()
    casing.extend(torus((0, 0, 0), (0, 1, 0), 0.445, 0.035, 32, 8))
    for k in range(3):
        a = math.pi * k / 3
        casing.extend(torus((0, 0, 0), (math.cos(a), 0, math.sin(a)), 0.445, 0.022, 32, 6))
    casing.extend(frustum((0, 0.40, 0), (0, 0.47, 0), 0.16, 0.14, 16))
    casing.extend(frustum((0, -0.47, 0), (0, -0.40, 0), 0.12, 0.16, 16))
    pin = Mesh()
    pin.extend(frustum((0, 0.47, 0), (0, 0.51, 0), 0.05, 0.05, 10))
    pin.extend(torus((0.09, 0.49, 0), (0, 0, 1), 0.04, 0.01, 14, 5))
    # the safety lever, curving down the side from the fuse
    steps = 8
    for i in range(steps):
        a0 = math.radians(72 - 62 * i / steps)
        a1 = math.radians(72 - 62 * (i + 1) / steps)
        p0 = np.array([math.cos(a0), math.sin(a0), 0.0]) * 0.475
        p1 = np.array([math.cos(a1), math.sin(a1), 0.0]) * 0.475
        pin.extend(beam(p0, p1, 0.07, 0.018, up=(math.cos(a0), math.sin(a0), 0.0)))
    return [("plasma_shell", shell_m, shell), ("casing", band_m, casing), ("fuse_pin", pin_m, pin)]


def bomb_file_transform():
    return (lambda p: np.asarray(p) * 2.0), (lambda n: np.asarray(n))


# ----------------------------------------------------------------------------------------

def write_model(models_dir, rel_obj, parts, transform, header):
    obj_path = os.path.join(models_dir, rel_obj)
    mtl_name = os.path.splitext(os.path.basename(rel_obj))[0] + ".mtl"
    to_file, normal_to_file = transform
    write_obj(obj_path, mtl_name, parts, to_file, normal_to_file, header)
    write_mtl(os.path.join(os.path.dirname(obj_path), mtl_name), used_materials(parts))


def main():
    if len(sys.argv) != 2:
        raise SystemExit("usage: gen_models.py <assets dir>")
    models = os.path.join(sys.argv[1], "models")

    make_lander_textures(os.path.join(models, "Lander"))
    write_model(models, "Lander/lander_split.obj", build_lander(), lander_file_transform(),
                "two-stage lander; generated by tools/gen/gen_models.py")

    make_crawler_textures(os.path.join(models, "Mars Explorer", "Maps"))
    write_model(models, "Mars Explorer/Mars_Explorer_new.obj", build_crawler(0), crawler_file_transform(),
                "helium crawler; generated by tools/gen/gen_models.py")
    write_model(models, "Mars Explorer/Mars_Explorer_new_LOD1.obj", build_crawler(1), crawler_file_transform(),
                "helium crawler, far detail; generated by tools/gen/gen_models.py")

    crystal = Material("crystal", (0.10, 0.20, 0.25), (0.40, 0.80, 0.90), (0.90, 0.90, 0.90), 80.0)
    for level, name in enumerate(("crystal.obj", "medium.obj", "very_low.obj")):
        write_model(models, "crystal/" + name, [("crystal_cluster", crystal, build_crystal(level))],
                    crystal_file_transform(), "crystal cluster; generated by tools/gen/gen_models.py")

    write_model(models, "PlasmaGrenade/plasma_grenade.obj", build_bomb(), bomb_file_transform(),
                "EMP bomb; generated by tools/gen/gen_models.py")


if __name__ == "__main__":
    main()
