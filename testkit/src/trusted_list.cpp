#include "testkit/trusted_list.h"

#include <openssl/evp.h>
#include <stdlib.h>

#include <ctime>
#include <stdexcept>

#include "pki_openssl.h"
#include "python_zip.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace fs = std::filesystem;

namespace testkit::trusted_list {

namespace {

// A folder for one signing, removed with the object.
class WorkFolder {
public:
    WorkFolder() : m_path(makeTemporaryFolder("testkit-list")) {}
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    fs::path operator/(std::string_view name) const { return m_path / name; }

private:
    fs::path m_path;
};

std::string base64(const Bytes& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

struct DigestLabel {
    const char* name;
    const char* oid;
};

DigestLabel labelOf(pki::Hash hash) {
    switch (hash) {
    case pki::Hash::Sha1: return {"SHA1", "1 3 14 3 2 26"};
    case pki::Hash::Sha256: return {"SHA256", "2 16 840 1 101 3 4 2 1"};
    default: throw std::invalid_argument("the trusted list names items by SHA-1 or SHA-256");
    }
}

}  // namespace

fs::path configSignerCertificate() { return fs::path(TESTKIT_DATA_DIR) / "config_signer.pem"; }
fs::path configSignerKey() { return fs::path(TESTKIT_DATA_DIR) / "config_signer.key"; }

Bytes signCms(std::string_view content, const fs::path& certificatePem, const fs::path& keyPem,
              const std::vector<pki::Certificate>& chain, const std::vector<std::string>& options) {
    WorkFolder folder;
    const fs::path in = folder / "content", out = folder / "signed.der", chainFile = folder / "chain.pem";
    writeFile(in, content);
    std::vector<std::string> argv = {"openssl", "cms", "-sign", "-nodetach", "-binary", "-outform", "DER",
                                     "-md", "sha256", "-in", in.string(), "-out", out.string(),
                                     "-signer", certificatePem.string(), "-inkey", keyPem.string()};
    argv.insert(argv.end(), options.begin(), options.end());
    if (!chain.empty()) {
        std::string pem;
        for (const pki::Certificate& certificate : chain) pem += certificate.pem();
        writeFile(chainFile, pem);
        argv.insert(argv.end(), {"-certfile", chainFile.string()});
    }
    const RunResult signing = run(argv);
    if (signing.exitCode != 0) throw std::runtime_error("openssl cms -sign failed: " + signing.err);
    const std::string der = readFile(out);
    return Bytes(der.begin(), der.end());
}

Bytes signCms(std::string_view content, const pki::Credential& signer, const std::vector<std::string>& options) {
    WorkFolder folder;
    const pki::Credential::Files files = signer.write(folder / "", "signer");
    return signCms(content, files.certificatePem, files.keyPem, signer.chain, options);
}

std::string signedConfiguration(std::string_view text, const std::vector<std::string>& options) {
    return base64(signCms(text, configSignerCertificate(), configSignerKey(), {}, options));
}

std::string signedConfiguration(std::string_view text, const pki::Credential& signer) {
    return base64(signCms(text, signer));
}

std::string stamp(pki::Instant when) {
    const std::time_t seconds = static_cast<std::time_t>(when.time_since_epoch().count());
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%SZ", &utc);
    return text;
}

std::string digestHex(const Bytes& bytes, pki::Hash hash) {
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(bytes.data(), bytes.size(), value, &length, pki::detail::digestOf(hash), nullptr))
        throw std::runtime_error("cannot digest");
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out.push_back(digits[value[i] >> 4]);
        out.push_back(digits[value[i] & 15]);
    }
    return out;
}

std::string listText(const std::vector<Record>& records) {
    std::string out;
    for (const Record& record : records) {
        const DigestLabel label = labelOf(record.hash);
        out += "FILE=" + record.file + "\r\n";
        out += std::string("HASH(") + label.name + ":" + label.oid + ")=" + digestHex(record.item, record.hash) +
               "\r\n";
        out += "NOTICE=" + record.notAfter + " NotAfter";
        for (const auto& [name, value] : record.items) out += ", " + name + "=" + value;
        out += "\r\n";
    }
    return out;
}

void writeContainer(const fs::path& file, const Bytes& signedList, std::string_view stamp) {
    const std::string name = "D" + std::string(stamp) + "\\A" + std::string(stamp) + ".p7m";
    writeZip(file, {{name, std::string(signedList.begin(), signedList.end())}});
}

}  // namespace testkit::trusted_list
