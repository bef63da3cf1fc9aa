// CryptMsgControl on decoded messages from `openssl cms`: unsigned
// attributes added and deleted while every signed byte stays, the
// signature checks by certificate and by index, and the refusals, which
// leave the message as it was.
#include "simple_msg_fixtures.h"

using namespace simple_msg_test;

namespace {

const Bytes kAnyValue{0x04, 0x03, 'a', 'n', 'y'};

Bytes attributeOf(const char* oid, const Bytes& value) {
    Attribute a(oid, value);
    return crypt_test::encode(PKCS_ATTRIBUTE, &a.get());
}

DWORD addError(HCRYPTMSG msg, DWORD signer, const Bytes& attribute) {
    CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR_PARA add{sizeof add, signer, crypt_test::blobOf(attribute)};
    return CryptMsgControl(msg, 0, CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR, &add) ? 0 : GetLastError();
}

DWORD deleteError(HCRYPTMSG msg, DWORD signer, DWORD index) {
    CMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR_PARA del{sizeof del, signer, index};
    return CryptMsgControl(msg, 0, CMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR, &del) ? 0 : GetLastError();
}

std::vector<std::string> unsignedOids(HCRYPTMSG msg, DWORD signer) {
    std::vector<std::string> oids;
    if (msg_test::paramError(msg, CMSG_SIGNER_UNAUTH_ATTR_PARAM, signer)) return oids;
    const Bytes block = msg_test::param(msg, CMSG_SIGNER_UNAUTH_ATTR_PARAM, signer);
    const auto& attributes = msg_test::recordIn<CRYPT_ATTRIBUTES>(block);
    for (DWORD i = 0; i < attributes.cAttr; ++i) oids.emplace_back(attributes.rgAttr[i].pszObjId);
    return oids;
}

using msg_test::verifyByCertificate;
using msg_test::verifyByIndex;
using MsgControl = msg_test::MsgTest;

}  // namespace

TEST_F(MsgControl, UnsignedAttributesComeAndGoWhileTheSignaturesStay) {
    const Peer peer(root);
    const Bytes& original = msg_test::samples().attached;
    const msg_test::Msg msg = msg_test::decoded(original);
    ASSERT_EQ(0u, addError(msg.get(), 0, attributeOf(kTimeStampToken, kAnyValue)));
    ASSERT_EQ(0u, addError(msg.get(), 0, attributeOf("1.2.3.4", {0x05, 0x00})));
    EXPECT_EQ((std::vector<std::string>{kTimeStampToken, "1.2.3.4"}), unsignedOids(msg.get(), 0));
    EXPECT_EQ("", peer.verifyFails(msg_test::param(msg.get(), CMSG_ENCODED_MESSAGE), msg_test::samples().content,
                                   false));
    EXPECT_EQ(0u, verifyByCertificate(msg.get(), contextOf(hierarchy().commercial.certificate.der()).get()));

    ASSERT_EQ(0u, deleteError(msg.get(), 0, 0));
    EXPECT_EQ((std::vector<std::string>{"1.2.3.4"}), unsignedOids(msg.get(), 0));
    ASSERT_EQ(0u, deleteError(msg.get(), 0, 0));
    EXPECT_EQ(code(CRYPT_E_ATTRIBUTES_MISSING), msg_test::paramError(msg.get(), CMSG_SIGNER_UNAUTH_ATTR_PARAM));
    EXPECT_EQ(original, msg_test::param(msg.get(), CMSG_ENCODED_MESSAGE)) << "back to the bytes received";
}

TEST_F(MsgControl, AnAttributeForTheSecondSignerLeavesTheFirstAlone) {
    const msg_test::Msg msg = msg_test::decoded(msg_test::samples().twoSigners);
    const Bytes first = msg_test::param(msg.get(), CMSG_ENCODED_SIGNER, 0);
    ASSERT_EQ(0u, addError(msg.get(), 1, attributeOf(kTimeStampToken, kAnyValue)));
    EXPECT_EQ(first, msg_test::param(msg.get(), CMSG_ENCODED_SIGNER, 0));
    EXPECT_EQ((std::vector<std::string>{kTimeStampToken}), unsignedOids(msg.get(), 1));
    EXPECT_EQ(0u, verifyByCertificate(msg.get(), contextOf(hierarchy().qualified.certificate.der()).get()));
}

TEST_F(MsgControl, RefusedChangesLeaveTheMessageAsItWas) {
    const msg_test::Msg msg = msg_test::decoded(msg_test::samples().attached);
    const Bytes before = msg_test::param(msg.get(), CMSG_ENCODED_MESSAGE);
    const Bytes attribute = attributeOf(kTimeStampToken, kAnyValue);
    Bytes twoElements = attribute;
    twoElements.insert(twoElements.end(), kAnyValue.begin(), kAnyValue.end());

    EXPECT_EQ(code(CRYPT_E_INVALID_INDEX), addError(msg.get(), 1, attribute));
    EXPECT_EQ(code(CRYPT_E_INVALID_INDEX), deleteError(msg.get(), 0, 0));
    EXPECT_EQ(code(CRYPT_E_BAD_ENCODE), addError(msg.get(), 0, twoElements));
    EXPECT_EQ(code(CRYPT_E_ASN1_BADTAG), addError(msg.get(), 0, kAnyValue)) << "not an Attribute";
    EXPECT_EQ(code(CRYPT_E_BAD_ENCODE), addError(msg.get(), 0, {}));
    CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR_PARA wrongSize{4, 0, crypt_test::blobOf(attribute)};
    EXPECT_FALSE(CryptMsgControl(msg.get(), 0, CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR, &wrongSize));
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());
    EXPECT_FALSE(CryptMsgControl(msg.get(), 0, CMSG_CTRL_ADD_CERT, &wrongSize));
    EXPECT_EQ(code(CRYPT_E_CONTROL_TYPE), GetLastError());
    EXPECT_EQ(before, msg_test::param(msg.get(), CMSG_ENCODED_MESSAGE));

    const msg_test::Msg data = msg_test::decoded(msg_test::samples().data);
    EXPECT_EQ(code(CRYPT_E_INVALID_MSG_TYPE), addError(data.get(), 0, attribute));
    EXPECT_FALSE(CryptMsgControl(reinterpret_cast<HCRYPTMSG>(0x4711), 0, CMSG_CTRL_VERIFY_SIGNATURE, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(MsgControl, SignatureChecksFindTheSignerAndUseTheKeyGiven) {
    const Certificate commercial = contextOf(hierarchy().commercial.certificate.der());
    const Certificate qualified = contextOf(hierarchy().qualified.certificate.der());
    const msg_test::Msg msg = msg_test::decoded(msg_test::samples().attached);

    EXPECT_EQ(0u, verifyByCertificate(msg.get(), commercial.get()));
    EXPECT_EQ(code(CRYPT_E_SIGNER_NOT_FOUND), verifyByCertificate(msg.get(), qualified.get()));
    EXPECT_EQ(0u, verifyByIndex(msg.get(), 0, CMSG_VERIFY_SIGNER_PUBKEY, &commercial->pCertInfo->SubjectPublicKeyInfo));
    EXPECT_EQ(0u, verifyByIndex(msg.get(), 0, CMSG_VERIFY_SIGNER_CERT, commercial.get()));
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyByIndex(msg.get(), 0, CMSG_VERIFY_SIGNER_CERT, qualified.get()));
    EXPECT_EQ(code(CRYPT_E_INVALID_INDEX), verifyByIndex(msg.get(), 1, CMSG_VERIFY_SIGNER_CERT, commercial.get()));
    EXPECT_EQ(code(E_INVALIDARG), verifyByIndex(msg.get(), 0, 3, commercial.get()));

    const msg_test::Msg detached = msg_test::decoded(msg_test::samples().detached, CMSG_DETACHED_FLAG);
    EXPECT_EQ(code(CRYPT_E_STREAM_MSG_NOT_READY), verifyByCertificate(detached.get(), commercial.get()));
    EXPECT_EQ(0u, msg_test::updateError(detached.get(), msg_test::samples().content));
    EXPECT_EQ(0u, verifyByCertificate(detached.get(), commercial.get()));
}
