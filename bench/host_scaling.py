#!/usr/bin/env python3
"""How talvek-sim's load time and memory grow: a measurement, not a test.

  bench/host_scaling.py [--sim BINARY]... [--root ROOT] [--small 300] [--large 3000] [--frames 200000]

Loads generated scenarios of SMALL and LARGE Talveks (--frames 0) and reports the wall time of
each and their ratio (about LARGE/SMALL when loading is linear); then runs long flights without
outputs and reports the maximum resident size of each (the figure of a child started from Python
never falls below the starting process's own, about 14 MB; /usr/bin/time -v gives the program's
alone). Several --sim binaries (for instance a
build of the tree before a change and one after) are measured in the same run, one after the
other, so that their figures can be compared.
"""
import argparse
import os
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SIM = os.path.join(HERE, "..", "build", "default", "bin", "talvek-sim")

RADIUS = 6771010.0  # [m] a 400 km orbit
SPEED = 7672.593    # [m/s] circular at that radius


def talveks(n, cls="Talvek", extra="  CONFIGURATION 0\n  PANELS 0.0\n"):
    """n vessels on one circular orbit, spread along it so that none touch."""
    import math
    ships = []
    for i in range(n):
        a = 2 * math.pi * i / n
        x, z = RADIUS * math.cos(a), RADIUS * math.sin(a)
        vx, vz = -SPEED * math.sin(a), SPEED * math.cos(a)
        ships.append(f"V{i}:{cls}\n  STATUS Orbiting Earth\n  RPOS {x:.3f} 0.000 {z:.3f}\n"
                     f"  RVEL {vx:.4f} 0.0000 {vz:.4f}\n  AROT 0.000 0.000 0.000\n{extra}END\n")
    return "BEGIN_SHIPS\n" + "".join(ships) + "END_SHIPS\n"


def run(sim, root, args):
    """Wall time [s] and maximum resident size [kB] of one run."""
    cmd = [sim, "run"] + args + (["--root", root] if root else [])
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    err = proc.stderr.read().decode()
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"{' '.join(cmd)} failed: {err}")
    return wall, usage.ru_maxrss


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--sim", action="append", help="talvek-sim binary (repeatable)")
    p.add_argument("--root", help="host root (default: the binary's own)")
    p.add_argument("--small", type=int, default=300)
    p.add_argument("--large", type=int, default=3000)
    p.add_argument("--frames", type=int, default=200000, help="frames of the long flight")
    p.add_argument("--vessels", type=int, default=100, help="passive vessels of the crowded flight")
    p.add_argument("--repeat", type=int, default=3, help="load runs per size; the fastest counts")
    a = p.parse_args()
    sims = a.sim or [DEFAULT_SIM]
    with tempfile.TemporaryDirectory(prefix="talvek-scaling-") as tmp:
        files = {}
        for n in (a.small, a.large):
            files[n] = os.path.join(tmp, f"talveks-{n}.scn")
            with open(files[n], "w") as f:
                f.write(talveks(n))
        one = os.path.join(tmp, "one.scn")
        with open(one, "w") as f:
            f.write(talveks(1))
        crowd = os.path.join(tmp, "crowd.scn")
        with open(crowd, "w") as f:
            f.write(talveks(a.vessels, cls="tlvorbit", extra=""))
        for sim in sims:
            print(f"{sim}")
            times = {}
            for n, scn in files.items():
                times[n] = min(run(sim, a.root, [scn, "--frames", "0"])[0] for _ in range(a.repeat))
                print(f"  load {n:6d} Talveks: {times[n]:8.3f} s")
            print(f"  ratio {a.large}/{a.small}: {times[a.large] / times[a.small]:.1f} "
                  f"(linear: {a.large / a.small:.1f})")
            wall, rss = run(sim, a.root, [one, "--frames", str(a.frames), "--frame-dt", "0.1"])
            print(f"  one Talvek, {a.frames} frames of 0.1 s, no outputs: max RSS {rss / 1024:.1f} MB ({wall:.1f} s)")
            frames = a.frames // 10
            wall, rss = run(sim, a.root, [crowd, "--frames", str(frames), "--frame-dt", "0.1"])
            print(f"  {a.vessels} passive vessels, {frames} frames of 0.1 s, no outputs: "
                  f"max RSS {rss / 1024:.1f} MB ({wall:.1f} s)")


if __name__ == "__main__":
    main()
