#include "testkit/openssl_peer.h"

#include "testkit/platform_root.h"

namespace testkit {

OpensslPeer::OpensslPeer(std::filesystem::path folder) : m_folder(std::move(folder)) {
    std::filesystem::create_directories(m_folder);
}

void OpensslPeer::write(const std::string& name, const Bytes& bytes) const {
    writeFile(m_folder / name, std::string(bytes.begin(), bytes.end()));
}

OpensslPeer::Bytes OpensslPeer::read(const std::string& name) const {
    const std::string text = readFile(m_folder / name);
    return Bytes(text.begin(), text.end());
}

RunResult OpensslPeer::openssl(std::vector<std::string> args) const {
    args.insert(args.begin(), "openssl");
    return run(args, m_folder);
}

std::string OpensslPeer::cmsVerifyFails(const Bytes& message, const Bytes& content, bool detached,
                                        const std::vector<std::string>& trust) const {
    write("message.der", message);
    std::vector<std::string> args{"cms", "-verify", "-inform", "DER", "-in", "message.der"};
    args.insert(args.end(), trust.begin(), trust.end());
    args.insert(args.end(), {"-binary", "-out", "verified.bin"});
    if (detached) {
        write("content.bin", content);
        args.insert(args.end(), {"-content", "content.bin"});
    }
    const RunResult r = openssl(args);
    if (r.exitCode != 0) return r.err.empty() ? "openssl failed" : r.err;
    return read("verified.bin") == content ? "" : "openssl gave back other content";
}

}  // namespace testkit
