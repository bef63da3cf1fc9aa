// The file-save dialog on screen: it starts in the caller's folder under
// the proposed name; a No to replacing an existing file returns to it, and
// a typed name is saved with the default extension. GTK asks nothing of
// its own before replacing.
#include <future>

#include "on_screen.h"
#include "../save_file_request.h"
#include "platform/text.h"
#include "win32/commdlg.h"

using on_screen::OnScreen;

TEST_F(OnScreen, FileSaveNoToReplacingReturnsToTheDialogAndATypedNameIsSaved) {
    testkit::PlatformRoot root;
    const auto existing = root.write("obnova.req", "stará žádost");
    const std::u16string folder = root.path().u16string();
    WCHAR file[260] = u"obnova.req";
    OPENFILENAMEW ofn = requestSaveRequest(file, folder);
    ofn.lpstrTitle = u"Uložit žádost";

    auto user = std::async(std::launch::async, [&] {
        m_user->answer("Uložit žádost", "Return", {"ui-file-save", {"obnova.req", "Uložit"}});
        // No is the default.
        m_user->answer("Potvrdit uložení", "Return",
                       {"ui-file-save-replace", {"obnova.req již existuje.", "Chcete jej nahradit?"}});
        m_user->answer("Uložit žádost", "ctrl+a n o v a Return", {"", {"obnova.req"}});
    });
    const BOOL saved = GetSaveFileNameW(&ofn);
    user.get();
    ASSERT_TRUE(saved) << CommDlgExtendedError();
    EXPECT_EQ((root.path() / "nova.req").string(), platform::text::toUtf8(file));
}
