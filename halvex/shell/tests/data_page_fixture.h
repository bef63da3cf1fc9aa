// The program started in-process, its requests prepared as the certificate
// step leaves them, the data page filled from them and typed into as the
// user does, and the requests it makes read back by `openssl`.
#pragma once

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "halvex/app_data.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/request_subject_rules.h"
#include "halvex_app.h"
#include "main_frame.h"
#include "openssl_request.h"
#include "shell_fixture.h"
#include "win32/com.h"
#include "win32/ui.h"

namespace data_page {

using namespace shell_fixture;
using namespace openssl_request;

inline constexpr char16_t kSoftwareProvider[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
inline constexpr DWORD kSoftwareProviderType = 24;
inline constexpr char16_t kEmail[] = u"jana.novakova@tesk.example";

// A request made from prepare()'s request as openssl reads it: its
// signature verified, the usages of a signing certificate, the e-mail
// address as its alternative name, both extended usages, SHA-256 with RSA
// asked for, a 2048-bit key, the program's string types, the PEM ending
// with a line feed. Its text.
inline std::string preparedRequestText(const std::u16string& pem) {
    EXPECT_TRUE(pem.starts_with(u"-----BEGIN CERTIFICATE REQUEST-----\n"));
    EXPECT_TRUE(pem.ends_with(u"\n-----END CERTIFICATE REQUEST-----\n"));
    const std::string text = verifiedText(pem);
    EXPECT_THAT(text, testing::HasSubstr("self-signature verify OK"));
    EXPECT_THAT(text, testing::HasSubstr("X509v3 Key Usage: \n                    Digital Signature, Non Repudiation\n"));
    EXPECT_THAT(text, testing::HasSubstr("email:jana.novakova@tesk.example"));
    EXPECT_THAT(text, testing::HasSubstr("E-mail Protection, TLS Web Client Authentication"));
    EXPECT_THAT(text, testing::HasSubstr("Signature Algorithm: sha256WithRSAEncryption"));
    EXPECT_THAT(text, testing::HasSubstr("Public-Key: (2048 bit)"));
    expectSubjectStringTypes(pem);
    return text;
}

class DataPageTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override {
        frame.reset();
        CoUninitialize();
        ShellTest::TearDown();
    }

    // Starts the program (the settings file, when given, first).
    void start(const std::string& settings = {}) {
        platform::ui::script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unanswered: " << question << "\n"
                          << testing::PrintToString(platform::ui::script::transcript());
            return IDCANCEL;
        });
        if (!settings.empty()) testkit::writeFile(config / "Halvex.xml", settings);
        halvex::TAppData::Instance().SetConfigurationFolder(halvex::FindConfigFile(u"Halvex.xml"));
        halvex::TLogFile::GetInstance().SetPath(platform::text::fromUtf8(logFile.string()));
        halvex::TLogFile::GetInstance().Init(true, true);
        frame = std::make_unique<halvex::MainFrame>(u"Halvex");
        ASSERT_TRUE(frame->OnInitApp(u"halvex")) << testing::PrintToString(platform::ui::script::transcript());
    }

    // The data page shown, filled from the requests as they are now.
    void open() {
        frame->View().Go2Res(true, u"data_renew.htm");
        ASSERT_EQ("data_renew.htm", page());
    }

    // A field of the page typed in.
    void type(const std::string& id, const std::string& value) {
        ASSERT_TRUE(frame->View().Html().setValue(id, value)) << id;
    }

    // A renewal request of the kind for the applicant, its subject after the
    // renewal's subject rules (with the applicant's identifier), the usages of a signing certificate, on the
    // provider with a new key.
    void prepare(std::size_t index, DWORD kind, const std::u16string& commonName,
                 const std::u16string& provider = kSoftwareProvider, DWORD providerType = kSoftwareProviderType) {
        halvex::TCertRequest& request = frame->Request(index);
        request.SetRequestKind(kind);
        halvex::RequestAttrs subject = {{u"2.5.4.3", halvex::kUtf8StringType, commonName},
                                        {u"2.5.4.5", halvex::kUtf8StringType, u"PNOSK 845101/1239"},
                                        {u"2.5.4.10", halvex::kUtf8StringType, u"Tesk Žilina a.s."},
                                        {u"2.5.4.6", halvex::kUtf8StringType, u"SK"},
                                        {u"1.2.840.113549.1.9.1", halvex::kUtf8StringType, kEmail}};
        halvex::NormalizeIdentifierSerials(subject);
        request.certificate.subject = subject;
        request.hasIdentifier = true;
        request.certificate.altNames = {{u"2", halvex::kUtf8StringType, kEmail}};
        request.certificate.extKeyUsage = {{u"1.3.6.1.5.5.7.3.4", 0, {}}, {u"1.3.6.1.5.5.7.3.2", 0, {}}};
        request.keyUsage[0] = request.keyUsage[1] = true;
        request.provider = {provider, providerType, {}};
        request.providerList = {{provider, providerType, {}}};
    }

    // The data page's "Pokračovat".
    void check() {
        frame->View().Html().navigate(
            platform::ui::resourceUrl(platform::text::toUtf8(halvex::GetModulePath()), "URL_DATACHECK"));
    }

    std::string page() { return frame->View().PageName(); }

    // The message boxes shown so far.
    static std::vector<std::string> boxes() {
        std::vector<std::string> shown;
        for (const std::string& line : platform::ui::script::transcript())
            if (line.rfind("MessageBox", 0) == 0) shown.push_back(line);
        return shown;
    }

    std::unique_ptr<halvex::MainFrame> frame;
};

}  // namespace data_page
