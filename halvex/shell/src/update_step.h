// The update step of the program's start: the upgrade client configured
// for this program, the update server asked (under the wait dialog), the
// user asked whether to update, and the what's-new page shown once per new
// version. Failures of the upgrade client end the step without a word; the
// program goes on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lumvar/update_list.h"
#include "updater_calls.h"
#include "win32/types.h"

namespace halvex {

// What one run of the step keeps.
struct UpdateContext {
    std::vector<std::uint32_t> serverVersion;
    lumvar::UpdateList updateList;
    bool initialised = false;  // the client's Init succeeded, so Close is due
    std::int32_t outcome = 0;  // of the download: 0, the client's failing code, or the updater started
};

// What the step takes from the program and its user.
struct UpdateIdentity {
    std::u16string description;     // FileDescription of the program's version block
    std::u16string fileVersion;     // its FileVersion
    std::u16string programFolder;   // with a trailing "/"
    std::u16string userDataFolder;  // the user's local data + "Halvex/", with a trailing "/"
    DWORD environment = 2;          // the profile's AppEnvironment
    HWND mainWindow = nullptr;      // asked to close once the updater has started
};

// Reads the identity of the running program; the user data folder is made
// when missing (empty when that fails).
UpdateIdentity ReadUpdateIdentity();

// The language of the program's updates: 0 (Czech) for a description
// ending in "cz", 1 (Slovak) for "sk", else 2 (English).
std::int32_t UpdateLanguage(const std::u16string& description);

// The update server of an environment (0 development, 1 test, 2
// production), always HTTPS; empty for any other value.
std::string UpdateServerAddress(DWORD environment);

// A non-zero result of an upgrade client call.
struct UpdaterFailure {
    std::int32_t code;
};

// Sets the client's log level, gives it the program's configuration,
// initialises it and hands it the progress callback. False when the
// download folder cannot be made; throws UpdaterFailure for a call that
// fails.
bool ConfigureUpdater(UpdateContext& context, const UpdaterCalls& calls, const UpdateIdentity& identity);

// Asks the update server under the wait dialog; whether a newer version is
// there. Throws UpdaterFailure for a failed check (maintenance included).
bool QueryUpdates(UpdateContext& context, const UpdaterCalls& calls);

// The whole step but the release (a Yes to the question downloads the
// update under the download dialog): false (and no what's-new page) only when
// the download folder cannot be made.
bool CheckForUpdates(UpdateContext& context, const UpdaterCalls& calls, const UpdateIdentity& identity);

// Closes the client when it was initialised and empties the context.
void ReleaseUpdater(UpdateContext& context, const UpdaterCalls& calls);

// The step as the program's start runs it, over the given client; the
// main window is closed when the updater takes over. True when it has:
// the updater waits for this process to end.
bool RunUpdateStep(const UpdaterCalls& calls, HWND mainWindow);

}  // namespace halvex
