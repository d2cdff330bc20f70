#!/usr/bin/env python3
"""Cuts the sample data into small seeds under fuzz/corpus/<target>/.

The feed_record seeds come from the feed_record_seeds program (see
CMakeLists.txt); everything else is made here. Rerun after the sample data
changes; the seeds are kept in the repository.
"""
import json
import pathlib
import shutil
import struct
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(__file__).resolve().parent.parent
SAMPLE = ROOT / "data" / "sample"
CORPUS = ROOT / "fuzz" / "corpus"
NETWORKS = ["GSM", "CDMA", "UMTS", "TD-SCDMA"]


def fresh(target):
    path = CORPUS / target
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def xml_text(root):
    return b'<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(root, encoding="utf-8")


def definitions():
    out = fresh("definitions")
    events = ET.parse(SAMPLE / "EventsDefine.cfg").getroot()
    for net in NETWORKS:
        seed = ET.Element("Events")
        for section, keep in (("Message", 3), ("Gate", 99), ("Aliases", 99)):
            source = events.find(section).find(net)
            if source is None:
                continue
            copy = ET.SubElement(ET.SubElement(seed, section), net, source.attrib)
            copy.extend(list(source)[:keep])
        (out / f"{net}.cfg").write_bytes(xml_text(seed))


def properties():
    out = fresh("properties")
    root = ET.parse(SAMPLE / "EventsProperty.cfg").getroot()
    for keep in (2, 6):
        seed = ET.Element("Propertys")
        for section in root:
            copy = ET.SubElement(seed, section.tag, section.attrib)
            if section.tag == "Test":
                copy.extend(list(section)[:keep])
                continue
            for lst in section:
                ET.SubElement(copy, lst.tag, lst.attrib).extend(list(lst)[:keep])
        (out / f"first-{keep}.cfg").write_bytes(xml_text(seed))


def log_lines(name):
    lines = (SAMPLE / "logs" / name).read_text().splitlines()
    return lines[0], lines[1:]


def log_reader():
    out = fresh("log_reader")
    for log in sorted((SAMPLE / "logs").glob("*.jsonl")):
        header, records = log_lines(log.name)
        rich = [r for r in records if any(k in r for k in ('"items"', '"events"', '"ie"', '"code"', '"trace"'))]
        pieces = (("plain", records[:8]), ("rich-0", rich[:8]), ("rich-1", rich[8:16]), ("rich-2", rich[16:24]))
        for kind, chosen in pieces:
            (out / f"{log.stem}-{kind}.jsonl").write_text("\n".join([header] + chosen) + "\n")


def bmp():
    out = fresh("bmp")
    seen = set()
    for icon in sorted((SAMPLE / "EventBitmap").glob("*.bmp")):
        data = icon.read_bytes()
        if data not in seen:
            seen.add(data)
            (out / icon.name).write_bytes(data)


def expression():
    out = fresh("expression")
    events = ET.parse(SAMPLE / "EventsDefine.cfg").getroot()
    count = 0
    for index, net in enumerate(NETWORKS):
        for gate in events.find("Gate").find(net) or []:
            text = gate.get("Expression", "")
            if text:
                (out / f"{net}-{count}").write_bytes(bytes([index]) + text.encode())
                count += 1


def item_detail():
    out = fresh("item_detail")
    seen = set()
    for log in sorted((SAMPLE / "logs").glob("*.jsonl")):
        header, records = log_lines(log.name)
        head = json.loads(header)
        net = NETWORKS.index(head["network"].upper()) if head["network"].upper() in NETWORKS else 255
        for line in records:
            for item in json.loads(line).get("items", []):
                extra = bytes.fromhex(item.get("extra", ""))
                key = (item["id"], extra)
                if key in seen:
                    continue
                seen.add(key)
                seed = struct.pack("<hHBBBB", item["id"], len(extra), net, net, head.get("device", 0), 0) + extra
                (out / f"{log.stem}-{item['id']}-{len(seen)}").write_bytes(seed)


def lte_decoder():
    """LTE messages with the elements their readers look for (docs/message-bytes.md)."""
    out = fresh("lte_decoder")

    def element(tag, *values, fmt="<i"):
        value = b"".join(struct.pack(fmt, v) for v in values)
        return bytes([tag, len(value)]) + value

    def sub(index):
        return element(0x01, index, fmt="<B")

    seeds = {
        "connection-request-mo-data": (0x712F2101, sub(4)),
        "reestablishment-request-handover-failure": (0x712F2104, sub(1)),
        "reestablishment-reject-cause": (0x712F2106, element(0x02, 2, 10)),
        "release-redirect-utra": (0x712F2202, sub(3) + element(0x02, 1, 9) + element(0x10, 1) + element(0x0F, 10688)),
        "reconfiguration-handover": (0x712F2203, sub(1) + element(0x0E, 301) + element(0x0F, 1300)),
        "reconfiguration-endc": (0x712F2203, sub(2) + element(0x12, 627264, 500)),
        "reconfiguration-complete-handover": (0x712F2204, sub(1) + element(0x0E, 17)),
        "mobility-from-eutra-geran": (0x712F220C, sub(1) + element(0x10, 3) + element(0x0F, 70)),
        "scg-failure": (0x712F2211, element(0x12, 627264, 500) + element(0x13, 3)),
        "attach-reject-13": (0x722F0744, element(0x02, 13)),
        "tau-reject-15": (0x722F074B, element(0x02, 15, 7)),
        "extended-service-request-mo-csfb": (0x722F074C, sub(0)),
        "deactivate-bearer-regular": (0x722F02CD, element(0x11, 5) + element(0x02, 36)),
        "pdn-connectivity-reject-33": (0x722F02D1, element(0x02, 33)),
    }
    for name, (code, block) in seeds.items():
        (out / name).write_bytes(struct.pack("<I", code) + block)


if __name__ == "__main__":
    for make in (definitions, properties, log_reader, bmp, expression, item_detail, lte_decoder):
        make()
