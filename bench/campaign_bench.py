#!/usr/bin/python3
"""eventscan campaign against the same logs run one by one with `eventscan run`.

Generates LOGS logs of RECORDS records each with loggen (four networks, a seed
per log), then times, each best of REPS:
  campaign --jobs 1, campaign --jobs 2 (a fresh database each time),
  run one by one with 1 and with 2 at a time (xargs -P), rows to /dev/null,
and prints the --jobs 2 / --jobs 1 speed-up and the campaign's overhead over
the runs at the same number of jobs, in wall seconds and in CPU seconds (user
and system time of every process it started: on a shared machine the wall
time shows the other load, the CPU time much less). Then the coordinator's peak resident
memory (VmHWM, read from /proc while it runs) on campaigns of 100, 1,000 and 3,000
small logs. See bench/README.md.
"""
import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

NETWORKS = ["GSM", "CDMA", "UMTS", "TD-SCDMA"]


def generate(loggen, folder, count, records):
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        path = os.path.join(folder, f"log{i:04d}.jsonl")
        subprocess.run([loggen, "--network", NETWORKS[i % 4], "--seed", str(i + 1), "--records", str(records),
                        "--output", path], check=True, stderr=subprocess.DEVNULL)


def children_cpu():
    """User and system seconds of every ended process this one waited for, and theirs."""
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    return used.ru_utime + used.ru_stime


def timed(command, **kw):
    """Wall seconds and CPU seconds of `command` and every process under it."""
    cpu = children_cpu()
    start = time.monotonic()
    subprocess.run(command, check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)
    return time.monotonic() - start, children_cpu() - cpu


def campaign_seconds(eventscan, folder, jobs, work):
    db = os.path.join(work, f"bench-{jobs}.sqlite")
    for suffix in ("", "-wal", "-shm"):
        if os.path.exists(db + suffix):
            os.remove(db + suffix)
    return timed([eventscan, "campaign", folder, "--db", db, "--jobs", str(jobs), "--quiet"])


def runs_seconds(eventscan, folder, jobs):
    logs = "\n".join(sorted(os.path.join(folder, f) for f in os.listdir(folder))) + "\n"
    return timed(["xargs", "-P", str(jobs), "-I{}", eventscan, "run", "{}", "--format", "csv"], input=logs.encode())


def peak_rss_kib(command):
    """The coordinator's high-water mark of resident memory, read until it ends."""
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak = 0
    status = f"/proc/{process.pid}/status"
    while process.poll() is None:
        try:
            with open(status) as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]))
        except OSError:
            pass
        time.sleep(0.01)
    return peak


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    bin_dir = os.path.join(here, "..", "build", "release", "bin")
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", default=bin_dir, help="the folder with eventscan and loggen")
    parser.add_argument("--logs", type=int, default=100)
    parser.add_argument("--records", type=int, default=20000)
    parser.add_argument("--reps", type=int, default=3)
    parser.add_argument("--memory-records", type=int, default=200, help="records of each log of the memory runs")
    parser.add_argument("--memory-logs", default="100,1000,3000",
                        help="campaign sizes of the memory runs (comma-separated log counts)")
    args = parser.parse_args()
    eventscan = os.path.join(args.bin, "eventscan")
    loggen = os.path.join(args.bin, "loggen")
    work = tempfile.mkdtemp(prefix="campaign-bench-")
    try:
        folder = os.path.join(work, "logs")
        generate(loggen, folder, args.logs, args.records)
        best = {}  # wall seconds
        cpu = {}  # CPU seconds, of the run with the fewest
        for _ in range(args.reps):
            for name, seconds in (("campaign1", lambda: campaign_seconds(eventscan, folder, 1, work)),
                                  ("campaign2", lambda: campaign_seconds(eventscan, folder, 2, work)),
                                  ("run1", lambda: runs_seconds(eventscan, folder, 1)),
                                  ("run2", lambda: runs_seconds(eventscan, folder, 2))):
                t, c = seconds()
                best[name] = min(best.get(name, t), t)
                cpu[name] = min(cpu.get(name, c), c)
        print(f"{args.logs} logs of {args.records} records, best of {args.reps} (wall, CPU):")
        print(f"  campaign --jobs 1   {best['campaign1']:7.2f} s  {cpu['campaign1']:7.2f} s")
        print(f"  campaign --jobs 2   {best['campaign2']:7.2f} s  {cpu['campaign2']:7.2f} s")
        print(f"  run one by one      {best['run1']:7.2f} s  {cpu['run1']:7.2f} s")
        print(f"  run two at a time   {best['run2']:7.2f} s  {cpu['run2']:7.2f} s")
        print(f"  --jobs 2 / --jobs 1 speed-up: {best['campaign1'] / best['campaign2']:.2f}x (goal >= 1.8x)")
        print(f"  overhead over run, 1 job:  {100 * (best['campaign1'] / best['run1'] - 1):+.1f} % (goal < 10 %)")
        print(f"  overhead over run, 2 jobs: {100 * (best['campaign2'] / best['run2'] - 1):+.1f} % (goal < 10 %)")
        # Two busy cores cannot hide the CPU a campaign spends besides its
        # runs: at --jobs 2 its wall overhead tends to this figure.
        print(f"  CPU over run's: {100 * (cpu['campaign2'] / cpu['run2'] - 1):+.1f} % at 2 jobs, "
              f"{100 * (cpu['campaign1'] / cpu['run1'] - 1):+.1f} % at 1 job")
        shutil.rmtree(folder)
        for count in (int(n) for n in args.memory_logs.split(",")):
            small = os.path.join(work, f"small{count}")
            generate(loggen, small, count, args.memory_records)
            db = os.path.join(work, f"memory{count}.sqlite")
            kib = peak_rss_kib([eventscan, "campaign", small, "--db", db, "--jobs", "2", "--quiet"])
            print(f"  coordinator peak memory, {count:5d} logs of {args.memory_records} records: {kib / 1024:.1f} MiB")
            shutil.rmtree(small)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
