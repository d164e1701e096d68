#!/usr/bin/env python3
"""Mutation check of the safeguards: breaks one rule at a time and runs the tests that must notice.

    mutants.py BUILD [--table FILE] [--only ID[,ID...]] [--row-limit SECONDS]

Each row of the table (tests/mutants/table.tsv) names a file, a text that occurs exactly once in it,
its replacement and the tests expected to fail. The rows are applied one at a time to a scratch
checkout in BUILD/mutants/tree (a git worktree at this checkout's commit, plus its uncommitted
changes to tracked files), never to the working tree. The scratch tree has its own build; after a
mutation only the named tests' programs are rebuilt, and the tests run in the order given until one
fails; each named test must first pass unmutated. Prints killed / SURVIVED / stale (the text is
gone) / timeout / unjudged (a named test fails unmutated) per row, and ends with
"mutants: K killed, S survived".
"""
import argparse
import os
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
E2E_PREFIX = "Installer_e2e_"
E2E_LOCK = "/tmp/zorva-e2e.lock"
# Ports of the end-to-end cases were fixed: one case at a time on the machine.
CCACHE = "-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"


class Row:
    def __init__(self, number, fields):
        if len(fields) < 5:
            raise ValueError("table line %d: expected id, file, find, replace, tests" % number)
        self.id, self.file = fields[0], fields[1]
        self.find, self.replace = unescape(fields[2]), unescape(fields[3])
        # "Program" or "Program:GtestFilter", in the order they are run.
        self.tests = [t.strip() for t in fields[4].split(",") if t.strip()]
        self.note = fields[5].strip() if len(fields) > 5 else ""

    @property
    def equivalent(self):
        return self.note.startswith("equivalent:")


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "t": "\t", "\\": "\\"}.get(text[i + 1], "\\" + text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def read_table(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            rows.append(Row(number, line.split("\t")))
    ids = [r.id for r in rows]
    duplicates = {i for i in ids if ids.count(i) > 1}
    if duplicates:
        raise ValueError("duplicate row ids: " + ", ".join(sorted(duplicates)))
    return rows


def run(command, log, timeout=None, **kwargs):
    """Runs a command in a session of its own, its output appended to LOG. Past TIMEOUT the whole
    session is ended. Returns the exit code, or None on timeout."""
    with open(log, "a") as out:
        out.write("$ %s\n" % " ".join(command))
        out.flush()
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                   start_new_session=True, **kwargs)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGTERM)
            try:
                process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
            return None


def git(*args, cwd=ROOT, **kwargs):
    return subprocess.run(["git", "-C", cwd] + list(args), check=True, capture_output=True, **kwargs).stdout


def prepare_tree(tree, log):
    """The scratch worktree at this checkout's commit with its uncommitted changes to tracked files."""
    head = git("rev-parse", "HEAD", text=True).strip()
    if not os.path.exists(os.path.join(tree, ".git")):
        git("worktree", "prune")
        os.makedirs(os.path.dirname(tree), exist_ok=True)
        git("worktree", "add", "--detach", "--force", tree, head)
    git("checkout", "--detach", "--force", head, cwd=tree)
    git("reset", "--hard", "--quiet", cwd=tree)
    git("clean", "-fdq", cwd=tree)
    diff = git("diff", "HEAD", "--binary")
    if diff:
        subprocess.run(["git", "-C", tree, "apply", "--whitespace=nowarn"], input=diff, check=True)
    with open(log, "a") as out:
        out.write("scratch tree at %s%s\n" % (head, " with local changes" if diff else ""))


def targets_of(test):
    program = test.split(":", 1)[0]
    return ["TarnisSetupLocal"] if program.startswith(E2E_PREFIX) else [program]


class Runner:
    def __init__(self, tree, log):
        self.tree = tree
        self.build = os.path.join(tree, "build")
        self.log = log
        self.env = dict(os.environ)
        # One Wine prefix for the checkout and its scratch tree: a new one costs minutes.
        self.env.setdefault("ZORVA_WINEPREFIX", os.path.join(ROOT, ".wine-prefix"))
        self.env.pop("GTEST_FILTER", None)
        self.wine_ready = False

    def configure_and_build(self):
        flags = (os.environ.get("CMAKE_FLAGS", "") + " " + CCACHE).strip()
        return run(["make", "-C", self.tree, "build", "BUILD=build", "CMAKE_FLAGS=" + flags], self.log) == 0

    def build_targets(self, targets, deadline):
        command = ["cmake", "--build", self.build, "-j2", "--target"] + sorted(set(targets))
        return run(command, self.log, timeout=max(1, deadline - time.time())) == 0

    def run_test(self, test, deadline):
        """True when the test passed, False when it failed, None past the deadline."""
        program, _, pattern = test.partition(":")
        env = dict(self.env)
        if pattern:
            env["GTEST_FILTER"] = pattern
        select = ["-R", "^%s$" % program]
        if program.startswith(E2E_PREFIX):
            # One case at a time here: one slot is all it needs.
            env["ZORVA_E2E_SLOT_COUNT"] = "1"
            command = ["flock", E2E_LOCK, "bash", os.path.join(self.tree, "scripts", "run-tests.sh"), self.build]
        elif not self.wine_ready:
            # The first run readies Wine's services and the desktop holder, which then stay with the
            # server; later unit runs need only CTest.
            command = ["bash", os.path.join(self.tree, "scripts", "run-tests.sh"), self.build]
            self.wine_ready = True
        else:
            command = ["ctest", "--test-dir", self.build, "--output-on-failure"]
        code = run(command + select, self.log, timeout=max(1, deadline - time.time()), env=env)
        return None if code is None else code == 0


def prefix_server_running(prefix):
    """Whether a Wine server already serves PREFIX: its working folder is named after the prefix's
    device and inode."""
    try:
        info = os.stat(prefix)
    except OSError:
        return False
    name = "server-%x-%x" % (info.st_dev, info.st_ino)
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if not f.read().startswith(b"/usr/lib/wine/wineserver"):
                    continue
            if os.path.basename(os.readlink("/proc/%s/cwd" % pid)) == name:
                return True
        except OSError:
            continue
    return False


def start_display(log):
    """Xvfb on the first free display number and a compositor on it, for the whole run: a Wine
    server kept between test runs keeps its desktop shell on the display it started with."""
    for number in range(90, 141):
        if os.path.exists("/tmp/.X%d-lock" % number):
            continue
        with open(log, "a") as out:
            xvfb = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        for _ in range(50):
            if os.path.exists("/tmp/.X11-unix/X%d" % number):
                display = ":%d" % number
                compositor = subprocess.Popen(["xcompmgr"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=display))
                return display, [compositor, xvfb]
            if xvfb.poll() is not None:
                break
            time.sleep(0.1)
        xvfb.kill()
        xvfb.wait()
    sys.exit("mutants: no free X display")


def wine_server(env, log, action):
    """Readies the prefix and keeps its server up ("-p"), or ends it ("-k")."""
    script = 'source "$1/scripts/wine-env.sh" && wine_prefix_ready && "$WINESERVER" %s' % action
    return run(["bash", "-c", script, "_", ROOT], log, timeout=600, env=env) == 0


def apply_row(tree, row):
    """The file's original text, or a reason why the row no longer applies."""
    path = os.path.join(tree, row.file)
    if not os.path.exists(path):
        return None, "no file " + row.file
    with open(path, encoding="utf-8", newline="") as f:
        original = f.read()
    count = original.count(row.find)
    if count != 1:
        return None, "the text occurs %d times in %s" % (count, row.file)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(original.replace(row.find, row.replace))
    return original, None


def restore(tree, row, original):
    with open(os.path.join(tree, row.file), "w", encoding="utf-8", newline="") as f:
        f.write(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--table", default=os.path.join(ROOT, "tests", "mutants", "table.tsv"))
    parser.add_argument("--only", default="", help="comma-separated row ids")
    parser.add_argument("--row-limit", type=int, default=int(os.environ.get("MUTANTS_ROW_LIMIT", "600")))
    args = parser.parse_args()

    rows = read_table(args.table)
    if args.only:
        wanted = set(args.only.split(","))
        unknown = wanted - {r.id for r in rows}
        if unknown:
            sys.exit("mutants: no rows " + ", ".join(sorted(unknown)))
        rows = [r for r in rows if r.id in wanted]

    state = os.path.join(os.path.abspath(args.build), "mutants")
    os.makedirs(state, exist_ok=True)
    log = os.path.join(state, "mutants.log")
    open(log, "w").close()
    tree = os.path.join(state, "tree")
    started = time.time()
    prepare_tree(tree, log)
    runner = Runner(tree, log)
    print("mutants: building the scratch tree (log: %s)" % log, flush=True)
    if not runner.configure_and_build():
        sys.exit("mutants: the unmutated scratch tree does not build; see " + log)
    # Every test run would otherwise start and end a Wine server of its own: half a minute each
    # on a busy machine. A server that another run keeps is left to it.
    display, helpers = start_display(log)
    runner.env["DISPLAY"] = display
    own_server = not prefix_server_running(runner.env["ZORVA_WINEPREFIX"])
    try:
        if own_server and not wine_server(runner.env, log, "-p"):
            sys.exit("mutants: no Wine server for the prefix; see " + log)
        return run_rows(rows, runner, tree, log, args.row_limit, started)
    finally:
        if own_server:
            wine_server(runner.env, log, "-k")
        for helper in helpers:
            helper.terminate()
            helper.wait()


def baseline(rows, runner, log):
    """The named tests of the unmutated tree, each program once with every case the rows name: a
    test that fails anyway would seem to kill every mutant. Returns the programs that failed."""
    cases = {}
    for row in rows:
        for test in ([] if row.equivalent else row.tests):
            program, _, pattern = test.partition(":")
            if not pattern:
                cases[program] = None
            elif cases.get(program, set()) is not None:
                cases.setdefault(program, set()).add(pattern)
    failed = []
    for program, patterns in sorted(cases.items()):
        test = program + (":" + ":".join(sorted(patterns)) if patterns else "")
        with open(log, "a") as out:
            out.write("\n=== baseline: %s\n" % test)
        if not runner.run_test(test, time.time() + 900):
            failed.append(program)
    return failed


def judge(row, runner, deadline):
    """The verdict on one applied mutant and what decided it."""
    if not runner.build_targets([t for test in row.tests for t in targets_of(test)], deadline):
        if time.time() >= deadline:
            return "timeout", "row time limit reached while building"
        return "stale", "the mutant does not build"
    for test in row.tests:
        passed = runner.run_test(test, deadline)
        if passed is None:
            return "timeout", "row time limit reached in " + test
        if not passed:
            return "killed", "by " + test
    return "SURVIVED", ", ".join(row.tests)


def run_rows(rows, runner, tree, log, row_limit, started):
    failed = baseline(rows, runner, log)
    if failed:
        print("mutants: the unmutated tree fails %s; their rows are not judged (see %s)" % (", ".join(failed), log))
    print("mutants: baseline done (%.1f min)" % ((time.time() - started) / 60), flush=True)
    verdicts = []
    for row in rows:
        if row.equivalent:
            print("%-10s %-26s %s" % ("equivalent", row.id, row.note[len("equivalent:"):].strip()), flush=True)
            continue
        row_start = time.time()
        red = [t for t in row.tests if t.partition(":")[0] in failed]
        original, reason = (None, None) if red else apply_row(tree, row)
        if red:
            verdict, detail = "unjudged", "fails unmutated: " + ", ".join(red)
        elif original is None:
            verdict, detail = "stale", reason
        else:
            with open(log, "a") as out:
                out.write("\n=== %s: %s\n" % (row.id, row.file))
            try:
                verdict, detail = judge(row, runner, row_start + row_limit)
            finally:
                restore(tree, row, original)
        verdicts.append(verdict)
        print("%-10s %-26s %s (%ds)" % (verdict, row.id, detail, time.time() - row_start), flush=True)

    print("mutants: %.1f minutes" % ((time.time() - started) / 60))
    unsettled = len(verdicts) - verdicts.count("killed") - verdicts.count("SURVIVED")
    if unsettled:
        print("mutants: %d rows stale, out of time or not judged: mend the table or the tests" % unsettled)
    print("mutants: %d killed, %d survived" % (verdicts.count("killed"), verdicts.count("SURVIVED")))
    return 1 if unsettled or "SURVIVED" in verdicts else 0


if __name__ == "__main__":
    sys.exit(main())
