// A PKCS#10 request built through the object from a software key, as the
// renewal program builds one, judged by openssl: every subject string type,
// request attribute and requested extension reaches the signed request in
// its order; 8-bit arguments the ANSI code page cannot hold are refused
// rather than altered; the pending copy is found by the object's own key
// lists.
#include <tuple>

#include "../judged_request.h"
#include "pentak_client.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr HRESULT kUnsupportedType = HRESULT_OF(0x8007065Eu);  // ERROR_UNSUPPORTED_TYPE
constexpr char16_t kRequestContainer[] = u"pentak-request";
constexpr char16_t kSha1[] = u"1.3.14.3.2.26";

class PentakRequest : public ScriptedPentak {
protected:
    void SetUp() override {
        ScriptedPentak::SetUp();
        TESTKIT_REQUIRE_PROGRAM("openssl");
    }

    // openssl's one-line view of a DER file under the root.
    std::string openssl(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "openssl");
        const auto result = testkit::run(arguments, root.path());
        EXPECT_EQ(0, result.exitCode) << result.err;
        return result.out;
    }
};

std::u16string textOf(const Script& session, const char16_t* name, std::vector<VARIANT> inArguments) {
    Value out;
    inArguments.push_back(out.reference());
    EXPECT_EQ(S_OK, session.call(name, std::move(inArguments))) << testing::PrintToString(std::u16string(name));
    return out.text();
}

TEST_F(PentakRequest, EverythingAskedForReachesTheSignedRequestInOrderAndItsPendingCopyIsListed) {
    const auto session = newSession();
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(kSoftwareProvider)));
    ASSERT_EQ(S_OK, session.put(u"ContainerName", Value(kRequestContainer)));
    ASSERT_EQ(S_OK, session.put(u"GenKeyFlags", Value(LONG{1024 << 16})));
    ASSERT_EQ(S_OK, session.call(u"KeyGenerate"));

    // The subject, one RDN per attribute in the order added, each under the
    // string type set before it.
    const std::tuple<LONG, const char16_t*, const char16_t*> subject[] = {
        {4, u"2.5.4.6", u"CZ"},
        {13, u"2.5.4.3", u"Jan Novák"},
        {12, u"2.5.4.10", u"Tesk Praha"},
        {13, u"2.5.4.11", u"dropped again"},
        {7, u"1.2.840.113549.1.9.1", u"jan@tesk.cz"},
    };
    for (const auto& [type, oid, value] : subject) {
        ASSERT_EQ(S_OK, session.put(u"AttributeStringType", Value(type)));
        ok(session, u"AddSubjectAttribute", {Value(oid).get(), Value(value).get()});
    }
    ok(session, u"RemoveSubjectAttribute", {Value(u"2.5.4.11").get()});

    ASSERT_EQ(S_OK, session.put(u"AttributeStringType", Value(LONG{4})));
    ok(session, u"AddAttribute_String", {Value(u"1.2.3.4.5").get(), Value(u"free text").get()});
    ok(session, u"AddAttribute_StringSHA1", {Value(u"1.2.3.4.6").get(), Value(u"abc").get()});
    ok(session, u"AddAttribute_CSPInfo");

    // Every kind of requested extension, added in another order than the
    // request holds them; the bit set before the reset does not count.
    ok(session, u"RequestedExtension_KeyUsage_SetBit", {number(3)});
    ok(session, u"RequestedExtension_KeyUsage_Reset");
    ok(session, u"RequestedExtension_KeyUsage_SetBit", {number(0)});
    ok(session, u"RequestedExtension_KeyUsage_SetBit", {number(2)});
    ok(session, u"RequestedExtension_SetCritical", {Value(u"2.5.29.15").get(), number(1)});
    ok(session, u"RequestedExtension_ExtKeyUsage_AddOid", {Value(u"1.3.6.1.5.5.7.3.2").get()});
    ok(session, u"RequestedExtension_ExtKeyUsage_AddOid", {Value(u"1.3.6.1.5.5.7.3.4").get()});
    ok(session, u"RequestedExtension_CertPolicies_AddOid", {Value(u"1.2.3.9").get()});
    ok(session, u"RequestedExtension_SubjectAltName_Add", {number(2), Value(u"jan@tesk.cz").get()});
    ok(session, u"RequestedExtension_SubjectAltName_Add", {number(3), Value(u"tesk.cz").get()});
    ok(session, u"RequestedExtension_SubjectAltName_Add", {number(7), Value(u"https://tesk.cz/").get()});
    ok(session, u"RequestedExtension_SubjectAltName_Add", {number(8), Value(u"10.0.200.1").get()});
    ok(session, u"RequestedExtension_SubjectAltName_Add", {number(9), Value(u"1.2.3.11").get()});
    // The other name's value takes the string type too; "@" has no place in
    // a printable string, and the encoder's own error comes back.
    Value upn(u"1.3.6.1.4.1.311.20.2.3");
    Value upnValue(u"jan@tesk");
    EXPECT_EQ(CRYPT_E_INVALID_PRINTABLE_STRING,
              session.call(u"RequestedExtension_SubjectAltName_OtherName_Add", {upn.get(), upnValue.get()}));
    ASSERT_EQ(S_OK, session.put(u"AttributeStringType", Value(LONG{13})));
    ok(session, u"RequestedExtension_SubjectAltName_OtherName_Add", {upn.get(), upnValue.get()});
    ok(session, u"RequestedExtension_CRLDistributionPoint_Add", {number(7), Value(u"http://crl.tesk.cz/1").get()});
    ok(session, u"RequestedExtension_Add", {Value(u"1.2.3.4").get(), number(0), Value(u"0x0102ff").get()});

    // Refused, and nothing of them reaches the request. A "?" in place of
    // the character the ANSI page lacks would have made a valid OID and an
    // altered value.
    EXPECT_EQ(kInvalidParameter, session.call(u"AddSubjectAttribute", {Value(u"2.5.4.7\u4E2D").get(),
                                                                       Value(u"Brno").get()}));
    EXPECT_EQ(kInvalidParameter, session.call(u"RequestedExtension_Add", {Value(u"1.2.3.5").get(), number(0),
                                                                          Value(u"01\u4E2D02").get()}));
    EXPECT_EQ(kInvalidParameter, session.call(u"RequestedExtension_KeyUsage_SetBit", {number(20)}));
    EXPECT_EQ(kUnsupportedType,
              session.call(u"RequestedExtension_SubjectAltName_Add", {number(5), Value(u"CN=Jan").get()}));
    Value nullOid(static_cast<const char16_t*>(nullptr));
    EXPECT_EQ(NTE_FAIL, session.call(u"RemoveSubjectAttribute", {nullOid.get()})) << "fails without an error";

    const std::u16string text = textOf(session, u"CreatePKCS10", {});
    const JudgedRequest request = judgeRequestDer(root, decodedBase64(root, text));
    ASSERT_TRUE(request.verified);
    EXPECT_EQ((std::vector<std::string>{"C=PRINTABLESTRING:CZ", "CN=UTF8STRING:Jan Novák", "O=BMPSTRING:Tesk Praha",
                                        "emailAddress=IA5STRING:jan@tesk.cz"}),
              request.subject);
    EXPECT_EQ((std::vector<std::string>{"rsaEncryption", "1.2.3.4.5", "1.2.3.4.6", "1.3.6.1.4.1.32473.4.2",
                                        "Extension Request"}),
              request.objectsAtDepth(4));
    EXPECT_NE(std::string::npos, request.asn1.find("PRINTABLESTRING   :free text"));
    EXPECT_NE(std::string::npos, request.asn1.find("[HEX DUMP]:A9993E364706816ABA3E25717850C26C9CD0D89D"))
        << "SHA-1 of abc";
    EXPECT_EQ((std::vector<std::string>{"1.2.3.4", "X509v3 Key Usage", "X509v3 Subject Alternative Name",
                                        "X509v3 CRL Distribution Points", "X509v3 Certificate Policies",
                                        "X509v3 Extended Key Usage"}),
              request.objectsAtDepth(7));
    EXPECT_NE(std::string::npos, request.asn1.find("[HEX DUMP]:0102FF\n"));
    for (const char* shown :
         {"X509v3 Key Usage: critical\n                    Digital Signature, Key Encipherment\n",
          "email:jan@tesk.cz, DNS:tesk.cz, URI:https://tesk.cz/, IP Address:10.0.200.1, Registered ID:1.2.3.11, "
          "othername: UPN::jan@tesk\n",
          "Full Name:\n                      URI:http://crl.tesk.cz/1\n", "Policy: 1.2.3.9\n",
          "TLS Web Client Authentication, E-mail Protection\n"})
        EXPECT_NE(std::string::npos, request.text.find(shown)) << shown << "\n" << request.text;

    // The pending copy in REQUEST: listed with its container, found alike by
    // index, as the whole list and by container, and handed out as a
    // certificate of the request's subject and key.
    EXPECT_EQ(kRequestContainer, textOf(session, u"EnumContainers", {number(0), number(0)}));
    const std::u16string hash = textOf(session, u"EnumPubKeyHash", {number(0), Value(kSha1).get(), number(0), number(0)});
    EXPECT_EQ(40u, hash.size());
    EXPECT_EQ(hash, textOf(session, u"GetPubKeyHashList", {Value(kSha1).get(), number(0), number(0)}));
    EXPECT_EQ(hash, textOf(session, u"GetPubKeyHashContainer",
                           {Value(kRequestContainer).get(), Value(kSha1).get(), number(0), number(0)}));
    const std::vector<BYTE> pending = decodedBase64(root, session.text(u"Certificate"));
    root.write("pending.der", std::string(pending.begin(), pending.end()));
    const std::string nameOptions = "sep_multiline,show_type,utf8,-esc_msb,sname";
    EXPECT_EQ(openssl({"req", "-inform", "DER", "-in", "request.der", "-noout", "-subject", "-nameopt", nameOptions})
                  ,
              openssl({"x509", "-inform", "DER", "-in", "pending.der", "-noout", "-subject", "-nameopt", nameOptions})
                  );
    EXPECT_EQ(openssl({"req", "-inform", "DER", "-in", "request.der", "-noout", "-pubkey"}),
              openssl({"x509", "-inform", "DER", "-in", "pending.der", "-noout", "-pubkey"}));
}

}  // namespace
