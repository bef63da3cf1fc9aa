// The request import's choices made before any module is loaded: the
// provider, the container, the object's label.
#include <gtest/gtest.h>

#include "enroll.h"
#include "import_request.h"
#include "my_error.h"
#include "pentak_support.h"
#include "testkit/platform_root.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

TEST(RequestImportRouting, ProvidersOutsideTheImportAndMissingContainersAreRefusedUpFront) {
    testkit::PlatformRoot machine;
    CEnroll session;
    EXPECT_FALSE(session.RequestImport(u"MIIB"));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_PROVIDER), GetLastError());

    session.SetProviderName(u"Microsoft Enhanced Cryptographic Provider v1.0");
    EXPECT_FALSE(session.RequestImport(u"MIIB"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
    EXPECT_TRUE(logHasLine(3834));
    EXPECT_NE(std::u16string::npos, CMyError::Instance().GetText().find(u"(MyError:10001005)"));

    // A card provider written through CryptoAPI needs a container.
    session.SetProviderName(u"Zintra CSP");
    EXPECT_FALSE(session.RequestImport(u"MIIB"));
    EXPECT_EQ(static_cast<DWORD>(NTE_NO_KEY), GetLastError());
    EXPECT_NE(std::u16string::npos, CMyError::Instance().GetText().find(u"(MyError:10001058)"));
}

TEST(RequestImportRouting, LabelIsTheContainerCutOrTheLocalTime) {
    SYSTEMTIME time{};
    time.wYear = 2024;
    time.wMonth = 3;
    time.wDay = 7;
    time.wHour = 9;
    time.wMinute = 5;
    time.wSecond = 1;
    EXPECT_EQ("240307090501", TImportRequest::RequestLabel(u"", time));
    EXPECT_EQ(std::string(128, 'c'), TImportRequest::RequestLabel(std::u16string(200, u'c'), time));
    EXPECT_EQ("\x9e" "adost", TImportRequest::RequestLabel(u"\u017Eadost", time));  // Windows-1250
}

}  // namespace
