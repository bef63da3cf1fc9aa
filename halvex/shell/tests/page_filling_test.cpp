// Pages filled by the program, in a view of its own pages: on the data
// page the names are asked for, as mandatory fields, only when the
// certificate being renewed lacks a given name or a surname and names no
// pseudonym; hiding an element twice marks it once; on the certificate
// page a name holding markup, quotes and a command is listed as text, and
// the only certificate comes chosen; the appendix shows the certificate
// type's line only with a type to name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "halvex/app_data.h"
#include "halvex/files_and_paths.h"
#include "hostile_certificate.h"
#include "page_sync.h"
#include "page_sync_appendix.h"
#include "platform/html_view.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/scoped_env.h"

namespace {

class PageFilling : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ui::script::clear();
        platform::ui::setBackend(nullptr);
        halvex::DefinePageFunctions(*m_page);
    }
    void TearDown() override { platform::ui::setBackend(nullptr); }

    // data_renew.htm loaded afresh and filled for a certificate of this subject.
    void fill(const std::vector<TRDNAttrW>& subject) {
        m_page->navigate(platform::ui::resourceUrl(platform::text::toUtf8(halvex::GetModulePath()), "data_renew.htm"));
        ASSERT_EQ("hidden_item", m_page->className("RA_FORM_NAMES").value_or(""));
        halvex::RenewalChoice choice;
        choice.certificates[0].subjectAttributes = subject;
        ASSERT_TRUE(halvex::SyncDataRenew(*m_page, choice, m_first, m_second, true));
    }
    bool namesAsked() { return m_page->className("RA_FORM_NAMES").value_or("") != "hidden_item"; }
    std::string classOf(const std::string& id) { return m_page->className(id).value_or("?"); }

    const testkit::PlatformRoot m_root;
    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
    std::unique_ptr<platform::ui::HtmlView> m_page = platform::ui::makeHtmlView({});
    halvex::TCertRequest m_first{halvex::TAppData::Instance()};
    halvex::TCertRequest m_second{halvex::TAppData::Instance()};
};

TEST_F(PageFilling, TheNamesAreAskedForOnlyWhenTheCertificateLacksThemAndNamesNoPseudonym) {
    const TRDNAttrW common{u"2.5.4.3", 0, u"Jana Nováková"};
    const TRDNAttrW given{u"2.5.4.42", 0, u"Jana"};
    const TRDNAttrW surname{u"2.5.4.4", 0, u"Nováková"};
    const TRDNAttrW pseudonym{u"2.5.4.65", 0, u"Hvězda"};

    fill({common, given, surname});
    EXPECT_FALSE(namesAsked());
    EXPECT_EQ("optional", classOf("RA_NAME"));

    fill({common, pseudonym});
    EXPECT_FALSE(namesAsked()) << "a pseudonym is never asked for names";
    EXPECT_EQ("optional", classOf("RA_SURNAME"));

    for (const auto& subject : {std::vector<TRDNAttrW>{common, surname}, std::vector<TRDNAttrW>{common, given}}) {
        SCOPED_TRACE(platform::text::toUtf8(subject[1].oid));
        fill(subject);
        EXPECT_TRUE(namesAsked());
        EXPECT_EQ("mandatory", classOf("RA_NAME"));
        EXPECT_EQ("mandatory", classOf("RA_SURNAME"));
    }

    halvex::ShowItem(*m_page, "RA_FORM_NAMES", true);
    halvex::ShowItem(*m_page, "RA_FORM_NAMES", true);
    EXPECT_EQ("hidden_item", classOf("RA_FORM_NAMES")) << "hidden twice, marked once";
    halvex::SetMandatory(*m_page, "RA_NAME");
    EXPECT_EQ("mandatory", classOf("RA_NAME"));
}

// What the certificate's issuer and subject say is the user's text, never
// markup or script of the page.
TEST_F(PageFilling, ACertificateNameHoldingMarkupIsListedAsText) {
    m_page->navigate(platform::ui::resourceUrl(platform::text::toUtf8(halvex::GetModulePath()), "selcert_renew.htm"));
    hostile_certificate::expectListedAsText(*m_page);
}

// A renewal's type has no caption of its own: no empty "Typ certifikátu:"
// line; a type with one shows it.
TEST_F(PageFilling, TheAppendixShowsTheCertificateTypeLineOnlyWithATypeToName) {
    const std::string appendix =
        platform::ui::resourceUrl(platform::text::toUtf8(halvex::GetModulePath()), "appendix.htm");
    m_page->navigate(appendix);
    m_first.kind = 0x80001;
    EXPECT_TRUE(halvex::SyncAppendix(*m_page, m_first, halvex::RequestOutcome{}));
    EXPECT_EQ("hidden_item", classOf("REQ_CERTTYPE_B"));

    m_page->navigate(appendix);
    m_first.kind = 0x1;
    EXPECT_TRUE(halvex::SyncAppendix(*m_page, m_first, halvex::RequestOutcome{}));
    EXPECT_EQ("", classOf("REQ_CERTTYPE_B"));
    EXPECT_NE("", m_page->innerHtml("RA_REQ_CERTTYPE").value_or(""));
}

}  // namespace
