#!/usr/bin/python3
"""Update server for tests: HTTPS on 127.0.0.1, answering the upgrade
client's XML requests (getfilelist, getfile one file, getfile as a ZIP).

Started by testkit::UpdateServer (testkit/include/testkit/update_server.h),
which writes into the folder given by --folder:

    tree       the published tree, tab-separated lines, read for every request:
               "version <text>", "dir <location> <dont-touch 0|1> <path>",
               "file <location> <dont-touch 0|1> <content file> <path>"
    fault      one word: how to answer from now on ("none" for good replies)

and reads what the server records of request n (from 0):

    requests/<n>.xml   the body as received
    requests/<n>.meta  tab-separated lines: target, user-agent, content-type,
                       subtype, zip, and one "file <location> <path>" per
                       requested file

Locations are 1 program_folder, 2 system_folder, 3 system_folder_com. In a
ZIP the files of locations 2 and 3 are named below "_LUMVAR_SYSTEM/" and
"_LUMVAR_SYSTEM_COM/". A request the server cannot serve (not XML, unknown
subtype, a file it does not have) gets an error document with status 200.
"""

import argparse
import base64
import hashlib
import io
import os
import sys
import xml.etree.ElementTree as ET
import zipfile

sys.dont_write_bytecode = True  # nothing written beside the scripts
import quiet_https  # noqa: E402

LOCATION_NAMES = {1: "program_folder", 2: "system_folder", 3: "system_folder_com"}
LOCATION_CODES = {name: code for code, name in LOCATION_NAMES.items()}
ZIP_FOLDERS = {1: "", 2: "_LUMVAR_SYSTEM/", 3: "_LUMVAR_SYSTEM_COM/"}
SERVED_PATH = "/cgi-bin/upgradeapp.cgi"
HUGE_ANNOUNCEMENT = 600 * 1024 * 1024  # more than any client should hold

folder = None


class Tree:
    def __init__(self):
        self.version, self.dirs, self.files = "", [], []
        with open(os.path.join(folder, "tree"), encoding="utf-8") as f:
            for line in f.read().splitlines():
                words = line.split("\t")
                if words[0] == "version":
                    self.version = words[1]
                elif words[0] == "dir":
                    self.dirs.append({"location": int(words[1]), "dont_touch": words[2] == "1", "path": words[3]})
                elif words[0] == "file":
                    with open(os.path.join(folder, words[3]), "rb") as content:
                        data = content.read()
                    self.files.append({"location": int(words[1]), "dont_touch": words[2] == "1",
                                       "path": words[4], "data": data})

    def find(self, location, path):
        for item in self.files:
            if LOCATION_NAMES[item["location"]] == location and item["path"] == path:
                return item
        return None


def child(parent, tag, text=None, **attributes):
    element = ET.SubElement(parent, tag, attributes)
    if text is not None:
        element.text = text
    return element


def document(subtype, status):
    root = ET.Element("Tesk")
    response = child(root, "Response", product_version="1.0", product_name="Tesk Upgrade")
    header = child(response, "Header")
    child(header, "Type", "lumvar", version="1")
    child(header, "SubType", subtype)
    return root, child(response, "Body", status=status)


def text_of(root):
    return ET.tostring(root, encoding="utf-8", xml_declaration=True)


def error_document(subtype, code, message):
    root, body = document(subtype, "error")
    error = child(body, "Error")
    child(error, "Code", code)
    child(error, "Message", message)
    return text_of(root)


def wrong_digest(digest):
    return digest[:-1] + ("0" if digest[-1] != "0" else "1")


def list_path(path, fault):
    prefixes = {"list_parent": "../", "list_leading_separator": "/", "list_drive": "C:/"}
    return prefixes.get(fault, "") + path


def file_list(tree, fault):
    root, body = document("getfilelist", "ok")
    child(body, "OK")
    child(body, "Version", tree.version)
    if tree.dirs:
        dirs = child(body, "DirList")
        for item in tree.dirs:
            entry = child(dirs, "Dir")
            child(entry, "Location", LOCATION_NAMES[item["location"]])
            child(entry, "DontTouch", "yes" if item["dont_touch"] else "no")
            child(entry, "Path", item["path"])
    if tree.files:
        files = child(body, "FileList")
        for index, item in enumerate(tree.files):
            digest = hashlib.sha1(item["data"]).hexdigest().upper()
            size = len(item["data"])
            entry = child(files, "File")
            child(entry, "Location", LOCATION_NAMES[item["location"]])
            child(entry, "DontTouch", "yes" if item["dont_touch"] else "no")
            child(entry, "Path", list_path(item["path"], fault) if index == 0 else item["path"])
            child(entry, "Hash", wrong_digest(digest) if fault == "wrong_digest" else digest)
            child(entry, "FileSize", str(size + 1 if fault == "wrong_size" else size))
    return root


def zip_entries(items, fault):
    entries = [(ZIP_FOLDERS[item["location"]] + item["path"], item["data"]) for item in items]
    if fault == "zip_reversed":
        entries.reverse()
    elif fault == "zip_missing":
        entries = entries[:-1]
    elif fault == "zip_extra":
        entries.append(("extra.txt", b"an entry nobody asked for\n"))
    elif fault == "zip_parent":
        entries[0] = ("../" + entries[0][0], entries[0][1])
    elif fault == "zip_absolute":
        entries[0] = ("/" + entries[0][0], entries[0][1])
    packed = io.BytesIO()
    with zipfile.ZipFile(packed, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries:
            archive.writestr(name, data)
    return packed.getvalue()


def payload(data, fault):
    text = base64.b64encode(data).decode("ascii")
    if fault == "truncated_base64":
        # Half of the groups and two characters of the next: an incomplete last group.
        return text[:(len(text) // 8) * 4 + 2]
    if fault == "invalid_base64":
        middle = len(text) // 2
        return text[:middle] + "*!" + text[middle:]
    return text


def download(tree, request, zipped, fault):
    paths = ".//Body/DownloadRequest/FileList/File" if zipped else ".//Body/DownloadRequest/File"
    wanted = [((f.findtext("Location") or "").strip(), (f.findtext("Path") or "").strip())
              for f in request.findall(paths)]
    if not wanted or (not zipped and len(wanted) != 1):
        return error_document("getfile", "400", "the request names no file or more than one")
    items = []
    for location, path in wanted:
        item = tree.find(location, path)
        if item is None:
            return error_document("getfile", "404", "no such file: %s %s" % (location, path))
        items.append(item)
    root, body = document("getfile", "ok")
    child(body, "OK")
    if zipped:
        child(body, "ZIP", payload(zip_entries(items, fault), fault))
    else:
        child(body, "File", payload(items[0]["data"], fault))
    return root


def answer(request_body, fault):
    """The reply document (an Element, or bytes for an error document)."""
    try:
        request = ET.fromstring(request_body)
    except ET.ParseError:
        return error_document("unknown", "400", "the request is not XML")
    subtype = (request.findtext(".//Header/SubType") or "").strip()
    tree = Tree()
    if subtype == "getfilelist":
        return file_list(tree, fault)
    if subtype == "getfile":
        zipped = request.find(".//Body/DownloadRequest")
        return download(tree, request, zipped is not None and zipped.get("zip") == "yes", fault)
    return error_document(subtype or "unknown", "400", "unknown request subtype")


def spoil(root, fault):
    """A good reply turned into what the fault asks for: (status, bytes)."""
    subtype = root.findtext("Response/Header/SubType")
    if fault == "maintenance":
        reply, body = document(subtype, "ok")
        child(body, "OK", repo_update="yes")
        return 200, text_of(reply)
    if fault in ("error_document", "server_error"):
        text = error_document(subtype, "500", "the repository cannot be read")
        return (500 if fault == "server_error" else 200), text
    if fault == "schema_invalid":
        body = root.find("Response/Body")
        body.set("status", "fine")
        body.insert(0, ET.Element("Surprise"))
    if fault == "not_xml":
        return 200, b"<html><body>Service unavailable<br></body></html>\n"
    return 200, text_of(root)


def record(handler, body):
    meta = [("target", handler.path), ("user-agent", handler.headers.get("User-Agent", "")),
            ("content-type", handler.headers.get("Content-Type", ""))]
    try:
        request = ET.fromstring(body)
        download = request.find(".//Body/DownloadRequest")
        meta += [("subtype", (request.findtext(".//Header/SubType") or "").strip()),
                 ("zip", download.get("zip", "") if download is not None else "")]
        for f in request.iter("File"):
            meta.append(("file", (f.findtext("Location") or "").strip(), (f.findtext("Path") or "").strip()))
    except ET.ParseError:
        pass
    quiet_https.record_request(folder, body, ".xml", meta)


class Handler(quiet_https.QuietHandler):
    def do_POST(self):
        body = self.read_body(16 * 1024 * 1024)
        record(self, body)
        with open(os.path.join(folder, "fault"), encoding="ascii") as f:
            fault = f.read().strip() or "none"
        if self.path.split("?")[0] != SERVED_PATH:
            status, text = 404, error_document("unknown", "404", "no such service")
        else:
            reply = answer(body, fault)
            status, text = (200, reply) if isinstance(reply, bytes) else spoil(reply, fault)
        if fault == "longer_than_announced":
            self.send_chunked(status, text)
            return
        self.send_response(status)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        if fault == "huge_announcement":
            self.send_header("Content-Length", str(HUGE_ANNOUNCEMENT))
        elif fault != "no_content_length":
            self.send_header("Content-Length", str(len(text)))
        self.end_headers()
        self.wfile.write(text)

    def send_chunked(self, status, text):
        """An HTTP/1.1 reply in one chunk whose Content-Length announces half
        of it: a client that reads the chunks gets more than announced."""
        head = ("HTTP/1.1 %d OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: %d\r\n"
                "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n" % (status, len(text) // 2))
        self.close_connection = True
        self.wfile.write(head.encode("ascii") + b"%x\r\n" % len(text) + text + b"\r\n0\r\n\r\n")

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass


def main():
    global folder
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    args = parser.parse_args()
    folder = args.folder
    os.makedirs(os.path.join(folder, "requests"), exist_ok=True)
    quiet_https.serve(Handler, folder, args.cert, args.key)


if __name__ == "__main__":
    sys.exit(main())
