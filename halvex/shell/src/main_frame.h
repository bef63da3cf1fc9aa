// The program's one window: the wizard's view, the enrolment object and
// the signer it owns, the three requests of the wizard, the start-up
// checks, the frame commands (Back, Home, Refresh, Exit) and the way out.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "busy_window.h"
#include "command_ids.h"
#include "halvex/mirelo_signer.h"
#include "halvex/request_model.h"
#include "halvex_view.h"
#include "pentak_object.h"
#include "win32/types.h"

namespace halvex {

class MainFrame {
public:
    explicit MainFrame(const std::u16string& title);
    // Releases the signer (its plug-ins unloaded) and then the enrolment
    // object; never throws.
    ~MainFrame();
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    // The start-up checks; each failure is shown and begins the exit.
    // True when the wizard's home page is shown.
    bool OnInitApp(const std::u16string& commandLine);
    // Resets the three requests and shows the home page.
    void OnUserInitApp();
    // Logs "Exiting app" and closes the window when the loop comes round.
    void ExitApp();
    bool Exiting() const noexcept { return m_exiting; }

    // Back, Home, Refresh, Exit; Help opens the topic of the page shown.
    void OnCommand(int id);
    void OnURL_App(const std::string& action);
    // The help topic of the key (a help link's key or a page's "/name");
    // nothing for an empty key.
    void OnURL_Help(const std::u16string& key);

    // Until the window is closed (gtk); the script's page actions while
    // they come (script).
    void RunMessageLoop();
    // The close: the busy window hidden and its thread asked to end,
    // waited for at most busyWaitMs. False when it did not end in time.
    bool OnClose(DWORD busyWaitMs = kBusyCloseWaitMs);

    BusyWindow& Busy() { return m_busy; }
    HWND Window() const noexcept { return m_window; }

    const std::u16string& Title() const noexcept { return m_title; }
    HalvexView& View() { return *m_view; }
    TCertRequest& Request(std::size_t index) { return m_requests.at(index); }

private:
    void OnPageCommand(const CommandCall& call);
    // Ends the loop once the current message is handled.
    void EndLoop();

    std::u16string m_title;
    PentakObject m_pentak;
    Mirelo m_signer;
    std::array<TCertRequest, 3> m_requests;
    std::unique_ptr<HalvexView> m_view;
    HWND m_window = nullptr;  // the program's window as other threads see it
    BusyWindow m_busy;
    bool m_exiting = false;
    bool m_looping = false;
};

}  // namespace halvex
