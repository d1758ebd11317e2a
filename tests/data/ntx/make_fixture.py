#!/usr/bin/env python3
"""Writes people.ntx byte by byte from the NTX layout (independent of the
driver's own writer), with the features other programs' files show:
offset tables that are not in slot order, stale bytes in unused slots, a
free page, a non-zero update counter and fewer keys per page than the
formula gives (readers must take the value from the header)."""
import struct

PAGE = 1024
KEY = 6
ITEM = KEY + 8
MAX = 4              # keys per page as written in the header
FIRST = 2 + 2 * (MAX + 1)


def slot(i):
    return FIRST + i * ITEM


def page(entries, right_child, order):
    """entries: [(child, rec, key)]; order: slot number of logical entry i
    (len(entries) + 1 items, the last one carries the right-most child)."""
    b = bytearray(PAGE)
    struct.pack_into('<H', b, 0, len(entries))
    # Unused slots keep stale bytes from earlier keys.
    for i in range(MAX + 1):
        struct.pack_into('<II6s', b, slot(i), 0, 99, b'ZZZZZZ')
    for i, s in enumerate(order):
        struct.pack_into('<H', b, 2 + 2 * i, slot(s))
    for i, (child, rec, key) in enumerate(entries):
        struct.pack_into('<II6s', b, slot(order[i]), child, rec, key)
    struct.pack_into('<I', b, slot(order[len(entries)]), right_child)
    return b


header = bytearray(PAGE)
struct.pack_into('<HHIIHHHHH', header, 0, 0x0006, 5, 2 * PAGE, 4 * PAGE, ITEM, KEY, 0, MAX, MAX // 2)
header[22:22 + 11] = b'UPPER(NAME)'
header[538:538 + 6] = b'PEOPLE'

leaf_a = page([(0, 3, b'ALPHA '), (0, 1, b'BRAVO '), (0, 4, b'BRAVO ')], 0, [3, 0, 4, 1, 2])
root = page([(1 * PAGE, 5, b'CHARLI')], 3 * PAGE, [2, 4, 0, 1, 3])
leaf_b = page([(0, 2, b'DELTA '), (0, 6, b'ECHO  ')], 0, [1, 4, 3, 0, 2])
free = bytearray(PAGE)  # next free page: none

with open('people.ntx', 'wb') as f:
    f.write(header + leaf_a + root + leaf_b + free)
