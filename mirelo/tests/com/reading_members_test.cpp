// Reading containers through the object: containers written by Python's
// zipfile holding signatures made by openssl and a one-part MIME document,
// their values held against openssl's printout, the document extracted byte
// for byte, and hostile containers refused without writing outside the
// target folder.
#include <cmath>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "mirelo_client.h"
#include "openssl_printout.h"
#include "testkit/pki.h"

namespace {

namespace fs = std::filesystem;
using mirelo_test::takeText;
using mirelo_test::wide;
using openssl_printout::unixTimeOf;

const std::string kFolder = "D20261207211554Z/";
// Bytes a text conversion would change: CR LF, a zero, high bytes.
const std::string kDocument = std::string("Smlouva\r\n\0\xff\xfe konec\n", 20);

std::string run(const std::vector<std::string>& argv) {
    const auto result = testkit::run(argv);
    EXPECT_EQ(0, result.exitCode) << argv[0] << " " << argv[1] << ": " << result.err;
    return result.out;
}

class MireloReading : public mirelo_test::MireloClient {
protected:
    void SetUp() override {
        MireloClient::SetUp();
        TESTKIT_REQUIRE_PROGRAM("openssl");
        TESTKIT_REQUIRE_PROGRAM("python3");
        fs::create_directories(root.path() / "in");
        fs::create_directories(target());
    }
    fs::path in(const std::string& name) const { return root.path() / "in" / name; }
    fs::path target() const { return root.path() / "out"; }

    // The document signed by the commercial user, then by the qualified
    // one added to the same message.
    fs::path signTwice() {
        root.write("in/document.bin", kDocument);
        first = pki.commercial.write(root.path(), "commercial");
        second = pki.qualified.write(root.path(), "qualified");
        run({"openssl", "cms", "-sign", "-binary", "-in", in("document.bin").string(), "-signer",
             first.certificatePem.string(), "-inkey", first.keyPem.string(), "-md", "sha256", "-outform", "DER",
             "-out", in("one.p7s").string()});
        run({"openssl", "cms", "-resign", "-binary", "-inform", "DER", "-in", in("one.p7s").string(), "-content",
             in("document.bin").string(), "-signer", second.certificatePem.string(), "-inkey",
             second.keyPem.string(), "-md", "sha256", "-outform", "DER", "-out", in("two.p7s").string()});
        return in("two.p7s");
    }
    // The document as the signing road stores it: one part, base64 body.
    fs::path message(const std::string& fileName) {
        const std::string body = run({"openssl", "base64", "-in", in("document.bin").string()});
        return root.write("in/" + fileName + ".eml",
                          "Content-Type:  text/plain ; charset=\"UTF-8\"\r\n"
                          "Content-Transfer-Encoding: base64\r\n"
                          "Content-Disposition: attachment; filename=\"" + fileName + "\"\r\n\r\n" + body);
    }
    // A container of name=file entries, written by Python's zipfile.
    std::string container(const std::string& name, const std::vector<std::string>& entries) {
        std::vector<std::string> argv{"python3", KYD_PEER, "write", in(name).string()};
        argv.insert(argv.end(), entries.begin(), entries.end());
        run(argv);
        return in(name).string();
    }
    HRESULT load(const std::string& file) { return withText(&ISignerKyd::Pkcs7LoadFromFile, file); }
    HRESULT extract(const std::string& kyd, const std::string& newFile, const fs::path& into = {}) {
        const std::u16string folder = (into.empty() ? target() : into).u16string();
        BSTR path = SysAllocString(folder.c_str());
        BSTR file = SysAllocString(wide(kyd).c_str());
        BSTR name = newFile.empty() ? nullptr : SysAllocString(wide(newFile).c_str());
        const HRESULT hr = object->DocumentExtractToFile(path, file, name);
        SysFreeString(path);
        SysFreeString(file);
        SysFreeString(name);
        return hr;
    }
    std::u16string contentType(const std::string& kyd, bool succeeds = true) {
        BSTR file = SysAllocString(wide(kyd).c_str());
        BSTR type = nullptr;
        EXPECT_EQ(succeeds, SUCCEEDED(object->DocumentGetContentType(file, &type)));
        SysFreeString(file);
        return takeText(type);
    }
    // Whether a member that reads the selected signature fails with 1023.
    bool familyRefuses() {
        LONG count = -1;
        BSTR name = nullptr;
        DATE date = 0;
        const bool refused = FAILED(object->Pkcs7GetSignerCount(&count)) && lastErrorNumber() == 1023 &&
                             FAILED(object->Pkcs7GetSignerHashAlgorithmStr(0, &name)) &&
                             lastErrorNumber() == 1023 && FAILED(object->Pkcs7GetSignerSigningTime(0, &date)) &&
                             lastErrorNumber() == 1023;
        return refused && count == -1 && name == nullptr;
    }
    // Whether a file of that name lies beside the target folder, above it or
    // in the current directory.
    bool strayed(const std::string& name) const {
        return fs::exists(root.path() / name) || fs::exists(root.path().parent_path() / name) ||
               fs::exists(root.path() / "in" / name) || fs::exists(fs::current_path() / name);
    }

    testkit::pki::Hierarchy pki = testkit::pki::Hierarchy::make();
    testkit::pki::Credential::Files first;
    testkit::pki::Credential::Files second;
};

TEST_F(MireloReading, EachSignatureOfAContainerAndEachOfItsSignersReadAsOpensslShowsThem) {
    EXPECT_TRUE(familyRefuses()) << "nothing is loaded yet";

    const fs::path signature = signTwice();
    root.write("in/damaged.p7s", "no signature at all");
    const auto kyd = container("two.kyd", {kFolder + "M20261207211554Z.eml=" + message("smlouva.bin").string(),
                                           kFolder + "S20261207211554Z.p7s=" + signature.string(),
                                           kFolder + "S20261207211555Z.p7s=" + in("damaged.p7s").string()});
    ASSERT_EQ(S_OK, load(kyd));
    LONG signatures = 0;
    ASSERT_EQ(S_OK, object->get_SignatureCount(&signatures));
    EXPECT_EQ(2, signatures);
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, object->get_SignatureFile(&text));
    EXPECT_EQ(u"D20261207211554Z\\S20261207211554Z.p7s", takeText(text));

    LONG signers = 0;
    ASSERT_EQ(S_OK, object->Pkcs7GetSignerCount(&signers));
    EXPECT_EQ(2, signers) << "the signers of the selected signature, not the signatures of the container";
    const std::string printout =
        run({"openssl", "cms", "-cmsout", "-print", "-inform", "DER", "-in", signature.string()});
    std::vector<std::string> signingTimes;
    const std::regex utcTime("UTCTIME:([^\n]*)");
    for (auto it = std::sregex_iterator(printout.begin(), printout.end(), utcTime); it != std::sregex_iterator(); ++it)
        signingTimes.push_back((*it)[1]);
    ASSERT_EQ(2u, signingTimes.size()) << printout;
    for (LONG index = 0; index < 2; ++index) {
        ASSERT_EQ(S_OK, object->Pkcs7GetSignerHashAlgorithmStr(index, &text));
        EXPECT_EQ(u"sha256", takeText(text));
        ASSERT_EQ(S_OK, object->Pkcs7GetSignerAlgorithmStr(index, &text));
        EXPECT_EQ(u"sha256RSA", takeText(text));
        DATE utc = 0;
        ASSERT_EQ(S_OK, object->Pkcs7GetSignerSigningTime(index, &utc));
        EXPECT_EQ(unixTimeOf(signingTimes[static_cast<size_t>(index)]), unixTimeOf(utc));

        ASSERT_EQ(S_OK, object->Pkcs7GetSignerCert(index, &text));
        const std::u16string pem = takeText(text);
        const auto given = root.write("given.pem", std::string(pem.begin(), pem.end()));
        EXPECT_EQ(run({"openssl", "x509", "-in", (index == 0 ? first : second).certificatePem.string()}),
                  run({"openssl", "x509", "-in", given.string()}))
            << "signer " << index;
    }
    text = nullptr;
    EXPECT_TRUE(FAILED(object->Pkcs7GetSignerPolicyIdValue(0, static_cast<sgSignPolicyIdValTypes>(0), &text)));
    EXPECT_EQ(3201, lastErrorNumber()) << "openssl's signers name no policy";
    EXPECT_EQ(u"text/plain", contentType(kyd)) << "the message's type without its parameters and blanks";

    ASSERT_EQ(S_OK, object->put_SignatureIndex(1));
    LONG damage = 0;
    ASSERT_EQ(S_OK, object->get_LastErrorSignatureNumber(&damage));
    EXPECT_NE(0, damage) << "the damaged signature's reason is in its own result";
    EXPECT_TRUE(familyRefuses()) << "a signature that did not decode has no signers";
    text = nullptr;
    EXPECT_TRUE(FAILED(object->Pkcs7GetSignerCert(0, &text)));
    EXPECT_EQ(1023, lastErrorNumber());

    ASSERT_EQ(S_OK, object->put_SignatureIndex(0));
    ASSERT_EQ(S_OK, object->Pkcs7Clear());
    EXPECT_TRUE(familyRefuses()) << "cleared";
    ASSERT_EQ(S_OK, object->get_SignatureCount(&signatures));
    EXPECT_EQ(2, signatures) << "the results stay until the next load";
}

// Other tools name a signer by its key identifier, sign with EC keys and
// with RSA-PSS: each signer is found, its certificate's values read and its
// algorithm named with the key's.
TEST_F(MireloReading, SignersNamedByKeyIdentifierOrSigningWithEcAndPssKeysAreFoundAndNamed) {
    root.write("in/document.bin", kDocument);
    first = pki.commercial.write(root.path(), "commercial");
    second = pki.qualified.write(root.path(), "qualified");
    const std::string ecKey = in("ec.key").string(), ecCert = in("ec.pem").string();
    run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-384", "-nodes", "-keyout",
         ecKey, "-out", ecCert, "-subj", "/CN=EC signer", "-days", "30"});
    const std::string document = in("document.bin").string();
    struct Signer {
        std::string certificate, key;
        std::vector<std::string> options;
        const char16_t* algorithm;
    };
    const Signer signers[] = {
        {first.certificatePem.string(), first.keyPem.string(), {"-keyid"}, u"sha256RSA"},
        {ecCert, ecKey, {}, u"sha256ECDSA"},
        {second.certificatePem.string(), second.keyPem.string(), {"-keyopt", "rsa_padding_mode:pss"},
         u"sha256RSASSA-PSS"},
    };
    for (const Signer& signer : signers) {
        SCOPED_TRACE(signer.certificate);
        std::vector<std::string> argv{"openssl", "cms", "-sign", "-binary", "-in", document, "-signer",
                                      signer.certificate, "-inkey", signer.key, "-md", "sha256",
                                      "-outform", "DER", "-out", in("one.p7s").string()};
        argv.insert(argv.end(), signer.options.begin(), signer.options.end());
        run(argv);
        ASSERT_EQ(S_OK, load(container("one.kyd", {kFolder + "M20261207211554Z.eml=" + message("smlouva.bin").string(),
                                                   kFolder + "S20261207211554Z.p7s=" + in("one.p7s").string()})));
        BSTR text = nullptr;
        ASSERT_EQ(S_OK, object->Pkcs7GetSignerCert(0, &text)) << lastErrorNumber();
        const std::u16string pem = takeText(text);
        const auto given = root.write("given.pem", std::string(pem.begin(), pem.end()));
        EXPECT_EQ(run({"openssl", "x509", "-in", signer.certificate}), run({"openssl", "x509", "-in", given.string()}));

        const std::string printout = run({"openssl", "x509", "-noout", "-text", "-in", signer.certificate});
        std::smatch bits;
        ASSERT_TRUE(std::regex_search(printout, bits, std::regex("Public-Key: \\((\\d+) bit\\)"))) << printout;
        ASSERT_EQ(S_OK, object->Pkcs7GetSignerCertValue(0, static_cast<sgCertValTypes>(14), &text));
        EXPECT_EQ(wide(bits[1]), takeText(text)) << "the key length";
        ASSERT_EQ(S_OK, object->Pkcs7GetSignerAlgorithmStr(0, &text));
        EXPECT_EQ(signer.algorithm, takeText(text));
    }

    // A signer whose certificate is in no store has no values to give.
    run({"openssl", "cms", "-sign", "-binary", "-nocerts", "-in", document, "-signer", ecCert, "-inkey", ecKey,
         "-outform", "DER", "-out", in("bare.p7s").string()});
    ASSERT_EQ(S_OK, load(container("bare.kyd", {kFolder + "M20261207211554Z.eml=" + message("smlouva.bin").string(),
                                                kFolder + "S20261207211554Z.p7s=" + in("bare.p7s").string()})));
    BSTR value = nullptr;
    EXPECT_TRUE(FAILED(object->Pkcs7GetSignerCertValue(0, static_cast<sgCertValTypes>(14), &value)));
    EXPECT_EQ(51, lastErrorNumber());
    EXPECT_EQ(nullptr, value);
}

TEST_F(MireloReading, TheDocumentExtractsByteForByteIntoTheFolderOnlyAndNeverOverAFileUnasked) {
    signTwice();
    const std::string sig = kFolder + "S20261207211554Z.p7s=" + in("two.p7s").string();
    const auto kyd = container("message.kyd", {kFolder + "M20261207211554Z.eml=" + message("smlouva.bin").string(), sig});

    ASSERT_EQ(S_OK, extract(kyd, ""));
    EXPECT_EQ(kDocument, testkit::readFile(target() / "smlouva.bin")) << "under the disposition's name";
    testkit::writeFile(target() / "smlouva.bin", "kept");
    EXPECT_TRUE(FAILED(extract(kyd, "")));
    EXPECT_EQ(7103, lastErrorNumber());
    EXPECT_EQ("kept", testkit::readFile(target() / "smlouva.bin"));
    ASSERT_EQ(S_OK, object->put_CfgFile(static_cast<sgFileFlags>(1)));
    ASSERT_EQ(S_OK, extract(kyd, ""));
    EXPECT_EQ(kDocument, testkit::readFile(target() / "smlouva.bin")) << "overwriting when allowed";
    // A link of the target's name is not followed, even when overwriting.
    const auto outside = root.write("outside.bin", "outside");
    fs::create_symlink(outside, target() / "link.bin");
    EXPECT_TRUE(FAILED(extract(kyd, "link.bin")));
    EXPECT_EQ(7102, lastErrorNumber());
    EXPECT_EQ("outside", testkit::readFile(outside));
    EXPECT_TRUE(fs::is_symlink(target() / "link.bin"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(target()), {})) << "nothing beside the two";
    ASSERT_EQ(S_OK, object->put_CfgFile(static_cast<sgFileFlags>(0)));

    EXPECT_TRUE(FAILED(extract(kyd, "", root.path() / "missing")));
    EXPECT_EQ(7102, lastErrorNumber()) << "a folder that is not there";
    ASSERT_EQ(S_OK, extract(kyd, "../elsewhere\\copy.bin"));
    EXPECT_EQ(kDocument, testkit::readFile(target() / "copy.bin")) << "only the file name of newFile";

    // A plain-file document: the existing target in the folder is what counts,
    // not a file of that name in the current directory.
    const auto plain = container("plain.kyd", {kFolder + "report.docx=" + in("document.bin").string(), sig});
    EXPECT_EQ(u"application/msword", contentType(plain));
    testkit::writeFile(target() / "report.docx", "kept");
    EXPECT_TRUE(FAILED(extract(plain, "")));
    EXPECT_EQ(7103, lastErrorNumber());
    EXPECT_EQ("kept", testkit::readFile(target() / "report.docx"));
    ASSERT_EQ(S_OK, extract(plain, "renamed.docx"));
    EXPECT_EQ(kDocument, testkit::readFile(target() / "renamed.docx"));

    // Names a container sends that point elsewhere keep only their last part.
    const auto escaping = container("escaping.kyd", {kFolder + "M20261207211554Z.eml=" + message("..").string(), sig});
    EXPECT_TRUE(FAILED(extract(escaping, "")));
    EXPECT_EQ(7102, lastErrorNumber());
    root.write("in/traversal.eml", "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n"
                                   "Content-Disposition: attachment; filename=\"..\\\\..\\\\x/../../evil.bin\"\r\n\r\n"
                                   "U21sb3V2YQ==\r\n");
    const auto traversal = container("traversal.kyd", {kFolder + "M20261207211554Z.eml=" + in("traversal.eml").string()});
    ASSERT_EQ(S_OK, extract(traversal, ""));
    EXPECT_EQ("Smlouva", testkit::readFile(target() / "evil.bin"));
    EXPECT_FALSE(strayed("evil.bin") || strayed("copy.bin") || strayed("renamed.docx"));
}

// A folder the document cannot be written into (read-only) names the
// system's cause after the signer's text, for either kind of document.
TEST_F(MireloReading, CzechNamesExtractUnderTheirOwnNamesAndAnExistingOneIsKeptUnasked) {
    signTwice();
    const std::string sig = kFolder + "S20261207211554Z.p7s=" + in("two.p7s").string();
    // The signer writes the disposition's name in the ANSI page: "Český.txt".
    const std::string body = run({"openssl", "base64", "-in", in("document.bin").string()});
    root.write("in/cesky.eml", "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n"
                               "Content-Disposition: filename=\"\xC8" "esk\xFD.txt\"\r\n\r\n" + body);
    const auto kyd = container("Smlouva č. 5.kyd", {kFolder + "M20261207211554Z.eml=" + in("cesky.eml").string(), sig});
    // A plain-file document whose entry name Python's zipfile stores in UTF-8.
    const auto plain = container("Příloha.kyd", {kFolder + "Český.txt=" + in("document.bin").string(), sig});
    const fs::path folder = root.path() / "Stažené soubory" / "Příloha";
    fs::create_directories(folder);

    for (const auto& document : {kyd, plain}) {
        SCOPED_TRACE(document);
        ASSERT_EQ(S_OK, load(document)) << lastErrorNumber();
        ASSERT_EQ(S_OK, extract(document, "", folder)) << lastErrorNumber();
        EXPECT_EQ(kDocument, testkit::readFile(folder / "Český.txt"));
        testkit::writeFile(folder / "Český.txt", "kept");
        EXPECT_TRUE(FAILED(extract(document, "", folder)));
        EXPECT_EQ(7103, lastErrorNumber());
        EXPECT_EQ("kept", testkit::readFile(folder / "Český.txt"));
        ASSERT_EQ(S_OK, extract(document, "Žádost.txt", folder)) << lastErrorNumber();
        EXPECT_EQ(kDocument, testkit::readFile(folder / "Žádost.txt"));
        fs::remove(folder / "Český.txt");
        fs::remove(folder / "Žádost.txt");
        EXPECT_TRUE(fs::is_empty(folder)) << "nothing under other bytes";
    }

    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string said = testkit::runAsAnyUser([&] {
        std::string outcomes;
        for (const auto& document : {kyd, plain}) {
            BSTR text = nullptr;
            const bool refused = FAILED(extract(document, "", folder)) && SUCCEEDED(object->get_LastErrorStr(&text));
            outcomes += std::to_string(refused ? lastErrorNumber() : 0) + " " +
                        platform::text::toUtf8(takeText(text)) + "\n";
        }
        return outcomes;
    });
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ("7102 Chyba při ukládání souboru. Access is denied.\n"
              "9103 Chyba při dekomprimaci souboru Kyd. Access is denied.\n",
              said);
    EXPECT_TRUE(fs::is_empty(folder));
}

// Names the ANSI page cannot hold, and names with "?" or "*", which name no
// file on Windows, are refused before anything is opened or written.
TEST_F(MireloReading, NamesTheAnsiPageCannotHoldOrWithWildcardsAreRefusedAndOpenNothing) {
    signTwice();
    const std::string sig = kFolder + "S20261207211554Z.p7s=" + in("two.p7s").string();
    const auto kyd = container("message.kyd", {kFolder + "M20261207211554Z.eml=" + message("smlouva.bin").string(), sig});
    // The file "x日.kyd" would have named once narrowed with "?".
    fs::copy_file(kyd, in("x?.kyd"));
    const HRESULT invalidName = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);

    EXPECT_EQ(invalidName, load(in("x日.kyd").string()));
    EXPECT_EQ(123, lastErrorNumber());
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, object->get_LastErrorStr(&text));
    EXPECT_FALSE(takeText(text).empty()) << "the system's text for the refusal";
    EXPECT_TRUE(familyRefuses()) << "nothing was loaded";
    EXPECT_EQ(u"", contentType(in("x日.kyd").string(), false));
    EXPECT_EQ(123, lastErrorNumber());
    EXPECT_EQ(invalidName, load(in("x?.kyd").string())) << "a file of that name is there";
    EXPECT_EQ(123, lastErrorNumber());
    EXPECT_TRUE(familyRefuses());

    for (const auto& [kydName, newFile, folder] :
         {std::tuple{in("x日.kyd").string(), std::string(), target()}, std::tuple{kyd, std::string("x日.bin"), target()},
          std::tuple{kyd, std::string(), target() / "Příloha日"}, std::tuple{in("x?.kyd").string(), std::string(), target()},
          std::tuple{kyd, std::string("x*.bin"), target()}}) {
        SCOPED_TRACE(newFile + " " + folder.string());
        EXPECT_EQ(invalidName, extract(kydName, newFile, folder));
        EXPECT_EQ(123, lastErrorNumber());
    }
    // A container's own name for the document that ANSI cannot hold, or
    // that holds a wildcard.
    for (const auto& [kydName, name] : {std::pair{"foreign.kyd", "x日.bin"}, std::pair{"starred.kyd", "x*.bin"}}) {
        const auto foreign = container(kydName, {kFolder + name + "=" + in("document.bin").string(), sig});
        EXPECT_TRUE(FAILED(extract(foreign, "")));
        EXPECT_EQ(7102, lastErrorNumber()) << name;
    }
    EXPECT_TRUE(fs::is_empty(target())) << "nothing written, no folder made";

    // The signing members refuse before a document or container is opened.
    BSTR document = SysAllocString(wide(in("x日.txt").string()).c_str());
    BSTR refused = SysAllocString(wide(in("x日.kyd").string()).c_str());
    BSTR out = SysAllocString(wide(in("out.kyd").string()).c_str());
    BSTR type = SysAllocString(u"text/plain");
    BSTR plugins = SysAllocString(wide(in("").string()).c_str());
    BSTR mask = SysAllocString(u"Tesk日*PluginKyd.so");
    EXPECT_EQ(invalidName, object->SignFileToFile(document, out, type));
    EXPECT_EQ(invalidName, object->SignFileToFile(out, refused, type));
    EXPECT_EQ(invalidName, object->SignAddSignerToFile(refused));
    EXPECT_EQ(invalidName, object->SetTrustedListFile(refused));
    EXPECT_EQ(invalidName, object->LoadAllPlugins(plugins, mask));
    BSTR source = SysAllocString(wide(in("document.bin").string()).c_str());
    BSTR starred = SysAllocString(wide(in("x*.kyd").string()).c_str());
    BSTR questioned = SysAllocString(wide(in("x?.kyd").string()).c_str());
    EXPECT_EQ(invalidName, object->SignFileToFile(source, starred, type));
    EXPECT_EQ(invalidName, object->SignAddSignerToFile(questioned));
    EXPECT_EQ(invalidName, object->SetTrustedListFile(questioned));
    for (BSTR argument : {document, refused, out, type, plugins, mask, source, starred, questioned})
        SysFreeString(argument);
    EXPECT_FALSE(fs::exists(in("out.kyd")));
    EXPECT_FALSE(fs::exists(in("x*.kyd")));
    EXPECT_EQ(testkit::readFile(kyd), testkit::readFile(in("x?.kyd"))) << "the other file is as it was";
}

TEST_F(MireloReading, HostileContainersGiveTheirNumbersLeaveNothingLoadedAndWriteNothing) {
    signTwice();
    message("smlouva.bin");
    const std::string sig = kFolder + "S20261207211554Z.p7s=" + in("two.p7s").string();
    const std::string eml = kFolder + "M20261207211554Z.eml=" + in("smlouva.bin.eml").string();
    const auto good = container("good.kyd", {eml, sig});

    root.write("in/not.kyd", "PK but not a ZIP archive");
    root.write("in/garbage.eml", "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n*** not base64 ***\r\n");
    // Line ends other than CR LF, and a file name only in the RFC 2231 form.
    root.write("in/lf.eml", "Content-Type: text/plain\nContent-Transfer-Encoding: base64\n"
                            "Content-Disposition: attachment; filename=\"a.txt\"\n\nU21sb3V2YQ==\n");
    root.write("in/rfc2231.eml", "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n"
                                 "Content-Disposition: attachment; filename*=utf-8''Smlouva%20%C4%8D.txt\r\n\r\n"
                                 "U21sb3V2YQ==\r\n");
    root.write("in/multipart.eml", "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\none\r\n--b\r\n\r\ntwo\r\n--b--\r\n");
    run({"python3", KYD_PEER, "write", in("truncated.kyd").string(), "0:truncate", eml, sig});
    struct Case {
        std::string kyd;
        LONG load, contentType, extract;
    };
    const std::vector<Case> cases{
        {in("truncated.kyd").string(), 9101, 9101, 9101},
        {in("not.kyd").string(), 9101, 9101, 9101},
        {container("unsigned.kyd", {eml}), 9105, 0, 0},
        {container("twice.kyd", {eml, kFolder + "M20261207211555Z.eml=" + in("smlouva.bin.eml").string(), sig}), 0,
         9106, 9106},
        {container("nodocument.kyd", {"elsewhere.txt=" + in("document.bin").string()}), 9105, 9104, 9104},
        {container("garbage.kyd", {kFolder + "M20261207211554Z.eml=" + in("garbage.eml").string(), sig}), 0, 9202,
         9202},
        {container("multipart.kyd", {kFolder + "M20261207211554Z.eml=" + in("multipart.eml").string(), sig}), 0, 0,
         9202},
        {container("lf.kyd", {kFolder + "M20261207211554Z.eml=" + in("lf.eml").string(), sig}), 0, 9202, 9202},
        {container("rfc2231.kyd", {kFolder + "M20261207211554Z.eml=" + in("rfc2231.eml").string(), sig}), 0, 0,
         9202},
    };
    EXPECT_TRUE(FAILED(load("")));
    EXPECT_EQ(30, lastErrorNumber());
    EXPECT_TRUE(FAILED(extract("", "")));
    EXPECT_EQ(30, lastErrorNumber());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kyd);
        if (c.load != 0) {
            ASSERT_EQ(S_OK, load(good));
            EXPECT_TRUE(FAILED(load(c.kyd)));
            EXPECT_EQ(c.load, lastErrorNumber());
            LONG signatures = -1;
            EXPECT_EQ(S_OK, object->get_SignatureCount(&signatures));
            EXPECT_EQ(0, signatures) << "nothing of the container loaded before stays";
            EXPECT_TRUE(familyRefuses());
        }
        if (c.contentType != 0) {
            EXPECT_EQ(u"", contentType(c.kyd, false));
            EXPECT_EQ(c.contentType, lastErrorNumber());
        }
        if (c.extract != 0) {
            EXPECT_TRUE(FAILED(extract(c.kyd, "")));
            EXPECT_EQ(c.extract, lastErrorNumber());
        }
        EXPECT_TRUE(fs::is_empty(target()));
    }
    EXPECT_FALSE(strayed("smlouva.bin") || strayed("elsewhere.txt"));
}

}  // namespace
