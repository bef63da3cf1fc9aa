// Pentak as the renewal program holds it: one object made for IUnknown and
// asked for IPentak, its names checked at start-up one at a time, then a
// Reset before every check, request and signature; the provider checks of
// the data step, a key and its request armoured as the program armours it,
// the offer to delete the key of a failed request, and a signed message.
// Each refusal comes back with the code the program maps to its messages.
#include <string>
#include <tuple>
#include <utility>

#include "../judged_request.h"
#include "pentak_client.h"
#include "testkit/csp.h"
#include "win32/crypt_store.h"
#include "win32/crypt_string.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
using platform::com::Ptr;
namespace pki = testkit::pki;

constexpr HRESULT kInvalidData = HRESULT_OF(0x8007000Du);       // 13: no bytes to sign

constexpr LCID kSystemDefaultLocale = 2048;
constexpr LCID kUserDefaultLocale = 1024;

// The names the program checks at start-up, in its order, with the
// identifiers it may rely on ("Release" has its place in IUnknown).
constexpr DISPID kAnyId = DISPID_UNKNOWN;
const std::pair<const char16_t*, DISPID> kCheckedNames[] = {
    {u"GetCardNumber", 0x22}, {u"ProviderName", 0x2}, {u"ProviderType", 0x1}, {u"ContainerName", 0x3},
    {u"KeySpec", 0x4}, {u"GenKeyFlags", 0x5}, {u"KeyGenerate", 0x7}, {u"CreatePKCS10", 0x16},
    {u"RequestedExtension_KeyUsage_SetBit", 0x11}, {u"RequestedExtension_ExtKeyUsage_AddOid", 0x12},
    {u"AttributeStringType", 0xb}, {u"AddSubjectAttribute", 0xc},
    {u"RequestedExtension_SubjectAltName_OtherName_Add", 0x1a}, {u"RequestedExtension_SubjectAltName_Add", 0x14},
    {u"AddAttribute_SmartCardInfoSC", 0x67}, {u"AddAttribute_SmartCardInfo", 0xf},
    {u"AddAttribute_KavloCardInfo", 0x89}, {u"KeySelect", 0x6}, {u"Release", kAnyId}, {u"SignCert", 0x39},
    {u"Sign", 0x34}, {u"GetContainerName", 0x21}, {u"RequestImport", 0x20}, {u"KeyContainerDelete", 0x8},
    {u"IsKeylenSupported", 0x46}, {u"IsAlgOidSupported", 0x43}, {u"SetHashAlgorithmOid", 0x3f},
    {u"sha1Algorithm", 0x73}, {u"sha256Algorithm", 0x74}, {u"sha512Algorithm", 0x76},
};

std::string narrow(const std::u16string& text) { return {text.begin(), text.end()}; }

// The program's object: made for IUnknown, then asked for IPentak; the
// interface pointer goes before the IUnknown.
class RenewalProgramsPentak : public ScriptedPentak {
protected:
    void TearDown() override {
        pentak.reset();
        unknown.reset();
        ScriptedPentak::TearDown();
    }

    Script startUp() {
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Pentak, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.putVoid()));
        pentak = unknown.as<IPentak>();
        EXPECT_TRUE(pentak);
        return scriptOf(pentak);
    }

    // One name as the program asks: under IPentak's identifier, the system's
    // locale first, then the user's.
    HRESULT resolve(const char16_t* name, DISPID& id) const {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = pentak->GetIDsOfNames(IID_IPentak, names, 1, kSystemDefaultLocale, &id);
        if (FAILED(hr)) hr = pentak->GetIDsOfNames(IID_IPentak, names, 1, kUserDefaultLocale, &id);
        return hr;
    }

    std::string openssl(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), "openssl");
        const auto result = testkit::run(arguments, root.path());
        EXPECT_EQ(0, result.exitCode) << result.err;
        return result.out;
    }

    Ptr<IUnknown> unknown;
    Ptr<IPentak> pentak;
};

std::u16string textOut(const Script& session, const char16_t* name, HRESULT expected = S_OK) {
    Value out(u"untouched");
    EXPECT_EQ(expected, session.call(name, {out.reference()})) << testing::PrintToString(std::u16string(name));
    return out.text();
}

// What the program's data check asks before it lets a request go on.
std::pair<HRESULT, HRESULT> dataCheck(const Script& session, const char16_t* provider, LONG type, LONG keyLength) {
    EXPECT_EQ(S_OK, session.call(u"Reset"));
    EXPECT_EQ(S_OK, session.put(u"ProviderName", Value(provider)));
    EXPECT_EQ(S_OK, session.put(u"ProviderType", Value(type)));
    const HRESULT algorithm = session.call(u"IsAlgOidSupported", {Value(kSha256WithRsa).get()});
    EXPECT_EQ(S_OK, session.put(u"KeySpec", Value(LONG{AT_KEYEXCHANGE})));
    return {algorithm, session.call(u"IsKeylenSupported", {number(keyLength)})};
}

// Base64 as the program takes it: lines of 72 characters, each ended by a
// line feed alone, no armour.
void expectProgramsBase64(const std::u16string& text) {
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(u'\n', text.back());
    EXPECT_EQ(std::u16string::npos, text.find(u'\r'));
    EXPECT_EQ(std::u16string::npos, text.find(u"-----"));
    for (std::size_t start = 0, end; (end = text.find(u'\n', start)) != std::u16string::npos; start = end + 1) {
        if (end + 1 < text.size()) {
            EXPECT_EQ(72u, end - start) << "a line before the last";
        }
    }
}

TEST_F(RenewalProgramsPentak, MadeForIUnknownItAnswersEveryNameTheProgramChecksAtStartUp) {
    const auto session = startUp();
    ASSERT_TRUE(pentak);
    for (const auto& [name, expected] : kCheckedNames) {
        DISPID id = DISPID_UNKNOWN;
        ASSERT_EQ(S_OK, resolve(name, id)) << testing::PrintToString(std::u16string(name));
        if (expected != kAnyId) {
            EXPECT_EQ(expected, id) << testing::PrintToString(std::u16string(name));
        }
    }
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, resolve(u"KeyDestroy", id)) << "the program stops on a name it lacks";

    EXPECT_EQ(u"1.3.14.3.2.26", session.text(u"sha1Algorithm"));
    EXPECT_EQ(u"2.16.840.1.101.3.4.2.1", session.text(u"sha256Algorithm"));
    EXPECT_EQ(u"2.16.840.1.101.3.4.2.3", session.text(u"sha512Algorithm"));
}

TEST_F(RenewalProgramsPentak, TheDataCheckPassesAProviderThatHasTheAlgorithmAndTheKeyLength) {
    const auto session = startUp();
    EXPECT_EQ(std::pair(S_OK, S_OK), dataCheck(session, kAesProvider, PROV_RSA_AES, 2048));
    EXPECT_EQ(kNotSupported, session.call(u"IsKeylenSupported", {number(100000)}));
    EXPECT_EQ(kInvalidParameter, session.call(u"IsAlgOidSupported", {Value(u"").get()}));
    EXPECT_EQ(kNoAlgorithm, session.call(u"IsAlgOidSupported", {Value(u"1.2.3.4").get()}));
    EXPECT_EQ(kNoAlgorithm, session.call(u"SetHashAlgorithmOid", {Value(u"1.2.3.4").get()}));

    // A provider without SHA-256 with RSA is left off the program's list.
    const auto [algorithm, keyLength] = dataCheck(session, kSoftwareProvider, PROV_RSA_FULL, 2048);
    EXPECT_TRUE(FAILED(algorithm));
    EXPECT_EQ(S_OK, keyLength);

    // Reset forgets the provider: nothing is asked of one.
    EXPECT_EQ(S_OK, session.call(u"Reset"));
    EXPECT_EQ(kNoProvider, session.call(u"IsAlgOidSupported", {Value(kSha256WithRsa).get()}));
    EXPECT_EQ(kNoProvider, session.call(u"IsKeylenSupported", {number(2048)}));
    EXPECT_EQ(kNoProvider, session.call(u"SetHashAlgorithmOid", {Value(u"2.16.840.1.101.3.4.2.1").get()}));
    EXPECT_EQ(u"untouched", textOut(session, u"GetCardNumber", kNoProvider));
}

TEST_F(RenewalProgramsPentak, ARequestOnANewKeyIsBase64ThatTheProgramsArmourMakesARequestAndResetForgetsIt) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const auto session = startUp();
    // The settings of the program's request step, in its order; without a
    // container name of its own the provider names the new key set.
    ok(session, u"Reset");
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(kAesProvider)));
    ASSERT_EQ(S_OK, session.put(u"ProviderType", Value(LONG{PROV_RSA_AES})));
    ASSERT_EQ(S_OK, session.put(u"KeySpec", Value(LONG{AT_SIGNATURE})));
    ASSERT_EQ(S_OK, session.put(u"GenKeyFlags", Value(LONG{(1024 << 16) | CRYPT_EXPORTABLE})));
    for (LONG bit : {0, 1}) ok(session, u"RequestedExtension_KeyUsage_SetBit", {number(bit)});
    ok(session, u"RequestedExtension_ExtKeyUsage_AddOid", {Value(u"1.3.6.1.5.5.7.3.4").get()});
    ok(session, u"SetSignatureAlgorithmOid", {Value(kSha256WithRsa).get()});
    for (const auto& [type, oid, value] : {std::tuple{4, u"2.5.4.6", u"CZ"}, std::tuple{13, u"2.5.4.3", u"Jiří Dvořák"},
                                           std::tuple{7, u"1.2.840.113549.1.9.1", u"jiri@tesk.cz"}}) {
        ASSERT_EQ(S_OK, session.put(u"AttributeStringType", Value(LONG{type})));
        ok(session, u"AddSubjectAttribute", {Value(oid).get(), Value(value).get()});
    }
    ok(session, u"RequestedExtension_SubjectAltName_Add", {number(2), Value(u"jiri@tesk.cz").get()});
    ASSERT_EQ(S_OK, session.put(u"AttributeStringType", Value(LONG{13})));
    ok(session, u"RequestedExtension_SubjectAltName_OtherName_Add",
       {Value(u"1.3.6.1.4.1.311.20.2.3").get(), Value(u"jiri@tesk.cz").get()});
    ok(session, u"KeyGenerate");
    EXPECT_NE(u"", textOut(session, u"GetContainerName"));
    EXPECT_EQ(NTE_EXISTS, session.call(u"KeyGenerate")) << "the program tells the user the key set exists";
    ok(session, u"KeySelect");

    const std::u16string request = textOut(session, u"CreatePKCS10");
    expectProgramsBase64(request);
    root.write("request.pem",
               "-----BEGIN CERTIFICATE REQUEST-----\n" + narrow(request) + "-----END CERTIFICATE REQUEST-----\n");
    const std::string pem = openssl({"req", "-in", "request.pem", "-verify", "-noout", "-text", "-nameopt",
                                     "multiline,show_type,utf8"});
    const JudgedRequest judged = judgeRequestDer(root, decodedBase64(root, request));
    EXPECT_EQ(judged.text, pem) << "the armoured text is the same request";
    EXPECT_EQ((std::vector<std::string>{"C=PRINTABLESTRING:CZ", "CN=UTF8STRING:Jiří Dvořák",
                                        "emailAddress=IA5STRING:jiri@tesk.cz"}),
              judged.subject);
    for (const char* shown : {"Signature Algorithm: sha256WithRSAEncryption", "Public-Key: (1024 bit)",
                              "Digital Signature, Non Repudiation\n", "E-mail Protection\n",
                              "email:jiri@tesk.cz, othername: UPN::jiri@tesk.cz\n"})
        EXPECT_NE(std::string::npos, pem.find(shown)) << shown << "\n" << pem;

    // Reset before the next request: the settings as the program expects
    // them, the key released and the request state empty.
    ok(session, u"Reset");
    EXPECT_EQ(LONG{PROV_RSA_FULL}, session.number(u"ProviderType"));
    EXPECT_EQ(LONG{AT_SIGNATURE}, session.number(u"KeySpec"));
    EXPECT_EQ(0, session.number(u"GenKeyFlags"));
    EXPECT_EQ(4, session.number(u"AttributeStringType"));
    Value codePage;
    ASSERT_EQ(S_OK, session.get(u"CodePage", codePage));
    EXPECT_EQ(1250u, codePage.get().ulVal);
    for (const char16_t* unset : {u"ProviderName", u"ContainerName"}) {
        Value value;
        EXPECT_EQ(S_OK, session.get(unset, value));
        EXPECT_TRUE(value.isNullText()) << testing::PrintToString(std::u16string(unset));
    }
    Value hash;
    ASSERT_EQ(S_OK, session.call(u"GetHashAlgorithmOid", {hash.reference()}));
    EXPECT_EQ(u"1.3.14.3.2.26", hash.text());
    EXPECT_EQ(u"untouched", textOut(session, u"GetContainerName", kInvalidParameter)) << "no key open";
    EXPECT_TRUE(FAILED(session.call(u"CreatePKCS10", {Value().reference()})));
}

TEST_F(RenewalProgramsPentak, UnderProfileOneAnExistingKeyMakesTheRequestAndItsDeletionWaitsForYes) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    answers("MessageBox IDNO halvex-profile\n"
            "MessageBox IDYES halvex-profile\n");
    const auto session = startUp();
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(kAesProvider)));
    ASSERT_EQ(S_OK, session.put(u"ProviderType", Value(LONG{PROV_RSA_AES})));
    ASSERT_EQ(S_OK, session.put(u"ContainerName", Value(u"halvex-profile")));
    ASSERT_EQ(S_OK, session.put(u"GenKeyFlags", Value(LONG{1024 << 16})));
    ok(session, u"KeyGenerate");

    // The machine's profile is read again by Reset; the program's existing
    // key is selected, not made.
    setMachineProfile(1);
    ok(session, u"Reset");
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(kAesProvider)));
    ASSERT_EQ(S_OK, session.put(u"ProviderType", Value(LONG{PROV_RSA_AES})));
    ASSERT_EQ(S_OK, session.put(u"ContainerName", Value(u"halvex-profile")));
    ASSERT_EQ(S_OK, session.put(u"AttributeStringType", Value(LONG{12})));
    for (const auto& [oid, value] : {std::pair{u"2.5.4.6", u"CZ"}, std::pair{u"2.5.4.5", u"ICA-123"},
                                     std::pair{u"1.2.840.113549.1.9.1", u"eva@tesk.cz"},
                                     std::pair{u"2.5.4.3", u"Eva Malá"}, std::pair{u"2.5.4.97", u"NTRCZ-1"}})
        ok(session, u"AddSubjectAttribute", {Value(oid).get(), Value(value).get()});
    ok(session, u"KeySelect");
    EXPECT_EQ(u"halvex-profile", textOut(session, u"GetContainerName"));
    const std::u16string request = textOut(session, u"CreatePKCS10");
    expectProgramsBase64(request);
    EXPECT_EQ((std::vector<std::string>{"C=PRINTABLESTRING:CZ", "serialNumber=PRINTABLESTRING:ICA-123",
                                        "emailAddress=IA5STRING:eva@tesk.cz", "CN=UTF8STRING:Eva Malá",
                                        "organizationIdentifier=BMPSTRING:NTRCZ-1"}),
              judgeRequestDer(root, decodedBase64(root, request)).subject)
        << "the profile fixes the type of the names it knows";

    // The failed request's key, offered for deletion: the question names
    // the container, and No keeps it.
    Value container(u"halvex-profile");
    EXPECT_EQ(kInvalidParameter, session.call(u"KeyContainerDelete", {Value(u"").get()}));
    EXPECT_EQ(kCancelled, session.call(u"KeyContainerDelete", {container.get()}));
    EXPECT_NE(std::string::npos, narrow(session.text(u"Error")).find("(LastError:0x000004c7)"));
    ok(session, u"KeySelect");
    ok(session, u"KeyContainerDelete", {container.get()});
    EXPECT_EQ(NTE_BAD_KEYSET, session.call(u"KeySelect"));
}

// The PEM text of a DER certificate.
std::u16string pemOf(const std::vector<BYTE>& der) {
    DWORD size = 0;
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size);
    std::string text(size, '\0');
    CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), CRYPT_STRING_BASE64HEADER, text.data(), &size);
    text.resize(size);
    return {text.begin(), text.end()};
}

TEST_F(RenewalProgramsPentak, AMessageIsSignedWithTheHeldCertificateOnlyAfterTheUsersYes) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::TestCsp csp(testkit::CspKind::Software, root, u"halvex-signer");
    const auto issuer = pki::CertificateBuilder().subject({{"CN", "Renewal CA"}}).build();
    PCCERT_CONTEXT signer = csp.certificateWithKey("Halvex Signer", issuer);
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    ASSERT_TRUE(my && CertAddCertificateContextToStore(my, signer, CERT_STORE_ADD_ALWAYS, nullptr));
    CertCloseStore(my, 0);
    const std::u16string certificate = pemOf({signer->pbCertEncoded, signer->pbCertEncoded + signer->cbCertEncoded});
    CertFreeCertificateContext(signer);

    answers("Dialog press:7 Žádost o certifikát\n"
            "Dialog press:6 Žádost o certifikát\n");
    const auto session = startUp();
    // The program's signing step: Reset, the certificate, the provider read
    // back, the hash of the request's signature algorithm.
    ok(session, u"Reset");
    ASSERT_EQ(S_OK, session.put(u"SignCert", Value(certificate.c_str())));
    EXPECT_EQ(csp.provider(), session.text(u"ProviderName"));
    ok(session, u"SetHashAlgorithmOid", {Value(session.text(u"sha256Algorithm").c_str()).get()});

    const std::u16string message = u"<request>Žádost o certifikát</request>";
    Value signedMessage(u"untouched");
    EXPECT_EQ(kCancelled,
              session.call(u"Sign", {Value(certificate.c_str()).get(), Value(message.c_str()).get(),
                                     signedMessage.reference()}));
    EXPECT_EQ(u"untouched", signedMessage.text());
    ASSERT_EQ(S_OK, session.call(u"Sign", {Value(certificate.c_str()).get(), Value(message.c_str()).get(),
                                           signedMessage.reference()}));
    EXPECT_EQ(message, session.text(u"messageTBS"));
    EXPECT_EQ(certificate, session.text(u"SignCert"));

    const std::u16string signature = signedMessage.text();
    expectProgramsBase64(signature);
    const auto file = root.write("request.p7", "-----BEGIN PKCS7-----\n" + narrow(signature) + "-----END PKCS7-----\n");
    const auto verified = testkit::run({"openssl", "cms", "-verify", "-inform", "PEM", "-noverify", "-binary", "-in",
                                        file.string()});
    EXPECT_EQ(0, verified.exitCode) << verified.err;
    EXPECT_EQ("<request>\x8E\xE1" "dost o certifik\xE1" "t</request>", verified.out) << "in code page 1250";
    EXPECT_NE(std::string::npos,
              openssl({"cms", "-cmsout", "-print", "-inform", "PEM", "-in", file.string()}).find("algorithm: sha256"));

    // Neither a message the code page cannot hold nor a certificate the
    // user does not hold reaches the dialog.
    EXPECT_EQ(kInvalidData, session.call(u"Sign", {Value(certificate.c_str()).get(), Value(u"\u4E2D").get(),
                                                   signedMessage.reference()}));
    const std::u16string stranger = pemOf(issuer.certificate.der());
    EXPECT_EQ(CRYPT_E_NOT_FOUND, session.put(u"SignCert", Value(stranger.c_str())));
    EXPECT_EQ(CRYPT_E_NOT_FOUND, session.call(u"Sign", {Value(stranger.c_str()).get(), Value(message.c_str()).get(),
                                                        signedMessage.reference()}));
    EXPECT_EQ(signature, signedMessage.text());
}

}  // namespace
