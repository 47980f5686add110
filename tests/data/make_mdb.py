#!/usr/bin/python3
"""Writes small Jet 4 and Jet 3 Access databases from the published page layout: the header
page, the catalog table MSysObjects, user tables with their definitions, data pages and usage
maps. Standard library only. Usage: make_mdb.py 4|3 OUT.mdb"""
import struct
import sys

JET = 4
PG = 4096


def jet4():
    return JET == 4


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 0xFF
        s[i], s[j] = s[j], s[i]
    out = bytearray()
    i = j = 0
    for b in data:
        i = (i + 1) & 0xFF
        j = (j + s[i]) & 0xFF
        s[i], s[j] = s[j], s[i]
        out.append(b ^ s[(s[i] + s[j]) & 0xFF])
    return bytes(out)


T_LONG, T_DOUBLE, T_TEXT, T_INT = 0x04, 0x07, 0x0A, 0x03
FIXED_SIZE = {T_LONG: 4, T_DOUBLE: 8, T_INT: 2}


def header_page():
    pg = bytearray(PG)
    pg[0:4] = b'\x00\x01\x00\x00'
    pg[4:20] = b'Standard Jet DB\x00'
    pg[0x14] = 1 if jet4() else 0
    n = 128 if jet4() else 126
    plain = bytearray(n)
    struct.pack_into('<H', plain, 0x3C - 0x18, 1033 if jet4() else 936)  # code page field
    pg[0x18:0x18 + n] = rc4(struct.pack('<I', 0x6B39DAC7), bytes(plain))
    return pg


def text_value(s):
    return s.encode('utf-16-le') if jet4() else s.encode('gbk')


def encode_row(cols, values):
    """One Jet 4 row: column count, fixed data, variable data, offsets, count, null mask."""
    n = len(cols)
    fixed = bytearray()
    var = []
    present = []
    for (name, typ, size), v in zip(cols, values):
        present.append(v is not None)
        if typ in FIXED_SIZE:
            if v is None:
                fixed += bytes(FIXED_SIZE[typ])
            elif typ == T_DOUBLE:
                fixed += struct.pack('<d', v)
            elif typ == T_LONG:
                fixed += struct.pack('<i', v)
            else:
                fixed += struct.pack('<h', v)
        else:
            var.append(b'' if v is None else text_value(v))
    w = '<H' if jet4() else '<B'  # Jet 3 counts and offsets are single bytes
    row = bytearray(struct.pack(w, n)) + fixed
    offsets = []
    for v in var:
        offsets.append(len(row))
        row += v
    offsets.append(len(row))  # end of the variable data
    for off in reversed(offsets):
        row += struct.pack(w, off)
    row += struct.pack(w, len(var))
    mask = bytearray((n + 7) // 8)
    for i, p in enumerate(present):
        if p:
            mask[i // 8] |= 1 << (i % 8)
    row += mask
    assert jet4() or len(row) < 256, 'a Jet 3 row of 256 bytes or more needs a jump table'
    return bytes(row)


def data_page(tdef_pg, rows):
    pg = bytearray(PG)
    pg[0] = 0x01
    pg[1] = 0x01
    struct.pack_into('<I', pg, 4, tdef_pg)
    count_at = 12 if jet4() else 8
    struct.pack_into('<H', pg, count_at, len(rows))
    end = PG
    for i, r in enumerate(rows):
        start = end - len(r)
        pg[start:end] = r
        struct.pack_into('<H', pg, count_at + 2 + 2 * i, start)
        end = start
    struct.pack_into('<H', pg, 2, end - (count_at + 2 + 2 * len(rows)))
    return pg


def usage_map(first_pg, pages):
    bits = bytearray(64)
    for p in pages:
        bits[(p - first_pg) // 8] |= 1 << ((p - first_pg) % 8)
    return bytes([0]) + struct.pack('<I', first_pg) + bytes(bits)


def tdef_page(cols, num_rows, map_pg, map_row, system):
    # Offsets of the definition's fields and of a column entry's fields, by version.
    if jet4():
        rows_at, type_at, cols_start, entry = 16, 40, 63, 25
        e_num, e_var, e_rownum, e_flags, e_fixed, e_size = 5, 7, 9, 15, 21, 23
    else:
        rows_at, type_at, cols_start, entry = 12, 20, 43, 18
        e_num, e_var, e_rownum, e_flags, e_fixed, e_size = 1, 3, 5, 13, 14, 16
    pg = bytearray(PG)
    pg[0] = 0x02
    pg[1] = 0x01
    pg[2:4] = b'VC'
    struct.pack_into('<I', pg, 4, 0)  # no next definition page
    struct.pack_into('<I', pg, rows_at, num_rows)
    pg[type_at] = 0x53 if system else 0x4E
    nvar = sum(1 for c in cols if c[1] not in FIXED_SIZE)
    struct.pack_into('<H', pg, type_at + 1, len(cols))  # next column number
    struct.pack_into('<H', pg, type_at + 3, nvar)
    struct.pack_into('<H', pg, type_at + 5, len(cols))
    struct.pack_into('<I', pg, type_at + 7, 0)  # indexes
    struct.pack_into('<I', pg, type_at + 11, 0)  # real indexes
    struct.pack_into('<I', pg, type_at + 15, (map_pg << 8) | map_row)  # used pages
    struct.pack_into('<I', pg, type_at + 19, (map_pg << 8) | (map_row + 1))  # free pages
    pos = cols_start
    fixed_off = 0
    var_i = 0
    for num, (name, typ, size) in enumerate(cols):
        e = bytearray(entry)
        e[0] = typ
        struct.pack_into('<H', e, e_num, num)
        struct.pack_into('<H', e, e_rownum, num)
        if typ in FIXED_SIZE:
            e[e_flags] = 0x03  # fixed, may be null
            struct.pack_into('<H', e, e_fixed, fixed_off)
            fixed_off += FIXED_SIZE[typ]
            struct.pack_into('<H', e, e_size, FIXED_SIZE[typ])
        else:
            e[e_flags] = 0x02
            struct.pack_into('<H', e, e_var, var_i)
            var_i += 1
            struct.pack_into('<H', e, e_size, size)
            struct.pack_into('<H', e, e_rownum + 2, 1033 if jet4() else 936)  # sort order
        pg[pos:pos + entry] = e
        pos += entry
    for name, typ, size in cols:
        if jet4():
            b = name.encode('utf-16-le')
            struct.pack_into('<H', pg, pos, len(b))
            pg[pos + 2:pos + 2 + len(b)] = b
            pos += 2 + len(b)
        else:
            b = name.encode('gbk')
            pg[pos] = len(b)
            pg[pos + 1:pos + 1 + len(b)] = b
            pos += 1 + len(b)
    struct.pack_into('<I', pg, 8, pos - 8)
    return pg


MSYS_COLS = [('Id', T_LONG, 4), ('ParentId', T_LONG, 4), ('Name', T_TEXT, 510), ('Type', T_INT, 2),
             ('Flags', T_LONG, 4), ('LvProp', 0x0B, 0)]

LONG151 = 'a' + '中' * 75
USER_TABLES = [
    ('名单', [('手机号码', T_TEXT, 40), ('短信内容', T_TEXT, 510), ('编号', T_DOUBLE, 8)],
     [('13800000001', '你好，第一条', 12.5), ('', '没有号码', 2.0), ('13800000003', None, 0.75),
      ('13800000004', '数字号码', 13800000004.0), ('13800000005', LONG151, 5.0)]),
    ('Other', [('A', T_TEXT, 20)], [('x',)]),
]


def build():
    # Page 0 header, 1 maps, 2 MSysObjects definition, 3 its data, then per table a
    # definition page and a data page.
    pages = {0: header_page()}
    next_pg = 4
    catalog_rows = []
    user = []
    for i, (name, cols, rows) in enumerate(USER_TABLES):
        tdef_pg, data_pg = next_pg, next_pg + 1
        next_pg += 2
        user.append((name, cols, rows, tdef_pg, data_pg, 2 + 2 * i))
        catalog_rows.append(encode_row(MSYS_COLS, [tdef_pg, 0x0F000001, name, 1, 0, None]))
    catalog_rows.append(encode_row(MSYS_COLS, [2, 0x0F000001, 'MSysObjects', 1, -2147483648, None]))
    maps = [usage_map(3, [3]), usage_map(3, [])]
    for name, cols, rows, tdef_pg, data_pg, _ in user:
        maps += [usage_map(data_pg, [data_pg]), usage_map(data_pg, [])]
    pages[1] = data_page(2, maps)
    pages[2] = tdef_page(MSYS_COLS, len(catalog_rows), 1, 0, True)
    pages[3] = data_page(2, catalog_rows)
    for name, cols, rows, tdef_pg, data_pg, map_row in user:
        pages[tdef_pg] = tdef_page(cols, len(rows), 1, map_row, False)
        pages[data_pg] = data_page(tdef_pg, [encode_row(cols, list(r)) for r in rows])
    return b''.join(bytes(pages[p]) for p in range(next_pg))


if __name__ == '__main__':
    JET = int(sys.argv[1])
    PG = 4096 if JET == 4 else 2048
    with open(sys.argv[2], 'wb') as f:
        f.write(build())
