#!/usr/bin/env python3
"""Writes the coverage summary of src/ into docs/reliability.md.

Reads the JSON summary that gcovr wrote (--json-summary), adds the files up per subsystem (the
first folder below src/, with outside/ split into its services) and replaces the part of the
document between the two coverage markers with the tables. Exits with status 1 when the line
coverage of src/ is below the minimum given with --min-lines.
"""
import argparse
import datetime
import json
import pathlib
import sys

BEGIN = "<!-- coverage:begin -->"
END = "<!-- coverage:end -->"


def subsystem(filename):
    parts = pathlib.PurePosixPath(filename).parts
    if "src" not in parts:
        return None
    rest = parts[parts.index("src") + 1:]
    if len(rest) < 2:
        return None
    if rest[0] == "outside" and len(rest) >= 3:
        return "outside/" + rest[1]
    return rest[0]


def percent(covered, total):
    return 100.0 * covered / total if total else 100.0


def row(name, t):
    return "| {} | {} / {} | {:.1f} % | {} / {} | {:.1f} % |".format(
        name, t["lc"], t["lt"], percent(t["lc"], t["lt"]), t["bc"], t["bt"],
        percent(t["bc"], t["bt"]))


def tables(summary, note):
    groups = {}
    total = {"lc": 0, "lt": 0, "bc": 0, "bt": 0}
    for f in summary["files"]:
        name = subsystem(f["filename"])
        if name is None:
            continue
        g = groups.setdefault(name, {"lc": 0, "lt": 0, "bc": 0, "bt": 0})
        for key, field in (("lc", "line_covered"), ("lt", "line_total"),
                           ("bc", "branch_covered"), ("bt", "branch_total")):
            g[key] += f[field]
            total[key] += f[field]
    lines = [
        "Measured {} with `make coverage` ({}).".format(datetime.date.today().isoformat(), note),
        "",
        "| part of src/ | lines | line coverage | branches | branch coverage |",
        "|---|---|---|---|---|",
        row("**all of src/**", total),
    ]
    lines += [row(name, groups[name]) for name in sorted(groups)]
    return "\n".join(lines), percent(total["lc"], total["lt"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("summary")
    parser.add_argument("document")
    parser.add_argument("--min-lines", type=float, default=0.0)
    parser.add_argument("--note", default="GCC gcov, every test suite")
    args = parser.parse_args()

    with open(args.summary, encoding="utf-8") as f:
        summary = json.load(f)
    text, line_percent = tables(summary, args.note)

    doc = pathlib.Path(args.document)
    old = doc.read_text(encoding="utf-8") if doc.exists() else ""
    if BEGIN in old and END in old:
        head, rest = old.split(BEGIN, 1)
        tail = rest.split(END, 1)[1]
        new = head + BEGIN + "\n" + text + "\n" + END + tail
    else:
        new = old + ("\n" if old else "") + "## Coverage\n\n" + BEGIN + "\n" + text + "\n" + END + "\n"
    doc.write_text(new, encoding="utf-8")
    print(text)
    if line_percent < args.min_lines:
        print("line coverage of src/ is {:.1f} %, below {:.1f} %".format(line_percent,
                                                                        args.min_lines),
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
