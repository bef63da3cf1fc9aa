#include "upgrade_info_dialog.h"

#include <memory>
#include <string_view>

#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/page_fragments.h"
#include "halvex/profile.h"
#include "halvex/resource_strings.h"
#include "platform/dialog_template.h"
#include "platform/html_view.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "win32/messages.h"
#include "win32/process.h"

namespace halvex {
namespace {

using platform::text::fromUtf8;
using platform::text::toUtf8;

constexpr UINT kProgramLanguage = 33204;
// The dialog's size in dialog units and its page.
constexpr int kDialogWidth = 572;
constexpr int kDialogHeight = 299;
constexpr char kPageName[] = "upgrade_info.htm";
// Where the page's "Pokračovat" button navigates.
constexpr std::string_view kCloseCommand = "URL_CLOSE";

// Shows the page with the notes until its button or the window closes it.
void RunUpgradeInfoDialog(const std::u16string& fileVersion, const std::vector<VersionNote>& notes) {
    bool closed = false;
    // The view's events are handled inside GetMessage, which goes on
    // waiting; a message of no meaning lets the loop see the close.
    const auto close = [&closed] {
        closed = true;
        PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    };
    platform::ui::HtmlView* shown = nullptr;
    platform::ui::HtmlViewOptions options;
    options.title = "Halvex";
    options.width = platform::ui::pixelsX(kDialogWidth);
    options.height = platform::ui::pixelsY(kDialogHeight);
    options.events.beforeNavigate = [&](const std::string& url) {
        if (!url.ends_with(kCloseCommand)) return false;
        close();
        return true;
    };
    options.events.documentComplete = [&](const std::string&) {
        if (!shown) return;
        shown->setInnerHtml("APP_VERSION_ID", toUtf8(pages::EscapeHtml(fileVersion)));
        shown->setInnerHtml("CHANGE_ENTRY", toUtf8(ChangeEntriesHtml(notes)));
    };
    options.events.closeRequested = close;
    const std::unique_ptr<platform::ui::HtmlView> view = platform::ui::makeHtmlView(std::move(options));
    shown = view.get();
    view->navigate(platform::ui::resourceUrl(toUtf8(GetModulePath()), kPageName));
    view->waitUntilSettled();
    if (std::string_view(platform::ui::backend().name()) == "script") {
        while (!closed && view->playScriptedActions() > 0) {
        }
        return;
    }
    // The window's events come as work sent to this thread; a quit asked
    // for meanwhile is left for the program's own loop.
    MSG message;
    while (!closed) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchMessageW(&message);
    }
}

}  // namespace

std::u16string ChangeEntriesHtml(const std::vector<VersionNote>& notes) {
    std::u16string html;
    for (const VersionNote& note : notes)
        html += u"<div><li><b>" + pages::EscapeHtml(note.title) + u"</b></li><p class=\"note\">" +
                pages::EscapeHtml(note.text) + u"</p></div><br>";
    return html;
}

void ShowUpgradeInfo(const std::u16string& programFolder, const std::u16string& fileVersion) {
    const std::u16string stored = GetProfileString(kWorkspaceSection, u"AppVersion", u"");
    if (!stored.empty() && stored != fileVersion) {
        const auto notes = ReadVersionNotes(programFolder + u"Versions.xml", ParseVersion(stored),
                                            ParseVersion(fileVersion), LoadResString(kProgramLanguage));
        if (notes && !notes->empty()) {
            try {
                RunUpgradeInfoDialog(fileVersion, *notes);
            } catch (const std::exception& e) {
                TLogFile::GetInstance().Print(u"ShowUpgradeInfo(): %s", fromUtf8(e.what()).c_str());
            }
        }
    }
    WriteProfileString(kWorkspaceSection, u"AppVersion", fileVersion);
}

}  // namespace halvex
