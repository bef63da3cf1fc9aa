#include "tti_support.h"

#include <openssl/sha.h>

#include <cstring>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace tti_test {

const testkit::pki::Hierarchy& hierarchy() {
    static const auto made = testkit::pki::Hierarchy::make();
    return made;
}

const testkit::TsaSigner& signer() {
    static const testkit::TsaSigner made(hierarchy().tsa);
    return made;
}

TtiRequest request(std::string_view data) {
    TtiRequest r{};
    r.size = sizeof r;
    std::strcpy(r.imprint.hashAlgOid, "2.16.840.1.101.3.4.2.1");
    SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), r.imprint.hash);
    r.imprint.hashLength = SHA256_DIGEST_LENGTH;
    const std::uint8_t nonce[] = {0x5A, 0x01, 0xFF, 0x00, 0x80, 0x7F, 0x33, 0x99};
    std::memcpy(r.nonce.bytes, nonce, sizeof nonce);
    r.nonce.length = sizeof nonce;
    r.certReq = 1;
    return r;
}

Bytes encode(const TtiRequest& r) {
    return twoCall([&](std::uint8_t* out, std::uint32_t* length) { return TTI_EncodeTSQ_Ex(&r, out, length, 0); });
}

Bytes replyTo(const TtiRequest& r) { return signer().reply(encode(r)); }

Bytes tokenOf(const Bytes& reply) {
    return twoCall([&](std::uint8_t* out, std::uint32_t* length) {
        return TTI_GetTSR_EncodedToken(out, length, reply.data(), static_cast<std::uint32_t>(reply.size()));
    });
}

TtiTokenInfo infoOf(const Bytes& token) {
    TtiTokenInfo info{};
    info.size = sizeof info;
    if (const int status = TTI_GetTST_TSTInfoEx(&info, token.data(), static_cast<std::uint32_t>(token.size())))
        throw std::runtime_error("TTI_GetTST_TSTInfoEx: " + std::to_string(status));
    return info;
}

std::string opensslText(std::vector<std::string> args, const Bytes& input) {
    const testkit::PlatformRoot folder;
    const auto file = folder.write("input.der", std::string(input.begin(), input.end()));
    args.insert(args.begin(), "openssl");
    args.insert(args.end(), {"-in", file.string()});
    const auto result = testkit::run(args);
    if (result.exitCode != 0) throw std::runtime_error("openssl failed: " + result.err);
    return result.out;
}

}  // namespace tti_test
