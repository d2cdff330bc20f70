#!/usr/bin/python3
"""Runs the workers of an `eventscan campaign --scheduler ADDRESS` as Dask tasks.

eventscan starts this script with Debian's interpreter (python3-distributed)
and stays the only writer of the campaign database: it writes one JSON line a
log to our stdin ({"id", "argv", "timeout"}), every log becomes one task on
the cluster, each task runs the worker's own `eventscan campaign-worker LOG`
(the logs and eventscan on storage every worker reads), and each finished task
comes back as one JSON line on stdout ({"id", "stdout", "stderr", "returncode",
"timed_out"}). Scheduling, retries and transport are Dask's; nothing here
decides where a task runs.
"""
import json
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
    except OSError as e:
        return {"stdout": "", "stderr": f"{argv[0]}: cannot start the worker: {e}", "returncode": 127,
                "timed_out": False}


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
    reading_done = threading.Event()

    def read_requests():
        for line in sys.stdin:
            line = line.strip()
            if not line:
                continue
            request = json.loads(line)
            future = client.submit(run_worker, request["argv"], request.get("timeout", 0),
                                   key=f"eventscan-log-{request['id']}", pure=False, retries=0)
            with lock:
                ids[future.key] = request["id"]
                tasks_left[0] += 1
            pending.add(future)
        reading_done.set()

    reader = threading.Thread(target=read_requests, daemon=True)
    reader.start()
    while True:
        with lock:
            idle = tasks_left[0] == 0
        if idle and reading_done.is_set():
            break
        if idle:
            reading_done.wait(0.05)
            continue
        for future in pending:
            try:
                answer = future.result()
            except Exception as e:  # the task itself failed on the cluster
                answer = {"stdout": "", "stderr": f"the Dask task failed: {e}", "returncode": 1, "timed_out": False}
            with lock:
                answer["id"] = ids.pop(future.key)
            sys.stdout.write(json.dumps(answer) + "\n")
            sys.stdout.flush()
            with lock:
                tasks_left[0] -= 1
            break
    client.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
