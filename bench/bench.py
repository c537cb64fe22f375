#!/usr/bin/env python3
"""The kel benchmark: generates the workloads, times kel side by side with the reference
commands, measures peak memory, heap use and instruction counts, and prints one table and the
targets with whether each holds. Started by bench/run, which installs the tools and builds kel.

Timing: hyperfine, in rounds. Each round times every command of a workload a few times, in a
rotating order, and the medians are taken over all rounds, so that kel and its references share
the same moments of a noisy, shared machine. Compare the ratios, not the absolute times.
"""
import argparse
import json
import os
import random
import re
import select
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1 << 20
GEN_VERSION = "4"  # bump when a generator changes, so old inputs are made anew

PROGRAM_END = (b"CONST n = 6;\r\nVAR x : INTEGER;\r\n"
               b"BEGIN x := n * 7; WRITE x; WRITE n < x; WRITE x / n .\r\n")
KEL_HEAD, KEL_TAIL = b"CONST a = ", b";\r\nBEGIN WRITE a .\r\n"  # W3 and its variant
LUA_END = b"local n = 6\r\nlocal x = n * 7\r\nprint(x) print(n < x) print(x // n)\r\n"

WORDS = (b"the scanner reads every byte once and keeps one character of look ahead so "
         b"a comment may hold any text at all including commas, quotes and other marks that "
         b"are invalid elsewhere while nested comments are counted not recursed and the "
         b"position of each token follows from the bytes before it").split()


# ---------------------------------------------------------------- inputs

def prose(rng, n):
    """About n bytes of words, broken into lines of up to 72 columns with CR LF ends."""
    out = bytearray()
    col = 0
    while len(out) < n:
        w = rng.choice(WORDS)
        if col + len(w) > 72:
            out += b"\r\n   "
            col = 3
        out += w + b" "
        col += len(w) + 1
    return bytes(out)


def comments_chunk(rng, lua):
    """About 1 MiB of comments: multi-line ones with a nested remark, and one-line ones."""
    out = bytearray()
    while len(out) < MIB:
        if rng.random() < 0.6:
            a, b, c = prose(rng, rng.randint(60, 400)), prose(rng, rng.randint(20, 120)), \
                prose(rng, rng.randint(0, 200))
            if lua:  # block comments do not nest: the remark is kept as bracketed text
                out += b"--[[ " + a + b"[ " + b + b"] " + c + b"]]\r\n"
            else:
                out += b"(* " + a + b"(* " + b + b"*) " + c + b"*)\r\n"
        else:
            t = prose(rng, rng.randint(10, 60)).replace(b"\r\n   ", b" ")
            out += (b"--[[ " + t + b"]]\r\n") if lua else (b"(* " + t + b"*)\r\n")
    return bytes(out)


def blanks_chunk(rng):
    """About 1 MiB of white space: lines of blanks and tabs, CR LF ends, some empty lines."""
    out = bytearray()
    while len(out) < MIB:
        k = rng.choice([0, 0, 4, 8, 30, 80, 200])
        out += (b" " * rng.randint(0, k) + b"\t" * rng.randint(0, 3)) * rng.randint(1, 2)
        out += b"\r\n"
    return bytes(out)


def fill(path, size, chunk, unit_end, end):
    """Writes chunk repeated, then end: size bytes in all. The last copy is cut after a whole
    unit (at a unit_end) and padded with blanks."""
    body = size - len(end)
    with open(path, "wb") as f:
        while body > 0:
            piece = chunk[:body]
            if len(piece) < len(chunk):
                piece = piece[:piece.rfind(unit_end) + len(unit_end)]
                piece += b" " * (body - len(piece))
            f.write(piece)
            body -= len(piece)
        f.write(end)


def sum_of_ones(size, head, tail):
    """head 1+1+...+1 tail, size bytes in all (the sum is about size / 2)."""
    k = (size - len(head) - len(tail) - 1) // 2
    return head + b"1" + b"+1" * k + tail


def mixed(size, head, tail, lua):
    """Parentheses and all four operators; each unit adds exactly 1, nesting up to 100 deep."""
    div = b"//" if lua else b"/"
    units = [b"+(2*3-5)", b"-(7" + div + b"2-4)", b"+((1+1)*(3-2)-1)", b"-(1-2*1)",
             b"+(100" + div + b"(20*5))"]
    deep = b"+" + b"(" * 100 + b"1" + b")" * 100
    out = bytearray(head + b"0")
    i = 0
    while len(out) + len(tail) + 220 < size:
        out += deep if i % 64 == 63 else units[i % len(units)]
        i += 1
    return bytes(out) + tail


def counted_sources():
    """The sources of bench/count, name and bytes: W3 and its variant of 1 MiB, and W4's million
    empty statements. The first and the last are bench/run's own inputs too."""
    return {"w3-1m.kel": sum_of_ones(MIB, KEL_HEAD, KEL_TAIL),
            "w3p-1m.kel": mixed(MIB, KEL_HEAD, KEL_TAIL, False),
            "w4a.kel": b"BEGIN " + b";" * 1_000_000 + b" .\r\n"}


def make_inputs(work, quick):
    stamp = os.path.join(work, "version")
    want = GEN_VERSION + (" quick" if quick else "")
    if os.path.exists(stamp) and open(stamp).read() == want:
        return
    os.makedirs(work, exist_ok=True)
    rng = random.Random(2024)
    big = 10 * MIB if quick else 100 * MIB
    mid = 2_000_000 if quick else 20_000_000
    kc, lc, bc = comments_chunk(rng, False), comments_chunk(random.Random(2024), True), \
        blanks_chunk(rng)
    for size, tag in ((big, ""), (MIB, "-1m")):
        fill(os.path.join(work, "w1%s.kel" % tag), size, kc, b"*)\r\n", PROGRAM_END)
        fill(os.path.join(work, "w2%s.kel" % tag), size, bc, b"\r\n", PROGRAM_END)
    for size, tag in ((big, ""), (MIB, "-1m")):
        fill(os.path.join(work, "w1%s.lua" % tag), size, lc, b"]]\r\n", LUA_END)
        fill(os.path.join(work, "w2%s.lua" % tag), size, bc, b"\r\n", LUA_END)
    counted = counted_sources()
    files = {
        "w3.kel": sum_of_ones(mid, KEL_HEAD, KEL_TAIL),
        "w3.lua": sum_of_ones(mid, b"local a = ", b"\r\nprint(a)\r\n"),
        "w3-1m.kel": counted["w3-1m.kel"],
        "w3-1m.lua": sum_of_ones(MIB, b"local a = ", b"\r\nprint(a)\r\n"),
        "w3p.kel": mixed(mid, KEL_HEAD, KEL_TAIL, False),
        "w3p.lua": mixed(mid, b"local a = ", b"\r\nprint(a)\r\n", True),
        "w4a.kel": counted["w4a.kel"],
        "w4a.lua": b";" * 1_000_000 + b"\r\n",
        "w4b.kel": b"BEGIN\r\n" + b";\r\n".join(b"  WRITE %d" % i for i in range(1, 147))
        + b" .\r\n",
        "w4b.lua": b"\r\n".join(b"print(%d)" % i for i in range(1, 147)) + b"\r\n",
        "w5.kel": b"CONST n = 6;\r\nVAR x : INTEGER;\r\nBEGIN\r\n  x := n * 7;\r\n"
                  b"  WRITE x .\r\n",
    }
    for name, data in files.items():
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
    with open(stamp, "w") as f:
        f.write(want)


def check_outputs(kel, work):
    """Every workload must run to its end with the expected output: a benchmark of an error
    path would measure nothing."""
    expect = {"w1": b"42\r\nTRUE\r\n7\r\n", "w2": b"42\r\nTRUE\r\n7\r\n",
              "w5": b"42\r\n", "w4a": b""}
    for name in ("w1", "w2", "w3", "w3p", "w4a", "w4b", "w5"):
        p = subprocess.run([kel, os.path.join(work, name + ".kel")], capture_output=True)
        if p.returncode != 0 or (name in expect and p.stdout != expect[name]):
            sys.exit("bench: %s.kel did not run through: status %d, %r" %
                     (name, p.returncode, (p.stdout + p.stderr)[-300:]))
        if name == "w4b" and p.stdout.count(b"\r\n") != 146:
            sys.exit("bench: w4b.kel wrote %d lines" % p.stdout.count(b"\r\n"))
    for name in ("w1", "w2", "w3", "w3p", "w4a", "w4b"):
        p = subprocess.run(["luac5.4", "-p", os.path.join(work, name + ".lua")],
                           capture_output=True)
        if p.returncode != 0:
            sys.exit("bench: luac5.4 rejects %s.lua: %r" % (name, p.stderr[-300:]))


# ---------------------------------------------------------------- measuring

def hyperfine_rounds(cmds, rounds, runs):
    """Median seconds per command (a list of argument lists), over rounds x runs timings taken
    in rotating order."""
    times = [[] for _ in cmds]
    order = list(range(len(cmds)))
    for r in range(rounds):
        with tempfile.NamedTemporaryFile(suffix=".json") as tf:
            args = ["hyperfine", "-N", "--style", "none", "--warmup", "1", "--runs", str(runs),
                    "--export-json", tf.name]
            args += [" ".join(cmds[i]) for i in order]
            subprocess.run(args, check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            res = json.load(open(tf.name))["results"]
        for i, rres in zip(order, res):
            times[i] += rres["times"]
        order = order[1:] + order[:1]
    return [statistics.median(t) for t in times]


def peak_rss_kib(cmd):
    # Address randomisation off (setarch -R): where kel's pages land moves its peak by a few
    # pages from run to run, which would hide whether the source's size moves it.
    p = subprocess.run(["setarch", "-R", "/usr/bin/time", "-v"] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE)
    m = re.search(rb"Maximum resident set size \(kbytes\): (\d+)", p.stderr)
    return int(m.group(1)) if m else -1


def heap_allocs(cmd):
    p = subprocess.run(["valgrind", "--tool=memcheck"] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE)
    m = re.search(rb"total heap usage: ([\d,]+) allocs", p.stderr)
    return int(m.group(1).replace(b",", b"")) if m else -1


def instructions(cmd):
    with tempfile.TemporaryDirectory() as d:
        p = subprocess.run(["valgrind", "--tool=callgrind",
                            "--callgrind-out-file=" + os.path.join(d, "cg")] + cmd,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    m = re.search(rb"refs:\s+([\d,]+)", p.stderr)
    return int(m.group(1).replace(b",", b"")) if m else -1


def interactive(kel):
    """A WRITE fed through a pipe must show its value while kel waits for more input."""
    p = subprocess.Popen([kel], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)
    try:
        p.stdin.write(b"BEGIN WRITE 6 * 7;\n")
        p.stdin.flush()
        got = b""
        deadline = time.monotonic() + 10
        while not got.endswith(b"\r\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([p.stdout], [], [], 0.1)
            if ready:
                piece = os.read(p.stdout.fileno(), 100)
                if not piece:
                    break
                got += piece
        first = got == b"42\r\n" and p.poll() is None
        p.stdin.write(b"WRITE 1 .\n")
        p.stdin.close()
        rest = p.stdout.read()
        return first and rest == b"1\r\n" and p.wait() == 0
    finally:
        if p.poll() is None:
            p.kill()
            p.wait()


# ---------------------------------------------------------------- report

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kel", required=True)
    ap.add_argument("--kel-dyn", required=True, help="the same kel, linked dynamically")
    ap.add_argument("--work", required=True)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--baseline", help="another kel to time beside this one, e.g. an older build")
    ap.add_argument("--quick", action="store_true", help="10 MiB instead of 100 MiB, 2 rounds")
    a = ap.parse_args()
    rounds = 2 if a.quick else a.rounds
    kel, w = a.kel, a.work
    make_inputs(w, a.quick)
    check_outputs(kel, w)

    def f(name):
        return os.path.join(w, name)

    def size(name):
        return os.path.getsize(f(name))

    lines = []

    def out(s=""):
        print(s)
        lines.append(s)

    targets = []
    out("kel benchmark, %s, %s, %d cores, load average %.1f at the start; medians of %d "
        "rounds" % (time.strftime("%Y-%m-%d"), os.uname().machine, os.cpu_count(),
                    os.getloadavg()[0], rounds))
    out()
    hdr = "%-34s %9s %10s %9s %9s %10s" % ("workload / command", "MB", "median ms", "MB/s",
                                             "kel x", "peak KiB")
    out(hdr)
    out("-" * len(hdr))

    # Throughput workloads: kel, luac on the Lua twin, and the floor.
    thr = [("W1 comments", "w1", 3.0, 3), ("W2 white space", "w2", 3.0, 3),
           ("W3 CONST a = 1+1+...+1", "w3", 10.0, 3),
           ("W3 parentheses, mixed operators", "w3p", 10.0, 3),
           ("W4 a million empty statements", "w4a", None, 10)]
    for title, name, goal, runs in thr:
        kf, lf = f(name + ".kel"), f(name + ".lua")
        cmds = [[kel, kf], ["luac5.4", "-p", lf], ["cat", kf], ["wc", "-l", kf]]
        labels = ["kel", "luac5.4 -p (Lua twin)", "cat FILE > /dev/null", "wc -l FILE"]
        sizes = [size(name + ".kel"), size(name + ".lua"), size(name + ".kel"),
                 size(name + ".kel")]
        if a.baseline:
            cmds.append([a.baseline, kf])
            labels.append("baseline kel")
            sizes.append(size(name + ".kel"))
        med = hyperfine_rounds(cmds, rounds, runs)
        mbs = [s / t / 1e6 for s, t in zip(sizes, med)]
        out("%s" % title)
        for lab, cmd, s, t, m in zip(labels, cmds, sizes, med, mbs):
            out("  %-32s %9.1f %10.2f %9.0f %9.2f %10d" %
                (lab, s / 1e6, t * 1e3, m, mbs[0] / m, peak_rss_kib(cmd)))
        if goal:
            targets.append(("%s: kel >= %gx luac5.4 -p throughput" % (name.upper(), goal),
                            "%.2fx" % (mbs[0] / mbs[1]), mbs[0] / mbs[1] >= goal))

    # W4: a program of 146 WRITE statements (the code store's limit), run 1000 times.
    per = max(1, 1000 // rounds)
    cmds = [[kel, f("w4b.kel")], ["luac5.4", "-p", f("w4b.lua")], ["/bin/true"]]
    med = hyperfine_rounds(cmds, rounds, per)
    out("W4 146 WRITE statements, %d runs" % (per * rounds))
    for lab, cmd, t in zip(["kel", "luac5.4 -p (146 prints)", "/bin/true"], cmds, med):
        out("  %-32s %9s %10.3f %9s %9.2f %10d" % (lab, "", t * 1e3, "", t / med[0],
                                                     peak_rss_kib(cmd)))

    # W5: start-up.
    cmds = [[kel, f("w5.kel")], ["/bin/true"]]
    labels = ["kel", "/bin/true"]
    if a.baseline:
        cmds.append([a.baseline, f("w5.kel")])
        labels.append("baseline kel")
    med = hyperfine_rounds(cmds, rounds, per)
    out("W5 start-up, five-line program, %d runs" % (per * rounds))
    for lab, cmd, t in zip(labels, cmds, med):
        out("  %-32s %9s %10.3f %9s %9.2f %10d" % (lab, "", t * 1e3, "", t / med[0],
                                                     peak_rss_kib(cmd)))
    targets.append(("W5: kel start-up <= 1.3x /bin/true", "%.2fx" % (med[0] / med[1]),
                    med[0] / med[1] <= 1.3))
    out()
    out("('kel x': how many times kel's throughput, or for W4 and W5 its speed, that of the "
        "command)")

    # Memory: the same peak for a small and a large source; no allocation at all.
    out()
    out("Peak resident memory of kel (KiB) and heap allocations (valgrind, dynamic build)")
    mem_ok = True
    for name in ("w1", "w2", "w3"):
        small = peak_rss_kib([kel, f(name + "-1m.kel")])
        large = peak_rss_kib([kel, f(name + ".kel")])
        out("  %-6s 1 MiB source: %5d   %5.0f MB source: %5d" %
            (name.upper(), small, size(name + ".kel") / 1e6, large))
        mem_ok = mem_ok and small == large and large <= 2048
    targets.append(("peak memory the same for 1 MiB and large sources, <= 2 MiB", "see above",
                    mem_ok))
    allocs = {n: heap_allocs([a.kel_dyn, f(n)]) for n in ("w1-1m.kel", "w3-1m.kel", "w4b.kel")}
    out("  heap allocations: " + ", ".join("%s %d" % kv for kv in allocs.items()))
    targets.append(("no heap allocation", "%d allocs" % sum(allocs.values()),
                    all(v == 0 for v in allocs.values())))

    # Instruction counts: steadier than times on a shared machine.
    out()
    out("Instructions per source byte (callgrind, 1 MiB inputs)")
    for name in ("w1", "w2", "w3"):
        k = instructions([kel, f(name + "-1m.kel")]) / size(name + "-1m.kel")
        lu = instructions(["luac5.4", "-p", f(name + "-1m.lua")]) / size(name + "-1m.lua")
        out("  %-4s kel %6.2f   luac5.4 -p %6.2f   kel x %6.2f" % (name.upper(), k, lu, lu / k))

    ok = interactive(kel)
    targets.append(("interactive: a piped WRITE shows before kel waits", "", ok))

    out()
    out("load average %.1f at the end" % os.getloadavg()[0])
    out("%-62s %10s  %s" % ("target", "measured", "holds"))
    for t, m, h in targets:
        out("%-62s %10s  %s" % (t, m, "yes" if h else "NO"))
    with open(os.path.join(w, "results.txt"), "w") as fo:
        fo.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
