#!/usr/bin/env python3
"""Sets the flights of tools/simulator-check.sh side by side and writes the comparison table.

Each run folder holds talvek-sim's output (sim.out: its --events lines and its summary) and the
core's (core.out: the driver's DRIVER lines). Both are read into one vocabulary of events; per
vessel the events that count are aligned in order, and each pair is held against the tolerances
below. docs/simulator-comparison.md says what counts and why.

    compare.py --runs DIR --explained FILE --out FILE [--docs FILE] [--project DIR] [--port DIR] NAME...
    compare.py --end-time SIM_OUT [--extra SECONDS --share FRACTION]

Exit status: 0 every difference within its tolerance or explained; 1 otherwise.
"""
import argparse
import datetime
import difflib
import fnmatch
import math
import os
import re
import subprocess
import sys

TIME_SHARE = 0.02         # event times agree within this share of the flight's length
SPEED_TOLERANCE = 0.3     # [m/s] touchdown vertical speeds
PLACE_TOLERANCE = 5.0     # [km] landing places
SAME_MOMENT = 0.2         # [s] events of a vessel this close follow each other in no fixed order
EARTH_RADIUS_KM = 6371.01
DEFAULT_FLIGHT = 3600.0   # [s] the core's limit when talvek-sim gave no length
BEGIN_MARK = "<!-- simulator-check: the table below is written by tools/simulator-check.sh -->"
END_MARK = "<!-- simulator-check: end of the table -->"

SIM_EVENT = re.compile(r"^(-?\d+\.\d+) (\S+) (.*)$")
SIM_END = re.compile(r"^talvek-sim: (\d+) frames?, ([\d.]+) s simulated")
SIM_VESSEL = re.compile(r"^  (\S+) \(([^)]*)\): (.*)$")
CORE_EVENT = re.compile(r"^DRIVER (-?\d+\.\d+) (\S+) (.*)$")
CORE_END = re.compile(r"^DRIVER end: ([\d.]+) s simulated, (\d+) frames")
PLACE = re.compile(r"([\d.]+) ([EW]), ([\d.]+) ([NS])")
NUMBER = re.compile(r"-?\d+(\.\d+)?")
SOURCE_LINE = re.compile(r" \([^()]*:\d+\)$")  # talvek-sim's " (FILE:LINE)" after a load-time line


class Event:
    def __init__(self, t, vessel, text):
        self.t, self.vessel, self.text = t, vessel, text
        self.kind, self.key, self.speed, self.place = classify(text)
        if self.kind == "timeacc":
            self.vessel = "(host)"  # one time acceleration for the whole host

    def shown(self):
        s = f"{self.t:.2f}"
        if self.speed is not None:
            s += f" ({self.speed:+.2f} m/s)"
        if self.place is not None:
            s += f" at {format_place(self.place)}"
        return s


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def parse_place(text):
    m = PLACE.search(text)
    if not m:
        return None
    lng = float(m.group(1)) * (-1 if m.group(2) == "W" else 1)
    lat = float(m.group(3)) * (-1 if m.group(4) == "S" else 1)
    return (lng, lat)


def format_place(p):
    return f"{abs(p[0]):.2f} {'W' if p[0] < 0 else 'E'}, {abs(p[1]):.2f} {'S' if p[1] < 0 else 'N'}"


def distance_km(a, b):
    la1, la2 = math.radians(a[1]), math.radians(b[1])
    dl = math.radians(b[0] - a[0])
    c = math.sin(la1) * math.sin(la2) + math.cos(la1) * math.cos(la2) * math.cos(dl)
    return EARTH_RADIUS_KM * math.acos(max(-1.0, min(1.0, c)))


def classify(text):
    """(kind, key, speed, place): key is what must agree between the hosts."""
    m = re.match(r"^touchdown (-?[\d.]+) m/s", text)
    if m:
        return "touchdown", "touchdown", float(m.group(1)), None
    if text == "landed" or text.startswith("landed at "):
        return "landed", "landed", None, parse_place(text)
    if text.startswith("created "):
        return "created", text, None, None
    if text == "landed flag cleared":
        return "unlanded", text, None, None
    if text == "deleted":
        return "deleted", text, None, None
    m = re.match(r"^key (\S+) -> (-?\d+)", text)
    if m:
        return "key", f"key {m.group(1)} -> {m.group(2)}", None, None
    if text.startswith("log "):
        line = SOURCE_LINE.sub("", text[4:])
        return "log", "log " + NUMBER.sub("#", line), None, None
    m = re.match(r"^timeacc (\S+) \(module\)", text)
    if m:
        return "timeacc", f"timeacc {m.group(1)} (module)", None, None
    if text.startswith("rebuilt "):
        return "rebuilt", text, None, None
    if re.match(r"^timeacc \S+ \(script\)|^script |^focus", text):
        return "input", text, None, None
    if text.startswith("end "):
        return "end", text, None, parse_place(text) if "landed" in text else None
    if text.startswith("debug "):
        return "debug", text, None, None
    return "other", text, None, None


class Flight:
    def __init__(self):
        self.events, self.end, self.frames, self.summary, self.error = [], None, None, {}, ""


def read_sim(path, err_path):
    f = Flight()
    if not os.path.exists(path):
        f.error = "talvek-sim did not run"
        return f
    for line in read(path).splitlines():
        m = SIM_END.match(line)
        if m:
            f.frames, f.end = int(m.group(1)), float(m.group(2))
            continue
        m = SIM_VESSEL.match(line)
        if m and f.end is not None:
            f.summary[m.group(1)] = m.group(3).split(";")[0]
            continue
        m = SIM_EVENT.match(line)
        if m and f.end is None:
            f.events.append(Event(float(m.group(1)), m.group(2), m.group(3)))
    if os.path.exists(err_path):
        errors = [l.strip() for l in read(err_path).splitlines()
                  if l.strip() and not l.startswith("talvek-sim: log:") and "warning" not in l]
        if errors and f.end is None:
            f.error = errors[-1]
    return f


def read_core(path):
    f = Flight()
    if not os.path.exists(path):
        f.error = "the core did not run"
        return f
    for line in read(path).splitlines():
        m = CORE_END.match(line)
        if m:
            f.end, f.frames = float(m.group(1)), int(m.group(2))
            continue
        m = CORE_EVENT.match(line)
        if m:
            e = Event(float(m.group(1)), m.group(2), m.group(3))
            if e.kind == "end":
                f.summary[e.vessel] = e.text[4:]
            elif e.kind != "debug":
                f.events.append(e)
        elif line.startswith("DRIVER error"):
            f.error = line[7:]
    if f.end is None and not f.error:
        f.error = "the core stopped before the driver ended the flight"
    return f


def label_bounces(events):
    """A vessel's touchdowns after its first are bounces (or a landing after a lift-off); a new
    vessel of an old one's name starts afresh."""
    seen = set()
    for e in events:
        if e.kind == "created":
            seen.discard(e.vessel)
        if e.kind == "touchdown":
            if e.vessel in seen:
                e.key = "touchdown again"
            seen.add(e.vessel)


def compared(events, rebuilding):
    """The events that must agree, per vessel, in order; rebuilds only for vessels whose module
    rebuilds them in talvek-sim (the driver also sees a passive vessel's first shape), each
    shape once."""
    out, last_shape = {}, {}
    for e in events:
        if e.kind in ("input", "other", "end", "debug"):
            continue
        if e.kind == "rebuilt":
            if e.vessel not in rebuilding or last_shape.get(e.vessel) == e.key:
                continue
            last_shape[e.vessel] = e.key
        out.setdefault(e.vessel, []).append(e)
    # Events of one moment have no order between them that both hosts share: the core's driver
    # sees a touchdown at the next frame's start, after the module's own reaction in its step,
    # and talvek-sim notes it within a substep, before the step's end. Events that follow each
    # other within SAME_MOMENT are taken in the order of their keys.
    for vessel, events in out.items():
        ordered, group = [], []
        for e in events:
            if group and e.t - group[-1].t > SAME_MOMENT:
                ordered += sorted(group, key=lambda g: g.key)
                group = []
            group.append(e)
        out[vessel] = ordered + sorted(group, key=lambda g: g.key)
    return out


class Rules:
    def __init__(self, path):
        self.rules = []
        if not path or not os.path.exists(path):
            return
        for n, line in enumerate(read(path).splitlines(), 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            parts = line.split()
            if len(parts) != 5:
                sys.exit(f"{path}:{n}: expected 'SCENARIO VESSEL CHECK EVENT REASON'")
            self.rules.append(parts)

    def explain(self, scenario, vessel, check, key):
        for s, v, c, k, reason in self.rules:
            if fnmatch.fnmatchcase(scenario, s) and fnmatch.fnmatchcase(vessel, v) and c == check and \
                    fnmatch.fnmatchcase(key, k.replace("_", " ")):
                return reason
        return None


class Row:
    def __init__(self, vessel, event, sim, core, difference, verdict, status):
        self.cells = [vessel, event, sim, core, difference, verdict]
        self.status = status  # "ok", "explained", "differs", "shown"


class Result:
    def __init__(self, name):
        self.name, self.rows, self.what, self.note = name, [], "", ""
        self.counts = {"ok": 0, "explained": 0, "differs": 0}
        self.largest_time = 0.0
        self.touchdowns, self.places = [], []
        self.failed = False


def verdict_for(rules, scenario, vessel, checks, key):
    """checks: [(check name, description)] that failed; all must be explained."""
    if not checks:
        return "ok", "ok"
    reasons = []
    for check, description in checks:
        reason = rules.explain(scenario, vessel, check, key)
        if not reason:
            return "differs", "**differs**: " + "; ".join(d for _, d in checks)
        reasons.append(reason)
    links = ", ".join(f"[{r}](#{r})" for r in dict.fromkeys(reasons))
    return "explained", "explained: " + links


def compare_run(name, runs, rules):
    r = Result(name)
    d = os.path.join(runs, name)
    if os.path.exists(os.path.join(d, "what")):
        r.what = read(os.path.join(d, "what")).strip()
    if os.path.exists(os.path.join(d, "failure")):
        r.note = read(os.path.join(d, "failure")).strip()
    sim = read_sim(os.path.join(d, "sim.out"), os.path.join(d, "sim.err"))
    core = read_core(os.path.join(d, "core.out"))
    if sim.error or core.error or r.note:
        r.failed = True
        r.note = "; ".join(x for x in (r.note, sim.error and "talvek-sim: " + sim.error,
                                        core.error and "the core: " + core.error) if x)
    removed = os.path.join(d, "removed")
    if os.path.exists(removed) and os.path.getsize(removed) > 0:
        refusal = read(os.path.join(d, "sim-refusal.err")).strip()
        refusal = refusal.splitlines()[-1] if refusal else "refused"
        lines = [l.split(" ", 1) for l in read(removed).splitlines()]
        taken = "; ".join(f"{n}: `{t.strip()}`" for n, t in lines)
        status, verdict = verdict_for(rules, name, "-", [("load", "talvek-sim refused the file")], "load")
        r.counts[status] += 1
        r.rows.append(Row("-", "the file as the core saved it", "refused: " + os.path.basename(refusal.split(":")[0]) +
                          ":" + refusal.split(":", 1)[1] if ":" in refusal else refusal, "loaded",
                          f"talvek-sim flew it without {len(lines)} lines ({taken})", verdict, status))
    label_bounces(sim.events)
    label_bounces(core.events)
    flight = sim.end or core.end or 0.0
    r.time_tolerance = TIME_SHARE * flight
    r.sim_end, r.core_end, r.sim_frames, r.core_frames = sim.end, core.end, sim.frames, core.frames
    rebuilding = {e.vessel for e in sim.events if e.kind == "rebuilt"}
    a, b = compared(sim.events, rebuilding), compared(core.events, rebuilding)
    # Landing places: a landed event of talvek-sim gets the place of its summary line.
    for e in sim.events:
        if e.kind == "landed" and e.place is None:
            e.place = parse_place(sim.summary.get(e.vessel, "")) if "landed" in sim.summary.get(e.vessel, "") else None

    def add(vessel, key, s, c, checks, show_only=False):
        if show_only:
            r.rows.append(Row(vessel, key, s.shown() if s else "—", c.shown() if c else "—", "", "", "shown"))
            return
        status, verdict = verdict_for(rules, name, vessel, checks, key)
        r.counts[status] += 1
        diffs = []
        if s and c:
            diffs.append(f"{c.t - s.t:+.2f} s")
            if s.speed is not None and c.speed is not None:
                diffs.append(f"{c.speed - s.speed:+.2f} m/s")
            if s.place is not None and c.place is not None:
                diffs.append(f"{distance_km(s.place, c.place):.1f} km")
        elif s:
            diffs.append("not in the core")
        else:
            diffs.append("only in the core")
        r.rows.append(Row(vessel, key, s.shown() if s else "—", c.shown() if c else "—", ", ".join(diffs),
                          verdict, status))

    vessels = list(dict.fromkeys([e.vessel for e in sim.events if e.vessel in a] +
                                 [e.vessel for e in core.events if e.vessel in b]))
    for vessel in vessels:
        sa, cb = a.get(vessel, []), b.get(vessel, [])
        matcher = difflib.SequenceMatcher(None, [e.key for e in sa], [e.key for e in cb], autojunk=False)
        for op, i1, i2, j1, j2 in matcher.get_opcodes():
            if op == "equal":
                for s, c in zip(sa[i1:i2], cb[j1:j2]):
                    checks = []
                    dt = abs(c.t - s.t)
                    r.largest_time = max(r.largest_time, dt)
                    if dt > r.time_tolerance:
                        checks.append(("time", f"{c.t - s.t:+.2f} s, beyond {r.time_tolerance:.2f} s"))
                    if s.speed is not None and c.speed is not None:
                        if s.key == "touchdown":
                            r.touchdowns.append((vessel, s.speed, c.speed))
                        if abs(c.speed - s.speed) > SPEED_TOLERANCE:
                            checks.append(("speed", f"{c.speed - s.speed:+.2f} m/s, beyond {SPEED_TOLERANCE}"))
                    if s.place is not None and c.place is not None:
                        km = distance_km(s.place, c.place)
                        r.places.append((vessel, km))
                        if km > PLACE_TOLERANCE:
                            checks.append(("place", f"{km:.0f} km apart, beyond {PLACE_TOLERANCE:g}"))
                    add(vessel, s.key, s, c, checks)
            else:
                for s in sa[i1:i2]:
                    add(vessel, s.key, s, None, [("missing", "not in the core")])
                for c in cb[j1:j2]:
                    add(vessel, c.key, None, c, [("extra", "only in the core")])
    # Where each vessel is at the end of both flights.
    for vessel in dict.fromkeys(list(sim.summary) + list(core.summary)):
        s, c = sim.summary.get(vessel), core.summary.get(vessel)
        if s is None or c is None:
            continue
        ps = parse_place(s) if s.startswith("landed") else None
        pc = parse_place(c) if c.startswith("landed") else None
        if ps and pc and not any(row.cells[0] == vessel and row.cells[1] == "landed" for row in r.rows):
            km = distance_km(ps, pc)
            r.places.append((vessel, km))
            checks = [("place", f"{km:.0f} km apart, beyond {PLACE_TOLERANCE:g}")] if km > PLACE_TOLERANCE else []
            status, verdict = verdict_for(rules, name, vessel, checks, "end landed")
            r.counts[status] += 1
            r.rows.append(Row(vessel, "at the end: landed", format_place(ps), format_place(pc), f"{km:.1f} km",
                              verdict, status))
        else:
            r.rows.append(Row(vessel, "at the end", s, c, "", "", "shown"))
    # The inputs and the rest, for reading the flight: not compared.
    r.inputs = ([(e.t, e.vessel, e.text) for e in sim.events if e.kind in ("input", "other")],
                [(e.t, e.vessel, e.text) for e in core.events if e.kind in ("input", "other")])
    return r


def git(project, *args):
    try:
        return subprocess.run(["git", "-C", project, *args], capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return ""


def flown(project):
    """When and at which commit the flights were flown: date, commit, subject, changes."""
    commit = git(project, "rev-parse", "--short", "HEAD") or "unknown"
    subject = git(project, "log", "-1", "--format=%s")
    dirty = "dirty" if git(project, "status", "--porcelain", "--untracked-files=no") else "clean"
    now = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    return [now, commit, subject, dirty]


def header(runs, project, port):
    path = os.path.join(runs, "flown.txt")
    when, commit, subject, dirty = (read(path).split("\n")[:4]
                                    if os.path.exists(path) else flown(project))
    changes = " with changes not committed" if dirty == "dirty" else ""
    core = "unknown"
    if port and os.path.exists(os.path.join(port, "port-revision")):
        core = read(os.path.join(port, "port-revision")).strip()
    return (f"Last run: {when}. talvek-sim and the modules at commit `{commit}`{changes} ({subject}); "
            f"the core: the Linux port at `{core}`.\n\n"
            f"Tolerances: the same events in the same order, per vessel; event times within "
            f"{TIME_SHARE * 100:g} % of the flight's length in talvek-sim; touchdown speeds within "
            f"{SPEED_TOLERANCE} m/s; landing places within {PLACE_TOLERANCE:g} km.\n")


def cell(text):
    return str(text).replace("|", "\\|")


def render(results, runs, project, port):
    out = [header(runs, project, port),
           "| flight | what it shows | compared | within tolerance | explained | differs | largest time difference | "
           "touchdowns (talvek-sim / core) | landing places apart |",
           "|---|---|---|---|---|---|---|---|---|"]
    for r in results:
        total = sum(r.counts.values())
        tds = "; ".join(f"{v} {s:+.2f} / {c:+.2f}" for v, s, c in r.touchdowns) or "—"
        tol = f" (tolerance {r.time_tolerance:.1f} s)" if total else ""
        flight = f"[{r.name}](#flight-{r.name})"
        if r.failed:
            flight += " (failed)"
        apart = "; ".join(f"{v} {km:.1f} km" for v, km in r.places) or "—"
        out.append(f"| {flight} | {cell(r.what)} | {total} | {r.counts['ok']} | {r.counts['explained']} | "
                   f"{r.counts['differs']} | {r.largest_time:.2f} s{tol} | {cell(tds)} | {cell(apart)} |")
    for r in results:
        out += ["", f"### Flight {r.name}", ""]
        if r.what:
            out.append(r.what + ".")
        ends = []
        if r.sim_end is not None:
            ends.append(f"talvek-sim flew {r.sim_end:.2f} s in {r.sim_frames} frames")
        if r.core_end is not None:
            ends.append(f"the core {r.core_end:.2f} s in {r.core_frames} frames")
        if ends:
            out.append("; ".join(ends) + f"; times within {r.time_tolerance:.2f} s.")
        if r.note:
            out.append(f"\n**Failed**: {cell(r.note)}")
        out += ["", "| vessel | event | talvek-sim | core | difference | verdict |", "|---|---|---|---|---|---|"]
        for row in r.rows:
            out.append("| " + " | ".join(cell(c) for c in row.cells) + " |")
        sim_in, core_in = r.inputs
        if sim_in or core_in:
            out += ["", "<details><summary>the script's actions and other lines, not compared</summary>", "",
                    "| host | time | vessel | line |", "|---|---|---|---|"]
            out += [f"| talvek-sim | {t:.2f} | {cell(v)} | {cell(x)} |" for t, v, x in sim_in]
            out += [f"| core | {t:.2f} | {cell(v)} | {cell(x)} |" for t, v, x in core_in]
            out += ["", "</details>"]
    return "\n".join(out) + "\n"


def update_docs(path, table):
    text = read(path)
    start, end = text.find(BEGIN_MARK), text.find(END_MARK)
    if start < 0 or end < start:
        sys.exit(f"{path}: no '{BEGIN_MARK}' ... '{END_MARK}' to write the table between")
    text = text[:start + len(BEGIN_MARK)] + "\n\n" + table + "\n" + text[end:]
    tmp = path + ".new"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--end-time")
    p.add_argument("--extra", type=float)
    p.add_argument("--share", type=float)
    p.add_argument("--runs")
    p.add_argument("--explained")
    p.add_argument("--out")
    p.add_argument("--docs")
    p.add_argument("--project", default=".")
    p.add_argument("--port")
    p.add_argument("--flown", help="write when and at which commit the flights are flown into this file")
    p.add_argument("names", nargs="*")
    a = p.parse_args()
    if a.flown:
        with open(a.flown, "w", encoding="utf-8") as f:
            f.write("\n".join(flown(a.project)) + "\n")
        return 0
    if a.end_time:
        end = read_sim(a.end_time, "").end
        if a.extra is None:
            print(f"{end:.2f}" if end is not None else "none")
        else:
            end = end if end is not None else DEFAULT_FLIGHT
            print(f"{end + max(a.extra, a.share * end):.2f}")
        return 0
    rules = Rules(a.explained)
    results = [compare_run(n, a.runs, rules) for n in a.names]
    table = render(results, a.runs, a.project, a.port)
    with open(a.out, "w", encoding="utf-8") as f:
        f.write(table)
    if a.docs:
        update_docs(a.docs, table)
    for r in results:
        state = "FAILED" if r.failed else ("differs" if r.counts["differs"] else "ok")
        print(f"  {r.name}: {state}: {sum(r.counts.values())} compared, {r.counts['ok']} within tolerance, "
              f"{r.counts['explained']} explained, {r.counts['differs']} differ")
    return 1 if any(r.failed or r.counts["differs"] for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
