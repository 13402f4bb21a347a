#!/usr/bin/env python3
"""The start-up cost of `velko run` of the sample, beside the process start (`velko --help`).

Makes a registry, an archive, a cache and the XDG folders of its own in a temporary folder,
registers the library and the simulator plug-in there (as `make demo` does) and runs the sample
once to warm the compiled catalogues, create the station key and store one record. Every
measured run then starts from the archive as that first run left it, so that each one does the
same work (one earlier test in the device's history). It counts the instructions of one run of
each command under callgrind (the whole process and the run's own, `RunCommand` inclusive),
times both commands in turn (user + system CPU time and wall time of the finished child, the
median of the runs) and writes the table between the `startup:begin` and `startup:end` markers
of the report page.

Usage: startup_bench.py --build=build/bench [--runs=30] [--report=docs/performance.md]
                        [--command="make bench"]
"""

import argparse
import glob
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEQUENCE = os.path.join(ROOT, "data/samples/class1-bf-sequence.xml")
SETUP = os.path.join(ROOT, "data/samples/healthy-setup.xml")
BEGIN = "<!-- startup:begin -->"
END = "<!-- startup:end -->"
TARGET_MS = 3.0

# Parts of the run whose inclusive instructions the table shows: (label, function name prefix).
PARTS = [
    ("core session (library, plug-ins, language)", "velko::host::CoreSession::CoreSession("),
    ("loading and checking the sequence and the setup", "velko::host::PrepareRun("),
    ("  checking the setup file", "velko::host::CheckSetupFile("),
    ("  checking the sequence file", "velko::host::CheckSequenceFile("),
    ("opening the archive", "velko::host::OpenArchive("),
    ("checks before the run", "velko::host::CheckBeforeRun("),
    ("performing the steps", "velko::host::TestRun::Perform("),
    ("keeping the run (record, report, archive)", "velko::host::KeepRun("),
    ("  storing the archive entry", "velko::host::(anonymous namespace)::ArchiveStore::Store("),
    ("  the report with the device history", "velko::host::ReportWithHistory("),
    ("  signing the record", "velko::host::SignedByThisStation("),
    ("  deflating the record", "velko::host::Deflate"),
    ("default device items read from the registry", "velko::CItemCollection::LoadRegDefaults("),
]


class Station:
    """The temporary folders, environment and commands of the measured runs."""

    def __init__(self, build, folder):
        self.folder = folder
        self.velko = os.path.join(build, "apps/velko/velko")
        libraries = sorted(glob.glob(os.path.join(build, "src/libvelkocore.so.*.*.*")))
        if not os.path.exists(self.velko) or not libraries:
            sys.exit(f"startup_bench: no velko and libvelkocore in {build}: build them first")
        self.library = libraries[0]
        self.simulator = os.path.join(build, "plugins/simulator/libvelkosimulator.so")
        self.archive = os.path.join(folder, "archive.sqlite")
        self.out = os.path.join(folder, "out")
        self.env = dict(os.environ)
        for name in ("CONFIG", "CACHE", "DATA", "STATE"):
            path = os.path.join(folder, name.lower())
            os.makedirs(path)
            self.env[f"XDG_{name}_HOME"] = path
        self.env["VELKO_REGISTRY"] = os.path.join(folder, "registry.reg")
        self.env["VELKO_ARCHIVE"] = self.archive
        self.env.pop("VELKO_LANGUAGE", None)
        shutil.copy(os.path.join(ROOT, "data/registry/default.reg"), self.env["VELKO_REGISTRY"])
        self.run_args = [self.velko, "run", SEQUENCE, "--setup", SETUP, "--out", self.out]
        self.help_args = [self.velko, "--help"]

    def prepare(self):
        for plugin in (self.library, self.simulator):
            self.call([self.velko, "register", plugin])
        self.call(self.run_args)
        self.snapshot = {}
        for path in glob.glob(self.archive + "*"):
            with open(path, "rb") as f:
                self.snapshot[path] = f.read()

    def reset(self):
        """The archive as the first run left it, and no outputs of earlier runs."""
        for path in glob.glob(self.archive + "*"):
            if path not in self.snapshot:
                os.remove(path)
        for path, content in self.snapshot.items():
            with open(path, "wb") as f:
                f.write(content)
        shutil.rmtree(self.out, ignore_errors=True)

    def call(self, args):
        done = subprocess.run(args, env=self.env, cwd=self.folder, capture_output=True, text=True)
        if done.returncode != 0:
            sys.exit(f"startup_bench: {' '.join(args)} failed ({done.returncode}):\n"
                     f"{done.stdout}{done.stderr}")

    def timed(self, args):
        """(CPU seconds, wall seconds) of one run of `args`."""
        started = time.monotonic()
        child = subprocess.Popen(args, env=self.env, cwd=self.folder, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.monotonic() - started
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode != 0:
            sys.exit(f"startup_bench: {' '.join(args)} exited with {child.returncode}")
        return usage.ru_utime + usage.ru_stime, wall


def instructions(station, args, name):
    """The whole process's instructions and callgrind_annotate's inclusive listing."""
    out = os.path.join(station.folder, f"{name}.callgrind")
    station.reset()
    station.call(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}"] + args)
    listing = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100", out],
                             capture_output=True, text=True, check=True).stdout
    total = re.search(r"^\s*([\d,]+)\s.*PROGRAM TOTALS", listing, re.M)
    return int(total.group(1).replace(",", "")), listing


def inclusive(listing, prefix):
    """The inclusive instructions of the first function whose name starts with `prefix`."""
    for line in listing.splitlines():
        match = re.match(r"^\s*([\d,]+) \([\s\d.]+%\)\s+\S*?:(.*)$", line)
        if match and match.group(2).replace("[abi:cxx11]", "").startswith(prefix):
            return int(match.group(1).replace(",", ""))
    return None


def timings(station, runs):
    """CPU and wall seconds of both commands, run in turn."""
    run_cpu, run_wall, help_cpu, help_wall = [], [], [], []
    for _ in range(runs):
        station.reset()
        cpu, wall = station.timed(station.run_args)
        run_cpu.append(cpu)
        run_wall.append(wall)
        cpu, wall = station.timed(station.help_args)
        help_cpu.append(cpu)
        help_wall.append(wall)
    own = [r - h for r, h in zip(run_cpu, help_cpu)]
    return run_cpu, run_wall, help_cpu, help_wall, own


def mega(n):
    return "-" if n is None else f"{n / 1e6:.1f} M"


def ms(seconds):
    return f"{seconds * 1e3:.1f} ms"


def section(command, runs, run_total, help_total, listing, times):
    run_cpu, run_wall, help_cpu, help_wall, own = times
    own_ms = statistics.median(own) * 1e3
    own_instructions = inclusive(listing, "velko::cli::RunCommand(")
    met = "yes" if own_ms <= TARGET_MS else "**no**"
    lines = [
        BEGIN,
        "<!-- Generated by bench/startup_bench.py; edit outside the markers. -->",
        "",
        f"Measured by `{command}` on this machine ({os.cpu_count()} cores), "
        f"{time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}: instructions of one run under "
        f"callgrind, times the median of {runs} runs of each command in turn (user + system CPU "
        "time and wall time of the finished process).",
        "",
        "| | `velko run` of the sample | `velko --help` | the run's own | Target | Met |",
        "|---|---:|---:|---:|---:|:---:|",
        f"| instructions, whole process | {mega(run_total)} | {mega(help_total)} | "
        f"{mega(run_total - help_total)} | - | - |",
        f"| instructions, `RunCommand` | {mega(own_instructions)} | - | - | - | - |",
        f"| CPU time | {ms(statistics.median(run_cpu))} | {ms(statistics.median(help_cpu))} | "
        f"{own_ms:.1f} ms | ≤ {TARGET_MS:.0f} ms | {met} |",
        f"| wall time | {ms(statistics.median(run_wall))} | {ms(statistics.median(help_wall))} | "
        f"{ms(statistics.median(run_wall) - statistics.median(help_wall))} | - | - |",
        "",
        "The run's own CPU time is the median of the differences of the runs taken in turn. Where "
        "its instructions go (inclusive, one run):",
        "",
        "| Part of the run | Instructions |",
        "|---|---:|",
    ]
    for label, prefix in PARTS:
        indent = "&nbsp;&nbsp;" if label.startswith("  ") else ""
        lines.append(f"| {indent}{label.strip()} | {mega(inclusive(listing, prefix))} |")
    lines.append(END)
    return "\n".join(lines)


def write_report(path, text):
    with open(path, encoding="utf-8") as f:
        page = f.read()
    begin, end = page.find(BEGIN), page.find(END)
    if begin >= 0 and end > begin:
        page = page[:begin] + text + page[end + len(END):]
    else:
        page += "\n## Start-up of the command\n\n" + text + "\n"
    with open(path, "w", encoding="utf-8") as f:
        f.write(page)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="a Release build folder")
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--report", help="the page to write the table into")
    parser.add_argument("--command", default="bench/startup_bench.py")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    options = parser.parse_args()
    # Inside the build folder, on the disk the project is on: the record, the report and the
    # archive are synced there, as at a station (a temporary folder may live in memory).
    folder = tempfile.mkdtemp(prefix="startup-", dir=os.path.abspath(options.build))
    try:
        station = Station(os.path.abspath(options.build), folder)
        station.prepare()
        run_total, listing = instructions(station, station.run_args, "run")
        help_total, _ = instructions(station, station.help_args, "help")
        times = timings(station, options.runs)
        text = section(options.command, options.runs, run_total, help_total, listing, times)
        print(text)
        if options.report:
            write_report(options.report, text)
    finally:
        if options.keep:
            print(f"kept {folder}", file=sys.stderr)
        else:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
