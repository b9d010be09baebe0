#!/usr/bin/env python3
"""The crash harness: kills the process that is changing the command file and
the counters, at random moments, and checks that nothing was lost.

Run by tests/crash/crash.sh on a throwaway device that is up, with
crashwriter.exe beside morvane.exe. A serving crashwriter.exe, started with
./device run (again after every reset), starts one writer process per
round. Each round writes a list of operations (appends, edits, deletes,
counter increments over a file of a few thousand commands), has a writer
start on them, waits until it is working, then after a random delay either
SIGKILLs the writer's Wine process or resets the device with ./device reset.
Then:

- the command file must decode whole and equal, byte for byte, this model's
  file just before or just after the operation that the writer's progress
  file names;
- the counters, as the next writer finds them, must equal the model's just
  before or just after that operation: none may go backwards.

The model knows the record format and the operations' rules, none of
Morvane's code. It prints one line per interruption that was not survived,
a summary, and the figure for make bench.

  crash.py REPO DEVICE_FOLDER [INTERRUPTIONS] [SEED]
"""

import math
import os
import random
import signal
import struct
import subprocess
import sys
import time

RECORDS = 3000                 # the size the file is kept around
OPS_PER_ROUND = 400            # more than a writer gets through before its end
RESET_SHARE = 0.1              # of the interruptions, those that reset the device
COUNT_ROUNDS = 0.15            # of the rounds, those that only count
COUNTERS = ["ExeCmds", "TidewellCmds", "SoundCmds", "MsgBoxCmds", "DelDirCmds", "CloseCmds"]
FIELDS = ["name", "action", "cleanup", "folder", "subfolders", "program", "arguments", "message", "sound",
          "repeat", "trigger", "recurrence", "timeMode", "hour", "minute", "weekdays", "monthlyMode",
          "monthlyDay", "monthlyWeek", "monthlyWeekday", "yearlyMode", "yearlyMonth", "yearlyDay",
          "yearlyWeek", "yearlyWeekday", "yearlyWeekMonth", "onceDay", "onceMonth", "onceYear"]
WRITER = r"\Program Files\Morvane\crashwriter.exe"


# --- The record format ------------------------------------------------------

def text(value):
    return value.encode("utf-16-le") + b"\0\0"


def u16(value):
    return struct.pack("<H", value & 0xFFFF)


def encode(c):
    """A command (dict of FIELDS) as its record: the length, then the body."""
    body = text(c["name"]) + u16(c["action"])
    action = c["action"]
    if action == 1011:
        body += text(c["program"]) + text(c["arguments"])
    elif action == 1012:
        body += u16(c["cleanup"])
    elif action == 1013:
        body += text(c["sound"]) + struct.pack("<i", c["repeat"])
    elif action == 1014:
        body += text(c["message"])
    elif action == 1015:
        body += text(c["folder"]) + bytes([c["subfolders"] & 0xFF])
    body += u16(c["trigger"])
    if c["trigger"] == 1007:
        recurrence = c["recurrence"]
        body += u16(recurrence)
        if recurrence == 1:
            body += u16(c["weekdays"])
        elif recurrence == 2:
            body += u16(c["monthlyMode"])
            body += u16(c["monthlyDay"]) if c["monthlyMode"] == 1069 else u16(c["monthlyWeek"]) + u16(c["monthlyWeekday"])
        elif recurrence == 3:
            body += u16(c["yearlyMode"])
            if c["yearlyMode"] == 1083:
                body += u16(c["yearlyMonth"]) + u16(c["yearlyDay"])
            else:
                body += u16(c["yearlyWeek"]) + u16(c["yearlyWeekday"]) + u16(c["yearlyWeekMonth"])
        elif recurrence == 4:
            body += u16(c["onceDay"]) + u16(c["onceMonth"]) + u16(c["onceYear"])
        body += u16(c["timeMode"])
        if c["timeMode"] == 1089:
            body += u16(c["hour"]) + u16(c["minute"])
    return struct.pack("<I", len(body)) + body


def decode_problem(data):
    """None when data is whole records to its last byte, else what is wrong."""
    offset = 0
    while offset < len(data):
        if len(data) - offset < 4:
            return f"half a length at {offset}"
        (length,) = struct.unpack_from("<I", data, offset)
        body = data[offset + 4:offset + 4 + length]
        if len(body) < length:
            return f"record at {offset} cut short ({len(body)} of {length} bytes)"
        problem = body_problem(body)
        if problem:
            return f"record at {offset}: {problem}"
        offset += 4 + length
    return None


def body_problem(body):
    position = 0

    def string(capacity):
        nonlocal position
        for end in range(position, len(body) - 1, 2):
            if body[end] == 0 and body[end + 1] == 0:
                units = (end - position) // 2 + 1
                position = end + 2
                return units <= capacity
        raise ValueError("string without its terminator")

    def take(count):
        nonlocal position
        if position + count > len(body):
            raise ValueError("body ends inside a field")
        value = body[position:position + count]
        position += count
        return int.from_bytes(value, "little")

    try:
        if not string(260):
            return "name too long"
        action = take(2)
        if action == 1011:
            string(260), string(260)
        elif action == 1012:
            take(2)
        elif action == 1013:
            string(260), take(4)
        elif action == 1014:
            string(1024)
        elif action == 1015:
            string(260), take(1)
        if take(2) == 1007:
            recurrence = take(2)
            count = {1: 1, 4: 3}.get(recurrence, 0)
            if recurrence == 2:
                count = 1 if take(2) == 1069 else 2
            elif recurrence == 3:
                count = 2 if take(2) == 1083 else 3
            take(2 * count)
            if take(2) == 1089:
                take(4)
    except ValueError as error:
        return str(error)
    if position != len(body):
        return f"{len(body) - position} bytes after the fields"
    return None


# --- The model --------------------------------------------------------------

def same_name(a, b):
    return a.lower() == b.lower()   # the harness's names are ASCII


class Model:
    def __init__(self):
        self.records = []           # (name, record bytes), in file order
        self.counters = {name: 0 for name in COUNTERS}

    def file_bytes(self):
        return b"".join(record for _, record in self.records)

    def apply(self, op):
        verb = op[0]
        if verb == "append":
            self.records.append((op[1]["name"], encode(op[1])))
        elif verb == "edit":
            # The first record of the name is the one findCommand gives the
            # editor; only that one is replaced.
            for i, (name, _) in enumerate(self.records):
                if same_name(name, op[1]):
                    del self.records[i]
                    break
            self.records.append((op[2]["name"], encode(op[2])))
        elif verb == "delete":
            self.records = [r for r in self.records if not same_name(r[0], op[1])]
        elif verb == "count":
            self.counters[op[1]] += 1

    def copy(self):
        other = Model()
        other.records = list(self.records)
        other.counters = dict(self.counters)
        return other


def random_text(rng, longest):
    length = rng.choice([0, 1, 5, 12, 40, longest]) if rng.random() < 0.9 else rng.randint(0, longest)
    return "".join(rng.choice("abcdefghijklmnopqrstuvwxyz ABCXYZ0123456789\\._-") for _ in range(length))


class Generator:
    def __init__(self, rng):
        self.rng = rng
        self.serial = 0

    def fresh_name(self):
        self.serial += 1
        name = f"Command {self.serial}"
        if self.rng.random() < 0.05:
            name += " " + random_text(self.rng, 200)   # long names too, up to 259 characters
        return name[:259]

    def command(self, name):
        rng = self.rng
        c = {field: 0 for field in FIELDS}
        c.update(name=name, action=rng.choice([1011, 1012, 1013, 1014, 1015, 1016, 1011, 1014, 1020]),
                 cleanup=rng.randint(1, 63), folder=random_text(rng, 259), subfolders=rng.randint(0, 1),
                 program=random_text(rng, 259), arguments=random_text(rng, 259),
                 message=random_text(rng, 1023), sound=random_text(rng, 40), repeat=rng.randint(1, 9),
                 trigger=rng.choice([1006, 1007, 1007, 1008, 1009]), recurrence=rng.randint(0, 4),
                 timeMode=rng.choice([1088, 1089]), hour=rng.randint(0, 23), minute=rng.randint(0, 59),
                 weekdays=rng.randint(1, 127), monthlyMode=rng.choice([1069, 1072]), monthlyDay=rng.randint(1, 31),
                 monthlyWeek=rng.randint(0, 4), monthlyWeekday=rng.randint(0, 6),
                 yearlyMode=rng.choice([1083, 1086]), yearlyMonth=rng.randint(1, 12), yearlyDay=rng.randint(1, 31),
                 yearlyWeek=rng.randint(0, 4), yearlyWeekday=rng.randint(0, 6), yearlyWeekMonth=rng.randint(1, 12),
                 onceDay=rng.randint(1, 28), onceMonth=rng.randint(1, 12), onceYear=rng.randint(2024, 2040))
        return c

    def name_for_append(self, model):
        # Now and then a second record of a stored name, in another letter
        # case, as a file of an older version may hold.
        if model.records and self.rng.random() < 0.03:
            return self.rng.choice(model.records)[0].swapcase()
        return self.fresh_name()

    def operations(self, model, count, counts_only=False):
        rng = self.rng
        if counts_only:
            return [("count", rng.choice(COUNTERS)) for _ in range(count)]
        model = model.copy()
        ops = []
        for _ in range(count):
            size = len(model.records)
            roll = rng.random()
            grow = 0.3 + (0.15 if size < RECORDS else -0.15 if size > RECORDS else 0)
            if not model.records or roll < grow:
                op = ("append", self.command(self.name_for_append(model)))
            elif roll < grow + 0.25:
                old = rng.choice(model.records)[0]
                new = old if rng.random() < 0.6 else self.fresh_name()
                op = ("edit", old, self.command(new))
            elif roll < 0.75:
                op = ("delete", rng.choice(model.records)[0])
            else:
                op = ("count", rng.choice(COUNTERS))
            model.apply(op)
            ops.append(op)
        return ops


def op_line(op):
    def command(c):
        return "\t".join(str(c[field]) for field in FIELDS)
    if op[0] == "append":
        return "append\t" + command(op[1])
    if op[0] == "edit":
        return f"edit\t{op[1]}\t" + command(op[2])
    return f"{op[0]}\t{op[1]}"


# --- The device -------------------------------------------------------------

class Device:
    def __init__(self, repo, folder):
        self.repo = repo
        self.folder = os.path.realpath(folder)
        self.data = self.path(r"\Program Files\Morvane\Data\zelvane.dat")
        os.makedirs(os.path.dirname(self.data), exist_ok=True)   # as the program makes it
        work = self.path(r"\crash")
        os.makedirs(work, exist_ok=True)
        self.files = {name: os.path.join(work, file) for name, file in
                      [("ops", "ops.txt"), ("progress", "progress"), ("failed", "progress.failed"),
                       ("counters", "counters.txt"), ("go", "go"), ("ended", "ended"), ("stop", "stop")]}
        self.server = None

    def verb(self, *arguments):
        return subprocess.run([os.path.join(self.repo, "device"), *arguments], check=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)

    def path(self, device_path):
        return self.verb("path", device_path).stdout.strip()

    def remove(self, *names):
        for name in names:
            if os.path.exists(self.files[name]):
                os.remove(self.files[name])

    def start_writer(self):
        """Has the serving writer (started with ./device run when there is
        none, as after a reset) start a writer process on the ops file."""
        if self.server is None or self.server.poll() is not None:
            self.remove("stop")
            self.server = subprocess.Popen([os.path.join(self.repo, "device"), "run", WRITER, "serve", r"\crash"],
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.remove("progress", "failed", "counters", "ended")
        with open(self.files["go"], "w"):
            pass

    def ended(self):
        """The writer process's exit code once it has gone, else None."""
        try:
            with open(self.files["ended"]) as f:
                text = f.read().strip()
            return int(text) if text else None
        except OSError:
            return None

    def progress(self):
        """The operation the writer began last (the number of operations
        when it finished them all), or -1 before the first."""
        try:
            with open(self.files["progress"], "rb") as f:
                data = f.read()
        except OSError:
            return -1
        return struct.unpack("<I", data)[0] if len(data) == 4 else -1

    def stop(self):
        if self.server is not None and self.server.poll() is None:
            with open(self.files["stop"], "w"):
                pass
            self.server.wait()

    def writer_pids(self):
        """The writer's Wine processes (not the serving one), found as
        ./device finds the device's processes: by the prefix in their
        environment, then by the program in their command line."""
        wanted = b"WINEPREFIX=" + self.folder.encode()
        pids = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if wanted not in f.read().split(b"\0"):
                        continue
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    command = f.read()
                if b"crashwriter.exe" in command and b"serve" not in command:
                    pids.append(int(entry))
            except OSError:
                continue
        return pids


def read_counters(path):
    values = {}
    with open(path) as f:
        for line in f:
            name, _, value = line.strip().partition("=")
            if name:
                values[name] = int(value)
    return values


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.005)
    return condition()


def main():
    repo, folder = sys.argv[1], sys.argv[2]
    wanted = int(sys.argv[3]) if len(sys.argv) > 3 else 520
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else int(time.time())
    rng = random.Random(seed)
    device = Device(repo, folder)
    generator = Generator(rng)

    model = Model()
    for _ in range(RECORDS):
        model.apply(("append", generator.command(generator.name_for_append(model))))
    with open(device.data, "wb") as f:
        f.write(model.file_bytes())
    print(f"crash: seed {seed}, {len(model.records)} records ({len(model.file_bytes())} bytes) to start",
          file=sys.stderr)

    interruptions = []      # each: number, how, verb, problems
    kinds = {}              # interrupted operation: [found as before, found as after]
    others = []             # problems outside any interruption
    allowed = None          # the counters the next writer may find: (before, after)
    started = time.monotonic()

    def report(problem):
        where = f"interruption {interruptions[-1]['number']}" if interruptions else "start"
        (interruptions[-1]["problems"] if interruptions else others).append(problem)
        print(f"crash: {where}: {problem}", file=sys.stderr)

    def run_writer(ops):
        """Starts a writer on ops; checks the counters it found against what
        the last round allows and takes them into the model."""
        with open(device.files["ops"], "w", encoding="utf-8") as f:
            f.write("".join(op_line(op) + "\n" for op in ops))
        device.start_writer()
        # The progress file comes after the counters file is whole.
        if not wait_for(lambda: os.path.exists(device.files["progress"]) or device.ended() is not None, 90):
            sys.exit("crash: the writer did not start")
        found = {name: 0 for name in COUNTERS}
        found.update(read_counters(device.files["counters"]))
        if allowed and allowed[0] != allowed[1] and found in allowed:
            # A cut short increment shows only here: the file is the same either way.
            kinds.setdefault("count", [0, 0])[allowed.index(found)] += 1
        if allowed and found not in allowed:
            before = allowed[0]
            backwards = [name for name in COUNTERS if found[name] < before[name]]
            report(f"counters {found}, expected {before}" + (f" or {allowed[1]}" if allowed[1] != before else "") +
                   (f": {', '.join(backwards)} went backwards" if backwards else ""))
        model.counters = found

    rounds = 0
    while len(interruptions) < wanted:
        rounds += 1
        # Some rounds only count, so that increments are cut short too: they
        # take a fraction of the time of a change to the file.
        ops = generator.operations(model, OPS_PER_ROUND, counts_only=rng.random() < COUNT_ROUNDS)
        run_writer(ops)
        time.sleep(rng.uniform(0, 0.4))
        how = None
        if device.ended() is None:
            if rng.random() < RESET_SHARE:
                how = "reset"
                device.verb("reset")
                device.server.wait()
            else:
                how = "kill"
                for pid in device.writer_pids():
                    try:
                        os.kill(pid, signal.SIGKILL)
                    except ProcessLookupError:
                        pass
                if not wait_for(lambda: device.ended() is not None, 30):
                    sys.exit("crash: the killed writer did not end")
        index = device.progress()
        if os.path.exists(device.files["failed"]):
            with open(device.files["failed"], encoding="utf-8", errors="replace") as f:
                failure = " / ".join(line for line in f.read().split("\n") if line)
            if how is None:
                sys.exit(f"crash: the program reported a failure without an interruption: {failure}")
            interruptions.append({"number": len(interruptions) + 1, "how": how, "problems": []})
            report(f"the program reported a failure: {failure}")
        elif index == len(ops):
            # Every operation had run before the moment came: nothing was cut short.
            for op in ops:
                model.apply(op)
            allowed = (dict(model.counters), dict(model.counters))
            continue
        elif how is None:
            sys.exit(f"crash: the writer ended after operation {index} of {len(ops)} without being interrupted")
        else:
            interruptions.append({"number": len(interruptions) + 1, "how": how, "problems": []})

        # The model just before and just after the operation that was cut short.
        for op in ops[:max(index, 0)]:
            model.apply(op)
        before = model.copy()
        after = model.copy()
        if index >= 0:
            after.apply(ops[index])
        verb = ops[index][0] if index >= 0 else "nothing"
        interruptions[-1]["verb"] = verb
        allowed = (before.counters, after.counters)
        counts = kinds.setdefault(verb, [0, 0]) if verb != "count" else [0, 0]
        with open(device.data, "rb") as f:
            data = f.read()
        if data == before.file_bytes():
            counts[0] += 1
            model = before
        elif data == after.file_bytes():
            counts[1] += 1
            model = after
        else:
            problem = decode_problem(data)
            report(f"during {verb} (operation {index}) the file " +
                   (f"does not decode: {problem}" if problem else
                    f"decodes ({len(data)} bytes) but is neither the file before nor after"))
            model = before   # go on from a sound file
            with open(device.data, "wb") as f:
                f.write(model.file_bytes())
        if len(interruptions) % 50 == 0:
            lost = sum(1 for i in interruptions if i["problems"])
            print(f"crash: {len(interruptions)} interruptions, {lost} not survived, "
                  f"{int(time.monotonic() - started)} s", file=sys.stderr)

    # A writer with nothing to do finds the counters after the last one.
    run_writer([])
    wait_for(lambda: device.ended() is not None, 30)
    device.stop()

    tried = len(interruptions)
    survived = sum(1 for i in interruptions if not i["problems"])
    kills = sum(1 for i in interruptions if i["how"] == "kill")
    elapsed = int(time.monotonic() - started)
    print()
    print(f"Interruptions: {tried} ({kills} SIGKILL of the writer, {tried - kills} device resets) "
          f"in {elapsed} s over {rounds} rounds; seed {seed}")
    for verb in sorted(kinds):
        found_before, found_after = kinds[verb]
        print(f"  during {verb:8} {found_before:4} found as before, {found_after:4} as after")
    print(f"Survived: {survived} of {tried}; records at the end: {len(model.records)}")
    for interruption in interruptions:
        for problem in interruption["problems"]:
            print(f"  interruption {interruption['number']} ({interruption['how']}): {problem}")
    for problem in others:
        print(f"  {problem}")
    # Rounded down: one lost in hundreds must not print as 1.00.
    ratio = math.floor(1000 * survived / tried) / 1000 if tried else 0.0
    print(f"figure\tinterruptions survived / tried\t{ratio:.3f}\t>=1.00\t{survived} of {tried} "
          f"({kills} SIGKILL, {tried - kills} reset) over {RECORDS} records")
    sys.exit(0 if tried and survived == tried and not others else 1)


if __name__ == "__main__":
    main()
