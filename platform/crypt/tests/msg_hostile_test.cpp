// Damaged and hostile messages: cut at every length, lengths and counts
// beyond the input, deep nesting, random damage and the inputs kept under
// data/hostile/. Each is refused with a CryptoAPI error, or decodes and then
// answers every parameter; a crash, a hang or an allocation sized by a lying
// length is the fault these tests look for.
#include <filesystem>
#include <random>

#include "msg_fixtures.h"

using namespace msg_test;

namespace {

bool isCleanRefusal(DWORD code) {
    switch (code) {
    case static_cast<DWORD>(CRYPT_E_ASN1_EOD):
    case static_cast<DWORD>(CRYPT_E_ASN1_BADTAG):
    case static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT):
    case static_cast<DWORD>(CRYPT_E_ASN1_LARGE):
    case static_cast<DWORD>(CRYPT_E_INVALID_MSG_TYPE):
    case static_cast<DWORD>(CRYPT_E_UNKNOWN_ALGO):
    case static_cast<DWORD>(NTE_BAD_ALGID):
        return true;
    default:
        return false;
    }
}

// Asks a decoded message for everything, at the first indexes and past them.
void queryEverything(HCRYPTMSG msg) {
    for (DWORD p = 1; p <= 30; ++p) {
        for (DWORD index : {0u, 1u, 2u, 0xFFFFFFFFu}) {
            DWORD size = 0;
            if (!CryptMsgGetParam(msg, p, index, nullptr, &size)) continue;
            Bytes value(size);
            EXPECT_TRUE(CryptMsgGetParam(msg, p, index, value.data(), &size)) << p << " " << std::hex << GetLastError();
        }
    }
}

// 0 when the message decodes (and then answers), else its refusal.
DWORD decodeOutcome(const Bytes& message, DWORD flags = 0) {
    const Msg msg = openMsg(flags);
    const DWORD code = updateError(msg.get(), message);
    if (code == 0) queryEverything(msg.get());
    return code;
}

void expectNoWorseThanARefusal(const Bytes& message, const std::string& what) {
    for (DWORD flags : {0u, CMSG_DETACHED_FLAG}) {
        const DWORD code = decodeOutcome(message, flags);
        EXPECT_TRUE(code == 0 || isCleanRefusal(code)) << what << " gave 0x" << std::hex << code;
    }
}

// A header of tag and a four-byte length.
Bytes header(BYTE tag, DWORD length) {
    return {tag, 0x84, static_cast<BYTE>(length >> 24), static_cast<BYTE>(length >> 16),
            static_cast<BYTE>(length >> 8), static_cast<BYTE>(length)};
}

const Bytes kSignedDataOid{0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};

}  // namespace

TEST_F(MsgTest, CutAtEveryLengthIsAnAsn1Error) {
    const Bytes& message = samples().twoSigners;
    for (std::size_t size = 0; size < message.size(); ++size) {
        const DWORD code = decodeOutcome(Bytes(message.begin(), message.begin() + static_cast<long>(size)));
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), code) << "cut at " << size;
    }
}

TEST_F(MsgTest, LengthsBeyondTheInputAreRefusedBeforeUse) {
    Bytes lying = header(0x30, 0xFFFFFFF0u);
    lying.insert(lying.end(), kSignedDataOid.begin(), kSignedDataOid.end());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeOutcome(lying));

    Bytes fiveByteLength{0x30, 0x85, 0x01, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_LARGE), decodeOutcome(fiveByteLength));

    // The signer infos cut away while every length still claims them.
    Bytes message = samples().attached;
    const Bytes& signer = param(decoded(message).get(), CMSG_ENCODED_SIGNER);
    const auto at = std::search(message.begin(), message.end(), signer.begin(), signer.end());
    ASSERT_NE(message.end(), at);
    message.erase(at, message.end());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeOutcome(message));
}

TEST_F(MsgTest, DeepNestingIsCorrupt) {
    // ContentInfo { signedData, [0] { [0] { [0] ... } } }, ten thousand deep.
    Bytes inner{0x05, 0x00};
    for (int i = 0; i < 10000; ++i) {
        Bytes outer = header(0xA0, static_cast<DWORD>(inner.size()));
        outer.insert(outer.end(), inner.begin(), inner.end());
        inner = std::move(outer);
    }
    Bytes content = kSignedDataOid;
    content.insert(content.end(), inner.begin(), inner.end());
    Bytes message = header(0x30, static_cast<DWORD>(content.size()));
    message.insert(message.end(), content.begin(), content.end());
    const DWORD code = decodeOutcome(message);
    EXPECT_TRUE(code == static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT) || code == static_cast<DWORD>(CRYPT_E_ASN1_BADTAG))
        << std::hex << code;
}

TEST_F(MsgTest, RandomDamageIsRefusedCleanly) {
    const Samples& s = samples();
    std::mt19937 random(20240601);
    for (const Bytes* original : {&s.attached, &s.twoSigners, &s.detached, &s.keyId}) {
        for (int round = 0; round < 400; ++round) {
            Bytes damaged = *original;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int c = 0; c < changes; ++c)
                damaged[random() % damaged.size()] = static_cast<BYTE>(random());
            expectNoWorseThanARefusal(damaged, "round " + std::to_string(round));
        }
    }
}

TEST_F(MsgTest, KeptHostileInputsAreRefusedCleanly) {
    const auto folder = std::filesystem::path(__FILE__).parent_path() / "data" / "hostile";
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".der") continue;
        expectNoWorseThanARefusal(bytesOf(testkit::readFile(entry.path())), entry.path().filename().string());
    }
}
