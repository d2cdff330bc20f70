#!/usr/bin/python3
"""Runs the workers of an `eventscan campaign --scheduler ADDRESS` as Dask tasks.

eventscan starts this script with Debian's interpreter (python3-distributed)
and stays the only writer of the campaign database: it writes one JSON line a
log to our stdin ({"id", "argv_hex", "timeout"}: the worker's arguments as the
hex of their bytes, since a file name need not be text), every log becomes one
task on the cluster, each task runs the worker's own `eventscan
campaign-worker LOG` (the logs and eventscan on storage every worker reads),
and each finished task comes back as one JSON line on stdout ({"id",
"stdout", "stderr", "returncode", "timed_out"}). A request that cannot be
run is answered as a failed task: it costs its log only. Scheduling, retries
and transport are Dask's; nothing here decides where a task runs.

Our stdin stays open as long as eventscan waits for answers: its end means
that eventscan is done or gone, and this process ends at once, its tasks
with it.
"""
import json
import os
import subprocess
import sys
import threading

from distributed import Client, as_completed


def run_worker(argv, timeout):
    """One log on a Dask worker: the eventscan worker as a subprocess, so that
    a crash of the events library costs the task and never the Dask worker."""
    try:
        done = subprocess.run(argv, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=timeout if timeout and timeout > 0 else None)
        return {"stdout": done.stdout.decode("utf-8", "replace"),
                "stderr": done.stderr.decode("utf-8", "replace")[-4096:],
                "returncode": done.returncode, "timed_out": False}
    except subprocess.TimeoutExpired as e:
        err = (e.stderr or b"").decode("utf-8", "replace")[-4096:]
        return {"stdout": "", "stderr": err, "returncode": -9, "timed_out": True}
    except (OSError, ValueError) as e:
        return {"stdout": "", "stderr": f"{os.fsdecode(argv[0])}: cannot start the worker: {e}", "returncode": 127,
                "timed_out": False}


def failed(why):
    return {"stdout": "", "stderr": why, "returncode": 1, "timed_out": False}


def main():
    if len(sys.argv) != 2:
        print("usage: campaign_dask.py SCHEDULER_ADDRESS (started by eventscan campaign --scheduler)", file=sys.stderr)
        return 1
    client = Client(sys.argv[1], timeout=30)
    client.wait_for_workers(1, timeout=60)
    pending = as_completed()
    ids = {}
    lock = threading.Lock()
    tasks_left = [0]
    work = threading.Event()

    def answer(request_id, reply):
        reply["id"] = request_id
        with lock:
            sys.stdout.write(json.dumps(reply) + "\n")
            sys.stdout.flush()

    def submit(line):
        try:
            request = json.loads(line)
            request_id = request["id"]
        except (ValueError, KeyError, TypeError) as e:
            print(f"campaign_dask.py: a request that is not one: {e}", file=sys.stderr)
            return
        try:
            argv = [bytes.fromhex(a) for a in request["argv_hex"]]
            future = client.submit(run_worker, argv, request.get("timeout", 0),
                                   key=f"eventscan-log-{request_id}", pure=False, retries=0)
        except Exception as e:  # this log cannot be handed to the cluster: its fault alone
            answer(request_id, failed(f"the Dask task could not be made: {e}"))
            return
        with lock:
            ids[future.key] = request_id
            tasks_left[0] += 1
        pending.add(future)
        work.set()

    def read_requests():
        for line in sys.stdin.buffer:
            line = line.strip()
            if line:
                submit(line)
        # eventscan closed our stdin: it is done, or it is gone.
        os._exit(0)

    threading.Thread(target=read_requests, daemon=True).start()
    while True:
        with lock:
            idle = tasks_left[0] == 0
            if idle:
                work.clear()
        if idle:
            work.wait(0.2)
            continue
        for future in pending:
            try:
                reply = future.result()
            except Exception as e:  # the task itself failed on the cluster
                reply = failed(f"the Dask task failed: {e}")
            with lock:
                request_id = ids.pop(future.key)
                tasks_left[0] -= 1
            answer(request_id, reply)
            break


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BrokenPipeError:  # eventscan is gone
        os._exit(1)
