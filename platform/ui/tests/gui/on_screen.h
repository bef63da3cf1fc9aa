// Real GTK windows on a private X server, answered with real key presses
// by testkit's screen user.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/screen_user.h"
#include "win32/ui.h"

namespace on_screen {

// What the process writes on stderr meanwhile, GTK's complaints among it,
// kept in a file and written on to stderr when the keeping ends.
class StderrKept {
public:
    explicit StderrKept(std::filesystem::path file) : m_file(std::move(file)) {
        std::fflush(stderr);
        const int kept = ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        m_stderr = ::dup(2);
        if (kept >= 0 && m_stderr >= 0) ::dup2(kept, 2);
        if (kept >= 0) ::close(kept);
    }
    ~StderrKept() { end(); }
    StderrKept(const StderrKept&) = delete;
    StderrKept& operator=(const StderrKept&) = delete;

    // Ends the keeping; the lines GTK warned, or worse, in, and those
    // telling of a dialog shown without a transient parent. Left out: the
    // warning that a button has no allocation yet, which GTK's file chooser
    // gives of the scroll buttons of its path bar when its first frame
    // comes before the folder's parts are known (GTK's own fault).
    std::vector<std::string> gtkComplaints() {
        end();
        std::istringstream lines(testkit::readFile(m_file));
        std::vector<std::string> complaints;
        for (std::string line; std::getline(lines, line);) {
            const bool gtk = line.find("Gtk-WARNING") != std::string::npos ||
                             line.find("Gtk-CRITICAL") != std::string::npos ||
                             line.find("transient parent") != std::string::npos;
            if (gtk && line.find("without a current allocation") == std::string::npos) complaints.push_back(line);
        }
        return complaints;
    }

private:
    void end() {
        if (m_stderr < 0) return;
        std::fflush(stderr);
        ::dup2(m_stderr, 2);
        ::close(m_stderr);
        m_stderr = -1;
        const std::string written = testkit::readFile(m_file);
        (void)!::write(2, written.data(), written.size());
    }

    std::filesystem::path m_file;
    int m_stderr = -1;
};

class OnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SCREEN();
        m_user.emplace();
    }
    template <class Ask>
    auto answered(const std::string& title, const std::string& keys, Ask ask, const testkit::Shot& shot) {
        return m_user->answered(title, keys, ask, shot);
    }

    std::optional<testkit::ScreenUser> m_user;
};

}  // namespace on_screen
