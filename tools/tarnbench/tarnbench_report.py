"""Output of tarnbench: the table on the terminal, the CSV text and the SVG
chart of frame time against face count (tarnbench_files.py writes them).
Standard library only.

Sections: table; CSV; chart.
"""

import csv
import io
import math


def fmt(value, digits=2):
    return "-" if value is None else ("%.*f" % (digits, value))


def print_table(runs):
    header = "%-11s %-24s %8s %9s %9s %9s %10s %10s" % (
        "scene", "setting", "fps", "ms min", "ms median", "ms max", "Mtri/s", "Mpix/s")
    print()
    print(header)
    print("-" * len(header))
    for r in runs:
        if "error" in r:
            print("%-11s %-24s FAILED: %s" % (r["scene"], r["setting"], r["error"]))
            continue
        print("%-11s %-24s %8s %9s %9s %9s %10s %10s" % (
            r["scene"], r["setting"], fmt(r["fps"], 1), fmt(r["ms_min"]), fmt(r["ms_median"]),
            fmt(r["ms_max"]), fmt(r["mtriangles_per_s"], 3), fmt(r["mpixels_per_s"], 2)))


CSV_FIELDS = ["scene", "faces", "setting", "threads", "frames_measured", "fps", "ms_min", "ms_median", "ms_max",
              "ms_mean", "mtriangles_per_s", "mpixels_per_s", "triangles_per_frame", "timing_source", "wall_s", "error"]


def csv_text(runs):
    out = io.StringIO()
    w = csv.DictWriter(out, fieldnames=CSV_FIELDS, extrasaction="ignore", lineterminator="\n")
    w.writeheader()
    for r in runs:
        w.writerow({k: r.get(k) for k in CSV_FIELDS})
    return out.getvalue()


def svg_escape(text):
    return str(text).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


COLOURS = ["#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b", "#e377c2", "#17becf", "#7f7f7f"]


def chart_text(runs, settings, machine, build):
    """Frame time (median, else mean) against face count, log-log, one line
    per setting."""
    width, height = 860, 520
    left, right, top, bottom = 80, 230, 50, 60
    points = {}
    for r in runs:
        ms = r.get("ms_median") if r.get("ms_median") is not None else r.get("ms_mean")
        if "error" in r or ms is None or not 0 < ms < math.inf or not r.get("faces"):
            continue
        points.setdefault(r["setting"], []).append((r["faces"], ms))
    all_x = [x for pts in points.values() for x, _ in pts] or [1000, 1000000]
    all_y = [y for pts in points.values() for _, y in pts] or [1, 100]
    x0, x1 = math.floor(math.log10(min(all_x))), math.ceil(math.log10(max(all_x)))
    y0, y1 = math.floor(math.log10(min(all_y))), math.ceil(math.log10(max(all_y)))
    x1 = max(x1, x0 + 1)
    y1 = max(y1, y0 + 1)
    pw, ph = width - left - right, height - top - bottom

    def sx(v):
        return left + (math.log10(v) - x0) / (x1 - x0) * pw

    def sy(v):
        return top + ph - (math.log10(v) - y0) / (y1 - y0) * ph

    esc = svg_escape

    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" font-family="sans-serif" '
           'font-size="12">' % (width, height),
           '<rect width="100%" height="100%" fill="white"/>',
           '<text x="%d" y="22" font-size="15">Tarnview: frame time against face count</text>' % left,
           '<text x="%d" y="40" fill="#555">%s, %s cores; %s %s; rev %s</text>' % (
               left, esc(machine["processor"]), machine["logical_cores"], esc(build.get("compiler", "")),
               esc(build.get("cxx_flags", "")), esc(str(build.get("git_revision", ""))[:10]))]
    for e in range(x0, x1 + 1):
        x = sx(10 ** e)
        out.append('<line x1="%.1f" y1="%d" x2="%.1f" y2="%d" stroke="#ddd"/>' % (x, top, x, top + ph))
        label = {3: "1k", 4: "10k", 5: "100k", 6: "1M", 7: "10M"}.get(e, "1e%d" % e)
        out.append('<text x="%.1f" y="%d" text-anchor="middle">%s</text>' % (x, top + ph + 18, label))
    for e in range(y0, y1 + 1):
        y = sy(10 ** e)
        out.append('<line x1="%d" y1="%.1f" x2="%d" y2="%.1f" stroke="#ddd"/>' % (left, y, left + pw, y))
        out.append('<text x="%d" y="%.1f" text-anchor="end">%g ms</text>' % (left - 6, y + 4, 10 ** e))
        for m in (2, 5):
            if e < y1:
                ym = sy(m * 10 ** e)
                out.append('<line x1="%d" y1="%.1f" x2="%d" y2="%.1f" stroke="#eee"/>' % (left, ym, left + pw, ym))
                out.append('<text x="%d" y="%.1f" text-anchor="end" fill="#777">%g</text>' % (
                    left - 6, ym + 4, m * 10 ** e))
    out.append('<rect x="%d" y="%d" width="%d" height="%d" fill="none" stroke="#333"/>' % (left, top, pw, ph))
    out.append('<text x="%d" y="%d" text-anchor="middle">faces in the scene</text>' % (left + pw / 2, height - 15))
    out.append('<text x="18" y="%d" transform="rotate(-90 18 %d)" text-anchor="middle">frame time (median)'
               '</text>' % (top + ph / 2, top + ph / 2))
    for i, name in enumerate(s["name"] for s in settings):
        pts = sorted(points.get(name, []))
        colour = COLOURS[i % len(COLOURS)]
        if pts:
            path_d = " ".join("%s%.1f,%.1f" % ("M" if j == 0 else "L", sx(x), sy(y)) for j, (x, y) in enumerate(pts))
            out.append('<path class="series" d="%s" fill="none" stroke="%s" stroke-width="2"/>' % (path_d, colour))
            for x, y in pts:
                out.append('<circle cx="%.1f" cy="%.1f" r="3" fill="%s"><title>%s, %d faces: %.2f ms</title>'
                           '</circle>' % (sx(x), sy(y), colour, esc(name), x, y))
        ly = top + 10 + i * 20
        out.append('<line x1="%d" y1="%d" x2="%d" y2="%d" stroke="%s" stroke-width="2"/>' % (
            left + pw + 15, ly, left + pw + 40, ly, colour))
        out.append('<text x="%d" y="%d">%s</text>' % (left + pw + 46, ly + 4, esc(name)))
    out.append("</svg>")
    return "\n".join(out) + "\n"
