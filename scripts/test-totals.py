#!/usr/bin/env python3
"""Prints the run's totals as 'N passed, N failed': GoogleTest cases from each program's
XML, plus one for every other ctest test. A program that died before writing its results
counts as one failure."""
import os
import sys
import xml.etree.ElementTree as ET

results = sys.argv[1]
build_failed = len(sys.argv) > 2 and sys.argv[2] != "0"
passed = failed = skipped = 0
ctest = ET.parse(os.path.join(results, "ctest.xml")).getroot()
for case in ctest.iter("testcase"):
    name = case.get("name")
    ok = case.get("status") in (None, "run") and case.find("failure") is None
    if case.get("status") == "disabled" or case.get("status") == "notrun":
        skipped += 1
        continue
    gxml = os.path.join(results, name + ".xml")
    if os.path.exists(gxml):
        try:
            root = ET.parse(gxml).getroot()
            tests = int(root.get("tests", 0))
            fails = int(root.get("failures", 0)) + int(root.get("errors", 0))
            skips = int(root.get("skipped", 0)) + int(root.get("disabled", 0))
            passed += tests - fails - skips
            failed += fails
            skipped += skips
            if not ok and fails == 0:
                failed += 1
            continue
        except ET.ParseError:
            pass
    if ok:
        passed += 1
    else:
        failed += 1
if build_failed:
    failed += 1  # the build itself
line = f"{passed} passed, {failed} failed"
if skipped:
    line += f", {skipped} skipped"
print(line)
sys.exit(1 if failed else 0)
