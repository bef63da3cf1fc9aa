#!/usr/bin/python3
"""Renewal server for tests: HTTPS on 127.0.0.1, taking each renewal
request apart as the certification authority does and answering with
request numbers, or with the reply it is told to give.

Started by testkit::RenewalServer (testkit/include/testkit/renewal_server.h),
which writes into the folder given by --folder:

    renewed.pem   the certificate being renewed: the container's signer
    trust.pem     the roots a signature must chain to
    cas.pem       the intermediate certificates
    reply         one word: how to answer from now on ("numbers" by default)
    expect        optional lines "billing <n> <type>" (n from 1, the container's
                  document first, then each PKCS#7 block's) and "certsend <value>"

and reads what the server records of request n (from 0):

    requests/<n>.body  the body as received
    requests/<n>.meta  tab-separated lines: target, user-agent, content-type,
                       verdict ("ok" or why the request was refused), and one
                       "number <ca_type> <number>" per request number issued

The body: "-----BEGIN Tesk Kyd-----", the signed container (a ZIP) in Base64,
"-----END Tesk Kyd-----" and a line feed, then any PKCS#7 blocks in PEM.
The container's folder D<stamp> holds the signature S<stamp>.p7s (CMS, the
document detached or inside) and the signed document, M<stamp>.eml (a MIME
entity with the XML in Base64) or the XML as a file of its own. Every
document must be valid against --schema, carry UserData only in the
container, hold a PKCS#10 request that verifies, for a key other than the
renewed certificate's. A request that fails a check is refused with code
400 and the reason, whatever the reply word says.
"""

import argparse
import base64
import binascii
import email
import io
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import xml.etree.ElementTree as ET
import zipfile

sys.dont_write_bytecode = True  # nothing written beside the scripts
import quiet_https  # noqa: E402

SERVED_PATH = "/cgi-bin/renreq3.cgi"
BEGIN, END = "-----BEGIN Tesk Kyd-----\n", "-----END Tesk Kyd-----\n"
PKCS7_BLOCK = re.compile(r"-----BEGIN PKCS7-----\r?\n[A-Za-z0-9+/=\r\n]+-----END PKCS7-----\r?\n?")
FOLDER = r"D\d{14}Z"
SIGNATURE = re.compile(r"^" + FOLDER + r"\\S\d{14}Z[^\\]*\.p7s$")
MESSAGE = re.compile(r"^" + FOLDER + r"\\M\d{14}Z[^\\]*\.eml$")
DOCUMENT = re.compile(r"^" + FOLDER + r"\\[^\\]+\.xml$")
MAX_BODY = 16 * 1024 * 1024
MAX_ENTRIES, MAX_UNPACKED = 64, 16 * 1024 * 1024

folder = None
schema = None
lock = threading.Lock()
next_number = [2026000001]


class Refused(Exception):
    pass


def openssl(*args):
    result = subprocess.run(["openssl", *args], capture_output=True, timeout=60)
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace").strip()


def first_line(text):
    return text.splitlines()[0] if text else "no reason given"


def container_parts(body):
    """The container's bytes and the PKCS#7 blocks after it."""
    try:
        text = body.decode("ascii")
    except UnicodeDecodeError:
        raise Refused("the body is not ASCII text")
    if not text.startswith(BEGIN):
        raise Refused("the body does not begin with the Tesk Kyd armour")
    end = text.find(END, len(BEGIN))
    if end < 0:
        raise Refused("the Tesk Kyd armour has no end line")
    try:
        container = base64.b64decode(re.sub(r"\s", "", text[len(BEGIN):end]), validate=True)
    except binascii.Error:
        raise Refused("the container is not Base64")
    rest = text[end + len(END):]
    blocks = PKCS7_BLOCK.findall(rest)
    if "".join(blocks) != rest:
        raise Refused("the body holds something other than PKCS#7 blocks after the container")
    return container, blocks


def read_container(container):
    """(signature, signed bytes, document XML) of the container."""
    try:
        archive = zipfile.ZipFile(io.BytesIO(container))
        entries = archive.infolist()
        if len(entries) > MAX_ENTRIES or sum(e.file_size for e in entries) > MAX_UNPACKED:
            raise Refused("the container is larger than a request can be")
        # A folder separator is "/" by the ZIP format; writers on Windows use "\\".
        original = {e.filename.replace("/", "\\"): e.filename for e in entries}
        names = list(original)
        folders = {name.split("\\")[0] for name in names}
        if len(folders) != 1 or not re.fullmatch(FOLDER, folders.pop()):
            raise Refused("the container does not hold exactly one document folder D<stamp>")
        signatures = [n for n in names if SIGNATURE.match(n)]
        messages = [n for n in names if MESSAGE.match(n)]
        documents = [n for n in names if DOCUMENT.match(n)]
        if len(signatures) != 1:
            raise Refused("the container holds %d signatures, not one" % len(signatures))
        if len(messages) + len(documents) != 1:
            raise Refused("the container does not hold exactly one document")
        signature = archive.read(original[signatures[0]])
        if messages:
            signed = archive.read(original[messages[0]])
            entity = email.message_from_bytes(signed)
            if entity.is_multipart():
                raise Refused("the container's message is not a single entity")
            xml = entity.get_payload(decode=True) or b""
        else:
            signed = xml = archive.read(original[documents[0]])
        return signature, signed, xml
    except (zipfile.BadZipFile, zipfile.LargeZipFile, NotImplementedError, EOFError, ValueError) as e:
        raise Refused("the container cannot be read: %s" % e)


def verify_container(work, signature, signed):
    """The container's signature verifies and its signer is the renewed certificate."""
    paths = {name: os.path.join(work, name) for name in ("signature.p7s", "signed", "signer.pem", "out")}
    with open(paths["signature.p7s"], "wb") as f:
        f.write(signature)
    with open(paths["signed"], "wb") as f:
        f.write(signed)
    common = ["cms", "-verify", "-binary", "-inform", "DER", "-in", paths["signature.p7s"], "-noverify",
              "-signer", paths["signer.pem"], "-out", paths["out"]]
    rc, _, err = openssl(*common, "-content", paths["signed"])
    if rc != 0:
        # The document inside the signature rather than beside it.
        rc, _, inner = openssl(*common)
        if rc != 0:
            raise Refused("the container's signature does not verify: " + first_line(err))
        with open(paths["out"], "rb") as f:
            if f.read() != signed:
                raise Refused("the container's signature is over other bytes than its document")
    verify_chain(paths["signer.pem"], "the container's signer")
    if der_of(paths["signer.pem"]) != der_of(os.path.join(folder, "renewed.pem")):
        raise Refused("the container is not signed by the certificate being renewed")


def verify_chain(signer_pem, what):
    """The signer's certificate chains to the roots through the intermediates,
    whether or not the signature carries them."""
    rc, out, err = openssl("verify", "-CAfile", os.path.join(folder, "trust.pem"),
                           "-untrusted", os.path.join(folder, "cas.pem"), "-purpose", "any", signer_pem)
    if rc != 0:
        raise Refused("%s does not chain to the root: %s"
                      % (what, first_line(err or out.decode("utf-8", "replace"))))


def der_of(pem_file):
    rc, out, err = openssl("x509", "-in", pem_file, "-outform", "DER")
    if rc != 0:
        raise Refused("a certificate cannot be read: " + first_line(err))
    return out


def block_document(work, index, block):
    """The XML a PKCS#7 block carries, once its signature verifies."""
    block_file = os.path.join(work, "block%d.pem" % index)
    out = os.path.join(work, "block%d.xml" % index)
    with open(block_file, "w", encoding="ascii") as f:
        f.write(block)
    signer = os.path.join(work, "block%d-signer.pem" % index)
    rc, _, err = openssl("cms", "-verify", "-inform", "PEM", "-in", block_file, "-binary", "-noverify",
                         "-signer", signer, "-out", out)
    if rc != 0:
        raise Refused("PKCS#7 block %d does not verify: %s" % (index, first_line(err)))
    verify_chain(signer, "the signer of PKCS#7 block %d" % index)
    with open(out, "rb") as f:
        return f.read()


def expectations():
    billing, certsend = {}, None
    path = os.path.join(folder, "expect")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f.read().splitlines():
                words = line.split()
                if len(words) == 3 and words[0] == "billing":
                    billing[int(words[1])] = words[2]
                elif len(words) == 2 and words[0] == "certsend":
                    certsend = words[1]
    return billing, certsend


def check_document(work, number, xml, primary):
    """The ca_type of one renewal document that passes every check."""
    what = "document %d" % number
    path = os.path.join(work, "document%d.xml" % number)
    with open(path, "wb") as f:
        f.write(xml)
    lint = subprocess.run(["xmllint", "--noout", "--nonet", "--relaxng", schema, path], capture_output=True,
                          timeout=60)
    if lint.returncode != 0:
        raise Refused("%s is not a valid renewal request: %s" % (what, first_line(lint.stderr.decode("utf-8", "replace"))))
    root = ET.fromstring(xml)
    body = root.find("Request/Body")
    if (body.find("UserData") is not None) != primary:
        raise Refused("%s %s UserData" % (what, "lacks" if primary else "carries"))
    billing_type = body.findtext("CertificateProperties/BillingType").strip()
    cert_send = body.findtext("CertificateProperties/CertSend").strip()
    expected_billing, expected_send = expectations()
    if number in expected_billing and expected_billing[number] != billing_type:
        raise Refused("%s has billing type %s, not %s" % (what, billing_type, expected_billing[number]))
    if expected_send is not None and expected_send != cert_send:
        raise Refused("%s has CertSend %s, not %s" % (what, cert_send, expected_send))

    try:
        request = base64.b64decode(re.sub(r"\s", "", body.findtext("KeyAndRequestData/Request")), validate=True)
    except binascii.Error:
        raise Refused("%s: the PKCS#10 request is not Base64" % what)
    request_file = os.path.join(work, "request%d.der" % number)
    with open(request_file, "wb") as f:
        f.write(request)
    rc, request_key, err = openssl("req", "-verify", "-inform", "DER", "-in", request_file, "-noout", "-pubkey")
    if rc != 0:
        raise Refused("%s: the PKCS#10 request does not verify: %s" % (what, first_line(err)))
    _, old_key, _ = openssl("x509", "-in", os.path.join(folder, "renewed.pem"), "-noout", "-pubkey")
    if request_key.strip() == old_key.strip():
        raise Refused("%s: the request is for the key of the certificate being renewed" % what)
    return "qualified" if billing_type.startswith("Q-") else "commercial"


def take_apart(body):
    """The ca_type of every certificate the body asks for, in order."""
    container, blocks = container_parts(body)
    signature, signed, xml = read_container(container)
    work = tempfile.mkdtemp(dir=folder)
    try:
        verify_container(work, signature, signed)
        ca_types = [check_document(work, 1, xml, True)]
        for index, block in enumerate(blocks, start=2):
            ca_types.append(check_document(work, index, block_document(work, index, block), False))
        return ca_types
    finally:
        shutil.rmtree(work, ignore_errors=True)


def document(body):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<Tesk><Response product_version="9.5" '
            'product_name="Certification Authority"><Header><Type version="4">renewalresponse</Type></Header>'
            + body + "</Response></Tesk>").encode("utf-8")


def numbers_reply(issued, padding=""):
    ids = "".join('<ReqID ca_type="%s">\n\t%s\n</ReqID>' % pair for pair in issued)
    return document(padding + '<Body status="ok">' + ids + "</Body>")


def refusal(code, message):
    message = message.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    return document('<Body status="error"><Error><Code>%s</Code><Message>%s</Message></Error></Body>'
                    % (code, message))


# The replies a test can ask for instead of the numbers.
TOLD = {
    "accepted_without_numbers": lambda issued: document('<Body status="ok"/>'),
    "number_without_text": lambda issued: document('<Body status="ok"><ReqID ca_type="qualified"/></Body>'),
    "number_without_ca_type": lambda issued: document('<Body status="ok"><ReqID>2026000001</ReqID></Body>'),
    "refusal": lambda issued: refusal("503", "<b>Zamítnuto</b> & služba nedostupná, <a href=\"URL_APP_EXIT\">podrobnosti</a>"),
    "refusal_without_message": lambda issued: document(
        '<Body status="error"><Error><Code>503</Code></Error></Body>'),
    "refusal_without_code": lambda issued: document(
        '<Body status="error"><Error><Message>bez kódu</Message></Error></Body>'),
    "wrong_status": lambda issued: document('<Body status="accepted"/>'),
    "no_status": lambda issued: document("<Body/>"),
    "not_well_formed": lambda issued: b"<html><body>Service unavailable<br></body></html>\n",
    "long": lambda issued: numbers_reply(issued, "<!--" + "renewal " * 40000 + "-->"),
}


def record(handler, body, verdict, issued):
    meta = [("target", handler.path), ("user-agent", handler.headers.get("User-Agent", "")),
            ("content-type", handler.headers.get("Content-Type", "")), ("verdict", verdict)]
    meta += [("number", ca_type, number) for ca_type, number in issued]
    quiet_https.record_request(folder, body, ".body", meta)


def issue(ca_types):
    with lock:
        first = next_number[0]
        next_number[0] += len(ca_types)
    return [(ca_type, str(first + i)) for i, ca_type in enumerate(ca_types)]


class Handler(quiet_https.QuietHandler):
    def do_POST(self):
        body = self.read_body(MAX_BODY)
        with open(os.path.join(folder, "reply"), encoding="ascii") as f:
            told = f.read().strip() or "numbers"
        issued, verdict = [], "ok"
        try:
            if self.path.split("?")[0] != SERVED_PATH:
                raise Refused("no such service: " + self.path)
            issued = issue(take_apart(body))
        except Refused as e:
            verdict = str(e)
        except (ET.ParseError, subprocess.SubprocessError, OSError) as e:
            verdict = "the request cannot be checked: %s" % e
        if told == "reset":
            record(self, body, verdict, [])
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            return
        if verdict != "ok":
            reply = refusal("400", verdict)
        elif told in TOLD:
            reply = TOLD[told](issued)
        else:
            reply = numbers_reply(issued)
        record(self, body, verdict, issued if verdict == "ok" and told in ("numbers", "long") else [])
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        if told != "long":
            self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        for start in range(0, len(reply), 16384):
            self.wfile.write(reply[start:start + 16384])
            self.wfile.flush()

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass


def main():
    global folder, schema
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--schema", required=True)
    args = parser.parse_args()
    folder, schema = args.folder, args.schema
    os.makedirs(os.path.join(folder, "requests"), exist_ok=True)
    quiet_https.serve(Handler, folder, args.cert, args.key)


if __name__ == "__main__":
    sys.exit(main())
