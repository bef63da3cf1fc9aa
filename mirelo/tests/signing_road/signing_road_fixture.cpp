#include "signing_road_fixture.h"

#include <sstream>

#include "platform/text.h"
#include "testkit/process.h"
#include "testkit/signing_inputs.h"
#include "testkit/trusted_list.h"

namespace signing_road {

namespace {

// The providers the signers' keys lie in, as the host program's signed
// configuration names them: the software one and the token's.
constexpr const char* kConfiguration =
    "[Providers]\nProvidersCount=2\n"
    "Provider0Name=Microsoft Enhanced RSA and AES Cryptographic Provider\nProvider0Flags=3\n"
    "Provider1Name=Zintra CSP\nProvider1Flags=28\n";

Answer invoke(ISignerKyd* object, const char16_t* member, WORD flags, std::vector<VARIANT> arguments) {
    VARIANT result;
    VariantInit(&result);
    Answer answer;
    answer.hr = mirelo_test::invokeByName(object, member, flags, std::move(arguments), &result);
    if (result.vt == VT_BSTR && result.bstrVal) answer.text = platform::text::toUtf8({result.bstrVal, SysStringLen(result.bstrVal)});
    if (result.vt == VT_I4) answer.number = result.lVal;
    if (result.vt == VT_DATE) answer.date = result.date;
    VariantClear(&result);
    return answer;
}

}  // namespace

VARIANT text(const std::string& value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    const std::u16string wide = platform::text::fromUtf8(value);
    v.bstrVal = value.empty() ? nullptr : SysAllocString(wide.c_str());
    return v;
}

VARIANT number(LONG value) { return mirelo_test::longValue(value); }

Answer call(ISignerKyd* object, const char16_t* member, std::vector<VARIANT> arguments) {
    return invoke(object, member, DISPATCH_METHOD, std::move(arguments));
}

Answer get(ISignerKyd* object, const char16_t* property) { return invoke(object, property, DISPATCH_PROPERTYGET, {}); }

HRESULT put(ISignerKyd* object, const char16_t* property, VARIANT value) {
    return invoke(object, property, DISPATCH_PROPERTYPUT, {value}).hr;
}

void SigningRoad::SetUp() {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    TESTKIT_REQUIRE_PROGRAM("unzip");
    TESTKIT_REQUIRE_PROGRAM("python3");
    RegisteredMirelo::SetUp();
    // Users' folders have Czech names, blanks and all.
    m_folder = root.path() / "Stažené soubory" / "Příliš žluťoučký kůň";
    std::filesystem::create_directories(m_folder);
    // The hierarchy trusted, its CRLs served, the qualified policy and the
    // trusted list naming it and the root.
    const auto conf = root.path() / "Dokumenty" / "Podpisová politika";
    testkit::writeQualifiedSigningInputs(m_hierarchy, m_server, conf);
    policyFile = conf / "policyQES_1.der";
    trustedListFile = conf / "TrustedList.kyd";
    m_configuration = testkit::trusted_list::signedConfiguration(kConfiguration);
    rootPem = m_folder / "root.pem";
    testkit::writeFile(rootPem, m_hierarchy.root.certificate.pem());
    qualifiedCaPem = m_folder / "qualified-ca.pem";
    testkit::writeFile(qualifiedCaPem, m_hierarchy.qualifiedCa.certificate.pem());
    first = makeSigner("Jana Nováková", u"first");
}

void SigningRoad::TearDown() {
    m_held.clear();
    RegisteredMirelo::TearDown();
}

Signer SigningRoad::makeSigner(const std::string& commonName, const std::u16string& container,
                               testkit::CspKind kind) {
    pki::CertificateBuilder builder;
    builder.subject({{"C", "CZ", pki::StringType::Printable}, {"CN", commonName}})
        .issuedBy(m_hierarchy.qualifiedCa)
        .keyUsage(pki::kNonRepudiation)
        .policies({{std::string(pki::kQualifiedPolicy)}})
        .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
        .crlDistributionPoints({m_server.url("/qualified-ca.crl")});
    const std::string name(container.begin(), container.end());
    builder.authorityExtension("request " + name);
    testkit::HeldCertificate held = testkit::holdCertificate(root, std::move(builder), "qualified-" + name, container, kind);
    Signer signer;
    signer.pem = held.certificate->pem();
    signer.pemFile = m_folder / (name + ".pem");
    testkit::writeFile(signer.pemFile, signer.pem);
    if (held.csp->token()) {
        signer.pin = held.csp->token()->options().pin;
        held.csp->release();
    }
    m_held.push_back(std::move(held));
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
    EXPECT_EQ(S_OK, put(object.get(), u"CfgLanguageNumber", number(sgLangEN)));
    EXPECT_EQ(S_OK, put(object.get(), u"LogLevel", number(15)));
    EXPECT_EQ(S_OK, call(object.get(), u"LoadAllPlugins", {text(pluginFolder.string()), text("Tesk*PluginKyd.so")}).hr);
    EXPECT_EQ(S_OK, call(object.get(), u"SetConfiguration", {text(m_configuration)}).hr) << lastError(object.get());
    EXPECT_EQ(S_OK, call(object.get(), u"SetTrustedListFile", {text(trustedListFile.string())}).hr)
        << lastError(object.get());
    EXPECT_EQ(S_OK, call(object.get(), u"SetSignPolicyFile", {text(policyFile.string())}).hr) << lastError(object.get());
    EXPECT_EQ(S_OK, put(object.get(), u"CfgSign", number(signFlags)));
    EXPECT_EQ(S_OK, put(object.get(), u"SignCertPem", text(signer.pem))) << lastError(object.get());
    return object;
}

HRESULT SigningRoad::extract(ISignerKyd* object, const std::filesystem::path& kyd, const std::filesystem::path& folder) {
    return call(object, u"DocumentExtractToFile", {text(folder.string()), text(kyd.string()), text("")}).hr;
}

std::string SigningRoad::lastError(ISignerKyd* object) {
    return std::to_string(get(object, u"LastErrorNumber").number) + "\n" + get(object, u"LogString").text;
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
