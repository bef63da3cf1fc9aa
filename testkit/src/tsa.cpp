#include "testkit/tsa.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "der.h"
#include "local_service.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPython = "/usr/bin/python3";

// The server: one thread per connection, one request per connection. The
// fault file says how to answer; every request adds a line to the log.
// The wrong answers change what `openssl ts -reply` is given or what it gave:
// the last byte of the imprint's hash or of the nonce in the query (both
// keep the DER valid), or the last byte of the reply, which is the last byte
// of the token's signature value (nothing follows it in a TimeStampResp
// whose SignerInfo has no unsigned attributes). Another policy is granted
// by asking openssl for it in place of the request's.
constexpr std::string_view kServerScript = R"PY(
import os, socket, ssl, struct, subprocess, sys, tempfile, threading, time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

def arg(name):
    return sys.argv[sys.argv.index(name) + 1] if name in sys.argv else None

folder = arg("--folder")
lock = threading.Lock()

def element(data, pos):
    length, start = data[pos + 1], pos + 2
    if length & 0x80:
        count = length & 0x7F
        length, start = int.from_bytes(data[start:start + count], "big"), start + count
    return start, start + length

def children(data, pos):
    start, end = element(data, pos)
    out = []
    while start < end:
        out.append(start)
        start = element(data, start)[1]
    return out

def flip_last(data, pos):
    end = element(data, pos)[1]
    return data[:end - 1] + bytes([data[end - 1] ^ 1]) + data[end:]

def tlv(tag, content):
    size = len(content)
    if size < 0x80:
        return bytes([tag, size]) + content
    count = (size.bit_length() + 7) // 8
    return bytes([tag, 0x80 | count]) + size.to_bytes(count, "big") + content

def oid(text):
    arcs = [int(a) for a in text.split(".")]
    out = bytes([40 * arcs[0] + arcs[1]])
    for arc in arcs[2:]:
        chunk = [arc & 0x7F]
        arc >>= 7
        while arc:
            chunk.insert(0, 0x80 | (arc & 0x7F))
            arc >>= 7
        out += bytes(chunk)
    return tlv(0x06, out)

# The query names the other policy than the one it named (none counting as
# the default): openssl then grants what the test did not ask for.
def swap_policy(query, policy, other):
    fields = children(query, 0)
    items = [query[pos:element(query, pos)[1]] for pos in fields]
    asked = [item for item in items if item[0] == 0x06]
    kept = [item for item in items if item[0] != 0x06]
    wanted = policy if asked and asked[0] == oid(other) else other
    return tlv(0x30, b"".join(kept[:2] + [oid(wanted)] + kept[2:]))

def sign(query, words):
    fault = words[0]
    fields = children(query, 0)  # version, messageImprint, then reqPolicy, nonce, certReq
    if fault == "other_policy":
        query = swap_policy(query, words[1], words[2])
    if fault == "wrong_imprint":
        query = flip_last(query, fields[1])
    if fault == "wrong_nonce":
        for pos in fields[2:]:
            if query[pos] == 0x02:
                query = flip_last(query, pos)
    with lock, tempfile.TemporaryDirectory(dir=folder) as work:
        request, reply = os.path.join(work, "query.tsq"), os.path.join(work, "reply.tsr")
        with open(request, "wb") as f:
            f.write(query)
        subprocess.run(["openssl", "ts", "-reply", "-config", os.path.join(folder, "tsa.cnf"),
                        "-queryfile", request, "-out", reply], check=True, capture_output=True)
        with open(reply, "rb") as f:
            body = f.read()
    if fault == "bad_signature":
        body = body[:-1] + bytes([body[-1] ^ 1])
    if fault == "granted_with_mods":
        status = children(body, children(body, 0)[0])[0]  # PKIStatusInfo's INTEGER
        value = element(body, status)[0]
        body = body[:value] + bytes([1]) + body[value + 1:]
    return body

class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with lock:
            with open(os.path.join(folder, "requests.log"), "a") as log:
                log.write("%s %d\n" % (self.path, len(query)))
        with open(os.path.join(folder, "fault")) as f:
            words = f.read().split()
        fault = words[0] if words else "none"
        if fault == "reset":
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            self.close_connection = True
            return
        if fault == "slow":
            time.sleep(int(words[1]) / 1000)
        if fault in ("bad_status", "garbage"):
            with open(os.path.join(folder, fault + ".bin"), "rb") as f:
                body = f.read()
        else:
            body = sign(query, words or ["none"])
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass

class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass

server = Server(("127.0.0.1", 0), Handler)
if arg("--cert"):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(arg("--cert"), arg("--key"))
    if arg("--client-ca"):
        context.verify_mode = ssl.CERT_REQUIRED
        context.load_verify_locations(arg("--client-ca"))
    server.socket = context.wrap_socket(server.socket, server_side=True)
port_file = os.path.join(folder, "port")
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
)PY";

std::string asText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

const char* faultWord(TsaFault fault) {
    switch (fault) {
        case TsaFault::None:
            return "none";
        case TsaFault::BadStatus:
            return "bad_status";
        case TsaFault::WrongImprint:
            return "wrong_imprint";
        case TsaFault::WrongNonce:
            return "wrong_nonce";
        case TsaFault::BadSignature:
            return "bad_signature";
        case TsaFault::GrantedWithMods:
            return "granted_with_mods";
        case TsaFault::OtherPolicy:
            return "other_policy";
        case TsaFault::Garbage:
            return "garbage";
        case TsaFault::Slow:
            return "slow";
        case TsaFault::Reset:
            return "reset";
    }
    return "none";
}

}  // namespace

TsaSigner::TsaSigner(pki::Credential tsa)
    : m_tsa(std::move(tsa)), m_folder(makeTemporaryFolder("testkit-tsa")), m_config(m_folder / "tsa.cnf") {
    const auto files = m_tsa.write(m_folder, "tsa");
    std::string chain;
    for (const auto& ca : m_tsa.chain) chain += ca.pem();
    writeFile(m_folder / "ca-chain.pem", chain);
    writeFile(m_folder / "serial", "01\n");
    std::ostringstream config;
    config << "[ tsa ]\ndefault_tsa = tsa_config\n\n[ tsa_config ]\n"
           << "serial = " << (m_folder / "serial").string() << "\n"
           << "crypto_device = builtin\n"
           << "signer_cert = " << files.certificatePem.string() << "\n"
           << "certs = " << (m_folder / "ca-chain.pem").string() << "\n"
           << "signer_key = " << files.keyPem.string() << "\n"
           << "signer_digest = sha256\n"
           << "default_policy = " << kPolicy << "\n"
           << "other_policies = " << kOtherPolicy << "\n"
           << "digests = sha1, sha256, sha384, sha512\n"
           << "accuracy = secs:1, millisecs:500, microsecs:100\n"
           << "clock_precision_digits = 3\n"
           << "ordering = yes\n"
           << "tsa_name = yes\n"
           << "ess_cert_id_chain = no\n"
           << "ess_cert_id_alg = sha256\n";
    writeFile(m_config, config.str());
}

TsaSigner::~TsaSigner() {
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

Bytes TsaSigner::reply(const Bytes& query) const {
    const fs::path work = makeTemporaryFolder("testkit-tsa-reply");
    writeFile(work / "query.tsq", asText(query));
    const RunResult result = run({"openssl", "ts", "-reply", "-config", m_config.string(), "-queryfile",
                                  (work / "query.tsq").string(), "-out", (work / "reply.tsr").string()});
    const std::string reply = result.exitCode == 0 ? readFile(work / "reply.tsr") : std::string();
    std::error_code ignored;
    fs::remove_all(work, ignored);
    if (result.exitCode != 0) throw std::runtime_error("openssl ts -reply failed:\n" + result.err);
    return Bytes(reply.begin(), reply.end());
}

Bytes tsaRejection() {
    // TimeStampResp ::= SEQUENCE { status PKIStatusInfo }
    // PKIStatusInfo ::= SEQUENCE { status INTEGER, statusString SEQUENCE OF UTF8String, failInfo BIT STRING }
    const Bytes text(kRejectionText.begin(), kRejectionText.end());
    const Bytes timeNotAvailable = {0x01, 0x00, 0x02};  // bit 14 of two octets, one unused bit
    using namespace der;
    return sequence({sequence({integer(2), sequence({tlv(kUtf8String, text)}), tlv(kBitString, timeNotAvailable)})});
}

Tsa::Tsa(const pki::Hierarchy& pki, TsaOptions options)
    : m_signer(options.signer.value_or(pki.tsa)), m_options(std::move(options)) {
    if (!fs::exists(kPython)) throw std::runtime_error(std::string("missing ") + kPython);
    if (m_options.clientCa && !m_options.https)
        throw std::invalid_argument("a client certificate can be demanded over HTTPS only");
    const fs::path& folder = m_signer.folder();
    writeFile(folder / "server.py", kServerScript);
    writeFile(folder / "bad_status.bin", asText(tsaRejection()));
    writeFile(folder / "garbage.bin", "<html><body><h1>503 Service Unavailable</h1></body></html>\n");
    answer(TsaFault::None);

    std::vector<std::string> argv = {kPython, (folder / "server.py").string(), "--folder", folder.string()};
    if (m_options.https) {
        const auto files = localhostCredential(pki).write(folder, "server");
        argv.insert(argv.end(), {"--cert", files.chainPem.string(), "--key", files.keyPem.string()});
        if (m_options.clientCa) {
            writeFile(folder / "client-ca.pem", m_options.clientCa->pem());
            argv.insert(argv.end(), {"--client-ca", (folder / "client-ca.pem").string()});
        }
    }
    m_service = std::make_unique<Service>(argv);

    m_port = waitForPortFile(*m_service, folder / "port", "the TSA");
}

Tsa::~Tsa() { m_service.reset(); }

std::string Tsa::url() const {
    return (m_options.https ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port) + "/tsa";
}

void Tsa::answer(TsaFault fault) {
    std::string word = faultWord(fault);
    if (fault == TsaFault::Slow) word += " " + std::to_string(m_options.slowDelay.count());
    if (fault == TsaFault::OtherPolicy) word += " " + std::string(TsaSigner::kPolicy) + " " + std::string(TsaSigner::kOtherPolicy);
    replaceFile(m_signer.folder() / "fault", word);
}

std::size_t Tsa::requests() const {
    const fs::path log = m_signer.folder() / "requests.log";
    if (!fs::exists(log)) return 0;
    const std::string text = readFile(log);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace testkit
