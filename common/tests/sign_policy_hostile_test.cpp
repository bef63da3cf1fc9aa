// Damaged and hostile policies are refused without reading past their
// bytes, recursing with their nesting or allocating beyond their size.
#include <chrono>

#include "common/sign_policy_decoder.h"
#include "sign_policy_fixture.h"

namespace {

using namespace policy_test;

bool Decodes(const Bytes& der) {
    SignPolicyInfo info;
    return DecodeSignPolicyBuffer(der.data(), static_cast<DWORD>(der.size()), info);
}

class SignPolicyHostileTest : public PolicyTest {};

TEST_F(SignPolicyHostileTest, TruncatedRetaggedOrOverlongPoliciesFail) {
    const Bytes policy = Make("qualified.cnf");
    ASSERT_TRUE(Decodes(policy));
    for (std::size_t size = 0; size < policy.size(); ++size) EXPECT_FALSE(Decodes(Bytes(&policy[0], &policy[size])));

    // The policy, its hash algorithm, its information, identifier and date
    // of issue, each under another tag.
    const auto elements = Parse(policy);
    for (std::size_t index : {0, 1, 4, 5, 6}) {
        Bytes damaged = policy;
        damaged[elements.at(index).offset] ^= 0x01;
        EXPECT_FALSE(Decodes(damaged)) << elements[index].text;
    }
    // Lengths beyond the buffer: the outer one, and the information's by a byte.
    for (const Bytes& header : {Bytes{0x30, 0x84, 0x7F, 0xFF, 0xFF, 0xFF}, Bytes{0x30, 0x80}}) {
        Bytes damaged = header;
        damaged.insert(damaged.end(), policy.begin() + 4, policy.end());
        EXPECT_FALSE(Decodes(damaged));
    }
    Bytes longer = policy;
    ++longer.at(elements.at(4).offset + 3);
    EXPECT_FALSE(Decodes(longer));
    SignPolicyInfo info;
    EXPECT_FALSE(DecodeSignPolicyBuffer(nullptr, 10, info));
}

TEST_F(SignPolicyHostileTest, DeepNestingFails) {
    Bytes nested{0x05, 0x00};
    std::vector<Bytes> headers;  // built from the inside out, 100,000 levels
    for (std::size_t length = nested.size(), level = 0; level < 100000; ++level) {
        headers.push_back({0x30, 0x83, static_cast<BYTE>(length >> 16), static_cast<BYTE>(length >> 8),
                           static_cast<BYTE>(length)});
        length += 5;
    }
    for (auto header = headers.rbegin(); header != headers.rend(); ++header)
        nested.insert(nested.end() - 2, header->begin(), header->end());
    EXPECT_FALSE(Decodes(nested));
}

TEST_F(SignPolicyHostileTest, HugeCountsAreReadInBoundedTime) {
    std::string many;
    for (int i = 0; i < 50000; ++i) many += "a" + std::to_string(i) + " = OID:1.2." + std::to_string(i) + "\n";
    const Bytes policy = Make("qualified.cnf", {{"contentType = OID:1.2.840.113549.1.9.3", many}});
    const auto start = std::chrono::steady_clock::now();
    SignPolicyInfo info;
    ASSERT_TRUE(DecodeSignPolicyBuffer(policy.data(), static_cast<DWORD>(policy.size()), info));
    EXPECT_EQ(50004u, info.commonRules.signerAndVerifier.mandatedSignedAttrs.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
