#include "upgrade_runs.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "beneath_program.h"
#include "delete_list.h"
#include "hand_over.h"
#include "install.h"
#include "log_setup.h"
#include "lumvar/folder_operations.h"
#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "lumvar/sha1_hash.h"
#include "platform/paths.h"
#include "restore.h"
#include "rollback_guard.h"
#include "status_display.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/process.h"
#include "win32/sync.h"

namespace tornil {

namespace {

using lumvar::log::Level;
using lumvar::log::write;

constexpr DWORD kClientLimitMs = 30000;
// A short pause between the steps, so that the user can read the status.
constexpr auto kStepPause = std::chrono::milliseconds(100);

// The digest context, the log, the dialog and the hand-over, shared by
// both runs.
class Session {
public:
    Session() {
        lumvar::Sha1Hash::setOpenRule(lumvar::Sha1Hash::kUpgradeOpenRule);
        m_context = lumvar::Sha1Hash::init() == lumvar::kOk;
        SetUpLog();
        if (!m_context) write(Level::Error, u"Nepodařilo se získat kontext CAPI.");
        write(Level::Info, u"Upgrade process started");
        display.open();
    }
    ~Session() {
        if (m_context && lumvar::Sha1Hash::close() != lumvar::kOk)
            write(Level::Error, u"Nepodařilo se uvolnit kontext CAPI");
        lumvar::log::closeFile();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The hand-over beside the program; on failure the status says so.
    std::optional<HandOver> readConf() {
        const std::u16string folder = ownFolder();
        if (folder.empty()) {
            write(Level::Error, u"Retrieving lumvar.exe path failed.");
            write(Level::Error, u"Config path error");
            display.show(kUpdateFailed);
            return std::nullopt;
        }
        const std::u16string file = folder + u"conf";
        write(Level::Info, u"Path to config file: %ls", file.c_str());
        int language = 0;
        auto handOver = readHandOver(file, &language);
        display.setLanguage(language);
        if (!handOver) display.show(kUpdateFailed);
        return handOver;
    }

    StatusDisplay display;

private:
    bool m_context = false;
};

bool clientEnded(DWORD clientId) {
    const HANDLE client = OpenProcess(SYNCHRONIZE, FALSE, clientId);
    if (!client) return true;  // no such process: it has ended
    const DWORD waited = WaitForSingleObject(client, kClientLimitMs);
    CloseHandle(client);
    return waited != WAIT_TIMEOUT;
}

// Deletes what the list names, never through a link below the program
// folder, and only what the backup holds: a file the rollback could not
// bring back stays, and the update stops at it.
bool deleteListed(const lumvar::Config& config, const DeleteList& list) {
    namespace fs = std::filesystem;
    const fs::path program = platform::paths::fromWindows(config.getProgramPath());
    const fs::path backup = platform::paths::fromWindows(config.getDownloadPath() + u"backup");
    const auto inBackup = [&](const fs::path& relative) {
        std::error_code error;
        if (fs::is_regular_file(fs::symlink_status(backup / relative, error))) return true;
        write(Level::Error, u"%ls is not in the backup.", platform::paths::toWide(relative).c_str());
        return false;
    };
    for (const std::u16string& file : list.files) {
        write(Level::Info, u"Deleting file %ls", (config.getProgramPath() + file).c_str());
        if (!RemoveFileBelow(program, platform::paths::fromWindows(file), inBackup)) {
            write(Level::Error, u"Deleting file failed.");
            return false;
        }
    }
    for (auto folder = list.folders.rbegin(); folder != list.folders.rend(); ++folder) {
        write(Level::Info, u"Deleting directory %ls", (config.getProgramPath() + *folder).c_str());
        if (!RemoveFolderBelow(program, platform::paths::fromWindows(*folder), inBackup)) {
            write(Level::Error, u"Deleting directory failed.");
            return false;
        }
    }
    return true;
}

// The guard goes before the backup, so that an interruption never leaves
// a guard without the backup it restores. False when the backup could not
// be restored: the guard stays for the rollback run.
bool rollBack(Session& session, const lumvar::Config& config) {
    session.display.show(kUpdateFailed);
    const std::u16string backup = config.getDownloadPath() + u"backup\\";
    write(Level::Info, u"Starting rollback operation. Rollback from %ls to %ls", backup.c_str(),
          config.getProgramPath().c_str());
    if (!RestoreBackup(config)) {
        write(Level::Error, u"Rollback failed");
        session.display.show(kRollbackFailed);
        return false;
    }
    RemoveRollbackGuard(config.getDownloadPath());
    lumvar::DeleteDirectory(config.getDownloadPath() + u"backup");
    write(Level::Info, u"Rollback ok");
    session.display.show(kRolledBack);
    return true;
}

// Everything but the user's confirmation and the removal of update\;
// false when the guard still stands, after a rollback that failed.
bool update(Session& session, const lumvar::Config& config, DWORD clientId) {
    const std::u16string area = config.getDownloadPath();
    const auto closingTail = [&] {
        RemoveRollbackGuard(area);
        lumvar::DeleteDirectory(area + u"backup");
        return true;
    };
    write(Level::Info, u"Waiting for parent proccess close.");
    session.display.show(kWaitingForClient);
    if (!clientEnded(clientId)) {
        write(Level::Error, u"Timeout elapsed.");
        session.display.show(kUpdateFailed);
        return closingTail();
    }
    write(Level::Info, u"Parent proccess closed.");
    // Without the guard an interruption could leave a mix of two versions.
    if (!WriteRollbackGuard(area)) {
        session.display.show(kUpdateFailed);
        return closingTail();
    }
    session.display.show(kRemovingOldFiles);
    const std::u16string listFile = area + u"update\\._LUMVAR_delete";
    std::error_code error;
    if (!std::filesystem::is_regular_file(platform::paths::fromWindows(listFile), error)) {
        write(Level::Error, u"Loading delete filelist file failed.");
        session.display.show(kUpdateFailed);
        return closingTail();
    }
    const auto list = readDeleteList(listFile);
    if (!list || !deleteListed(config, *list)) return rollBack(session, config);
    std::this_thread::sleep_for(kStepPause);
    session.display.show(kCopyingNewFiles);
    write(Level::Info, u"Copying new files.");
    if (!InstallNewFiles(config, u"", Location::ProgramFolder)) {
        write(Level::Error, u"Copying new files failed.");
        return rollBack(session, config);
    }
    std::this_thread::sleep_for(kStepPause);
    session.display.show(kUpdateFinished);
    write(Level::Info, u"Upgrade done");
    return closingTail();
}

}  // namespace

int RunUpdate() {
    Session session;
    const auto handOver = session.readConf();
    // Without the hand-over there is no download area to clean.
    if (!handOver) {
        session.display.confirm();
        return 0;
    }
    const bool settled = update(session, handOver->config, handOver->clientId);
    session.display.confirm();
    // While the guard stands, the rollback run needs update\ to tell the
    // files the update added from the old ones.
    if (settled) lumvar::DeleteDirectory(handOver->config.getDownloadPath() + u"update");
    return 0;
}

int RunRollback() {
    Session session;
    const auto handOver = session.readConf();
    if (!handOver) return 0;
    const lumvar::Config& config = handOver->config;
    write(Level::Info, u"RunRollback: Starting rollback");
    session.display.show(kRecoveryStarted);
    if (RestoreBackup(config)) {
        write(Level::Info, u"Rollback done.");
        lumvar::DeleteDirectory(config.getDownloadPath() + u"backup");
        lumvar::DeleteDirectory(config.getDownloadPath() + u"update");
        session.display.show(kRolledBack);
    } else {
        write(Level::Error, u"Rollback failed.");
        session.display.show(kRollbackFailed);
    }
    session.display.confirm();
    return 0;
}

}  // namespace tornil
