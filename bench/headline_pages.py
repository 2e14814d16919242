#!/usr/bin/python3
"""Writes the headline benchmark's pages into FOLDER: feeds/<id>.xml for the sites 0 to 20 and the
anime schedule of the month of today under anime/YYYY/YYYYMM.html.

Every page is 30 to 200 KB: items with a Japanese title and a long description. The feeds take turns
in form (RSS 2.0, RSS 1.0, Atom) and encoding (UTF-8, Shift_JIS, EUC-JP), each declared.
"""
import datetime
import os
import sys

LINE = "政府は本日、新しい経済対策の概要を発表した。関係者によると、対策は年内に実施される見通しだ。"
FORMS = ["rss2", "rss1", "atom"]
ENCODINGS = [("UTF-8", "utf-8"), ("Shift_JIS", "cp932"), ("EUC-JP", "euc_jp")]


def items(kb, codec):
    # As many items as make kb in this encoding.
    sample = (f"第0報　新製品を発表、価格は１００円から２００円{LINE * 5}http://example.invalid/0" + " " * 60)
    count = max(10, kb * 1024 // len(sample.encode(codec)) + 1)
    for i in range(count):
        yield f"第{i}報　新製品を発表、価格は１００円から２００円", LINE * 5


def feed(form, label, kb, codec):
    if form == "rss2":
        body = "".join(f"<item><title>{t}</title><link>http://example.invalid/{i}</link>"
                       f"<description>{d}</description></item>\n" for i, (t, d) in enumerate(items(kb, codec)))
        return (f'<?xml version="1.0" encoding="{label}"?>\n<rss version="2.0"><channel><title>bench</title>'
                f"<link>http://example.invalid/</link>\n{body}</channel></rss>\n")
    if form == "rss1":
        body = "".join(f'<item rdf:about="http://example.invalid/{i}"><title>{t}</title>'
                       f"<link>http://example.invalid/{i}</link><description>{d}</description></item>\n"
                       for i, (t, d) in enumerate(items(kb, codec)))
        return (f'<?xml version="1.0" encoding="{label}"?>\n'
                '<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns="http://purl.org/rss/1.0/">'
                f'<channel rdf:about="http://example.invalid/"><title>bench</title></channel>\n{body}</rdf:RDF>\n')
    body = "".join(f"<entry><title>{t}</title><id>urn:x:{i}</id><summary>{d}</summary></entry>\n"
                   for i, (t, d) in enumerate(items(kb, codec)))
    return (f'<?xml version="1.0" encoding="{label}"?>\n<feed xmlns="http://www.w3.org/2005/Atom">'
            f"<title>bench</title><id>urn:x</id>\n{body}</feed>\n")


def schedule(today):
    rows = []
    for day in range(1, 32):
        shows = "<br>".join(f"番組{day}-{n}　第{n}話 25:{n:02d}～" for n in range(1, 30)) if day % 7 else ""
        rows.append(f'<tr><td class="day">{day}日</td><td class="program">{shows}</td></tr>\n')
    return ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">'
            f"<title>{today:%Y年%m月}</title></head><body>\n"
            f'<table class="schedule">\n<tr><th>日付</th><th>番組</th></tr>\n{"".join(rows)}</table>'
            f"<p>{LINE * 100}</p></body></html>\n")


def main():
    folder = sys.argv[1]
    os.makedirs(f"{folder}/feeds", exist_ok=True)
    for site in range(21):
        kb = 30 + (site * 37) % 171
        label, codec = ENCODINGS[site % 3]
        text = feed(FORMS[(site // 3) % 3], label, kb, codec)
        with open(f"{folder}/feeds/{site}.xml", "wb") as f:
            f.write(text.encode(codec))
    today = datetime.date.today()
    os.makedirs(f"{folder}/anime/{today:%Y}", exist_ok=True)
    with open(f"{folder}/anime/{today:%Y}/{today:%Y%m}.html", "wb") as f:
        f.write(schedule(today).encode("cp932"))


if __name__ == "__main__":
    main()
