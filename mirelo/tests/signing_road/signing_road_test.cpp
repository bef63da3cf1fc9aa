// Signing documents into containers through the object, as a page's
// script does: the plain-text plug-in converts the document, the user
// confirms in the dialog, testkit's TSA stamps the signature, a second
// signer whose key lies on a token is added; `unzip`, `openssl cms` and
// `openssl ts` judge the container, and the object reads it back.
#include <cctype>
#include <regex>

#include "openssl_printout.h"
#include "signing_road_fixture.h"
#include "testkit/softhsm.h"
#include "testkit/tsa.h"

namespace {

using namespace signing_road;
using namespace openssl_printout;

// The signature value and the time-stamp token of the first signer of a
// DER CMS message, written to the files named by argv[2] and argv[3].
constexpr const char* kTokenOfSignature = R"(
import sys
def tlv(b, i):
    tag = b[i]; length = b[i + 1]; i += 2
    if length & 0x80:
        n = length & 0x7f; length = int.from_bytes(b[i:i + n], 'big'); i += n
    return tag, i, i + length
def children(b, start, end):
    out = []; i = start
    while i < end:
        tag, s, e = tlv(b, i); out.append((tag, s, e, i)); i = e
    return out
d = open(sys.argv[1], 'rb').read()
_, s, e = tlv(d, 0)
explicit = children(d, s, e)[1]
_, s, e = tlv(d, explicit[1])
signer = children(d, children(d, s, e)[-1][1], children(d, s, e)[-1][2])[0]
fields = children(d, signer[1], signer[2])
value = next(f for f in fields if f[0] == 0x04)
open(sys.argv[2], 'wb').write(d[value[1]:value[2]])
unsigned = next(f for f in fields if f[0] == 0xa1)
for attribute in children(d, unsigned[1], unsigned[2]):
    oid, values = children(d, attribute[1], attribute[2])
    if d[oid[1]:oid[2]] == bytes.fromhex('2a864886f70d010910020e'):
        token = children(d, values[1], values[2])[0]
        open(sys.argv[3], 'wb').write(d[token[3]:token[2]])
)";

const std::string kConfirm[] = {"Dialog check:246 Dialog 206: Confirmation", "Dialog press:6 Dialog 206: Confirmation"};

// PEM text without its line breaks, which writers place differently.
std::string withoutLineBreaks(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

// A value of signer 0's certificate, asked for as a script asks; the
// member's own HRESULT beside it.
std::pair<HRESULT, std::string> certificateValue(ISignerKyd* object, LONG selector) {
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = mirelo_test::invokeByName(object, u"Pkcs7GetSignerCertValue", DISPATCH_METHOD,
                                                 {mirelo_test::longValue(0), mirelo_test::longValue(selector)}, &result);
    const std::u16string wide = result.vt == VT_BSTR && result.bstrVal ? std::u16string(result.bstrVal) : u"";
    VariantClear(&result);
    std::string text;
    for (const char16_t c : wide) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {  // UTF-8, as openssl prints names
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return {hr, text};
}

// The hexadecimal digits of an openssl line ("4A:1E:..."), lower case.
std::string digitsOf(const std::string& text) {
    std::string digits;
    for (const char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += static_cast<char>(std::tolower(c));
    return digits;
}

// The line after the one holding the label in `openssl x509 -text`.
std::string lineAfter(const std::string& text, const std::string& label) {
    const auto at = text.find(label);
    if (at == std::string::npos) return {};
    const auto start = text.find('\n', at) + 1;
    return text.substr(start, text.find('\n', start) - start);
}

struct Document {
    std::string name;
    std::string bytes;
    LONG charset;
};

// The values of the loaded signer's certificate against what `openssl x509`
// shows of the signer's certificate.
void checkCertificateValues(ISignerKyd* object, const Signer& signer) {
    const auto shown = testkit::run({"openssl", "x509", "-in", signer.pemFile.string(), "-noout", "-text", "-serial",
                                     "-enddate", "-dateopt", "iso_8601", "-nameopt", "oneline,-esc_msb"});
    ASSERT_EQ(0, shown.exitCode) << shown.err;
    const std::string& text = shown.out;
    const auto serialAt = text.find("serial=") + 7;
    const std::string serialHex = digitsOf(text.substr(serialAt, text.find('\n', serialAt) - serialAt));
    EXPECT_EQ(serialHex, certificateValue(object, 1).second);
    EXPECT_EQ(decimalOfHex(serialHex), certificateValue(object, 0).second);
    // notAfter=2027-12-09 16:53:21Z: compact UTC is its digits.
    const std::string end = text.substr(text.find("notAfter=") + 9, 20);
    EXPECT_EQ(digitsOf(end).substr(0, 14), certificateValue(object, 8).second);
    EXPECT_NE(std::string::npos, text.find("Public-Key: (" + certificateValue(object, 14).second + " bit)"));
    EXPECT_EQ(40u, certificateValue(object, 16).second.size());
    EXPECT_EQ(digitsOf(lineAfter(text, "Subject Key Identifier")), certificateValue(object, 16).second);
    EXPECT_EQ(digitsOf(lineAfter(text, "Authority Key Identifier")), certificateValue(object, 17).second);
    const std::string name = certificateValue(object, 22).second;
    EXPECT_NE(std::string::npos, text.find("CN = " + name)) << name;
    EXPECT_NE(std::string::npos, certificateValue(object, 18).second.find("CN=" + name));
    EXPECT_NE(std::string::npos, certificateValue(object, 19).second.find("CN=Tesk Qualified CA"));
    EXPECT_NE(std::string::npos, text.find("Signature Algorithm: " + certificateValue(object, 20).second + "WithRSAEncryption"));
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", certificateValue(object, 21).second);
    EXPECT_TRUE(FAILED(certificateValue(object, 23).first)) << "no selector 23";
    LONG number = 0;
    object->get_LastErrorNumber(&number);
    EXPECT_EQ(30, number);
}

// What openssl shows of one signature entry: its signing time, its
// time-stamp token and the SHA-256 digest of the signature value that
// token stamps.
struct SignatureSeen {
    std::string printout;
    std::string token;
    std::string valueDigest;
};

std::string text(HRESULT (ISignerKyd::*member)(LONG, BSTR*), ISignerKyd* object) {
    BSTR value = nullptr;
    EXPECT_EQ(S_OK, (object->*member)(0, &value));
    const std::u16string wide = mirelo_test::takeText(value);
    return {wide.begin(), wide.end()};
}

template <class Selector>
std::string text(HRESULT (ISignerKyd::*member)(LONG, Selector, BSTR*), ISignerKyd* object, int selector) {
    BSTR value = nullptr;
    EXPECT_EQ(S_OK, (object->*member)(0, static_cast<Selector>(selector), &value)) << selector;
    const std::u16string wide = mirelo_test::takeText(value);
    return {wide.begin(), wide.end()};
}

// The loaded signer's algorithms, signing time, time stamp and policy
// identifier against what openssl shows of its entry.
void checkSignatureValues(ISignerKyd* object, const SignatureSeen& seen) {
    EXPECT_EQ("sha256", text(&ISignerKyd::Pkcs7GetSignerHashAlgorithmStr, object));
    EXPECT_EQ("sha256RSA", text(&ISignerKyd::Pkcs7GetSignerAlgorithmStr, object));
    DATE utc = 0;
    ASSERT_EQ(S_OK, object->Pkcs7GetSignerSigningTime(0, &utc));
    std::smatch signingTime;  // the signed attribute, as "UTCTIME:Dec 10 05:57:17 2026 GMT"
    ASSERT_TRUE(std::regex_search(seen.printout, signingTime, std::regex("UTCTIME:([A-Z][^\n]*)"))) << seen.printout;
    EXPECT_EQ(unixTimeOf(signingTime[1].str()), unixTimeOf(utc));

    const auto time = [&](int selector) { return text(&ISignerKyd::Pkcs7GetSignerTimeStampValue, object, selector); };
    EXPECT_EQ(decimalOfHex(field(seen.token, "Serial number").substr(2)), time(0));
    EXPECT_EQ(compactTime(unixTimeOf(field(seen.token, "Time stamp"))), time(2));
    EXPECT_EQ(field(seen.token, "Policy OID"), time(9));
    EXPECT_EQ(field(seen.token, "Hash Algorithm"), time(12));
    EXPECT_EQ(seen.valueDigest, hexOnly(time(14))) << "the token stamps this signature's value";

    const auto policy = [&](int selector) { return text(&ISignerKyd::Pkcs7GetSignerPolicyIdValue, object, selector); };
    EXPECT_NE(std::string::npos, seen.printout.find(":" + policy(0) + "\n")) << policy(0);
    EXPECT_NE(std::string::npos, seen.printout.find("[HEX DUMP]:" + hexOnly(policy(7)))) << policy(7);
}

TEST_F(SigningRoad, DocumentsAreSignedWithTimeStampsCountersignedAndReadBackAsThePeersSeeThem) {
    TESTKIT_REQUIRE_PROGRAM("python3");
    TESTKIT_REQUIRE_PROGRAM("iconv");
    TESTKIT_REQUIRE_SOFTHSM();
    testkit::Tsa tsa(hierarchy());
    // The second signer's key lies on a token; the user types its PIN.
    const Signer second = makeSigner("Petr Svoboda", u"second", testkit::CspKind::SoftHsmToken);
    const Document documents[] = {
        {"zadost.txt", "\xC5\xBD\xC3\xA1\x64ost o obnoven\xC3\xAD certifik\xC3\xA1tu\r\n", 0},
        {"zadost-1250.txt", "\x8E\xE1\x64ost o obnoven\xED certifik\xE1tu\r\n", 2},
    };
    std::vector<std::string> answers;
    for (int n = 0; n < 2; ++n) {
        answers.insert(answers.end(), std::begin(kConfirm), std::end(kConfirm));
        answers.insert(answers.end(), std::begin(kConfirm), std::end(kConfirm));
        answers.push_back("Pin " + second.pin);
    }
    answerDialogs(answers);
    // The chain ends at the root; openssl takes the signer's CA from here.
    testkit::writeFile(folder() / "root-and-ca.pem",
                       hierarchy().root.certificate.pem() + hierarchy().qualifiedCa.certificate.pem());
    testkit::writeFile(folder() / "chain.pem", hierarchy().qualifiedCa.certificate.pem() + hierarchy().tsa.certificate.pem());

    for (const Document& document : documents) {
        SCOPED_TRACE(document.name);
        const auto source = folder() / "in" / document.name;
        testkit::writeFile(source, document.bytes);
        const auto kyd = folder() / (document.name + ".kyd");
        auto object = configured(BRISEL_DIR, 3, first);
        ASSERT_TRUE(object);
        ASSERT_EQ(S_OK, object->put_CfgSignCharset(static_cast<sgCharsets>(document.charset)));
        const std::string tsaUrl = tsa.url();
        BSTR url = SysAllocString(std::u16string(tsaUrl.begin(), tsaUrl.end()).c_str());
        ASSERT_EQ(S_OK, object->SetTsaServer(url, nullptr));
        SysFreeString(url);
        ASSERT_EQ(S_OK, signFileToFile(object.get(), source.string(), kyd.string(), "text/plain")) << lastError(object.get());
        ASSERT_EQ(S_OK, withText(object.get(), &ISignerKyd::put_SignCertPem, second.pem));
        ASSERT_EQ(S_OK, signAddSignerToFile(object.get(), kyd.string())) << lastError(object.get());

        // The message, the first signature, the policy once, the second.
        const auto names = entries(kyd);
        ASSERT_EQ(4u, names.size());
        const std::string folderName = names[0].substr(0, 17);
        EXPECT_TRUE(std::regex_match(folderName, std::regex(R"(D\d{14}Z/)"))) << folderName;
        const std::regex order[] = {std::regex(R"(D\d{14}Z/M\d{14}Z\.eml)"), std::regex(R"(D\d{14}Z/S\d{14}Z\.p7s)"),
                                    std::regex(R"(D\d{14}Z/Policy/P\d{14}Z\.der)"),
                                    std::regex(R"(D\d{14}Z/S\d{14}Z(_1)?\.p7s)")};
        for (std::size_t n = 0; n < names.size(); ++n) {
            EXPECT_TRUE(std::regex_match(names[n], order[n])) << names[n];
            EXPECT_EQ(folderName, names[n].substr(0, 17)) << names[n];
        }
        const Bytes message = entry(kyd, names[0]);
        testkit::writeFile(folder() / "message.eml", std::string(message.begin(), message.end()));
        EXPECT_EQ(0u, std::string(message.begin(), message.end()).find("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                                                                        "Content-Transfer-Encoding: base64\r\n"
                                                                        "Content-Disposition: filename=\"" + document.name + "\"\r\n\r\n"));
        const Bytes policy = entry(kyd, names[2]);
        EXPECT_EQ(testkit::readFile(policyFile), std::string(policy.begin(), policy.end()));

        SignatureSeen seen[2];
        for (const std::size_t at : {std::size_t{1}, std::size_t{3}}) {
            SCOPED_TRACE(names[at]);
            const Bytes signature = entry(kyd, names[at]);
            testkit::writeFile(folder() / "signature.p7s", std::string(signature.begin(), signature.end()));
            const auto verified = openssl({"cms", "-verify", "-inform", "DER", "-binary", "-in", "signature.p7s",
                                           "-content", "message.eml", "-CAfile", "root-and-ca.pem", "-purpose", "any",
                                           "-out", "verified.eml"});
            EXPECT_EQ(0, verified.exitCode) << verified.err;
            EXPECT_EQ(std::string(message.begin(), message.end()), testkit::readFile(folder() / "verified.eml"));
            const auto split = testkit::run({"python3", "-c", kTokenOfSignature, "signature.p7s", "value.bin", "token.der"},
                                            folder());
            ASSERT_EQ(0, split.exitCode) << split.err;
            const auto stamped = openssl({"ts", "-verify", "-token_in", "-in", "token.der", "-data", "value.bin",
                                          "-CAfile", "root.pem", "-untrusted", "chain.pem"});
            EXPECT_EQ(0, stamped.exitCode) << stamped.out << stamped.err;
            SignatureSeen& shown = seen[at / 2];
            shown.printout = openssl({"cms", "-cmsout", "-print", "-inform", "DER", "-in", "signature.p7s"}).out;
            shown.token = openssl({"ts", "-reply", "-token_in", "-in", "token.der", "-text"}).out;
            shown.valueDigest = hexOnly(openssl({"dgst", "-sha256", "-r", "value.bin"}).out.substr(0, 64));
        }

        // Read back: two signatures, each by its signer, and the document.
        ASSERT_EQ(S_OK, withText(object.get(), &ISignerKyd::Pkcs7LoadFromFile, kyd.string())) << lastError(object.get());
        LONG count = 0;
        ASSERT_EQ(S_OK, object->get_SignatureCount(&count));
        ASSERT_EQ(2, count);
        for (const auto& [index, signer] : {std::pair<int, const Signer*>{0, &first}, std::pair<int, const Signer*>{1, &second}}) {
            ASSERT_EQ(S_OK, object->put_SignatureIndex(index));
            LONG signers = 0;
            ASSERT_EQ(S_OK, object->Pkcs7GetSignerCount(&signers));
            EXPECT_EQ(1, signers);
            BSTR pem = nullptr;
            ASSERT_EQ(S_OK, object->Pkcs7GetSignerCert(0, &pem));
            const std::u16string text = mirelo_test::takeText(pem);
            EXPECT_EQ(withoutLineBreaks(signer->pem), withoutLineBreaks(std::string(text.begin(), text.end())));
            checkCertificateValues(object.get(), *signer);
            checkSignatureValues(object.get(), seen[index]);
        }
        const std::string kydText = kyd.string();
        BSTR kydName = SysAllocString(std::u16string(kydText.begin(), kydText.end()).c_str());
        BSTR type = nullptr;
        EXPECT_EQ(S_OK, object->DocumentGetContentType(kydName, &type));
        SysFreeString(kydName);
        EXPECT_EQ(u"text/plain", mirelo_test::takeText(type));
        const auto out = folder() / ("out-" + document.name);
        std::filesystem::create_directories(out);
        EXPECT_EQ(S_OK, extract(object.get(), kyd, out)) << lastError(object.get());
        std::string expected = document.bytes;
        if (document.charset == 2) {
            const auto converted = testkit::run({"iconv", "-f", "CP1250", "-t", "UTF-8", source.string()});
            expected = "\xEF\xBB\xBF" + converted.out;
        }
        EXPECT_EQ(expected, testkit::readFile(out / document.name));
    }
    EXPECT_EQ(4u, tsa.requests());
}

}  // namespace
