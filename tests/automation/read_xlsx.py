#!/usr/bin/python3
"""Prints what a saved workbook holds, as JSON, for the tests to check: every cell with its
type, number format, bold and vertical alignment; column widths; defined names; and each
chart with its series references, title, axes, the sheet that shows it and, in a worksheet,
the cell it is anchored to."""

import json
import posixpath
import sys
import xml.etree.ElementTree as ET
import zipfile

import openpyxl

NS = {
    "c": "http://schemas.openxmlformats.org/drawingml/2006/chart",
    "a": "http://schemas.openxmlformats.org/drawingml/2006/main",
    "r": "http://schemas.openxmlformats.org/package/2006/relationships",
    "s": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "or": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
}


def cells(workbook):
    out = {}
    for sheet in workbook.worksheets:
        sheet_cells = {}
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None and not cell.font.b:
                    continue
                value = cell.value
                kind = cell.data_type
                if hasattr(value, "isoformat"):
                    value = value.isoformat()
                sheet_cells[cell.coordinate] = {
                    "type": kind,
                    "value": value,
                    "format": cell.number_format,
                    "bold": bool(cell.font.b),
                    "valign": cell.alignment.vertical,
                }
        widths = {key: dim.width for key, dim in sheet.column_dimensions.items() if dim.width}
        out[sheet.title] = {"cells": sheet_cells, "widths": widths}
    return out


def names(workbook):
    out = []
    titles = workbook.sheetnames
    for name in workbook.defined_names.definedName:
        scope = titles[name.localSheetId] if name.localSheetId is not None else ""
        out.append({"name": name.name, "scope": scope, "refers_to": name.attr_text})
    return out


def relationships(archive, part):
    folder, base = posixpath.split(part)
    rels = posixpath.join(folder, "_rels", base + ".rels")
    if rels not in archive.namelist():
        return []
    root = ET.fromstring(archive.read(rels))
    return [posixpath.normpath(posixpath.join(folder, rel.get("Target")))
            for rel in root.findall("r:Relationship", NS)]


def chart_owners(archive):
    """Maps each chart part to the sheet or chart sheet that shows it."""
    root = ET.fromstring(archive.read("xl/workbook.xml"))
    targets = dict(zip(
        [rel.get("Id") for rel in ET.fromstring(archive.read("xl/_rels/workbook.xml.rels"))],
        [posixpath.join("xl", rel.get("Target")) for rel in
         ET.fromstring(archive.read("xl/_rels/workbook.xml.rels"))]))
    owners = {}
    for sheet in root.find("s:sheets", NS):
        part = targets[sheet.get("{%s}id" % NS["or"])]
        kind = "chartsheet" if "/chartsheets/" in part else "worksheet"
        for drawing in relationships(archive, part):
            for chart in relationships(archive, drawing):
                owners[chart] = {"sheet": sheet.get("name"), "kind": kind}
    return owners


def chart_anchors(archive):
    """Maps each chart part shown in a worksheet to the cell its top left corner is anchored
    to, as 0-based column and row."""
    xdr = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"
    anchors = {}
    for part in (p for p in archive.namelist() if p.startswith("xl/drawings/drawing")):
        if not part.endswith(".xml"):
            continue
        folder, base = posixpath.split(part)
        rels_part = posixpath.join(folder, "_rels", base + ".rels")
        if rels_part not in archive.namelist():
            continue
        targets = {rel.get("Id"): posixpath.normpath(posixpath.join(folder, rel.get("Target")))
                   for rel in ET.fromstring(archive.read(rels_part))}
        root = ET.fromstring(archive.read(part))
        for anchor in list(root):
            start = anchor.find("{%s}from" % xdr)
            chart = anchor.find(".//c:chart", NS)
            if start is None or chart is None:
                continue
            target = targets.get(chart.get("{%s}id" % NS["or"]))
            anchors[target] = {"col": int(start.find("{%s}col" % xdr).text),
                               "row": int(start.find("{%s}row" % xdr).text)}
    return anchors


def text_of(element):
    return "".join(t.text or "" for t in element.iter("{%s}t" % NS["a"])) if element is not None else None


def charts(archive):
    owners = chart_owners(archive)
    anchors = chart_anchors(archive)
    out = []
    for part in sorted(p for p in archive.namelist() if p.startswith("xl/charts/chart")):
        root = ET.fromstring(archive.read(part))
        groups = []
        for group in root.iter("{%s}lineChart" % NS["c"]):
            series = []
            for ser in group.findall("c:ser", NS):
                name = ser.find("c:tx/c:strRef/c:f", NS)
                literal = ser.find("c:tx/c:v", NS)
                values = ser.find("c:val/c:numRef/c:f", NS)
                marker = ser.find("c:marker/c:symbol", NS)
                series.append({
                    "name": name.text if name is not None else (literal.text if literal is not None else None),
                    "values": values.text if values is not None else None,
                    "marker": marker.get("val") if marker is not None else None,
                })
            groups.append(series)
        axes = []
        for kind in ("catAx", "valAx"):
            for axis in root.iter("{%s}%s" % (NS["c"], kind)):
                deleted = axis.find("c:delete", NS)
                position = axis.find("c:tickLblPos", NS)
                axes.append({
                    "kind": kind,
                    "deleted": deleted is not None and deleted.get("val") == "1",
                    "position": axis.find("c:axPos", NS).get("val"),
                    "labels": position.get("val") if position is not None else None,
                })
        title = root.find("c:chart/c:title", NS)
        out.append({
            "part": part,
            "owner": owners.get(part),
            "anchor": anchors.get(part),
            "groups": groups,
            "axes": axes,
            "title": text_of(title),
        })
    return out


def main():
    path = sys.argv[1]
    workbook = openpyxl.load_workbook(path)
    with zipfile.ZipFile(path) as archive:
        report = {
            "sheets": cells(workbook),
            "chartsheets": [sheet.title for sheet in workbook.chartsheets],
            "names": names(workbook),
            "charts": charts(archive),
        }
    print(json.dumps(report))


if __name__ == "__main__":
    main()
