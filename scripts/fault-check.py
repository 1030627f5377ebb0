#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures how many plausible bugs the test suite catches. Each fault of tests/faults.txt is
# put into a copy of the code, one at a time; the copy is rebuilt and tested until a test
# fails (the fault is "killed") or none does ("survived"). A fault whose anchor text is not
# found exactly once is "stale", one that doesn't build is "invalid"; neither is counted.
#
#   scripts/fault-check.py [--ref REF | --tree DIR] [--only NAME...] [--jobs N]
#
# The copy is built once in full; after that a fault costs an incremental build of the tests
# it names, their run, and only when they pass the rest of the build and the other tests
# (fastest first, stopping at the first failure). The kernel-profile runs are left out: they
# run the same tests again. Always exits 0 unless it can't run at all: it measures, it
# doesn't judge.
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def fail(message):
    print("fault-check: " + message, file=sys.stderr)
    sys.exit(2)


# The fault list

ESCAPES = {"n": "\n", "t": "\t", "s": " ", "\\": "\\"}


def unescape(text, where):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\":
            if i + 1 >= len(text) or text[i + 1] not in ESCAPES:
                fail("%s: unknown escape in %r" % (where, text))
            out.append(ESCAPES[text[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


class Fault:
    def __init__(self, name, find, replace, tests, where):
        self.name, self.find, self.replace, self.tests, self.where = name, find, replace, tests, where


def read_faults(path):
    faults, block, start = [], {}, 0
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")

    def finish(line_number):
        if not block:
            return
        where = "%s:%d" % (os.path.relpath(path), start)
        for key in ("name", "find", "replace"):
            if key not in block:
                fail("%s: no '%s:'" % (where, key))
        if not block["find"]:
            fail("%s: empty 'find:'" % where)
        if block["find"] == block["replace"]:
            fail("%s: 'replace:' is the same as 'find:'" % where)
        faults.append(Fault(block["name"], block["find"], block["replace"], block.get("tests", "").split(), where))
        block.clear()

    for number, line in enumerate(lines, 1):
        if line.startswith("#"):
            continue
        if not line.strip():
            finish(number)
            continue
        key, colon, value = line.partition(":")
        if not colon or key not in ("name", "find", "replace", "tests"):
            fail("%s:%d: expected name:, find:, replace: or tests:" % (os.path.relpath(path), number))
        if not block:
            start = number
        if key in block:
            fail("%s:%d: a second '%s:' in one fault" % (os.path.relpath(path), number, key))
        # One space after the colon belongs to the layout; \s stands for any that matter.
        value = value[1:] if value.startswith(" ") else value
        block[key] = unescape(value, "%s:%d" % (os.path.relpath(path), number)) if key in ("find", "replace") else value.strip()
    finish(len(lines))
    names = [fault.name for fault in faults]
    duplicates = sorted({name for name in names if names.count(name) > 1})
    if duplicates:
        fail("fault names used twice: " + ", ".join(duplicates))
    return faults


# The copy and its build

def run(command, cwd=None, timeout=None, log=None, env=None):
    """Runs `command` in a session of its own, killed whole on timeout. (code, output)."""
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
        code = process.returncode
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, _ = process.communicate()
        code = None
    text = output.decode("utf-8", "replace")
    if log:
        with open(log, "a", encoding="utf-8") as f:
            f.write("$ %s\n%s\n" % (" ".join(command), text))
    return code, text


def make_copy(args, tree):
    if os.path.isdir(os.path.join(tree, "src")):
        print("Reusing the copy in %s" % tree)
        return
    os.makedirs(tree)
    if args.tree:
        source = os.path.abspath(args.tree)
        # Everything but the repository and the build folders (build*/, out/) at the top.
        for name in os.listdir(source):
            path = os.path.join(source, name)
            if name == ".git" or (os.path.isdir(path) and (name.startswith("build") or name == "out")):
                continue
            if os.path.isdir(path):
                shutil.copytree(path, os.path.join(tree, name), symlinks=True)
            else:
                shutil.copy2(path, os.path.join(tree, name), follow_symlinks=False)
        print("Copied the working tree %s to %s" % (source, tree))
    else:
        archive = subprocess.Popen(["git", "-C", REPO, "archive", args.ref], stdout=subprocess.PIPE)
        subprocess.run(["tar", "-x", "-C", tree], stdin=archive.stdout, check=True)
        if archive.wait() != 0:
            fail("git archive %s failed" % args.ref)
        print("Copied %s to %s" % (args.ref, tree))


def build(build_dir, jobs, targets, log):
    command = ["cmake", "--build", build_dir, "-j", str(jobs)]
    if targets:
        command += ["--target"] + targets
    code, output = run(command, log=log)
    return code == 0, output


# The tests

class Suite:
    def __init__(self, build_dir, env, timeout, log):
        self.build_dir, self.env, self.timeout, self.log = build_dir, env, timeout, log
        self.seconds = {}

    def names(self):
        code, output = run(["ctest", "-N", "-LE", "profile"], cwd=self.build_dir, env=self.env)
        if code != 0:
            fail("ctest -N failed:\n" + output)
        return [line.split(":", 1)[1].strip() for line in output.splitlines() if line.strip().startswith("Test")
                and "#" in line and ":" in line]

    def limit(self, name):
        # A fault can make a test hang (a lock never given up, a loop that never ends): a few
        # times its usual time is enough to tell.
        usual = self.seconds.get(name)
        return self.timeout if usual is None else max(self.timeout, 4 * usual)

    def passes(self, name):
        """True, False, or None when it ran out of time."""
        started = time.monotonic()
        code, _ = run(["ctest", "-R", "^%s$" % name, "--output-on-failure"], cwd=self.build_dir, env=self.env,
                      timeout=self.limit(name), log=self.log)
        self.seconds.setdefault(name, time.monotonic() - started)
        return None if code is None else code == 0


# The faults, one by one

def sources(tree):
    for folder, _, names in os.walk(os.path.join(tree, "src")):
        for name in sorted(names):
            yield os.path.join(folder, name)


def locate(tree, find):
    """[(path, count)] of the files that hold `find`."""
    found = []
    for path in sources(tree):
        try:
            with open(path, encoding="utf-8") as f:
                count = f.read().count(find)
        except UnicodeDecodeError:
            continue
        if count:
            found.append((path, count))
    return found


def check_fault(fault, tree, build_dir, jobs, suite, tests, log):
    """(result, detail)."""
    found = locate(tree, fault.find)
    total = sum(count for _, count in found)
    if total != 1:
        return "stale", "anchor found %d times" % total
    path = found[0][0]
    with open(path, "rb") as f:
        original = f.read()
    text = original.decode("utf-8")
    try:
        with open(path, "wb") as f:
            f.write(text.replace(fault.find, fault.replace).encode("utf-8"))
        with open(log, "a", encoding="utf-8") as f:
            f.write("\n==== %s (%s)\n" % (fault.name, os.path.relpath(path, tree)))
        hinted = [name for name in fault.tests if name in tests]
        if hinted:
            built, _ = build(build_dir, jobs, hinted, log)
            if not built:
                return "invalid", "does not build"
            for name in hinted:
                passed = suite.passes(name)
                if not passed:
                    return "killed", name + (" (timeout)" if passed is None else "")
        built, _ = build(build_dir, jobs, None, log)
        if not built:
            return "invalid", "does not build"
        rest = sorted((name for name in tests if name not in hinted), key=lambda name: suite.seconds.get(name, 0))
        for name in rest:
            passed = suite.passes(name)
            if not passed:
                return "killed", name + (" (timeout)" if passed is None else "")
        return "survived", ""
    finally:
        with open(path, "wb") as f:
            f.write(original)


def main():
    parser = argparse.ArgumentParser(description="Counts the faults of tests/faults.txt that the tests catch.")
    source = parser.add_mutually_exclusive_group()
    source.add_argument("--ref", default="HEAD", help="the commit to check (default HEAD), copied by git archive")
    source.add_argument("--tree", metavar="DIR", help="check this working tree as it is instead")
    parser.add_argument("--only", nargs="+", metavar="NAME", help="check only these faults")
    parser.add_argument("--jobs", type=int, default=2, help="build jobs (default 2)")
    parser.add_argument("--faults", default=os.path.join(REPO, "tests", "faults.txt"), help="the fault list")
    parser.add_argument("--work", metavar="DIR",
                        help="keep the copy and its build here, and reuse them when run again (default: a "
                        "temporary folder, removed afterwards)")
    parser.add_argument("--anchors", action="store_true",
                        help="only check that each anchor occurs once in this checkout's src/, and stop")
    parser.add_argument("--timeout", type=float, default=60,
                        help="least seconds a test may take before it counts as hung (default 60; four times "
                        "its usual time when that is more)")
    args = parser.parse_args()

    faults = read_faults(args.faults)
    if args.only:
        unknown = sorted(set(args.only) - {fault.name for fault in faults})
        if unknown:
            fail("no such fault: " + ", ".join(unknown))
        faults = [fault for fault in faults if fault.name in args.only]

    if args.anchors:
        stale = 0
        for fault in faults:
            total = sum(count for _, count in locate(REPO, fault.find))
            if total != 1:
                stale += 1
                print("%s: %s: anchor found %d times" % (fault.where, fault.name, total))
        print("%d faults, %d stale" % (len(faults), stale))
        return 0

    started = time.monotonic()
    work = os.path.abspath(args.work) if args.work else tempfile.mkdtemp(prefix="fault-check-")
    os.makedirs(work, exist_ok=True)
    # Some tests drop to an ordinary user, who must still reach the build.
    os.chmod(work, 0o755)
    tree = os.path.join(work, "tree")
    build_dir = os.path.join(tree, "build")
    log = os.path.join(work, "fault-check.log")
    runtime = tempfile.mkdtemp(prefix="runtime-", dir=work)
    os.chmod(runtime, 0o700)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=runtime)
    try:
        make_copy(args, tree)
        code, output = run(["cmake", "-S", tree, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                            "-DCRATEWRIGHT_GUI=ON"], log=log)
        if code != 0:
            fail("configuring failed:\n" + output)
        print("Building (log: %s)" % log, flush=True)
        built, output = build(build_dir, args.jobs, None, log)
        if not built:
            fail("the unchanged code does not build:\n" + output[-3000:])

        suite = Suite(build_dir, env, args.timeout, log)
        tests = []
        print("Running the unchanged suite once", flush=True)
        for name in suite.names():
            if suite.passes(name):
                tests.append(name)
            else:
                print("  %s fails without a fault: left out" % name)
        print("  %d tests in %.0f s" % (len(tests), sum(suite.seconds.values())), flush=True)
        for fault in faults:
            for name in fault.tests:
                if name not in tests:
                    print("  %s names a test that is not run: %s" % (fault.name, name))

        results = []
        width = max([len(fault.name) for fault in faults] + [5])
        print("\n%-*s  %-8s  %6s  %s" % (width, "fault", "result", "secs", "by / why"))
        for fault in faults:
            began = time.monotonic()
            result, detail = check_fault(fault, tree, build_dir, args.jobs, suite, tests, log)
            results.append((fault, result, detail))
            print("%-*s  %-8s  %6.0f  %s" % (width, fault.name, result, time.monotonic() - began, detail), flush=True)
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)

    count = {kind: sum(1 for _, result, _ in results if result == kind)
             for kind in ("killed", "survived", "stale", "invalid")}
    survivors = [fault.name for fault, result, _ in results if result == "survived"]
    if survivors:
        print("\nSurvived: " + ", ".join(survivors))
    print("\nTook %.0f min." % ((time.monotonic() - started) / 60))
    print("%d faults: %d killed, %d survived, %d stale, %d invalid"
          % (len(results), count["killed"], count["survived"], count["stale"], count["invalid"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
