#!/usr/bin/env python3
"""Plants each fault of a list, one at a time, and tells whether the tests catch it.

For every fault: its text is replaced in its file (exactly one occurrence, or the
run stops), the default preset is rebuilt, ctest runs (only the tests the fault
names, when it names some), and the file is put back as it was, whatever happens.
A fault is caught when the build or a test fails.

    scripts/plant-faults.py                      # every fault of scripts/faults.txt
    scripts/plant-faults.py -k export            # the faults whose name holds "export"
    scripts/plant-faults.py --list other.txt --preset asan

The list holds blocks separated by blank lines; '#' begins a comment line:

    fault: the port number 20 is no longer a menu number
    file: src/app/device/command_line.cpp
    ctest: unit_tests                  (optional: ctest -R)
    gtest: CommandLine.*               (optional: GTEST_FILTER for the test binaries)
    - text as it is in the file        (one or more lines)
    + its replacement                  (one or more lines; a lone '+' for an empty line)

Exit status: 0 when every fault was caught, 1 when one was missed, 2 for a list
or a file that does not fit.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


class ListError(Exception):
    pass


def read_faults(path):
    faults = []
    block = None
    for number, raw in enumerate(path.read_text().splitlines(), 1):
        line = raw.rstrip("\n")
        if line.startswith("#"):
            continue
        if not line.strip():
            block = None
            continue
        if block is None:
            block = {"line": number, "text": [], "replacement": []}
            faults.append(block)
        if line.startswith("- ") or line == "-":
            block["text"].append(line[2:])
        elif line.startswith("+ ") or line == "+":
            block["replacement"].append(line[2:])
        elif ":" in line:
            key, value = line.split(":", 1)
            block[key.strip()] = value.strip()
        else:
            raise ListError(f"{path}:{number}: neither 'key: value', '- text' nor '+ text': {line!r}")
    for fault in faults:
        for key in ("fault", "file"):
            if key not in fault:
                raise ListError(f"{path}:{fault['line']}: no '{key}:'")
        if not fault["text"]:
            raise ListError(f"{path}:{fault['line']}: no '- text'")
        fault["text"] = "\n".join(fault["text"])
        fault["replacement"] = "\n".join(fault["replacement"])
    return faults


def run(command, env=None):
    return subprocess.run(command, cwd=ROOT, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def failed_tests(command, env):
    """Runs ctest; the GoogleTest tests that failed, or the ctest tests when none is named."""
    result = subprocess.run(command + ["--output-on-failure"], cwd=ROOT, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace")
    if result.returncode == 0:
        return []
    names = sorted(set(re.findall(r"^\[  FAILED  \] ([^\s,]+).* \(\d+ ms\)$", result.stdout, re.MULTILINE)))
    return names or sorted(set(re.findall(r"^\s*\d+ - (\S+) \(", result.stdout, re.MULTILINE))) or ["ctest"]


def build(preset):
    return run(["cmake", "--build", "--preset", preset, "-j2"])


def plant(fault, preset):
    """Plants `fault`, builds and tests; returns what caught it ('build', or the
    failed tests), or 'MISSED'."""
    path = ROOT / fault["file"]
    original = path.read_bytes()
    text = original.decode("utf-8")
    count = text.count(fault["text"])
    if count != 1:
        raise ListError(f"{fault['file']}: the text of '{fault['fault']}' is there {count} times, not once")
    try:
        path.write_text(text.replace(fault["text"], fault["replacement"]))
        if build(preset) != 0:
            return "caught by the build"
        command = ["ctest", "--preset", preset]
        if "ctest" in fault:
            command += ["-R", fault["ctest"]]
        env = dict(os.environ)
        if "gtest" in fault:
            env["GTEST_FILTER"] = fault["gtest"]
        failed = failed_tests(command, env)
        return "caught by " + " ".join(failed) if failed else "MISSED"
    finally:
        path.write_bytes(original)


def main():
    parser = argparse.ArgumentParser(description="Plant faults one at a time and run the tests.")
    parser.add_argument("--list", type=Path, default=ROOT / "scripts" / "faults.txt")
    parser.add_argument("--preset", default="default")
    parser.add_argument("-k", dest="only", default="", help="only the faults whose name holds this")
    args = parser.parse_args()

    # A stop by a signal still puts the planted file back (the finally above).
    for number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, lambda signum, frame: sys.exit(128 + signum))

    try:
        faults = [f for f in read_faults(args.list) if args.only in f["fault"]]
        missed = 0
        for fault in faults:
            outcome = plant(fault, args.preset)
            missed += outcome == "MISSED"
            where = fault.get("gtest", fault.get("ctest", "all tests"))
            print(f"{fault['fault']}  [{fault['file']}; {where}]\n    {outcome}", flush=True)
    except ListError as error:
        print(f"plant-faults: {error}", file=sys.stderr)
        return 2
    finally:
        build(args.preset)  # the binaries of the code as it is
    print(f"{len(faults) - missed} of {len(faults)} faults caught")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
