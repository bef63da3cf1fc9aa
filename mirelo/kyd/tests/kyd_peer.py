"""Containers as another writer makes them (Python's zipfile), damaged on
request, and their listing as zipfile reads it.

  kyd_peer.py write ARCHIVE [INDEX:HOW] NAME=FILE...
      deflated entries in this order, then entry INDEX damaged: HOW is
      crc, encrypt, understate, overstate or truncate
  kyd_peer.py list ARCHIVE      "name<TAB>method" per entry
"""
import struct
import sys
import zipfile


def write(archive, pairs):
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        for pair in pairs:
            name, source = pair.split("=", 1)
            with open(source, "rb") as f:
                z.writestr(zipfile.ZipInfo(name, (2026, 12, 7, 21, 15, 54)), f.read(), zipfile.ZIP_DEFLATED)


def listing(archive):
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            print(f"{info.filename}\t{info.compress_type}")


def central_headers(data):
    end = data.rfind(b"PK\x05\x06")
    count, _, offset = struct.unpack_from("<HII", data, end + 10)
    headers = []
    for _ in range(count):
        headers.append(offset)
        name, extra, comment = struct.unpack_from("<HHH", data, offset + 28)
        offset += 46 + name + extra + comment
    return headers


def damage(archive, index, how):
    data = bytearray(open(archive, "rb").read())
    if how == "truncate":
        data = data[: len(data) // 2]
    else:
        central = central_headers(data)[index]
        local = struct.unpack_from("<I", data, central + 42)[0]
        # (central field offset, local field offset) of each changed field
        flags, crc, size = (8, 6), (16, 14), (24, 22)
        for header, field in ((central, 0), (local, 1)):
            if how == "crc":
                at = header + crc[field]
                struct.pack_into("<I", data, at, struct.unpack_from("<I", data, at)[0] ^ 0x5A5A5A5A)
            elif how == "encrypt":
                at = header + flags[field]
                struct.pack_into("<H", data, at, struct.unpack_from("<H", data, at)[0] | 1)
            elif how == "understate":
                at = header + size[field]
                struct.pack_into("<I", data, at, struct.unpack_from("<I", data, at)[0] // 16)
            elif how == "overstate":
                struct.pack_into("<I", data, header + size[field], 0xF0000000)
            else:
                sys.exit(f"unknown damage {how}")
    open(archive, "wb").write(data)


if __name__ == "__main__":
    command, archive = sys.argv[1], sys.argv[2]
    if command == "write":
        pairs = sys.argv[3:]
        harm = pairs.pop(0).split(":") if pairs and "=" not in pairs[0] else None
        write(archive, pairs)
        if harm:
            damage(archive, int(harm[0]), harm[1])
    elif command == "list":
        listing(archive)
    else:
        sys.exit(f"unknown command {command}")
