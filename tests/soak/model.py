#!/usr/bin/env python3
"""The soak's independent model: what must run, at which event, for the
command mix (commands.txt) driven through the event script (events.txt).
It keeps its own calendar (Python's dates) and follows the product's rules:

- a power-on runs every power-on command; at the first power-on of a date
  (the last-run date differs) also the first-of-day commands and the
  scheduled first-power-on commands due that date; the date is then stored;
- a reset runs the reset commands, then the program starts resident and
  registers its next timed run;
- every run, and every timed moment that passed without its run, adds a
  line to the run history: its trigger ("timed, due ..." when the clock had
  passed the moment), name, kind and outcome;
- the timed registration holds the earliest next run of the timed commands,
  with the names due then (file order); when the clock reaches or passes it
  (the device up), those commands run, a Once among them is deleted, and the
  next run is computed from the clock at that moment: moments passed on the
  way are not run;
- a next run starts today when its time of day is later than the clock's
  minute, else tomorrow; weekly on the next named weekday, a set naming no
  weekday seven days after that starting day; monthly on the day (months
  without it skipped) or the nth weekday (months without it skipped);
  yearly on the date (29 February in leap years only) or the nth weekday of
  the month; Once on its date, passed or not; an unknown recurrence daily.
  At first power-on a set naming no weekday and an unknown recurrence are
  never due.

  model.py events                       print the event script
  model.py forecast START DAYS          what must run over DAYS days from START ("YYYY-MM-DD HH:MM")
  model.py report SEEN EXISTING HISTORY compare the runs seen, the commands left and the run history's
                                        lines with the model; exit 1 on a difference
"""
import datetime as dt
import os
import random
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ONE_DAY = dt.timedelta(days=1)


def load_commands():
    commands = []
    for line in open(os.path.join(HERE, "commands.txt")):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        name, trigger = line.split("|")
        commands.append(parse(name, trigger))
    return commands


def parse(name, trigger):
    c = {"name": name}
    if trigger in ("power-on", "first-of-day", "reset"):
        c["trigger"] = trigger
        return c
    parts = trigger.split("@")
    c["trigger"] = "schedule"
    c["first"] = parts[-1] == "first"
    if not c["first"]:
        h, m = parts[-1].split(":")
        c["time"] = (int(h), int(m))
    kind = parts[0]
    if kind == "daily":
        c["rec"] = "daily"
    elif kind == "weekly":
        c["rec"], c["mask"] = "weekly", int(parts[1])
    elif kind == "once":
        y, mo, d = map(int, parts[1].split("-"))
        c["rec"], c["date"] = "once", dt.date(y, mo, d)
    elif kind == "monthly" and parts[1] == "day":
        c["rec"], c["day"] = "monthday", int(parts[2])
    elif kind == "monthly":
        c["rec"], c["nth"], c["wd"] = "monthweek", int(parts[2]), int(parts[3])
    elif kind == "yearly" and parts[1] == "date":
        c["rec"], c["month"], c["day"] = "yeardate", int(parts[2]), int(parts[3])
    elif kind == "yearly":
        c["rec"], c["nth"], c["wd"], c["month"] = "yearweek", int(parts[2]), int(parts[3]), int(parts[4])
    elif kind == "recurrence":
        c["rec"] = "unknown"
    return c


def weekday(d):
    return (d.weekday() + 1) % 7   # 0 = Sunday


def names_day(c, d):
    """Whether the schedule names the date (the calendar rule, both paths)."""
    r = c["rec"]
    if r == "daily":
        return True
    if r == "weekly":
        return bool(c["mask"] >> weekday(d) & 1)
    if r == "monthday":
        return d.day == c["day"]
    if r == "monthweek":
        return weekday(d) == c["wd"] and (d.day - 1) // 7 == c["nth"]
    if r == "yeardate":
        return d.month == c["month"] and d.day == c["day"]
    if r == "yearweek":
        return d.month == c["month"] and weekday(d) == c["wd"] and (d.day - 1) // 7 == c["nth"]
    if r == "once":
        return d == c["date"]
    return False


def due_at_first_power_on(c, d):
    return names_day(c, d)   # no weekday named and unknown recurrences: never


def next_run(c, now):
    h, m = c["time"]
    if c["rec"] == "once":
        return dt.datetime.combine(c["date"], dt.time(h, m))
    start = now.date()
    if h * 60 + m <= now.hour * 60 + now.minute:
        start += ONE_DAY
    if c["rec"] == "unknown":
        day = start
    elif c["rec"] == "weekly" and c["mask"] & 0x7F == 0:
        day = start + 7 * ONE_DAY
    else:
        day = start
        for _ in range(3000):
            if names_day(c, day):
                break
            day += ONE_DAY
        else:
            return None
    return dt.datetime.combine(day, dt.time(h, m))


def timed(c):
    return c["trigger"] == "schedule" and not c["first"]


class Device:
    def __init__(self, commands):
        self.commands = list(commands)
        self.last_run = None
        self.registered = None   # (moment, [names])
        self.up = False
        self.clock = None
        self.runs = []           # names run by the present event
        self.history = []        # its lines in the run history: (trigger, name, kind, outcome)

    def run(self, c, trigger):
        self.runs.append(c["name"])
        self.history.append((trigger, c["name"], "launch", "started"))

    # A timed run after its moment says, for each timed command but a Once,
    # which of its moments from that one to the clock did not run: the
    # commands due at the moment make them up in their one run, the others
    # not at all.
    def missed_moments(self, moment, names):
        for c in self.commands:
            if not timed(c) or c["rec"] == "once":
                continue
            missed, start = [], moment
            while len(missed) < 100:
                nxt = next_run(c, start)
                if nxt is None or nxt > self.clock or nxt <= start:
                    break
                missed.append(nxt)
                start = nxt
            for m in missed:
                if c["name"] in names:
                    n = len(missed) + 1
                    made = "%d moment%s %s made up by one run" % (n, "" if n == 1 else "s", "was" if n == 1 else "were")
                else:
                    made = "it was not made up"
                self.history.append(("timed, due " + m.strftime("%Y-%m-%d %H:%M"), c["name"], "launch",
                                     "not run: its moment passed while the device was off; " + made))

    def schedule(self):
        best, names = None, []
        for c in self.commands:
            if not timed(c):
                continue
            moment = next_run(c, self.clock)
            if moment is None:
                continue
            if best is None or moment < best:
                best, names = moment, [c["name"]]
            elif moment == best:
                names.append(c["name"])
        self.registered = (best, names) if best else None

    # The service fires a registration whose moment the clock has reached.
    def fire_due(self):
        while self.up and self.registered and self.registered[0] <= self.clock:
            moment, names = self.registered
            self.registered = None
            trigger = "timed"
            if moment < self.clock.replace(second=0):
                trigger = "timed, due " + moment.strftime("%Y-%m-%d %H:%M")
                self.missed_moments(moment, names)
            for name in names:
                found = [c for c in self.commands if c["name"] == name]
                if found:
                    self.run(found[0], trigger)
                    if found[0]["rec"] == "once":
                        self.commands.remove(found[0])
            self.schedule()

    def power_on(self):
        today = self.clock.date()
        first = self.last_run != today
        for c in self.commands:
            if c["trigger"] == "power-on":
                self.run(c, "power-on")
            elif c["trigger"] == "first-of-day" and first:
                self.run(c, "first power-on of the day")
            elif c["trigger"] == "schedule" and c["first"] and first and due_at_first_power_on(c, today):
                self.run(c, "first power-on of the day")
        self.last_run = today

    def boot(self):
        self.up = True
        self.fire_due()   # what fell due while the device was down
        for c in self.commands:
            if c["trigger"] == "reset":
                self.run(c, "reset")
        self.resident_start()

    def resident_start(self):
        self.schedule()
        self.fire_due()

    def event(self, words):
        self.runs = []
        self.history = []
        verb = words[0]
        if verb == "clock":
            self.clock = dt.datetime.strptime(" ".join(words[1:]), "%Y-%m-%d %H:%M")
            self.fire_due()
        elif verb == "start":
            self.up = True
            self.resident_start()
        elif verb == "power-on":
            self.power_on()
        elif verb in ("reset", "up"):
            self.boot()
        elif verb == "down":
            self.up = False
        return self.runs


def read_events():
    return [line.split() for line in open(os.path.join(HERE, "events.txt")) if line.strip() and not line.startswith("#")]


# --- the event script -------------------------------------------------------

FIRST_DAY = dt.date(2027, 12, 31)
LAST_DAY = dt.date(2028, 2, 29)
OFF_DAY = dt.date(2028, 1, 20)        # the device stays off all day
SET_BACK_AFTER = dt.date(2028, 2, 8)  # that evening the clock goes back a day


def make_events():
    rng = random.Random(15)
    commands = load_commands()
    out = ["# Made by model.py events: the soak's 60 days, one device verb a line.",
           "clock 2027-12-31 06:00", "start"]
    day = FIRST_DAY
    index = 0
    while day <= LAST_DAY:
        if day == OFF_DAY:
            day += ONE_DAY
            continue
        index += 1
        points = {}
        # Just after each timed moment named today; on some days two
        # moments are passed in one step.
        moments = sorted({c["time"] for c in commands if timed(c) and
                          (names_day(c, day) or c["rec"] in ("unknown",) or
                           (c["rec"] == "weekly" and c["mask"] & 0x7F == 0))})
        if index % 6 == 0 and len(moments) > 1:
            moments = moments[1:]
        for h, m in moments:
            t = h * 60 + m + 1
            points[t] = "clock"
        # Two or three power-ons at varying hours, away from the moments.
        for _ in range(rng.choice((2, 2, 3))):
            while True:
                t = rng.randrange(6 * 60, 23 * 60 + 30)
                if all(abs(t - (h * 60 + m)) > 5 for h, m in moments) and t not in points:
                    break
            points[t] = "power-on"
        if index % 9 == 4:
            t = rng.randrange(8 * 60, 20 * 60)
            while t in points:
                t += 7
            points[t] = "reset"
        for t in sorted(points):
            out.append("clock %s %02d:%02d" % (day.isoformat(), t // 60, t % 60))
            if points[t] != "clock":
                out.append(points[t])
        if day + ONE_DAY == OFF_DAY:
            out += ["down", "clock %s 06:50" % (OFF_DAY + ONE_DAY).isoformat(), "up"]
        if day == SET_BACK_AFTER:
            out += ["clock %s 20:30" % (day - ONE_DAY).isoformat(), "power-on"]
        day += ONE_DAY
    return out


# --- forecast and report ----------------------------------------------------

def forecast(start, days):
    """What must run from START over DAYS dates, if nothing but the clock moved."""
    commands = load_commands()
    last = start.date() + (days - 1) * ONE_DAY
    lines = []
    for c in commands:
        if c["trigger"] == "first-of-day" or (c["trigger"] == "schedule" and c["first"]):
            for k in range(days):
                d = start.date() + k * ONE_DAY
                if c["trigger"] == "first-of-day" or due_at_first_power_on(c, d):
                    lines.append((d.isoformat(), "first power-on", c["name"]))
        elif c["trigger"] in ("power-on", "reset"):
            lines.append(("every power-on" if c["trigger"] == "power-on" else "after a reset", "", c["name"]))
    # The timed runs as the device makes them: each registration's moment,
    # then everything computed again from there.
    device = Device(commands)
    device.clock = start
    while True:
        device.schedule()
        if not device.registered or device.registered[0].date() > last:
            break
        moment, names = device.registered
        for name in names:
            lines.append((moment.date().isoformat(), moment.strftime("%H:%M"), name))
        device.commands = [c for c in device.commands if not (c["name"] in names and c["rec"] == "once")]
        device.clock = max(moment, start)
    return sorted(lines)


def report(seen_path, existing_path, history_path):
    commands = load_commands()
    device = Device(commands)
    events = read_events()
    seen = {}
    for line in open(seen_path):
        index, name, when = line.rstrip("\n").split("\t")
        seen.setdefault(int(index), []).append((name, when))
    history = {}
    for line in open(history_path, encoding="utf-8"):
        index, _, *fields = line.rstrip("\n").split("\t")
        history.setdefault(int(index), []).append(tuple(fields))
    expected_total = seen_total = missed = doubled = history_total = 0
    differences = []
    for index, words in enumerate(events):
        expected = device.event(words)
        lines, wanted = history.get(index, []), device.history
        history_total += len(wanted)
        for line in sorted(set(lines) | set(wanted)):
            e, g = wanted.count(line), lines.count(line)
            if e != g:
                differences.append("history  event %d: %s: %d line%s, expected %d: %s"
                                   % (index, " ".join(words), g, "" if g == 1 else "s", e, " | ".join(line)))
        got = [name for name, _ in seen.get(index, [])]
        expected_total += len(expected)
        seen_total += len(got)
        day = device.clock.date().isoformat() if device.clock else "-"
        for name in sorted(set(expected) | set(got)):
            e, g = expected.count(name), got.count(name)
            if g < e:
                missed += e - g
                differences.append("missed   %-34s day %s  event %d: %s" % (name, day, index, " ".join(words)))
            elif g > e:
                doubled += g - e
                differences.append("doubled  %-34s day %s  event %d: %s (ran %d, expected %d)"
                                   % (name, day, index, " ".join(words), g, e))
    existing = set(l.strip() for l in open(existing_path) if l.strip())
    should_exist = set(c["name"] for c in device.commands)
    lost = sorted(should_exist - existing)
    kept = sorted(existing - should_exist)
    for name in lost:
        differences.append("lost     %-34s from the command file" % name)
    for name in kept:
        differences.append("kept     %-34s still stored, expected deleted after its run" % name)
    print("Soak: %d events over %s to %s, %d commands" % (len(events), FIRST_DAY, LAST_DAY, len(commands)))
    print()
    print("  %-40s %6s" % ("runs expected (model)", expected_total))
    print("  %-40s %6s" % ("runs seen (probe log)", seen_total))
    print("  %-40s %6s" % ("missed", missed))
    print("  %-40s %6s" % ("doubled (or not expected)", doubled))
    print("  %-40s %6s" % ("records lost from the command file", len(lost)))
    print("  %-40s %6s" % ("records kept that should be gone", len(kept)))
    print("  %-40s %6s" % ("run history lines expected (model)", history_total))
    print("  %-40s %6s" % ("run history lines seen", sum(len(v) for v in history.values())))
    print()
    per = {}
    for index in seen:
        for name, _ in seen[index]:
            per[name] = per.get(name, 0) + 1
    print("  runs seen per command:")
    for c in commands:
        print("    %-36s %4d" % (c["name"], per.get(c["name"], 0)))
    print()
    if differences:
        print("Differences:")
        for d in differences:
            print("  " + d)
    else:
        print("No differences.")
    return 1 if differences else 0


def main():
    if len(sys.argv) >= 2 and sys.argv[1] == "events":
        print("\n".join(make_events()))
        return 0
    if len(sys.argv) == 4 and sys.argv[1] == "forecast":
        start = dt.datetime.strptime(sys.argv[2], "%Y-%m-%d %H:%M")
        for date, time, name in forecast(start, int(sys.argv[3])):
            print("%s %s %s" % (date, time, name) if time else "%s %s" % (date, name))
        return 0
    if len(sys.argv) == 5 and sys.argv[1] == "report":
        return report(sys.argv[2], sys.argv[3], sys.argv[4])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
