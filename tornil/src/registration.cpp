#include "registration.h"

#include "lumvar/log_writer.h"
#include "platform/command_line.h"
#include "win32/error.h"
#include "win32/process.h"
#include "win32/shell.h"
#include "win32/sync.h"

namespace tornil {

namespace {

using lumvar::log::Level;
using lumvar::log::write;

// A registration that has not ended by then hangs; the update fails.
constexpr DWORD kRegistrationLimitMs = 120000;

}  // namespace

bool RegisterServer(const std::u16string& file) {
    const std::u16string parameters = u"/s " + platform::commandLine::quote(file);
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS;
    start.lpFile = u"regsvr32.exe";
    start.lpParameters = parameters.c_str();
    start.nShow = SW_SHOW;
    write(Level::Info, u"Registering %ls", file.c_str());
    if (!ShellExecuteExW(&start)) {
        write(Level::Error, u"Starting regsvr32 failed: %d", static_cast<int>(GetLastError()));
        return false;
    }
    DWORD code = STILL_ACTIVE;
    const bool ended = WaitForSingleObject(start.hProcess, kRegistrationLimitMs) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(start.hProcess, &code);
    CloseHandle(start.hProcess);
    if (ended && code == 0) return true;
    write(Level::Error, u"Registration of %ls failed: regsvr32 %ls %d", file.c_str(),
          ended ? u"ended with" : u"still runs after (ms)", static_cast<int>(ended ? code : kRegistrationLimitMs));
    return false;
}

}  // namespace tornil
