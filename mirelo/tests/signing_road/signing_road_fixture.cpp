#include "signing_road_fixture.h"

#include <chrono>
#include <fstream>
#include <sstream>

#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/trusted_list.h"
#include "testkit/user_stores.h"
#include "win32/crypt_store.h"

namespace signing_road {

namespace list = testkit::trusted_list;
using namespace std::chrono_literals;

namespace {

// The identifier of the contracts policy.
constexpr const char* kPolicyOid = "1.3.6.1.4.1.32473.10.7.9";

testkit::HttpReply crlReply(const pki::Crl& crl) {
    return testkit::HttpReply{.body = std::string(crl.der().begin(), crl.der().end())};
}

BSTR bstrOf(const std::string& text) {
    const std::u16string wide(text.begin(), text.end());
    return text.empty() ? nullptr : SysAllocString(wide.c_str());
}

VARIANT textValue(const std::string& text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = bstrOf(text);
    return v;
}

}  // namespace

void SigningRoad::SetUp() {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    TESTKIT_REQUIRE_PROGRAM("unzip");
    TESTKIT_REQUIRE_PROGRAM("python3");
    RegisteredMirelo::SetUp();
    m_folder = root.path() / "work";
    std::filesystem::create_directories(m_folder);
    m_server.route("/root.crl", crlReply(pki::CrlBuilder(m_hierarchy.root).build()));
    m_server.route("/standard-ca.crl", crlReply(pki::CrlBuilder(m_hierarchy.standardCa).build()));
    m_server.route("/qualified-ca.crl", crlReply(pki::CrlBuilder(m_hierarchy.qualifiedCa).build()));
    testkit::addToUserStore(u"Root", m_hierarchy.root.certificate);
    testkit::addToUserStore(u"CA", m_hierarchy.standardCa.certificate);
    testkit::addToUserStore(u"CA", m_hierarchy.qualifiedCa.certificate);
    rootPem = root.write("work/root.pem", m_hierarchy.root.certificate.pem());
    qualifiedCaPem = root.write("work/qualified-ca.pem", m_hierarchy.qualifiedCa.certificate.pem());

    // Both issuer names, SHA-256 of 2048-bit keys, the signer's certificate.
    const Bytes policyDer =
        testkit::policy::fromGenconf(MIRELO_TEST_DATA "/contracts_policy.cnf", {}, root.path() / "scratch");
    policyFile = root.write("conf/policy.der", std::string(policyDer.begin(), policyDer.end()));

    const std::string listed = list::stamp(pki::fromNow(-24h));
    const std::string text = list::listText({
        {"/l/signaturePolicy_" + listed + ".der", policyDer, pki::Hash::Sha1, "20991231235959Z", {{"OID", kPolicyOid}}},
        {"/l/trustedCertificate_" + listed + ".der", m_hierarchy.root.certificate.der(), pki::Hash::Sha1,
         "20991231235959Z", {{"OID", "1.2.3"}}},
    });
    const pki::Credential listSigner = pki::CertificateBuilder()
                                           .subject({{"CN", "Tesk List Signer"}})
                                           .key(pki::Key::rsa(2048, "commercial"))
                                           .issuedBy(m_hierarchy.standardCa)
                                           .keyUsage(pki::kDigitalSignature)
                                           .crlDistributionPoints({m_server.url("/standard-ca.crl")})
                                           .build();
    const Bytes signedList = list::signCms(text, listSigner);
    trustedListFile = root.write("conf/trusted.p7m", std::string(signedList.begin(), signedList.end()));
    first = makeSigner("Jana Nováková", u"first");
}

void SigningRoad::TearDown() {
    m_containers.clear();
    RegisteredMirelo::TearDown();
}

Signer SigningRoad::makeSigner(const std::string& commonName, const std::u16string& container,
                               testkit::CspKind kind) {
    auto csp = std::make_unique<testkit::TestCsp>(kind, root, container);
    pki::CertificateBuilder builder;
    builder.subject({{"C", "CZ", pki::StringType::Printable}, {"CN", commonName}})
        .issuedBy(m_hierarchy.qualifiedCa)
        .keyUsage(pki::kNonRepudiation)
        .policies({{std::string(pki::kQualifiedPolicy)}})
        .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}});
    PCCERT_CONTEXT context = csp->certificateWithKey(builder, "qualified-" + std::string(container.begin(), container.end()));
    testkit::addToUserStore(u"MY", context);
    const std::string name(container.begin(), container.end());
    Signer signer;
    signer.pemFile = m_folder / (name + ".pem");
    testkit::writeFile(m_folder / (name + ".der"),
                       std::string(context->pbCertEncoded, context->pbCertEncoded + context->cbCertEncoded));
    CertFreeCertificateContext(context);
    const auto pem = openssl({"x509", "-inform", "DER", "-in", name + ".der", "-out", name + ".pem"});
    EXPECT_EQ(0, pem.exitCode) << pem.err;
    signer.pem = testkit::readFile(signer.pemFile);
    if (csp->token()) {
        signer.pin = csp->token()->options().pin;
        csp->release();
    }
    m_containers.push_back(std::move(csp));
    return signer;
}

void SigningRoad::answerDialogs(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    const auto file = root.write("answers-" + std::to_string(lines.size()) + ".txt", text);
    m_answers = std::make_unique<ScopedEnv>("PLATFORM_UI", "script:" + file.string());
}

platform::com::Ptr<ISignerKyd> SigningRoad::configured(const std::filesystem::path& pluginFolder, LONG signFlags,
                                                       const Signer& signer) {
    auto object = create();
    if (!object) return object;
    EXPECT_EQ(S_OK, object->put_CfgLanguageNumber(sgLangEN));
    EXPECT_EQ(S_OK, object->put_LogLevel(static_cast<sgLogLevelFlags>(15)));
    BSTR folderText = bstrOf(pluginFolder.string()), mask = bstrOf("Tesk*PluginKyd.so");
    EXPECT_EQ(S_OK, object->LoadAllPlugins(folderText, mask));
    SysFreeString(folderText);
    SysFreeString(mask);
    EXPECT_EQ(S_OK, withText(object.get(), &ISignerKyd::SetTrustedListFile, trustedListFile.string()))
        << lastError(object.get());
    EXPECT_EQ(S_OK, withText(object.get(), &ISignerKyd::SetSignPolicyFile, policyFile.string()))
        << lastError(object.get());
    EXPECT_EQ(S_OK, object->put_CfgSign(static_cast<sgSignFlags>(signFlags)));
    EXPECT_EQ(S_OK, withText(object.get(), &ISignerKyd::put_SignCertPem, signer.pem)) << lastError(object.get());
    return object;
}

HRESULT SigningRoad::signFileToFile(ISignerKyd* object, const std::string& file, const std::string& kydFile,
                                    const std::string& contentType) {
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = mirelo_test::invokeByName(object, u"SignFileToFile", DISPATCH_METHOD,
                                                 {textValue(file), textValue(kydFile), textValue(contentType)}, &result);
    VariantClear(&result);
    return hr;
}

HRESULT SigningRoad::signAddSignerToFile(ISignerKyd* object, const std::string& kydFile) {
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr =
        mirelo_test::invokeByName(object, u"SignAddSignerToFile", DISPATCH_METHOD, {textValue(kydFile)}, &result);
    VariantClear(&result);
    return hr;
}

HRESULT SigningRoad::withText(ISignerKyd* object, HRESULT (ISignerKyd::*member)(BSTR), const std::string& text) {
    BSTR argument = bstrOf(text);
    const HRESULT hr = (object->*member)(argument);
    SysFreeString(argument);
    return hr;
}

HRESULT SigningRoad::extract(ISignerKyd* object, const std::filesystem::path& kyd, const std::filesystem::path& folder) {
    BSTR path = bstrOf(folder.string()), kydName = bstrOf(kyd.string());
    const HRESULT hr = object->DocumentExtractToFile(path, kydName, nullptr);
    SysFreeString(path);
    SysFreeString(kydName);
    return hr;
}

std::string SigningRoad::lastError(ISignerKyd* object) {
    LONG number = -1;
    object->get_LastErrorNumber(&number);
    BSTR log = nullptr;
    object->get_LogString(&log);
    const std::u16string text = mirelo_test::takeText(log);
    std::string narrow;
    for (const char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return std::to_string(number) + "\n" + narrow;
}

std::vector<std::string> SigningRoad::entries(const std::filesystem::path& kyd) const {
    const auto listed = testkit::run({"unzip", "-Z1", kyd.string()});
    EXPECT_EQ(0, listed.exitCode) << listed.err;
    std::vector<std::string> names;
    std::istringstream lines(listed.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) names.push_back(line);
    return names;
}

Bytes SigningRoad::entry(const std::filesystem::path& kyd, const std::string& name) const {
    const auto extracted = testkit::run({"unzip", "-p", kyd.string(), name});
    EXPECT_EQ(0, extracted.exitCode) << extracted.err;
    return Bytes(extracted.out.begin(), extracted.out.end());
}

testkit::RunResult SigningRoad::openssl(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), "openssl");
    return testkit::run(arguments, m_folder);
}

}  // namespace signing_road
