#include "halvex_view.h"

#include "command_ids.h"
#include "frame_layout.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/page_fragments.h"
#include "halvex/page_names.h"
#include "page_sync.h"
#include "platform/text.h"
#include "win32/resources.h"

namespace halvex {
namespace {

using platform::text::fromUtf8;
using platform::text::toUtf8;

std::string AfterLastSlash(const std::string& location) {
    const std::size_t slash = location.rfind('/');
    return slash == std::string::npos ? std::string() : location.substr(slash);
}

// The pages of the request the wizard is making, which the request pane
// names; the others (home, the load page, a loaded request's review, the
// error page) belong to no request of the wizard's.
bool OnRequestRoad(const std::string& page) {
    for (const auto road : {pages::kSelectCertificate, pages::kData, pages::kSummary, pages::kAppendix})
        if (page == toUtf8(road)) return true;
    return false;
}

bool HasPage(const std::u16string& page) {
    return FindResourceExW(nullptr, MAKEINTRESOURCEW(RT_HTML_ID), page.c_str(), pages::kPageLanguage) != nullptr;
}

}  // namespace

HalvexView::HalvexView(platform::ui::HtmlViewOptions options, Frame frame) : m_frame(std::move(frame)) {
    options.events.beforeNavigate = [this](const std::string& url) { return OnBeforeNavigate(url); };
    options.events.documentComplete = [this](const std::string& url) { OnDocumentComplete(url); };
    options.events.commandStateChange = [this](platform::ui::NavigationCommand command, bool enabled) {
        if (command != platform::ui::NavigationCommand::Back) return;
        m_canGoBack = enabled;
        UpdateBack();
    };
    options.events.command = [this](int command) {
        if (m_frame.frameCommand) m_frame.frameCommand(command);
    };
    options.events.closeRequested = [this] {
        if (m_frame.closeRequested) m_frame.closeRequested();
    };
    m_view = platform::ui::makeHtmlView(std::move(options));
    DefinePageFunctions(*m_view);
    UpdateBack();
}

bool HalvexView::CanGoBack() const {
    return !m_history.empty() || (m_canGoBack && PageName() == toUtf8(pages::kError));
}

void HalvexView::UpdateBack() {
    if (m_view) m_view->setCommandEnabled(kCommandBack, CanGoBack());
}

std::string HalvexView::PageName() const {
    const std::string page = AfterLastSlash(m_view->location());
    return page.empty() ? page : page.substr(1);
}

void HalvexView::Go2Res(bool withHistory, const std::u16string& page) {
    if (page.empty()) return;
    const std::string location = m_view->location();
    if (withHistory && !location.empty()) {
        std::string left = AfterLastSlash(location);
        left.erase(0, left.find_first_not_of('/'));
        if (m_history.empty() || m_history.back() != left) m_history.push_back(left);
        UpdateBack();
    }
    const std::string url = platform::ui::resourceUrl(toUtf8(GetModulePath()), toUtf8(page));
    TLogFile::GetInstance().PrintIfOn(u"Go2Res() url %s", fromUtf8(url).c_str());
    if (!HasPage(page)) {
        TLogFile::GetInstance().Print(u"Go2Res(): resource not exists '%s'", page.c_str());
        return;
    }
    m_view->navigate(url);

}

// The page being left is not read back: the user goes back on it.
void HalvexView::Back() {
    if (!m_history.empty()) {
        const std::string page = m_history.back();
        m_history.pop_back();
        UpdateBack();
        m_skipOnce = true;
        Go2Res(false, fromUtf8(page));
    } else if (CanGoBack()) {
        m_view->goBack();
    }
}

void HalvexView::Home() {
    if (m_frame.home) m_frame.home();
    m_history.clear();
    UpdateBack();
}

void HalvexView::ReloadPage() {
    const std::string location = m_view->location();
    if (location.rfind("res:", 0) == 0) {
        Go2Res(false, fromUtf8(PageName()));
    } else if (!location.empty()) {
        m_view->navigate(location);
    }
}

void HalvexView::GoErrorPage(const std::u16string& text) {
    m_history.clear();
    UpdateBack();
    m_errorText = text;
    TLogFile::GetInstance().Print(u"GoErrorPage(): %s", text.c_str());
    Go2Res(false, std::u16string(pages::kError));
}

bool HalvexView::OnBeforeNavigate(const std::string& url) {
    TLogFile::GetInstance().PrintIfOn(u"OnBeforeNavigate2() url %s", fromUtf8(url).c_str());
    if (const auto call = FindPageCommand(url)) {
        TLogFile::GetInstance().PrintIfOn(u"OnBeforeNavigate2() canceled");
        RunCommand(*call);
        return true;
    }
    if (m_skipOnce)
        m_skipOnce = false;
    else
        SynchronizeHtmlData(false);
    TLogFile::GetInstance().PrintIfOn(u"OnBeforeNavigate2() navigate");
    return false;
}

void HalvexView::OnDocumentComplete(const std::string& url) {
    TLogFile::GetInstance().PrintIfOn(u"OnDocumentComplete() url %s", fromUtf8(url).c_str());
    SynchronizeHtmlData(true);
    m_skipOnce = false;
    if (!OnRequestRoad(PageName())) m_view->setStatusText(kRequestPane, "");
    UpdateBack();
}

void HalvexView::RunCommand(const CommandCall& call) {
    switch (call.command) {
        case PageCommand::GovernmentChange:
            SynchronizeHtmlData(false);
            SynchronizeHtmlData(true);
            break;
        case PageCommand::SelectRequest:
            Go2Res(true, std::u16string(pages::kSelectRequest));
            break;
        case PageCommand::KeyUsageChange:
            ReloadPage();
            break;
        default:
            if (m_frame.pageCommand) m_frame.pageCommand(call);
            break;
    }
}

// The summary, the appendix and the review page are known and pass
// unchanged until their filling is built.
bool HalvexView::SynchronizeHtmlData(bool toPage) {
    const std::string location = m_view->location();
    const std::string page = AfterLastSlash(location);
    TLogFile::GetInstance().PrintIfOn(u"SynchronizeHtmlData(), url %s, object %s, %s", fromUtf8(location).c_str(),
                                      fromUtf8(page).c_str(), toPage ? u"set" : u"get");
    const std::string name = page.empty() ? page : page.substr(1);
    if (name == toUtf8(pages::kError)) {
        return !toPage || m_view->setInnerHtml("RA_ERR_MSG_ID", toUtf8(pages::ErrorPageText(m_errorText)));
    }
    if ((name == toUtf8(pages::kSummary) || name == toUtf8(pages::kAppendix) || name == toUtf8(pages::kReview)) &&
        m_frame.syncPage)
        return m_frame.syncPage(name, toPage);
    const bool hasData = m_frame.choice && m_frame.requests;
    if (name == toUtf8(pages::kSelectCertificate))
        return hasData && SyncCertList(*m_view, *m_frame.choice, (*m_frame.requests)[0], (*m_frame.requests)[1], toPage);
    for (const auto known : {pages::kHome, pages::kSummary}) {
        if (name == toUtf8(known)) return true;
    }
    if (page.find("/data_") != std::string::npos)
        return hasData && SyncDataRenew(*m_view, *m_frame.choice, (*m_frame.requests)[0], (*m_frame.requests)[1], toPage);
    TLogFile::GetInstance().Print(u"SynchronizeHtmlData() page '%s' not found", fromUtf8(page).c_str());
    return false;
}

}  // namespace halvex
