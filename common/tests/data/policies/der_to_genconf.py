#!/usr/bin/env python3
"""Writes one DER value (a certificate, say) as `openssl asn1parse -genconf`
sections, so that a test policy can carry it: the sections regenerate the
same bytes. Usage: der_to_genconf.py input.der prefix > output.cnf
The value is then `SEQUENCE:<prefix>`."""
import sys

STRINGS = {0x0C: "UTF8String", 0x13: "PRINTABLESTRING", 0x16: "IA5STRING", 0x1E: "BMPSTRING"}


def header(der, pos):
    tag = der[pos]
    length = der[pos + 1]
    pos += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(der[pos:pos + count], "big")
        pos += count
    return tag, pos, pos + length


def oid_text(content):
    arcs, value = [], 0
    for b in content:
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            arcs.append(value)
            value = 0
    first = min(arcs[0] // 40, 2)
    return ".".join(str(a) for a in [first, arcs[0] - 40 * first] + arcs[1:])


class Writer:
    def __init__(self, prefix):
        self.prefix, self.sections, self.count = prefix, [], 0

    def section(self, der, start, end, name=None):
        name = name or "%s_%d" % (self.prefix, self.count)
        self.count += 1
        lines, pos, index = [], start, 0
        while pos < end:
            tag, content, after = header(der, pos)
            lines.append("e%d = %s" % (index, self.value(der, tag, content, after)))
            pos, index = after, index + 1
        self.sections.append((name, lines))
        return name

    def value(self, der, tag, start, end):
        content = der[start:end]
        if tag in (0x30, 0x31):
            kind = "SEQUENCE" if tag == 0x30 else "SET"
            return "%s:%s" % (kind, self.section(der, start, end))
        if tag & 0xE0 == 0xA0:
            return "IMPLICIT:%d,SEQUENCE:%s" % (tag & 0x1F, self.section(der, start, end))
        if tag & 0xE0 == 0x80:
            return "IMPLICIT:%d,FORMAT:HEX,OCTETSTRING:%s" % (tag & 0x1F, content.hex().upper())
        if tag == 0x01:
            return "BOOLEAN:%s" % ("TRUE" if content[0] else "FALSE")
        if tag == 0x02:
            return "INTEGER:0x%s" % content.hex().upper()
        if tag == 0x03:
            assert content[0] == 0, "bit strings with unused bits are not written"
            return "FORMAT:HEX,BITSTRING:%s" % content[1:].hex().upper()
        if tag == 0x04:
            return "FORMAT:HEX,OCTETSTRING:%s" % content.hex().upper()
        if tag == 0x05:
            return "NULL"
        if tag == 0x06:
            return "OID:%s" % oid_text(content)
        if tag == 0x17:
            return "UTCTIME:%s" % content.decode()
        if tag == 0x18:
            return "GENTIME:%s" % content.decode()
        if tag in STRINGS:
            text = content.decode("utf-16-be" if tag == 0x1E else "utf-8")
            return "FORMAT:UTF8,%s:%s" % (STRINGS[tag], text)
        raise ValueError("tag 0x%02X is not written" % tag)


def main():
    der = open(sys.argv[1], "rb").read()
    writer = Writer(sys.argv[2])
    tag, start, end = header(der, 0)
    assert tag == 0x30
    writer.section(der, start, end, sys.argv[2])
    for name, lines in reversed(writer.sections):
        print("[%s]" % name)
        print("\n".join(lines))
        print()


main()
