// A certificate whose names hold markup, quotes and a command, listed on
// the certificate page: each backend must show them as the user's text.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "halvex/app_data.h"
#include "halvex/files_and_paths.h"
#include "page_sync.h"
#include "platform/html_view.h"
#include "platform/text.h"

namespace hostile_certificate {

// Fills selcert_renew.htm, loaded in the view, with that one certificate
// and checks that it is one entry of text, chosen, and the page stays.
inline void expectListedAsText(platform::ui::HtmlView& view) {
    const std::string page =
        platform::ui::resourceUrl(platform::text::toUtf8(halvex::GetModulePath()), "selcert_renew.htm");
    ASSERT_EQ(page, view.location());
    halvex::RenewalChoice choice;
    choice.renewable.resize(1);
    choice.renewable[0].commonName = u"<b>Jan</b> & \"Novák\" \\ ');self.location='URL_APP_EXIT';//";
    choice.renewable[0].issuerCommonName = u"<img src=x onerror=\"self.location='URL_APP_EXIT'\">";
    halvex::TCertRequest first(halvex::TAppData::Instance());
    halvex::TCertRequest second(halvex::TAppData::Instance());
    ASSERT_TRUE(halvex::SyncCertList(view, choice, first, second, true));
    EXPECT_TRUE(view.waitUntilSettled());
    EXPECT_EQ(page, view.location());
    const std::string list = view.innerHtml("MYCERT_LIST").value_or("");
    EXPECT_NE(std::string::npos, list.find(">(Q) &lt;b&gt;Jan&lt;/b&gt; &amp; ")) << list;
    EXPECT_EQ(std::string::npos, list.find("<b>")) << list;
    EXPECT_EQ(std::string::npos, list.find("<img")) << list;
    EXPECT_EQ(list.find("<option"), list.rfind("<option")) << "one entry: " << list;
    EXPECT_EQ("0", view.value("MYCERT_LIST").value_or("")) << "the only certificate comes chosen";
}

}  // namespace hostile_certificate
