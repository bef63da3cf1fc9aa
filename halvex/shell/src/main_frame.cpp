#include "main_frame.h"

#include "about_box.h"
#include "browser_version.h"
#include "frame_layout.h"
#include "help.h"
#include "halvex/app_data.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/page_names.h"
#include "halvex/resource_strings.h"
#include "machine_values.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "win32/messages.h"
#include "win32/ui.h"
#include "win32/modules.h"

namespace halvex {
namespace {

constexpr int kErrorNoPentak = 4011;
constexpr int kErrorNoPentakInterface = 4012;
constexpr int kErrorPentakVersion = 4053;
constexpr int kErrorBrowserVersion = 4001;
constexpr UINT kHelpNotShown = 33226;
constexpr UINT kNotRegistered = 33227;
constexpr UINT kBusyWaitText = 33034;
constexpr UINT kBusyPreparingText = 33073;

// Logs the command line; it has no other effect.
void LogCommandLine(const std::u16string& commandLine) {
    if (commandLine.find_first_not_of(u' ') != std::u16string::npos)
        TLogFile::GetInstance().PrintIfOn(u"command-line:");
    TLogFile::GetInstance().PrintIfOn(u"%s", commandLine.c_str());
}

}  // namespace

MainFrame::MainFrame(const std::u16string& title)
    : m_title(title),
      m_requests{TCertRequest(TAppData::Instance()), TCertRequest(TAppData::Instance()),
                 TCertRequest(TAppData::Instance())} {
    HalvexView::Frame frame;
    frame.pageCommand = [this](const CommandCall& call) { OnPageCommand(call); };
    frame.home = [this] { OnUserInitApp(); };
    frame.frameCommand = [this](int command) { OnCommand(command); };
    frame.closeRequested = [this] { OnCommand(kCommandExit); };
    frame.syncPage = [this](const std::string& page, bool toPage) {
        if (page == platform::text::toUtf8(pages::kSummary)) return !toPage || FillSummary();
        return m_outbox && m_outbox->SyncPage(page, toPage);
    };
    frame.choice = &m_choice;
    frame.requests = &m_requests;
    m_view = std::make_unique<HalvexView>(FrameLayout(title), std::move(frame));
    m_outbox = std::make_unique<RequestOutbox>(
        RequestOutbox::Parts{m_requests, m_signer, [this] { return m_pentak.Interface(); }, *m_view, m_busy});
    m_window = CreateWindowExW(0, u"STATIC", title.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    // The program's window comes up in front, as a program's first window
    // does: the busy window's ticks during the start-up checks find it
    // there and keep the busy window shown.
    if (m_window) SetForegroundWindow(m_window);
    // Every box of the program stands over its window, and the busy window
    // steps aside for it.
    SetMessageBoxHooks(m_window, [this] { m_busy.HideBusy(); });
}

bool MainFrame::OnClose(DWORD busyWaitMs) {
    const bool ended = m_busy.Close(busyWaitMs);
    if (!ended) TLogFile::GetInstance().Print(u"CMainFrame::OnClose(): the busy thread did not end in time");
    return ended;
}

MainFrame::~MainFrame() {
    SetMessageBoxHooks(nullptr, {});
    // When no close ran, the busy thread still gets its bounded time to
    // take its window down, which must not outlive the display it is shown
    // on; after a close, only what was left of that close's time.
    m_busy.Close(kBusyCloseWaitMs);
    if (!m_signer.release())
        TLogFile::GetInstance().Print(u"CMainFrame::~CMainFrame(): the signer failed to unload its plug-ins");
    m_pentak.Release();
    if (m_window) DestroyWindow(m_window);
}

bool MainFrame::OnInitApp(const std::u16string& commandLine) {
    TLog& log = TLogFile::GetInstance();
    const HINSTANCE program = GetModuleHandleW(nullptr);
    DeclareBusyDialogTemplate(program);
    if (!m_busy.Start(program, m_window)) log.Print(u"CMainFrame::OnInitApp(): no busy window");
    m_busy.ShowBusy(kBusyWaitText);
    log.Print(u"init started");
    log.Print(u"load config file %d", TAppData::Instance().LoadCspList() ? 1 : 0);

    m_busy.ShowBusy(kBusyPreparingText);
    log.Print(u"init check library pentak.dll...");
    switch (m_pentak.Create()) {
        case PentakFailure::NotRegistered:
            // Not a broken installation: this platform root was never set up.
            log.Print(u"init check library pentak.dll: not registered");
            AppMessageBox(FormatResString(kNotRegistered, platform::paths::toWide(platform::paths::root()).c_str()),
                          MB_OK | MB_ICONERROR);
            ExitApp();
            return false;
        case PentakFailure::NoObject:
            ErrorBox(u"", kErrorNoPentak, false, false);
            ExitApp();
            return false;
        case PentakFailure::NoInterface:
            ErrorBox(u"", kErrorNoPentakInterface, false, false);
            ExitApp();
            return false;
        default:
            break;
    }
    if (!m_pentak.FirstMissingMember().empty()) {
        ErrorBox(u"", kErrorPentakVersion, false, false);
        ExitApp();
        return false;
    }

    log.Print(u"init check library mirelo.dll...");
    if (!m_signer.signer() && !m_signer.init()) {
        ExitApp();
        return false;
    }

    log.Print(u"init check IE ver ...");
    const std::u16string version = ReadMachineString(u"SOFTWARE\\Microsoft\\Internet Explorer", u"Version");
    if (!BrowserVersionSufficient(version)) {
        ErrorBox(FormatErrorMessage(kErrorBrowserVersion, false, version.c_str()), 0, false, false);
        ExitApp();
        return false;
    }
    LogCommandLine(commandLine);
    m_busy.HideBusy();
    SetForegroundWindow(m_window);
    OnUserInitApp();
    log.Print(u"init done");
    return true;
}

void MainFrame::OnUserInitApp() {
    for (TCertRequest& request : m_requests) request.Reset();
    m_choice.passwordRepeat.clear();
    m_outbox->Reset();
    m_view->Go2Res(true, std::u16string(pages::kHome));
}

void MainFrame::ExitApp() {
    TLogFile::GetInstance().Print(u"Exiting app");
    EndLoop();
}

void MainFrame::OnCommand(int id) {
    switch (id) {
        case kCommandBack:
            m_view->Back();
            break;
        case kCommandHome:
            m_view->Home();
            break;
        case kCommandRefresh:
            m_view->ReloadPage();
            break;
        case kCommandExit:
            EndLoop();
            break;
        case kCommandAbout:
            ShowAboutBox();
            break;
        case kCommandHelp: {
            const std::string page = m_view->PageName();
            OnURL_Help(page.empty() ? std::u16string() : u"/" + platform::text::fromUtf8(page));
            break;
        }
        default:
            break;
    }
}

// Help that cannot be shown is said so, with the folder it is looked for in.
void MainFrame::OnURL_Help(const std::u16string& key) {
    TLogFile::GetInstance().PrintIfOn(u"OnURL_Help(): action %s", key.c_str());
    if (key.empty() || AppHelp(m_window, HelpTopic(key))) return;
    const std::u16string file = HelpFile();
    AppMessageBox(FormatResString(kHelpNotShown, file.substr(0, file.rfind(u'.')).c_str()), MB_OK | MB_ICONWARNING);
}

// Exact, case-sensitive actions; any other does nothing.

void MainFrame::OnURL_App(const std::string& action) {
    TLogFile::GetInstance().PrintIfOn(u"OnURL_App(): action %s", platform::text::fromUtf8(action).c_str());
    if (action == "EXIT")
        ExitApp();
    else if (action == "GOHOME")
        OnCommand(kCommandHome);
}

// Commands whose handlers are not built yet are cancelled and logged.
void MainFrame::OnPageCommand(const CommandCall& call) {
    switch (call.command) {
        case PageCommand::App:
            OnURL_App(call.argument);
            break;
        case PageCommand::Help:
            OnURL_Help(platform::text::fromUtf8(call.argument));
            break;
        case PageCommand::SignAndSave:
            m_outbox->OnURL_SignRenewCert(true);
            break;
        case PageCommand::SignAndSend:
            m_outbox->OnURL_SignRenewCert(false);
            break;
        case PageCommand::RequestSend:
            m_outbox->OnURL_RequestSend();
            break;
        case PageCommand::RequestSave:
            m_outbox->OnURL_RequestSave();
            break;
        case PageCommand::LoadRequest:
            m_outbox->OnURL_LoadRequest();
            break;
        case PageCommand::DataCheck:
            OnURL_DataCheck();
            break;
        case PageCommand::RequestType:
            OnURL_RequestType(platform::text::fromUtf8(call.argument));
            break;
        case PageCommand::GetRenewCert:
            OnURL_GetRenewCert();
            break;
        case PageCommand::ShowRenewCert:
            OnURL_ShowRenewCert(platform::text::fromUtf8(call.argument));
            break;
        case PageCommand::OnChangeRenewCert:
            OnURL_OnChangeRenewCert(platform::text::fromUtf8(call.argument));
            break;
        case PageCommand::ShowFileDialog:
            OnURL_ShowFileDialog();
            break;
        default:
            TLogFile::GetInstance().Print(u"OnBeforeNavigate2(): command %d has no handler yet",
                                          static_cast<int>(call.command));
            break;
    }
}

// A WM_CLOSE posted to the frame's window (the updater has taken over)
// ends the loop, also one posted before the loop began.
void MainFrame::RunMessageLoop() {
    MSG message;
    if (m_window && PeekMessageW(&message, m_window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
        ExitApp();
        return;
    }
    if (std::string_view(platform::ui::backend().name()) == "script") {
        while (!m_exiting && m_view->Html().playScriptedActions() > 0) {
        }
        return;
    }
    // The window's events come as work sent to this thread.
    m_looping = true;
    while (!m_exiting && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == m_window && message.message == WM_CLOSE)
            ExitApp();
        else
            DispatchMessageW(&message);
    }
    m_looping = false;
}

void MainFrame::EndLoop() {
    m_exiting = true;
    if (m_looping) PostQuitMessage(0);
}

}  // namespace halvex
