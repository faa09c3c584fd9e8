#!/usr/bin/env python3
# The 100,000 rows of the edit's memory figure: JSON Lines of 25 filled
# columns, album-like (twelve rows an album, a thousand an artist, Cyrillic
# and Latin texts), 88 MB; written twice, with and without "Read" stamps
# (the files need not exist: edit only carries the stamps).
#
#   bench/edit_rows.py ROWS_WITH_READ ROWS_WITHOUT_READ
#   /usr/bin/time -f %M quillmark-cli edit --set 'New=%TR. %TT' < ROWS >/dev/null
import json, sys
out_read = open(sys.argv[1], "w", encoding="utf-8")
out_plain = open(sys.argv[2], "w", encoding="utf-8")
codes = "No Dir Old New Ext Siz Dur Inf Tit Trc Art Alb Yea Gen Com Ope Tt1 Oal Ory Cop Slt Enc Cmp Lan Xxx".split()
words = ["Песня", "Night", "Дорога", "River", "Звезда", "Light", "Осень", "Train", "Город", "Dream", "Ветер", "Stone"]
for i in range(100000):
    artist, album, track = i // 1000, (i // 12) % 84, i % 12 + 1
    cyr = artist % 2 == 0
    art = ("Исполнитель %03d" if cyr else "The Artist %03d") % artist
    alb = ("Альбом номер %02d" if cyr else "Album Number %02d") % album
    year = 1960 + (artist + album) % 60
    tit = "%s %s %d" % (words[(i * 7) % 12], words[(i * 5 + 3) % 12], track)
    d = "/home/listener/Музыка/%s/%d - %s/" % (art, year, alb)
    old = "%02d - %s" % (track, tit)
    size = 3000000 + (i * 7919) % 9000000
    row = {
        "No": "%06d" % (i + 1), "Dir": d, "Old": old, "New": old, "Ext": "mp3",
        "Siz": str(size), "Dur": "%d:%02d" % (2 + i % 5, i % 60),
        "Inf": "MPEG 1 Layer III, %d kbps, 44100 Hz, Joint Stereo" % (128 + 64 * (album % 4)),
        "Tit": tit, "Trc": "%d/12" % track, "Art": art, "Alb": alb, "Yea": str(year),
        "Gen": "Rock" if cyr else "Alternative Rock",
        "Com": ("Комментарий %02d, переиздание" if cyr else "Comment %02d, reissue") % track,
        "Enc": "LAME 3.100 -V 0 %d.%d" % (i // 4 % 100, max(i % 4, 1)),
        "Ope": "Оригинальный %s" % art, "Tt1": "Группа %03d" % artist,
        "Oal": "Оригинальный %s" % alb, "Ory": str(year - 3),
        "Cop": "(c) %d Студия звукозаписи %03d" % (year, artist),
        "Slt": "Первая строка песни %d\nВторая строка песни %d\nThird line of song %d" % (i, i, i),
        "Cmp": ("Композитор %03d" if cyr else "Composer %03d") % artist,
        "Lan": "rus" if cyr else "eng", "Xxx": "http://example.com/artists/%03d/albums/%02d" % (artist, album),
    }
    line = json.dumps({c: row[c] for c in codes}, ensure_ascii=False, separators=(",", ":"))
    out_plain.write(line + "\n")
    stamp = "2049:%d:%d:%d" % (1000000 + i, size, 1700000000123456789 + i * 1000003)
    out_read.write(line[:-1] + ',"Read":"%s"}\n' % stamp)
