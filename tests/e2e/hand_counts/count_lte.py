#!/usr/bin/env python3
"""Counts the events of data/sample/logs/lte.jsonl from its messages and
measured values, as a reader follows each procedure of the log against the
LTE sample definitions (data/sample/EventsDefine.cfg), and prints them one a
line: "record event", then " | " and the detail lines the event shows.
It reads only the JSONL (with the cause names of 3GPP TS 24.301 and 36.331
written out below), never eventscan's output:

    tests/e2e/hand_counts/count_lte.py data/sample/logs/lte.jsonl
"""
import json
import struct
import sys
from datetime import datetime

EMM = {15: "No suitable cells in tracking area", 17: "Network failure", 18: "CS domain not available",
       22: "Congestion"}
ESTABLISHMENT = ["emergency", "highPriorityAccess", "mt-Access", "mo-Signalling", "mo-Data",
                 "delayTolerantAccess", "mo-VoiceCall"]
REESTABLISHMENT = ["reconfigurationFailure", "handoverFailure", "otherFailure"]
# The systems of a redirect as the detail names them, with their carrier's name.
SYSTEMS = {0: ("LTE", "EARFCN"), 1: ("UMTS", "UARFCN"), 2: ("TD-SCDMA", "UARFCN"), 3: ("GSM", "ARFCN"),
           4: ("CDMA", "Channel"), 5: ("NR", "NR-ARFCN")}
# The system of a redirecting release, by its sub-type.
RELEASE_SYSTEMS = {1: 0, 2: 3, 3: 1, 4: 2, 5: 4, 6: 4, 7: 5}


def ms(text):
    return int(datetime.fromisoformat(text).timestamp() * 1000 + 0.5)


def element(record, tag):
    """An i32 element written by its tag ("0x0E": little-endian hex), or None."""
    value = record.get("ie", {}).get(f"0x{tag:02X}")
    return None if value is None else struct.unpack("<i", bytes.fromhex(value)[:4])[0]


def delay(start, end):
    return f"Delay: {(end['ms'] - start['ms']) / 1000:.3f} (s)"


def cause_text(names, value):
    name = names.get(value) if isinstance(names, dict) else names[value]
    return f"Cause: {name}({value})"


def target_text(reconfiguration):
    return f"PCI {element(reconfiguration, 0x0E)} EARFCN {element(reconfiguration, 0x0F)}"


def redirect_text(release):
    system = element(release, 0x10)
    if system is None:
        system = RELEASE_SYSTEMS[release["sub_type"]]
    name, carrier = SYSTEMS[system]
    return f"LTE To {name}({carrier}: {element(release, 0x0F)})"


class Reader:
    def __init__(self):
        self.events = []
        self.rrc = None        # (state, request): "requested" or "setup"
        self.reest = None      # the re-establishment request awaiting its answer
        self.attach = None
        self.tau = None
        self.service = None
        self.handover = None   # the reconfiguration that hands over
        self.csfb = None

    def report(self, record, name, *details):
        self.events.append((record["index"], name, [d for d in details if d]))

    def message(self, r):
        name, sub = r["msg"], r.get("sub_type")
        if name == "RRC Connection Request":
            if self.rrc and self.rrc[0] == "requested":
                self.report(r, "RRC Setup No Answer", cause_text(ESTABLISHMENT, self.rrc[1]["sub_type"]))
            self.rrc = ("requested", r)
        elif name == "RRC Connection Setup" and self.rrc and self.rrc[0] == "requested":
            self.rrc = ("setup", self.rrc[1])
        elif name == "RRC Connection Setup Complete" and self.rrc and self.rrc[0] == "setup":
            request = self.rrc[1]
            self.report(r, "RRC Setup Success", delay(request, r), cause_text(ESTABLISHMENT, request["sub_type"]))
            self.rrc = None
        elif name == "RRC Connection Reject" and self.rrc and self.rrc[0] == "requested":
            self.report(r, "RRC Setup Reject", cause_text(ESTABLISHMENT, self.rrc[1]["sub_type"]))
            self.rrc = None
        elif name == "RRC Connection Reestablishment Request":
            if self.handover:
                self.report(r, "Handover Failure", cause_text(REESTABLISHMENT, sub), target_text(self.handover))
                self.handover = None
            if sub != 1:
                self.report(r, "Radio Link Failure", cause_text(REESTABLISHMENT, sub))
            self.reest = r
        elif name == "RRC Connection Reestablishment Complete" and self.reest:
            self.report(r, "Re-establishment Success", delay(self.reest, r))
            self.reest = None
        elif name == "RRC Connection Reestablishment Reject" and self.reest:
            self.report(r, "Re-establishment Reject", cause_text(REESTABLISHMENT, r["ie"]["cause"]))
            self.reest = None
        elif name == "Attach Request":
            if self.attach:
                self.report(r, "Attach No Answer", delay(self.attach, r))
            self.attach = r
        elif name == "Attach Accept" and self.attach:
            self.report(r, "Attach Success", delay(self.attach, r))
            self.attach = None
        elif name == "Attach Reject" and self.attach:
            self.report(r, "Attach Reject", cause_text(EMM, r["ie"]["cause"]))
            self.attach = None
        elif name == "Tracking Area Update Request":
            self.tau = r
        elif name == "Tracking Area Update Accept" and self.tau:
            self.report(r, "TAU Success", delay(self.tau, r))
            self.tau = None
        elif name == "Tracking Area Update Reject" and self.tau:
            self.report(r, "TAU Reject", cause_text(EMM, r["ie"]["cause"]))
            self.tau = None
        elif name == "Service Request":
            self.service = r
        elif name == "Service Reject":
            if self.service:
                self.report(r, "Service Request Reject", cause_text(EMM, r["ie"]["cause"]))
                self.service = None
            if self.csfb:
                self.report(r, "CSFB Failure", cause_text(EMM, r["ie"]["cause"]))
                self.csfb = None
        elif name == "RRC Connection Reconfiguration" and sub in (1, 3):
            self.handover = r
        elif name == "RRC Connection Reconfiguration Complete":
            if self.service:
                self.report(r, "Service Request Success", delay(self.service, r))
                self.service = None
            if sub in (1, 3) and self.handover:
                self.report(r, "Handover Success", target_text(self.handover))
                self.handover = None
        elif name == "RRC Connection Release":
            if sub is not None and 2 <= sub <= 7:
                self.report(r, "Redirect to Other System", redirect_text(r))
            if self.csfb:
                outcome = {3: "CSFB to UMTS", 4: "CSFB to UMTS", 2: "CSFB to GSM"}.get(sub)
                if outcome:
                    self.report(r, outcome, redirect_text(r))
                elif sub == 0:
                    self.report(r, "CSFB Failure", f"Cause: other({r['ie']['cause']})")
                if outcome or sub == 0:
                    self.csfb = None
        elif name == "Extended Service Request" and sub in (0, 1, 2):
            self.report(r, "CSFB Attempt")
            self.csfb = r
        elif name == "Detach Request":
            self.report(r, "Detach")


class Gate:
    """An expression gate: held on `times` consecutive records over `span` ms
    counted from the last record where it did not hold (or its last report)."""

    def __init__(self, name, fields, holds, span, times):
        self.name, self.fields, self.holds, self.span, self.times = name, fields, holds, span, times
        self.start, self.count = None, 0

    def record(self, r, reader):
        values = r.get("fields", {})
        if any(f not in values for f in self.fields):
            return
        if not self.holds(*(values[f] for f in self.fields)):
            self.count, self.start = 0, r["ms"]
            return
        held = r["ms"] - self.start if self.start is not None else 0
        self.count += 1
        if held >= self.span and self.count >= self.times:
            reader.report(r, self.name)
            self.count, self.start = 0, r["ms"]
        if self.start is None:
            self.start = r["ms"]


def main(path):
    reader = Reader()
    gates = [Gate("Weak Coverage", ["RSRP"], lambda rsrp: rsrp < -110, 3000, 3),
             Gate("Poor Quality", ["SINR", "RSRQ", "RSRP"], lambda s, q, p: s < 0 and q < -14 and p > -100, 2000, 2)]
    with open(path, encoding="utf-8") as log:
        lines = [line for line in log if line.strip()]
    for index, line in enumerate(lines[1:]):
        r = json.loads(line)
        r["index"], r["ms"] = index, ms(r["time"])
        if "msg" in r:
            reader.message(r)
        for gate in gates:
            gate.record(r, reader)
    for index, name, details in reader.events:
        print(f"{index} {name}" + "".join(f" | {d}" for d in details))


if __name__ == "__main__":
    main(sys.argv[1])
