#!/usr/bin/env python3
"""The stages of one check-in from the manager's diagnostic log, for bench/checkin_bench.sh.

    checkin_stages.py ITEM_FILESET_GUID < LOG     one line of stage milliseconds (JSON)
    checkin_stages.py --report < LINES            the median run's table

Log lines: "DATE TIME WHAT SUBJECT hr=... ret=... ms=N message"."""
import json
import re
import statistics
import sys

STAGES = ["request", "download", "extraction", "install program", "records"]


def stages(item_set, lines):
    took = {}
    extract_item = extract_other = download = install = 0
    for line in lines:
        m = re.match(r"\S+ \S+ (\S+) (\S+) hr=\S+ ret=\d+ ms=(\d+)", line)
        if not m:
            continue
        what, subject, ms = m.group(1), m.group(2), int(m.group(3))
        if what == "checkin":
            took["request"] = ms
        elif what == "download":
            download += ms
        elif what == "extract":
            if subject.upper() == item_set.upper():
                extract_item += ms
            else:
                extract_other += ms
        elif what == "install":
            install += ms
        elif what == "answer":
            took["answer"] = ms
    took["download"] = download
    took["extraction"] = extract_item + extract_other
    took["install program"] = max(install - extract_item, 0)
    took["records"] = max(took.get("answer", 0) - download - extract_other - install, 0)
    return {stage: took.get(stage, 0) for stage in STAGES}


def report(rows):
    totals = [sum(r.values()) for r in rows]
    median = rows[totals.index(statistics.median_low(totals))]
    total = sum(median.values())
    print("check-in stages, median of %d runs (totals %s ms):" % (len(rows), ", ".join(map(str, totals))))
    for stage in STAGES:
        print("  %-16s %7d ms  %5.1f %%" % (stage, median[stage], 100.0 * median[stage] / total))
    work = median["download"] + median["extraction"] + median["install program"]
    print("  download + extraction + install program: %.1f %% of %d ms (goal 90 %%)" % (100.0 * work / total, total))


if __name__ == "__main__":
    if sys.argv[1] == "--report":
        report([json.loads(line) for line in sys.stdin if line.strip()])
    else:
        print(json.dumps(stages(sys.argv[1], sys.stdin)))
