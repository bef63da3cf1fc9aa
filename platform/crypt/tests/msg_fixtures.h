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
#include "win32/crypt_msg.h"
#include "win32/error.h"

namespace msg_test {

using Bytes = std::vector<BYTE>;
namespace pki = testkit::pki;

struct MsgCloser {
    void operator()(HCRYPTMSG m) const noexcept { CryptMsgClose(m); }
};
using Msg = std::unique_ptr<void, MsgCloser>;

inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string textOf(const Bytes& b) { return std::string(b.begin(), b.end()); }

// Runs openssl in the folder; its standard output, or a failed test.
inline Bytes openssl(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     const std::string& input = "") {
    std::vector<std::string> argv{"openssl"};
    argv.insert(argv.end(), args.begin(), args.end());
    const testkit::RunResult r = testkit::run(argv, {.cwd = folder, .input = input});
    EXPECT_EQ(0, r.exitCode) << r.err;
    return bytesOf(r.out);
}

inline Bytes sha256Of(const Bytes& data) {
    return openssl({"dgst", "-sha256", "-binary"}, std::filesystem::temp_directory_path(), textOf(data));
}

// The messages every test reads, all over the content "payload".
struct Samples {
    pki::Hierarchy pki = pki::Hierarchy::make();
    Bytes content = bytesOf("payload");
    Bytes attached;      // the commercial user, SHA-256, signed attributes, its CAs as extra certificates
    Bytes detached;      // the same without the content
    Bytes noAttributes;  // -noattr
    Bytes twoSigners;    // attached, signed again by the qualified user
    Bytes sha1;          // -md sha1
    Bytes keyId;         // the signer named by its subject key identifier
    Bytes streamed;      // -stream: BER with indefinite lengths
    Bytes data;          // a data message
};

inline Samples makeSamples() {
    Samples s;
    const auto folder = std::filesystem::temp_directory_path() / ("tesk-msg-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    testkit::writeFile(folder / "content", textOf(s.content));
    s.pki.commercial.write(folder, "user");
    s.pki.qualified.write(folder, "second");
    testkit::writeFile(folder / "cas.pem", s.pki.standardCa.certificate.pem() + s.pki.root.certificate.pem());
    const std::vector<std::string> sign{"cms",    "-sign",   "-binary", "-in",  "content", "-signer", "user.pem",
                                        "-inkey", "user.key", "-outform", "DER", "-certfile", "cas.pem"};
    const auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = sign;
        args.insert(args.end(), extra.begin(), extra.end());
        return openssl(args, folder);
    };
    s.attached = with({"-nodetach"});
    s.detached = with({});
    s.noAttributes = with({"-nodetach", "-noattr"});
    s.sha1 = with({"-nodetach", "-md", "sha1"});
    s.keyId = with({"-nodetach", "-keyid"});
    s.streamed = with({"-nodetach", "-stream"});
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

// Every test runs on a fresh emulated machine: providers live in its registry.
class MsgTest : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
};

inline Msg openMsg(DWORD flags = 0, DWORD type = 0, HCRYPTPROV provider = 0) {
    Msg msg(CryptMsgOpenToDecode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, flags, type, provider, nullptr, nullptr));
    EXPECT_TRUE(msg) << "CryptMsgOpenToDecode failed with 0x" << std::hex << GetLastError();
    return msg;
}

// The error of the final update with the whole message; 0 on success.
inline DWORD updateError(HCRYPTMSG msg, const Bytes& data, bool final = true) {
    return CryptMsgUpdate(msg, data.data(), static_cast<DWORD>(data.size()), final) ? 0 : GetLastError();
}

inline Msg decoded(const Bytes& message, DWORD flags = 0, HCRYPTPROV provider = 0) {
    Msg msg = openMsg(flags, 0, provider);
    EXPECT_EQ(0u, updateError(msg.get(), message)) << std::hex;
    return msg;
}

// The parameter's bytes by the two calls; the test fails when either fails.
inline Bytes param(HCRYPTMSG msg, DWORD type, DWORD index = 0) {
    DWORD size = 0;
    if (!CryptMsgGetParam(msg, type, index, nullptr, &size)) {
        ADD_FAILURE() << "parameter " << type << " failed with 0x" << std::hex << GetLastError();
        return {};
    }
    Bytes value(size);
    EXPECT_TRUE(CryptMsgGetParam(msg, type, index, value.data(), &size));
    value.resize(size);
    return value;
}

// The error a size query of the parameter gives; 0 when it works.
inline DWORD paramError(HCRYPTMSG msg, DWORD type, DWORD index = 0) {
    DWORD size = 0;
    return CryptMsgGetParam(msg, type, index, nullptr, &size) ? 0 : GetLastError();
}

template <class T>
const T& recordIn(const Bytes& block) {
    return *reinterpret_cast<const T*>(block.data());
}

inline DWORD dwordParam(HCRYPTMSG msg, DWORD type) {
    const Bytes value = param(msg, type);
    return value.size() == sizeof(DWORD) ? recordIn<DWORD>(value) : 0xFFFFFFFFu;
}

}  // namespace msg_test
