// ShellExecuteExW: a program started directly and detached (fork, setsid,
// fork again, exec), or as a child the caller waits for, its arguments
// split by the Windows command-line rules. A pipe closed on exec tells the
// caller whether the exec succeeded.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "module_paths.h"
#include "platform/command_line.h"
#include "platform/kernel_object.h"
#include "platform/paths.h"
#include "process_object.h"
#include "platform/text.h"
#include "win32/error.h"
#include "win32/shell.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kStarted = 42;

BOOL finish(SHELLEXECUTEINFOW* info, int result, DWORD error) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(result));
    if (result > 32) return TRUE;
    SetLastError(error);
    return FALSE;
}

BOOL failOnErrno(SHELLEXECUTEINFOW* info, int err) {
    switch (err) {
    case ENOENT: return finish(info, SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
    case EACCES:
    case EPERM: return finish(info, SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED);
    case ENOMEM:
    case EAGAIN: return finish(info, SE_ERR_OOM, ERROR_NOT_ENOUGH_MEMORY);
    default: return finish(info, SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    }
}

// Starts program with arguments in directory, detached or as a child whose
// id goes to *child; 0 or the errno of the failure.
int start(const fs::path& program, std::vector<std::string> arguments, const fs::path& directory, pid_t* child) {
    std::string file = program.string();
    std::vector<char*> argv{file.data()};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    // The program starts with no signal blocked, whatever the caller blocks.
    sigset_t none;
    sigemptyset(&none);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return errno;
    const pid_t middle = fork();
    if (middle < 0) {
        const int err = errno;
        close(report[0]);
        close(report[1]);
        return err;
    }
    if (middle == 0) {
        // Only async-signal-safe calls from here on.
        close(report[0]);
        setsid();
        const pid_t started = child ? 0 : fork();
        if (started == 0) {
            sigprocmask(SIG_SETMASK, &none, nullptr);
            if (chdir(directory.c_str()) == 0) execve(file.c_str(), argv.data(), environ);
            const int err = errno;
            (void)!write(report[1], &err, sizeof err);
            _exit(127);
        }
        if (started < 0) {
            const int err = errno;
            (void)!write(report[1], &err, sizeof err);
        }
        _exit(0);
    }
    close(report[1]);
    int err = 0;
    ssize_t n;
    while ((n = read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (n == static_cast<ssize_t>(sizeof err) || !child) {
        int status = 0;
        while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (n == static_cast<ssize_t>(sizeof err)) return err;
    if (child) *child = middle;
    return 0;
}

// The program: the file in the folder, else for a bare name the layer's
// program of that name; empty when there is none.
fs::path programFile(const fs::path& directory, const fs::path& name) {
    std::error_code ec;
    const fs::path inFolder = directory / name;
    if (fs::exists(inFolder, ec) || name.has_parent_path()) return inFolder;
    return platform::modules::resolvePath(name);
}

}  // namespace

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) noexcept {
    if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    try {
        if (info->lpVerb && *info->lpVerb && !platform::text::equalsNoCase(info->lpVerb, u"open"))
            return finish(info, SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
        if (!info->lpFile || !*info->lpFile) return finish(info, SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
        std::error_code ec;
        const fs::path directory = info->lpDirectory && *info->lpDirectory
                                       ? fs::absolute(platform::paths::fromWindows(info->lpDirectory), ec)
                                       : fs::current_path(ec);
        if (ec || !fs::is_directory(directory, ec)) return finish(info, SE_ERR_PNF, ERROR_PATH_NOT_FOUND);
        info->hProcess = nullptr;
        const fs::path file = programFile(directory, platform::paths::fromWindows(info->lpFile));
        const fs::file_status status = fs::status(file, ec);
        if (file.empty() || !fs::exists(status)) return finish(info, SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
        const bool executable = fs::is_regular_file(status) &&
                                (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
        if (!executable) {
            const HINSTANCE opened = ShellExecuteW(info->hwnd, info->lpVerb, info->lpFile, info->lpParameters,
                                                   info->lpDirectory, info->nShow);
            return finish(info, static_cast<int>(reinterpret_cast<INT_PTR>(opened)), GetLastError());
        }
        std::vector<std::string> arguments;
        if (info->lpParameters)
            for (const std::u16string& argument : platform::commandLine::split(info->lpParameters))
                arguments.push_back(platform::text::toUtf8(argument));
        const bool keepsHandle = (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0;
        pid_t child = 0;
        const int err = start(file, std::move(arguments), directory, keepsHandle ? &child : nullptr);
        if (err) return failOnErrno(info, err);
        if (keepsHandle)
            info->hProcess = platform::addKernelObject(std::make_shared<platform::process::ProcessObject>(child, true));
        return finish(info, kStarted, ERROR_SUCCESS);
    } catch (const std::bad_alloc&) {
        return finish(info, SE_ERR_OOM, ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        return finish(info, SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    }
}
