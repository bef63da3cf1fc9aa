// Fixtures of the message tests: signed messages made once per test process
// by `openssl cms` from the testkit hierarchy, an owning message handle, and
// CryptMsgGetParam in one call.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/streamed_message.h"
#include "win32/crypt_msg.h"
#include "win32/error.h"

namespace msg_test {

using Bytes = std::vector<BYTE>;
namespace pki = testkit::pki;

inline std::string textOf(const Bytes& b) { return std::string(b.begin(), b.end()); }

inline Bytes openssl(std::vector<std::string> args, const std::filesystem::path& folder,
                     const std::string& input = "") {
    args.insert(args.begin(), "openssl");
    const testkit::RunResult r = testkit::run(args, {.cwd = folder, .input = input});
    EXPECT_EQ(0, r.exitCode) << r.err;
    return Bytes(r.out.begin(), r.out.end());
}

// Messages over "payload" signed by the commercial user, its CAs as extra
// certificates.
struct Samples {
    pki::Hierarchy pki = pki::Hierarchy::make();
    Bytes content{'p', 'a', 'y', 'l', 'o', 'a', 'd'};
    Bytes attached, detached;
    Bytes noAttributes;  // -noattr, SHA-1
    Bytes twoSigners;    // attached, signed again by the qualified user
    Bytes keyId;         // the signer named by its subject key identifier
    Bytes data;          // a data message
    // openssl cms -stream: BER with indefinite lengths, the content an OCTET
    // STRING in 4,096-byte segments; attached, and without the content.
    Bytes streamedContent;
    Bytes streamed, streamedDetached;
};

inline Samples makeSamples() {
    Samples s;
    const auto folder = std::filesystem::temp_directory_path() / ("tesk-msg-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    testkit::writeFile(folder / "content", textOf(s.content));
    s.pki.commercial.write(folder, "user");
    s.pki.qualified.write(folder, "second");
    testkit::writeFile(folder / "cas.pem", s.pki.standardCa.certificate.pem() + s.pki.root.certificate.pem());
    const auto sign = [&](std::vector<std::string> extra, const std::string& in = "content") {
        std::vector<std::string> args{"cms",    "-sign",    "-binary",  "-in", in,   "-signer", "user.pem",
                                      "-inkey", "user.key", "-outform", "DER", "-certfile", "cas.pem"};
        args.insert(args.end(), extra.begin(), extra.end());
        return openssl(args, folder);
    };
    s.attached = sign({"-nodetach"});
    s.detached = sign({});
    s.noAttributes = sign({"-nodetach", "-noattr", "-md", "sha1"});
    s.keyId = sign({"-nodetach", "-keyid"});
    for (int line = 0; line < 1000; ++line) {
        const std::string text = "line " + std::to_string(line) + " of the streamed content\n";
        s.streamedContent.insert(s.streamedContent.end(), text.begin(), text.end());
    }
    testkit::writeFile(folder / "streamed", textOf(s.streamedContent));
    s.streamed = sign({"-nodetach", "-stream"}, "streamed");
    s.streamedDetached = testkit::withoutStreamedContent(s.streamed);
    testkit::writeFile(folder / "detached.der", textOf(s.streamedDetached));
    openssl({"cms", "-verify", "-noverify", "-binary", "-inform", "DER", "-in", "detached.der", "-content", "streamed"},
            folder);
    testkit::writeFile(folder / "attached.der", textOf(s.attached));
    s.twoSigners = openssl({"cms", "-resign", "-binary", "-inform", "DER", "-in", "attached.der", "-signer",
                            "second.pem", "-inkey", "second.key", "-outform", "DER", "-nodetach"},
                           folder);
    s.data = openssl({"cms", "-data_create", "-binary", "-in", "content", "-outform", "DER"}, folder);
    std::filesystem::remove_all(folder);
    return s;
}

inline const Samples& samples() {
    static const Samples made = makeSamples();
    return made;
}

// Every test runs on a fresh emulated machine (providers live in its
// registry) and needs the openssl peer.
class MsgTest : public ::testing::Test {
protected:
    void SetUp() override { TESTKIT_REQUIRE_PROGRAM("openssl"); }
    testkit::PlatformRoot root;
};

struct MsgCloser {
    void operator()(HCRYPTMSG m) const noexcept { CryptMsgClose(m); }
};
using Msg = std::unique_ptr<void, MsgCloser>;

inline Msg openMsg(DWORD flags = 0, DWORD type = 0, HCRYPTPROV provider = 0) {
    return Msg(CryptMsgOpenToDecode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, flags, type, provider, nullptr, nullptr));
}

// 0 when the update works, else its error.
inline DWORD updateError(HCRYPTMSG msg, const Bytes& data, bool final = true) {
    return CryptMsgUpdate(msg, data.data(), static_cast<DWORD>(data.size()), final) ? 0 : GetLastError();
}

inline Msg decoded(const Bytes& message, DWORD flags = 0) {
    Msg msg = openMsg(flags);
    EXPECT_EQ(0u, updateError(msg.get(), message));
    return msg;
}

// The parameter by the two calls; empty, with the test failed, when they fail.
inline Bytes param(HCRYPTMSG msg, DWORD type, DWORD index = 0) {
    DWORD size = 0;
    if (!CryptMsgGetParam(msg, type, index, nullptr, &size)) {
        ADD_FAILURE() << "parameter " << type << " failed with 0x" << std::hex << GetLastError();
        return {};
    }
    Bytes value(size);
    EXPECT_TRUE(CryptMsgGetParam(msg, type, index, value.data(), &size));
    return value;
}

// The error a size query gives; 0 when it works.
inline DWORD paramError(HCRYPTMSG msg, DWORD type, DWORD index = 0) {
    DWORD size = 0;
    return CryptMsgGetParam(msg, type, index, nullptr, &size) ? 0 : GetLastError();
}

template <class T>
const T& recordIn(const Bytes& block) {
    return *reinterpret_cast<const T*>(block.data());
}

// CMSG_CTRL_VERIFY_SIGNATURE_EX of the signer at the index; 0 when it verifies.
inline DWORD verifyByIndex(HCRYPTMSG msg, DWORD signer, DWORD type, const void* key) {
    CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA verify{sizeof verify, 0, signer, type, const_cast<void*>(key)};
    return CryptMsgControl(msg, 0, CMSG_CTRL_VERIFY_SIGNATURE_EX, &verify) ? 0 : GetLastError();
}

// CMSG_CTRL_VERIFY_SIGNATURE of the certificate's signer; 0 when it verifies.
inline DWORD verifyByCertificate(HCRYPTMSG msg, PCCERT_CONTEXT certificate) {
    return CryptMsgControl(msg, 0, CMSG_CTRL_VERIFY_SIGNATURE, certificate->pCertInfo) ? 0 : GetLastError();
}

inline DWORD dwordParam(HCRYPTMSG msg, DWORD type) {
    const Bytes value = param(msg, type);
    return value.size() == sizeof(DWORD) ? recordIn<DWORD>(value) : 0xFFFFFFFFu;
}

}  // namespace msg_test
