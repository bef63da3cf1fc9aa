// SHOpenWithDialog as a caller sees it, through a fake user.
#include <gtest/gtest.h>

#include "fake_backend.h"
#include "platform/paths.h"
#include "platform/win_error.h"
#include "testkit/platform_root.h"
#include "win32/ui.h"

using platform::ui::OpenWithRequest;

namespace {

std::u16string wide(const std::filesystem::path& p) { return platform::paths::toWide(p); }

}  // namespace

TEST(SHOpenWithDialog, ChosenIsOkAndCancelledIsErrorCancelled) {
    testkit::PlatformRoot root;
    const auto file = wide(root.write("docs/smlouva.kyd", "x"));
    FakeBackend fake;
    OPENASINFO info{file.c_str(), nullptr, OAIF_EXEC | OAIF_ALLOW_REGISTRATION | OAIF_REGISTER_EXT};
    EXPECT_EQ(S_OK, SHOpenWithDialog(nullptr, &info));
    ASSERT_EQ(1u, fake.user().choosers.size());
    EXPECT_EQ((root.path() / "docs/smlouva.kyd").string(), fake.user().choosers[0].file);
    EXPECT_TRUE(fake.user().choosers[0].launch);

    fake.user().onChooser = [](const OpenWithRequest&) { return false; };
    info.oaifInFlags = 0;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), SHOpenWithDialog(GetDesktopWindow(), &info));
    EXPECT_FALSE(fake.user().choosers.back().launch);
}

TEST(SHOpenWithDialog, RefusesBadRequestsWithoutAskingTheUser) {
    testkit::PlatformRoot root;
    const auto file = wide(root.write("f.txt", "x"));
    const auto missing = wide(root.path() / "missing.txt");
    FakeBackend fake;
    EXPECT_EQ(E_INVALIDARG, SHOpenWithDialog(nullptr, nullptr));
    const OPENASINFO noFile{nullptr, nullptr, 0};
    EXPECT_EQ(E_INVALIDARG, SHOpenWithDialog(nullptr, &noFile));
    const OPENASINFO emptyFile{u"", nullptr, 0};
    EXPECT_EQ(E_INVALIDARG, SHOpenWithDialog(nullptr, &emptyFile));
    const OPENASINFO unknownFlag{file.c_str(), nullptr, 0x10};
    EXPECT_EQ(E_INVALIDARG, SHOpenWithDialog(nullptr, &unknownFlag));
    const OPENASINFO protocol{u"mailto", nullptr, OAIF_URL_PROTOCOL};
    EXPECT_EQ(E_NOTIMPL, SHOpenWithDialog(nullptr, &protocol));
    const OPENASINFO absent{missing.c_str(), nullptr, OAIF_EXEC};
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), SHOpenWithDialog(nullptr, &absent));
    const OPENASINFO good{file.c_str(), nullptr, 0};
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE), SHOpenWithDialog(reinterpret_cast<HWND>(8), &good));
    EXPECT_TRUE(fake.user().choosers.empty());
}
