#include "testkit/renewal_body.h"

#include <stdexcept>

#include "local_service.h"
#include "pki_openssl.h"
#include "python_zip.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/trusted_list.h"

namespace testkit::renewal {

namespace {

namespace fs = std::filesystem;

constexpr char kStamp[] = "20261209120000Z";

// The Base64 lines between a PEM block's armour lines.
std::string pemBody(const std::string& pem) {
    const std::size_t first = pem.find('\n') + 1;
    const std::size_t last = pem.rfind("-----END ");
    return pem.substr(first, last - first);
}

std::string mimeEntity(std::string_view document) {
    const std::string bytes(document);
    return "MIME-Version: 1.0\r\nContent-Type: text/xml; charset=\"UTF-8\"\r\n"
           "Content-Transfer-Encoding: base64\r\nContent-Disposition: filename=\"request.xml\"\r\n\r\n" +
           pemBody(pki::detail::pemOf("X", Bytes(bytes.begin(), bytes.end())));
}

}  // namespace

std::string newRequestText(const std::string& commonName) {
    const fs::path folder = makeTemporaryFolder("testkit-request");
    const RunResult made = run({"openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout",
                                (folder / "key.pem").string(), "-subj", "/CN=" + commonName, "-outform", "PEM"});
    fs::remove_all(folder);
    if (made.exitCode != 0) throw std::runtime_error("openssl req failed: " + made.err);
    return pemBody(made.out);
}

std::string pkcs7Block(std::string_view document, const pki::Credential& signer) {
    return pki::detail::pemOf("PKCS7", trusted_list::signCms(document, signer));
}

std::string renewalBody(std::string_view document, const pki::Credential& signer,
                        const std::vector<std::string>& pkcs7Blocks) {
    const std::string entity = mimeEntity(document);
    const Bytes signature = trusted_list::signCms(entity, signer);
    const std::string folder = std::string("D") + kStamp + "\\";
    const fs::path work = makeTemporaryFolder("testkit-container");
    std::string container;
    try {
        writeZip(work / "request.kyd", {{folder + "M" + kStamp + ".eml", entity},
                                        {folder + "S" + kStamp + ".p7s", std::string(signature.begin(), signature.end())}});
        container = readFile(work / "request.kyd");
    } catch (...) {
        fs::remove_all(work);
        throw;
    }
    fs::remove_all(work);
    std::string body = pki::detail::pemOf("Tesk Kyd", Bytes(container.begin(), container.end()));
    for (const std::string& block : pkcs7Blocks) body += block;
    return body;
}

}  // namespace testkit::renewal
