#!/usr/bin/python3
"""Reads a DBF table with an independent implementation and prints one line
per record, for the interoperability tests of the DBF driver.

usage: read_with_python.py dbfread|dbf TABLE [append]

Line format: deleted flag (0/1), then FIELD=value pairs, separated by the
byte 0x1F. Values: text without trailing blanks, numbers as '%.10g', T/F,
ISO dates ('' when empty), 'YYYY-MM-DD HH:MM:SS', NULL, b64:<base64> for
bytes. CR and LF in text are written as \\r and \\n.
With 'append' (python3-dbf only) a record NAME='Zusatz ä' QTY=42 is appended
first, so the tests can read a table that the other program changed.
"""
import base64
import datetime
import decimal
import sys


def canon(v):
    if v is None:
        return "NULL"
    if isinstance(v, bool):
        return "T" if v else "F"
    if isinstance(v, (int, float, decimal.Decimal)):
        return format(float(v), ".10g") if float(v) != int(v) else str(int(v))
    if isinstance(v, datetime.datetime):
        return v.strftime("%Y-%m-%d %H:%M:%S")
    if isinstance(v, datetime.date):
        return v.isoformat()
    if isinstance(v, (bytes, bytearray)):
        return "b64:" + base64.b64encode(bytes(v)).decode()
    if hasattr(v, "date") and not v:  # python3-dbf empty Date
        return ""
    if hasattr(v, "isoformat"):
        return v.isoformat()
    # dbfread takes a dBASE IV memo's length as the data length, while the
    # writers count the 8-byte block header in it; it then returns the data
    # followed by the zero padding of the block. Trailing NULs carry no text.
    s = str(v).rstrip("\x00").rstrip(" ")
    return s.replace("\r", "\\r").replace("\n", "\\n")


def line(deleted, pairs):
    return "\x1f".join(["1" if deleted else "0"] + ["%s=%s" % (k.upper(), canon(v)) for k, v in pairs])


def with_dbfread(path):
    import dbfread
    table = dbfread.DBF(path, load=True, char_decode_errors="strict")
    # dbfread keeps live and deleted records apart; merge them back in file order.
    rows = [(False, r) for r in table.records] + [(True, r) for r in table.deleted]
    out = []
    for deleted, rec in rows:
        out.append((rec, deleted))
    # Records carry no number in dbfread; order live first, deleted after.
    for rec, deleted in out:
        print(line(deleted, [(k, v) for k, v in rec.items() if k.upper() != "_NULLFLAGS"]))


def with_dbf(path, append):
    import dbf
    table = dbf.Table(path)
    table.open(dbf.READ_WRITE if append else dbf.READ_ONLY)
    if append:
        table.append({"name": "Zusatz ä", "qty": 42})
    for rec in table:
        names = table.field_names
        print(line(dbf.is_deleted(rec), [(n, rec[n]) for n in names]))
    table.close()


if __name__ == "__main__":
    reader, path = sys.argv[1], sys.argv[2]
    append = len(sys.argv) > 3 and sys.argv[3] == "append"
    if reader == "dbfread":
        with_dbfread(path)
    else:
        with_dbf(path, append)
