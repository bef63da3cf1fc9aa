// Damaged and hostile messages: cut at every length, lengths beyond the
// input, deep nesting, random damage and the inputs kept under
// data/hostile/. Each is refused with a CryptoAPI error, or decodes and then
// answers every parameter; a crash, a hang or an allocation sized by a lying
// length is the fault these tests look for.
#include <filesystem>
#include <random>

#include "msg_fixtures.h"

using namespace msg_test;

namespace {

bool isCleanRefusal(DWORD code) {
    for (HRESULT clean : {CRYPT_E_ASN1_EOD, CRYPT_E_ASN1_BADTAG, CRYPT_E_ASN1_CORRUPT, CRYPT_E_ASN1_LARGE,
                          CRYPT_E_INVALID_MSG_TYPE, CRYPT_E_UNKNOWN_ALGO, NTE_BAD_ALGID})
        if (code == static_cast<DWORD>(clean)) return true;
    return false;
}

// 0 when the message decodes (and then answers every parameter), else its refusal.
DWORD decodeOutcome(const Bytes& message, DWORD flags = 0) {
    const Msg msg = openMsg(flags);
    const DWORD code = updateError(msg.get(), message);
    for (DWORD p = 1; code == 0 && p <= 30; ++p) {
        for (DWORD index : {0u, 1u, 0xFFFFFFFFu}) {
            DWORD size = 0;
            if (!CryptMsgGetParam(msg.get(), p, index, nullptr, &size)) continue;
            Bytes value(size);
            EXPECT_TRUE(CryptMsgGetParam(msg.get(), p, index, value.data(), &size));
        }
    }
    return code;
}

void expectNoWorseThanARefusal(const Bytes& message, const std::string& what) {
    for (DWORD flags : {0u, CMSG_DETACHED_FLAG}) {
        const DWORD code = decodeOutcome(message, flags);
        EXPECT_TRUE(code == 0 || isCleanRefusal(code)) << what << " gave 0x" << std::hex << code;
    }
}

// A constructed element with a four-byte length around the content.
Bytes wrapped(BYTE tag, const Bytes& content, std::size_t claimed) {
    Bytes out{tag,
              0x84,
              static_cast<BYTE>(claimed >> 24),
              static_cast<BYTE>(claimed >> 16),
              static_cast<BYTE>(claimed >> 8),
              static_cast<BYTE>(claimed)};
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

const Bytes kSignedDataOid{0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};

}  // namespace

TEST_F(MsgTest, CutAtEveryLengthIsAnAsn1Error) {
    for (const Bytes* message : {&samples().twoSigners, &samples().streamedDetached}) {
        for (std::size_t size = 0; size < message->size(); ++size)
            EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD),
                      decodeOutcome(Bytes(message->begin(), message->begin() + static_cast<long>(size))))
                << "cut at " << size;
    }
}

TEST_F(MsgTest, LyingLengthsAndDeepNestingAreRefused) {
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeOutcome(wrapped(0x30, kSignedDataOid, 0xFFFFFFF0u)));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_LARGE), decodeOutcome({0x30, 0x85, 0x01, 0x00, 0x00, 0x00, 0x00}));
    // ContentInfo { signedData, [0] { [0] { ... } } }, ten thousand deep.
    Bytes inner{0x05, 0x00};
    for (int i = 0; i < 10000; ++i) inner = wrapped(0xA0, inner, inner.size());
    Bytes content = kSignedDataOid;
    content.insert(content.end(), inner.begin(), inner.end());
    const DWORD code = decodeOutcome(wrapped(0x30, content, content.size()));
    EXPECT_TRUE(code == static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT) || code == static_cast<DWORD>(CRYPT_E_ASN1_BADTAG))
        << std::hex << code;
    // The same in BER, never closed: a data message whose content is an
    // OCTET STRING of segments of segments, and indefinite [0]s in a signed
    // one. The depth bound comes before the missing ends.
    const Bytes dataOid{0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x01};
    for (const auto& [type, nested] : {std::pair{dataOid, BYTE{0x24}}, std::pair{kSignedDataOid, BYTE{0xA0}}}) {
        Bytes ber{0x30, 0x80};
        ber.insert(ber.end(), type.begin(), type.end());
        for (int i = 0; i < 10000; ++i) ber.insert(ber.end(), {i ? nested : BYTE{0xA0}, 0x80});
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), decodeOutcome(ber));
    }
    // A message whose end-of-contents octets are missing.
    Bytes unclosed{0x30, 0x80};
    unclosed.insert(unclosed.end(), dataOid.begin(), dataOid.end());
    unclosed.insert(unclosed.end(), {0xA0, 0x80, 0x04, 0x01, 'x'});
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeOutcome(unclosed));
}

TEST_F(MsgTest, RandomDamageIsRefusedCleanly) {
    const Samples& s = samples();
    std::mt19937 random(20240601);
    for (const Bytes* original : {&s.attached, &s.twoSigners, &s.keyId, &s.streamedDetached}) {
        for (int round = 0; round < 250; ++round) {
            Bytes damaged = *original;
            for (unsigned c = 1 + random() % 4; c > 0; --c)
                damaged[random() % damaged.size()] = static_cast<BYTE>(random());
            expectNoWorseThanARefusal(damaged, "round " + std::to_string(round));
        }
    }
}

TEST_F(MsgTest, KeptHostileInputsAreRefusedCleanly) {
    const auto folder = std::filesystem::path(CRYPT_TEST_DATA) / "hostile";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".der") continue;
        const std::string bytes = testkit::readFile(entry.path());
        expectNoWorseThanARefusal(Bytes(bytes.begin(), bytes.end()), entry.path().filename().string());
    }
}
