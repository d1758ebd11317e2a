#!/usr/bin/python3
"""Writes the interoperability fixtures of the DBF driver tests with python3-dbf
(an independent xBase implementation, Debian package python3-dbf).

Run from this folder:  /usr/bin/python3 make_fixtures.py
The files are committed, so the tests do not need Python. The expected values
in tests/platform/db/dbf/interop_test.cpp follow the rows below.
"""
import datetime
import os

import dbf

LONG_MEMO = "".join("Zeile %d: Grüße aus Köln, Ärger über Öl\r\n" % i for i in range(30))

ROWS = [
    ("Müller", 12.5, -3, datetime.date(2024, 2, 29), True, LONG_MEMO),
    None,  # blank record
    ("Größe ÄÖÜ ß", -0.25, 9999, datetime.date(1999, 12, 31), False, "kurz"),
]
DELETED = 2  # 0-based: the third record is deleted

TABLES = [
    # file, table type, code page
    ("py_db3_cp850", "db3", "cp850"),
    ("py_fp_cp1252", "fp", "cp1252"),
    ("py_vfp_cp850", "vfp", "cp850"),
]


def main():
    for name, kind, codepage in TABLES:
        for ext in (".dbf", ".dbt", ".fpt"):
            if os.path.exists(name + ext):
                os.remove(name + ext)
        fields = "name C(20); amount N(8,2); qty N(4,0); born D; ok L; note M"
        if kind == "vfp":
            fields += "; cnt I; rate B; money Y; stamp T; nick C(6) null"
        table = dbf.Table(name, fields, dbf_type=kind, codepage=codepage)
        table.open(dbf.READ_WRITE)
        for i, row in enumerate(ROWS):
            if row is None:
                table.append()
                continue
            if kind == "vfp":
                extra = (7, 0.25, 12.3456, datetime.datetime(2024, 1, 2, 3, 4, 5), None) if i == 0 else \
                        (-1, -1.5, -0.01, datetime.datetime(1999, 12, 31, 23, 59, 59), "Kai")
                row = row + extra
            table.append(row)
        dbf.delete(table[DELETED])
        table.close()


if __name__ == "__main__":
    main()
