#!/usr/bin/env python3
"""The comparison of tools/simulator-check.sh on small flights of known outcome, so that it is
checked where no port of the simulator is built: each case is a talvek-sim output and a core
output, the explanations, and the verdict the comparison must reach."""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SIM_END = "talvek-sim: 100 frames, {end} s simulated, 1 vessel\n"
CORE_END = "DRIVER end: {end} s simulated, 100 frames, 1.0 s wall\n"

BASE_SIM = ["0.00 T created Talvek", "1.00 T key K -> 1", "1.00 T log solar arrays deploying"]
BASE_CORE = ["DRIVER 0.00 T created Talvek", "DRIVER 1.00 T key K -> 1", "DRIVER 1.00 T log solar arrays deploying"]

# name, talvek-sim lines, core lines, talvek-sim summary, explanations, exit status, text the table holds
CASES = [
    ("the same events", BASE_SIM, BASE_CORE, "", "", 0, "| T | key K -> 1 | 1.00 | 1.00 | +0.00 s | ok |"),
    ("an event missing in the core", BASE_SIM + ["2.00 T deleted"], BASE_CORE, "", "", 1, "not in the core"),
    ("an event only in the core", BASE_SIM, BASE_CORE + ["DRIVER 2.00 T deleted"], "", "", 1, "only in the core"),
    ("two events in the other order", BASE_SIM + ["5.00 T deleted", "9.00 T key J -> 1"],
     BASE_CORE + ["DRIVER 5.00 T key J -> 1", "DRIVER 9.00 T deleted"], "", "", 1, "**differs**"),
    ("the same moment in another order",
     BASE_SIM + ["50.00 T touchdown -5.50 m/s", "50.01 T log on the ground (configuration 4)"],
     BASE_CORE + ["DRIVER 50.10 T log on the ground (configuration 4)", "DRIVER 50.10 T touchdown -5.40 m/s"],
     "", "", 0, "| T | touchdown | 50.00 (-5.50 m/s) | 50.10 (-5.40 m/s) |"),
    ("numbers in log lines", BASE_SIM + ["3.00 T log landing burn started 1.83 m over the ground"],
     BASE_CORE + ["DRIVER 3.00 T log landing burn started 1.90 m over the ground"], "", "", 0,
     "log landing burn started # m over the ground"),
    ("a time beyond 2 % of the flight", BASE_SIM + ["50.00 T deleted"], BASE_CORE + ["DRIVER 53.00 T deleted"],
     "", "", 1, "+3.00 s, beyond 2.00 s"),
    ("a time within 2 % of the flight", BASE_SIM + ["50.00 T deleted"], BASE_CORE + ["DRIVER 51.90 T deleted"],
     "", "", 0, "| T | deleted | 50.00 | 51.90 | +1.90 s | ok |"),
    ("a touchdown speed beyond 0.3 m/s", BASE_SIM + ["50.00 T touchdown -5.50 m/s"],
     BASE_CORE + ["DRIVER 50.00 T touchdown -5.90 m/s"], "", "", 1, "-0.40 m/s, beyond 0.3"),
    ("a bounce in the core, explained", BASE_SIM + ["50.00 T touchdown -5.50 m/s"],
     BASE_CORE + ["DRIVER 50.00 T touchdown -5.50 m/s", "DRIVER 50.05 T touchdown -4.00 m/s"],
     "", "*  *  extra  touchdown_again  ground-springs", 0, "explained: [ground-springs](#ground-springs)"),
    ("landing places 6 km apart", BASE_SIM + ["60.00 T landed"], BASE_CORE + ["DRIVER 60.00 T landed at 20.0540 E, 10.0000 S"],
     "  T (Talvek): landed at 20.0000 E, 10.0000 S; 1 touchdown", "", 1, "km apart, beyond 5"),
    ("landing places 6 km apart, explained for this vessel", BASE_SIM + ["60.00 T landed"],
     BASE_CORE + ["DRIVER 60.00 T landed at 20.0540 E, 10.0000 S"],
     "  T (Talvek): landed at 20.0000 E, 10.0000 S; 1 touchdown", "case  T  place  landed  earth-frame", 0,
     "explained: [earth-frame](#earth-frame)"),
    ("an explanation for another vessel", BASE_SIM + ["60.00 T landed"],
     BASE_CORE + ["DRIVER 60.00 T landed at 20.0540 E, 10.0000 S"],
     "  T (Talvek): landed at 20.0000 E, 10.0000 S; 1 touchdown", "case  U  place  landed  earth-frame", 1,
     "**differs**"),
    ("script actions and lines of no kind are listed, not compared", BASE_SIM + ["2.00 T script navmode off",
                                                                                 "2.00 T focus"],
     BASE_CORE + ["DRIVER 2.00 T script thrust main 1"], "", "", 0, "| core | 2.00 | T | script thrust main 1 |"),
]


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


class Comparison(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.addCleanup(self.work.cleanup)
        self.run_dir = os.path.join(self.work.name, "runs", "case")
        os.makedirs(self.run_dir)

    def flights(self, sim, core, summary="", core_ends=True):
        write(os.path.join(self.run_dir, "sim.out"), "\n".join(sim) + "\n" + SIM_END.format(end="100.00") +
              (summary + "\n" if summary else ""))
        write(os.path.join(self.run_dir, "core.out"),
              "\n".join(core) + "\n" + (CORE_END.format(end="100.00") if core_ends else ""))

    def compare(self, explained=""):
        """The comparison's exit status and table."""
        write(os.path.join(self.work.name, "explained.txt"), explained + "\n")
        out = os.path.join(self.work.name, "table.md")
        r = subprocess.run([sys.executable, os.path.join(HERE, "compare.py"), "--runs",
                            os.path.join(self.work.name, "runs"), "--explained",
                            os.path.join(self.work.name, "explained.txt"), "--out", out, "case"],
                           capture_output=True, text=True)
        return r.returncode, read(out) if os.path.exists(out) else r.stdout + r.stderr

    def test_cases(self):
        for name, sim, core, summary, explained, status, text in CASES:
            with self.subTest(name):
                self.flights(sim, core, summary)
                code, table = self.compare(explained)
                self.assertEqual(code, status, table)
                self.assertIn(text, table)

    def test_refused_file_is_a_difference_of_its_own(self):
        self.flights(BASE_SIM, BASE_CORE)
        write(os.path.join(self.run_dir, "sim-refusal.err"), "/x/scenario.scn:8: 'Help X' is not an environment line\n")
        write(os.path.join(self.run_dir, "removed"), "8   Help X\n")
        for explained, status in (("", 1), ("case  -  load  load  core-save-lines", 0)):
            with self.subTest(explained=explained):
                code, table = self.compare(explained)
                self.assertEqual(code, status, table)
                self.assertIn("talvek-sim flew it without 1 lines (8: `Help X`)", table)

    def test_a_flight_that_did_not_end_fails(self):
        self.flights(BASE_SIM, BASE_CORE, core_ends=False)
        code, table = self.compare()
        self.assertEqual(code, 1)
        self.assertIn("the core stopped before the driver ended the flight", table)


if __name__ == "__main__":
    unittest.main()
