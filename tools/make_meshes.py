#!/usr/bin/env python3
"""Writes the Talvek's mesh files into addon/Meshes/.

talvek          the full stack: hull, two solar array wings of four folding segments each,
                covers, antennas and docking probe, as the groups the deployment animation moves
talvek-descent  the descent module alone
tlvchute        the main parachute canopy with its lines
tlvdrogue       the drogue parachute canopy with its lines
tlvsat          a small satellite, the payload of the shipped scenarios
tlvstage        a plain stage: a cylinder with an interstage ring, for the stage module
tlvorbit        the orbital module after module separation: its groups of the full stack
tlvservice      the service module after module separation, solar array wings included

Positions are in the design frame: x right, y up, z forward (metres); the two separated modules
are in their own frames, whose origins are where the separation releases them. Run from anywhere:
    python3 tools/make_meshes.py

The files are meant for the simulator's own mesh reader, so every line fits its 256-character
buffer, MATERIAL counts from 1 (0: none), a group has at most 65535 vertices (16-bit indices),
and every group says NONORMAL: the vertex lines carry no normals, the reader computes them.
"""

import math
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "addon", "Meshes")

MATERIALS = [
    ("hull", (0.55, 0.58, 0.52)),
    ("panel", (0.10, 0.15, 0.45)),
    ("metal", (0.80, 0.80, 0.82)),
    ("shield", (0.25, 0.20, 0.15)),
    ("canopy", (0.95, 0.45, 0.10)),
]

# Limits of the simulator's mesh reader.
MAX_LINE = 255          # characters, without the line end
MAX_GROUP_VERTICES = 65535

# Where spacecraft/separation.cpp releases the two modules, in the full stack's frame [m]; each
# module's mesh is its part of the stack moved by minus this, so it appears where it was.
ORBITAL_MODULE_POSITION = (0.45, 0.6, 2.75)
SERVICE_MODULE_POSITION = (0.0, 0.2, -2.2)
# Groups of the full stack that leave with each module. The rest (the descent module's hull and
# periscope) stay with the descent module, which then shows its own mesh, talvek-descent.
ORBITAL_MODULE_GROUPS = [0, 1, 4, 8, 9, 14, 15, 26, 27, 28]
SERVICE_MODULE_GROUPS = [3, 5, 6, 7, 10, 11, 12] + list(range(16, 26))
DESCENT_MODULE_GROUPS = [2, 13]


class Group:
    def __init__(self, label, material):
        self.label = label
        self.material = material
        self.vertices = []
        self.triangles = []

    def add(self, vertices, triangles):
        base = len(self.vertices)
        self.vertices.extend(vertices)
        self.triangles.extend((a + base, b + base, c + base) for a, b, c in triangles)
        return self

    def moved(self, origin):
        """The same group in a frame whose origin is at `origin` of this one."""
        ox, oy, oz = origin
        g = Group(self.label, self.material)
        g.vertices = [(x - ox, y - oy, z - oz) for x, y, z in self.vertices]
        g.triangles = list(self.triangles)
        return g


def box(x0, x1, y0, y1, z0, z1):
    v = [(x, y, z) for z in (z0, z1) for y in (y0, y1) for x in (x0, x1)]
    faces = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]
    t = []
    for a, b, c, d in faces:
        t += [(a, b, c), (a, c, d)]
    return v, t


def frustum(z0, r0, z1, r1, sides=12, cx=0.0, cy=0.0, caps=True):
    v = []
    for z, r in ((z0, r0), (z1, r1)):
        for i in range(sides):
            a = 2 * math.pi * i / sides
            v.append((cx + r * math.cos(a), cy + r * math.sin(a), z))
    t = []
    for i in range(sides):
        j = (i + 1) % sides
        t += [(i, j, sides + j), (i, sides + j, sides + i)]
    if caps:
        v += [(cx, cy, z0), (cx, cy, z1)]
        c0, c1 = 2 * sides, 2 * sides + 1
        for i in range(sides):
            j = (i + 1) % sides
            t += [(c0, j, i), (c1, sides + i, sides + j)]
    return v, t


def dome(radius, height, z0, sides=16, rings=4):
    """A canopy opening towards -z, its apex at z0 + height."""
    v, t = [], []
    for k in range(rings + 1):
        phi = (math.pi / 2) * k / rings
        r = radius * math.cos(phi)
        z = z0 + height * math.sin(phi)
        for i in range(sides):
            a = 2 * math.pi * i / sides
            v.append((r * math.cos(a), r * math.sin(a), z))
    for k in range(rings):
        for i in range(sides):
            j = (i + 1) % sides
            a, b, c, d = k * sides + i, k * sides + j, (k + 1) * sides + j, (k + 1) * sides + i
            t += [(a, b, c), (a, c, d)]
    return v, t


def lines(radius, z_canopy, z_apex, count=8, width=0.03):
    """Suspension lines from the canopy rim down to one point."""
    v, t = [], []
    for i in range(count):
        a = 2 * math.pi * i / count
        x, y = radius * math.cos(a), radius * math.sin(a)
        base = len(v)
        v += [(x, y, z_canopy), (x + width, y, z_canopy), (0.0, 0.0, z_apex)]
        t.append((base, base + 1, base + 2))
    return v, t


def plate_y(x, y0, y1, z0=-0.45, z1=0.45, thickness=0.01):
    """A solar array segment stowed against the hull: a thin plate in the x = const plane."""
    return box(x - thickness / 2, x + thickness / 2, min(y0, y1), max(y0, y1), z0, z1)


def talvek_groups():
    g = {}
    g[0] = Group("docking probe base", "metal").add(*box(-0.15, 0.15, -0.15, 0.15, 4.45, 4.6))
    g[1] = Group("orbital module", "hull").add(*frustum(2.0, 1.0, 4.45, 0.6))
    g[2] = Group("descent module", "hull").add(*frustum(-1.5, 1.1, 0.6, 0.6))
    g[3] = Group("service module", "hull").add(*frustum(-2.64, 1.35, -1.5, 1.35))
    g[4] = Group("docking probe rod", "metal").add(*box(-0.03, 0.03, -0.03, 0.03, 4.6, 4.9))
    g[5] = Group("main engine nozzle", "metal").add(*frustum(-2.95, 0.35, -2.64, 0.15, caps=False))
    g[6] = Group("instrument ring", "hull").add(*frustum(-1.55, 1.4, -1.45, 1.4))
    g[7] = Group("radiator", "metal").add(*box(1.36, 1.38, -0.6, 0.6, -2.5, -1.6))
    g[8] = Group("hatch", "metal").add(*frustum(2.95, 0.35, 3.05, 0.35, cx=0.0, cy=0.95))
    g[9] = Group("window", "metal").add(*box(-0.2, 0.2, -1.02, -0.98, 3.0, 3.3))
    g[10] = Group("thruster pod left", "metal").add(*box(-1.45, -1.3, -0.15, 0.15, -2.6, -2.4))
    g[11] = Group("thruster pod right", "metal").add(*box(1.3, 1.45, -0.15, 0.15, -2.6, -2.4))
    g[12] = Group("rear antenna", "metal").add(*box(-0.74, -0.70, 0.88, 1.5, -2.62, -2.58))
    g[13] = Group("periscope", "metal").add(*box(-0.08, 0.08, -0.7, -0.55, 0.2, 0.5))
    g[14] = Group("side cover", "metal").add(*box(-0.96, -0.92, -0.3, 0.3, 4.11, 4.4))
    g[15] = Group("top cover", "metal").add(*box(-0.3, 0.3, 0.92, 0.96, 4.11, 4.4))
    # Left wing: root segment up from its hinge, then segments folded down, up, down.
    g[16] = Group("left wing 1", "panel").add(*plate_y(-1.10, 0.0, 0.63))
    g[17] = Group("left wing 2", "panel").add(*plate_y(-1.12, 0.63, -0.63))
    g[20] = Group("left wing 3", "panel").add(*plate_y(-1.15, -0.63, 0.63))
    g[19] = Group("left wing 4", "panel").add(*plate_y(-1.18, 0.63, -0.63, z0=-0.45, z1=0.0))
    g[18] = Group("left wing 4 outer", "panel").add(*plate_y(-1.18, 0.63, -0.63, z0=0.0, z1=0.45))
    # Right wing, mirrored.
    g[21] = Group("right wing 1", "panel").add(*plate_y(1.10, 0.0, 0.63))
    g[22] = Group("right wing 2", "panel").add(*plate_y(1.12, 0.63, -0.63))
    g[25] = Group("right wing 3", "panel").add(*plate_y(1.15, -0.63, 0.63))
    g[23] = Group("right wing 4", "panel").add(*plate_y(1.18, 0.63, -0.63, z0=-0.45, z1=0.0))
    g[24] = Group("right wing 4 outer", "panel").add(*plate_y(1.18, 0.63, -0.63, z0=0.0, z1=0.45))
    g[26] = Group("antenna 2", "metal").add(*box(0.78, 0.81, -0.9, -0.48, 4.08, 4.11))
    g[27] = Group("antenna 1", "metal").add(*box(0.55, 0.58, -0.75, -0.35, 4.35, 4.38))
    # Joins the descent module's top to the orbital module's base; it leaves with the orbital module.
    g[28] = Group("orbital module adapter", "hull").add(*frustum(0.6, 0.6, 2.0, 1.0))
    return [g[i] for i in range(len(g))]


def separated_module_groups(indices, origin):
    stack = talvek_groups()
    return [stack[i].moved(origin) for i in indices]


def descent_groups():
    return [
        Group("heat shield", "shield").add(*frustum(-1.55, 1.1, -1.5, 1.1)),
        Group("body", "hull").add(*frustum(-1.5, 1.1, 0.6, 0.6)),
        Group("hatch", "metal").add(*frustum(0.6, 0.35, 0.65, 0.35)),
        Group("periscope", "metal").add(*box(-0.08, 0.08, -0.7, -0.55, 0.2, 0.5)),
    ]


def chute_groups(radius, height, line_length):
    return [
        Group("canopy", "canopy").add(*dome(radius, height, 0.0)),
        Group("lines", "metal").add(*lines(radius, 0.0, -line_length)),
    ]


def satellite_groups():
    return [
        Group("bus", "hull").add(*box(-0.4, 0.4, -0.4, 0.4, -0.5, 0.5)),
        Group("panel left", "panel").add(*box(-1.8, -0.4, -0.01, 0.01, -0.3, 0.3)),
        Group("panel right", "panel").add(*box(0.4, 1.8, -0.01, 0.01, -0.3, 0.3)),
        Group("antenna", "metal").add(*frustum(0.5, 0.05, 0.8, 0.3, caps=False)),
    ]


def stage_groups():
    return [
        Group("tank", "hull").add(*frustum(-2.0, 1.2, 1.6, 1.2)),
        Group("interstage", "metal").add(*frustum(1.6, 1.2, 2.0, 0.9, caps=False)),
    ]


def mesh_lines(groups):
    names = [m[0] for m in MATERIALS]
    out = ["MSHX1", "GROUPS %d" % len(groups)]
    for grp in groups:
        assert grp.vertices and grp.triangles, grp.label
        assert len(grp.vertices) <= MAX_GROUP_VERTICES, grp.label
        out.append("LABEL %s" % grp.label.replace(" ", "_"))
        out.append("MATERIAL %d" % (names.index(grp.material) + 1))  # 1-based; 0 would be none
        out.append("TEXTURE 0")
        out.append("NONORMAL")
        out.append("GEOM %d %d" % (len(grp.vertices), len(grp.triangles)))
        out += ["%.4f %.4f %.4f" % v for v in grp.vertices]
        out += ["%d %d %d" % t for t in grp.triangles]
    out.append("MATERIALS %d" % len(MATERIALS))
    out += names
    for m, (r, g, b) in MATERIALS:
        out.append("MATERIAL %s" % m)
        for _ in range(3):
            out.append("%.2f %.2f %.2f 1" % (r, g, b))
        out.append("0 0 0 1")
    out.append("TEXTURES 0")
    for number, line in enumerate(out, 1):
        assert len(line) <= MAX_LINE, "line %d has %d characters" % (number, len(line))
    return out


def write_mesh(name, groups):
    with open(os.path.join(OUT, name + ".msh"), "w") as f:
        f.write("\n".join(mesh_lines(groups)) + "\n")


def main():
    parts = sorted(ORBITAL_MODULE_GROUPS + SERVICE_MODULE_GROUPS + DESCENT_MODULE_GROUPS)
    assert parts == list(range(len(talvek_groups()))), "every group of the stack goes to one module"
    os.makedirs(OUT, exist_ok=True)
    write_mesh("talvek", talvek_groups())
    write_mesh("talvek-descent", descent_groups())
    write_mesh("tlvchute", chute_groups(radius=12.0, height=5.0, line_length=70.0))
    write_mesh("tlvdrogue", chute_groups(radius=2.5, height=1.2, line_length=70.0))
    write_mesh("tlvsat", satellite_groups())
    write_mesh("tlvstage", stage_groups())
    write_mesh("tlvorbit", separated_module_groups(ORBITAL_MODULE_GROUPS, ORBITAL_MODULE_POSITION))
    write_mesh("tlvservice", separated_module_groups(SERVICE_MODULE_GROUPS, SERVICE_MODULE_POSITION))


if __name__ == "__main__":
    main()
