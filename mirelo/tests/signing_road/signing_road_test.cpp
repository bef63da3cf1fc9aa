// Signing documents into containers through the object, as a page's
// script does: the plain-text plug-in converts the document, the user
// confirms in the dialog, testkit's TSA stamps the signature, a second
// signer whose key lies on a token is added in the same second; `unzip`,
// `openssl cms` and `openssl ts` judge the container, and the object reads
// it back with every value openssl and date(1) show.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <regex>

#include "openssl_printout.h"
#include "platform/text.h"
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

// A value of signer 0 of the selected signature, asked for as a script asks.
Answer value(ISignerKyd* object, const char16_t* member, LONG selector) {
    return call(object, member, {number(0), number(selector)});
}

std::string certificateValue(ISignerKyd* object, LONG selector) {
    const Answer answer = value(object, u"Pkcs7GetSignerCertValue", selector);
    EXPECT_EQ(S_OK, answer.hr) << selector;
    return answer.text;
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

// A moment in the six forms of a time value, as date(1) writes them in the
// en-US pictures: compact, short and long in UTC, then in local time.
std::vector<std::string> timeForms(long long unixTime) {
    const std::string at = "@" + std::to_string(unixTime);
    std::vector<std::string> forms;
    for (const bool utc : {true, false}) {
        for (const char* picture : {"+%Y%m%d%H%M%S", "+%-m/%-d/%Y %-I:%M:%S %p", "+%A, %B %-d, %Y %-I:%M:%S %p"}) {
            std::vector<std::string> command = {"date", "-d", at, picture};
            if (utc) command.insert(command.begin() + 1, "-u");
            testkit::RunOptions options;
            options.env["LC_ALL"] = "C";
            std::string shown = testkit::run(command, options).out;
            if (!shown.empty() && shown.back() == '\n') shown.pop_back();
            forms.push_back(shown);
        }
    }
    return forms;
}

// "2027-12-09 16:53:21Z" as openssl's iso_8601 option prints it.
long long unixTimeOfIso(const std::string& text) {
    tm fields{};
    EXPECT_TRUE(strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &fields)) << text;
    return static_cast<long long>(timegm(&fields));
}

struct Document {
    std::string name;
    std::string bytes;
    LONG charset;
};

// Every value of the loaded signer's certificate against what `openssl
// x509` shows of the signer's certificate.
void checkCertificateValues(ISignerKyd* object, const Signer& signer) {
    const auto shown = testkit::run({"openssl", "x509", "-in", signer.pemFile.string(), "-noout", "-text", "-serial",
                                     "-startdate", "-enddate", "-dateopt", "iso_8601", "-nameopt", "oneline,-esc_msb"});
    ASSERT_EQ(0, shown.exitCode) << shown.err;
    const std::string& text = shown.out;
    const auto serialAt = text.find("serial=") + 7;
    const std::string serialHex = digitsOf(text.substr(serialAt, text.find('\n', serialAt) - serialAt));
    EXPECT_EQ(serialHex, digitsOf(certificateValue(object, 1)));
    EXPECT_EQ(decimalOfHex(serialHex), certificateValue(object, 0));
    for (const auto& [label, first] : {std::pair{"notBefore=", 2}, std::pair{"notAfter=", 8}}) {
        const auto forms = timeForms(unixTimeOfIso(text.substr(text.find(label) + std::strlen(label), 20)));
        for (int form = 0; form < 6; ++form) EXPECT_EQ(forms[form], certificateValue(object, first + form)) << label << form;
    }
    EXPECT_NE(std::string::npos, text.find("Public-Key: (" + certificateValue(object, 14) + " bit)"));
    const std::string request = certificateValue(object, 15);
    EXPECT_FALSE(request.empty());
    EXPECT_NE(std::string::npos, lineAfter(text, "1.3.6.1.4.1.32473.4.3").find(request)) << request << " in\n" << text;
    EXPECT_EQ(40u, certificateValue(object, 16).size());
    EXPECT_EQ(digitsOf(lineAfter(text, "Subject Key Identifier")), certificateValue(object, 16));
    EXPECT_EQ(digitsOf(lineAfter(text, "Authority Key Identifier")), certificateValue(object, 17));
    const std::string name = certificateValue(object, 22);
    EXPECT_NE(std::string::npos, text.find("CN = " + name)) << name;
    EXPECT_NE(std::string::npos, certificateValue(object, 18).find("CN=" + name));
    EXPECT_NE(std::string::npos, certificateValue(object, 19).find("CN=Tesk Qualified CA"));
    EXPECT_NE(std::string::npos, text.find("Signature Algorithm: " + certificateValue(object, 20) + "WithRSAEncryption"));
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", certificateValue(object, 21));
    EXPECT_TRUE(FAILED(value(object, u"Pkcs7GetSignerCertValue", 23).hr)) << "no selector 23";
    EXPECT_EQ(30, get(object, u"LastErrorNumber").number);
}

// What openssl shows of one signature entry: its signing time, its
// time-stamp token and the digests of the signature value that token
// stamps and of the token's signed content.
struct SignatureSeen {
    std::string printout;
    std::string token;
    std::string valueDigest;
    std::string tokenInfoDigest;
};

// The loaded signer's algorithms, signing time, time stamp and policy
// identifier against what openssl shows of its entry.
void checkSignatureValues(ISignerKyd* object, const SignatureSeen& seen) {
    EXPECT_EQ("sha256", call(object, u"Pkcs7GetSignerHashAlgorithmStr", {number(0)}).text);
    EXPECT_EQ("sha256RSA", call(object, u"Pkcs7GetSignerAlgorithmStr", {number(0)}).text);
    const Answer utc = call(object, u"Pkcs7GetSignerSigningTime", {number(0)});
    const Answer local = call(object, u"Pkcs7GetSignerSigningTimeLocal", {number(0)});
    ASSERT_EQ(S_OK, utc.hr);
    ASSERT_EQ(S_OK, local.hr);
    std::smatch signingTime;  // the signed attribute, as "UTCTIME:Dec 10 05:57:17 2026 GMT"
    ASSERT_TRUE(std::regex_search(seen.printout, signingTime, std::regex("UTCTIME:([A-Z][^\n]*)"))) << seen.printout;
    const long long signedAt = unixTimeOf(signingTime[1].str());
    EXPECT_EQ(signedAt, unixTimeOf(utc.date));
    // Local time as date(1) reckons it in the zone.
    EXPECT_EQ(timeForms(signedAt)[3], compactTime(unixTimeOf(local.date)));

    const auto time = [&](int selector) {
        const Answer answer = value(object, u"Pkcs7GetSignerTimeStampValue", selector);
        EXPECT_EQ(S_OK, answer.hr) << selector;
        return answer.text;
    };
    const std::string serial = field(seen.token, "Serial number").substr(2);
    EXPECT_EQ(decimalOfHex(serial), time(0));
    EXPECT_EQ(hexOnly(serial), hexOnly(time(1)));
    const auto stamped = timeForms(unixTimeOf(field(seen.token, "Time stamp")));
    for (int form = 0; form < 6; ++form) EXPECT_EQ(stamped[form], time(2 + form)) << form;
    EXPECT_EQ(field(seen.token, "Version"), time(8));
    EXPECT_EQ(field(seen.token, "Policy OID"), time(9));
    const auto significant = [](std::string hex) { return hex.erase(0, hex.find_first_not_of('0')); };
    EXPECT_EQ(significant(hexOnly(field(seen.token, "Nonce").substr(2))), significant(hexOnly(time(10))));
    const std::string tsa = field(seen.token, "TSA");
    EXPECT_NE(std::string::npos, time(11).find("CN=" + tsa.substr(tsa.find("CN=") + 3))) << time(11) << " / " << tsa;
    EXPECT_EQ(field(seen.token, "Hash Algorithm"), time(12));
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", time(13));
    EXPECT_EQ(seen.valueDigest, hexOnly(time(14))) << "the token stamps this signature's value";
    EXPECT_EQ("sha256", time(15));
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", time(16));
    EXPECT_EQ(seen.tokenInfoDigest, hexOnly(time(17)));

    const auto policy = [&](int selector) {
        const Answer answer = value(object, u"Pkcs7GetSignerPolicyIdValue", selector);
        EXPECT_EQ(S_OK, answer.hr) << selector;
        return answer.text;
    };
    EXPECT_NE(std::string::npos, seen.printout.find(":" + policy(0) + "\n")) << policy(0);
    // The policy's URI, its issuer as the notice's organisation, its field
    // of application as the notice's text.
    for (const int selector : {1, 2, 4}) {
        EXPECT_FALSE(policy(selector).empty()) << selector;
        EXPECT_NE(std::string::npos, seen.printout.find(":" + policy(selector) + "\n")) << selector << ": " << policy(selector);
    }
    EXPECT_EQ("1", policy(3));
    EXPECT_EQ("sha256", policy(5));
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", policy(6));
    EXPECT_NE(std::string::npos, seen.printout.find("[HEX DUMP]:" + hexOnly(policy(7)))) << policy(7);
}

TEST_F(SigningRoad, DocumentsAreSignedWithTimeStampsCountersignedInOneSecondAndReadBackAsThePeersSeeThem) {
    TESTKIT_REQUIRE_PROGRAM("python3");
    TESTKIT_REQUIRE_PROGRAM("iconv");
    TESTKIT_REQUIRE_SOFTHSM();
    testkit::Tsa tsa(hierarchy());
    // Values in the en-US forms, local times in Prague.
    const ScopedEnv locale{"PLATFORM_LOCALE", "en-US"};
    const ScopedEnv zone{"TZ", "Europe/Prague"};
    // The second signer's key lies on a token; the user types its PIN.
    const Signer second = makeSigner("Petr Svoboda", u"second", testkit::CspKind::SoftHsmToken);
    const Document documents[] = {
        {"Žádost o obnovení.txt", "\xC5\xBD\xC3\xA1\x64ost o obnoven\xC3\xAD certifik\xC3\xA1tu\r\n", 0},
        {"Smlouva č. 5.txt", "\x8E\xE1\x64ost o obnoven\xED certifik\xE1tu\r\n", 2},
    };
    // The plain-text plug-in as a user's copy keeps it.
    const auto plugins = folder() / "Zásuvné moduly";
    std::filesystem::create_directories(plugins);
    std::filesystem::copy_file(std::filesystem::path(BRISEL_DIR) / "TeskTxtPluginKyd.so", plugins / "TeskTxtPluginKyd.so");
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
        const auto source = folder() / "Dokumenty" / document.name;
        testkit::writeFile(source, document.bytes);
        const auto kyd = folder() / (document.name + ".kyd");
        auto object = configured(plugins, 3, first);
        ASSERT_TRUE(object);
        ASSERT_EQ(S_OK, put(object.get(), u"CfgSignCharset", number(document.charset)));
        ASSERT_EQ(S_OK, call(object.get(), u"SetTsaServer", {text(tsa.url()), text("")}).hr) << lastError(object.get());
        {
            // Both signatures in one second of the object's clock.
            const ScopedEnv held{"PLATFORM_CLOCK", std::to_string(std::time(nullptr))};
            ASSERT_EQ(S_OK, call(object.get(), u"SignFileToFile",
                                 {text(source.string()), text(kyd.string()), text("text/plain")})
                                .hr)
                << lastError(object.get());
            ASSERT_EQ(S_OK, put(object.get(), u"SignCertPem", text(second.pem)));
            ASSERT_EQ(S_OK, call(object.get(), u"SignAddSignerToFile", {text(kyd.string())}).hr) << lastError(object.get());
        }

        // The message, the first signature, the policy once, the second,
        // whose name tells it from the first.
        const auto names = entries(kyd);
        ASSERT_EQ(4u, names.size());
        const std::string folderName = names[0].substr(0, 17);
        EXPECT_TRUE(std::regex_match(folderName, std::regex(R"(D\d{14}Z/)"))) << folderName;
        const std::regex order[] = {std::regex(R"(D\d{14}Z/M\d{14}Z\.eml)"), std::regex(R"(D\d{14}Z/S\d{14}Z\.p7s)"),
                                    std::regex(R"(D\d{14}Z/Policy/P\d{14}Z\.der)"),
                                    std::regex(R"(D\d{14}Z/S\d{14}Z_1\.p7s)")};
        for (std::size_t n = 0; n < names.size(); ++n) {
            EXPECT_TRUE(std::regex_match(names[n], order[n])) << names[n];
            EXPECT_EQ(folderName, names[n].substr(0, 17)) << names[n];
        }
        EXPECT_EQ(names[1].substr(0, names[1].size() - 4) + "_1.p7s", names[3]);
        const Bytes message = entry(kyd, names[0]);
        testkit::writeFile(folder() / "message.eml", std::string(message.begin(), message.end()));
        // The entity names the document in the ANSI page, as the signer has it.
        EXPECT_EQ(0u, std::string(message.begin(), message.end()).find("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                                                                        "Content-Transfer-Encoding: base64\r\n"
                                                                        "Content-Disposition: filename=\"" + platform::text::utf8ToAnsi(document.name) + "\"\r\n\r\n"));
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
            const auto content = openssl({"cms", "-verify", "-noverify", "-inform", "DER", "-in", "token.der", "-binary",
                                          "-out", "tstinfo.der"});
            EXPECT_EQ(0, content.exitCode) << content.err;
            SignatureSeen& shown = seen[at / 2];
            shown.printout = openssl({"cms", "-cmsout", "-print", "-inform", "DER", "-in", "signature.p7s"}).out;
            shown.token = openssl({"ts", "-reply", "-token_in", "-in", "token.der", "-text"}).out;
            shown.valueDigest = hexOnly(openssl({"dgst", "-sha256", "-r", "value.bin"}).out.substr(0, 64));
            shown.tokenInfoDigest = hexOnly(openssl({"dgst", "-sha256", "-r", "tstinfo.der"}).out.substr(0, 64));
        }

        // Read back: two signatures, each by its signer, and the document.
        ASSERT_EQ(S_OK, call(object.get(), u"Pkcs7LoadFromFile", {text(kyd.string())}).hr) << lastError(object.get());
        ASSERT_EQ(2, get(object.get(), u"SignatureCount").number);
        for (const auto& [index, signer] : {std::pair<int, const Signer*>{0, &first}, std::pair<int, const Signer*>{1, &second}}) {
            SCOPED_TRACE(index);
            ASSERT_EQ(S_OK, put(object.get(), u"SignatureIndex", number(index)));
            // The stored name, whose folder separator unzip shows as "/".
            std::string stored = names[index == 0 ? 1 : 3];
            std::replace(stored.begin(), stored.end(), '/', '\\');
            EXPECT_EQ(stored, get(object.get(), u"SignatureFile").text);
            EXPECT_EQ(1, call(object.get(), u"Pkcs7GetSignerCount").number);
            const Answer pem = call(object.get(), u"Pkcs7GetSignerCert", {number(0)});
            ASSERT_EQ(S_OK, pem.hr);
            EXPECT_EQ(withoutLineBreaks(signer->pem), withoutLineBreaks(pem.text));
            checkCertificateValues(object.get(), *signer);
            checkSignatureValues(object.get(), seen[index]);
        }
        EXPECT_EQ("text/plain", call(object.get(), u"DocumentGetContentType", {text(kyd.string())}).text);
        const auto out = folder() / "Příloha" / std::to_string(document.charset);
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
