// A view over the pages this test program carries as its resources
// (pages/), with the program's side recorded: every navigation it was
// asked about, every page completed, the Back button's state. Addresses
// holding "URL_" are commands: the program takes them and cancels.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/html_view.h"

namespace html_pages {

// The page's address in this program.
inline std::string pageUrl(const std::string& name) {
    return platform::ui::resourceUrl(std::filesystem::read_symlink("/proc/self/exe"), name);
}

struct Recorded {
    std::vector<std::string> asked;      // beforeNavigate
    std::vector<std::string> completed;  // documentComplete
    std::vector<std::string> commands;   // the URL_ addresses cancelled
    // Runs for each command after it is recorded, before it is cancelled.
    std::function<void(const std::string& command)> onCommand;
    std::function<void()> onClose;  // the window's close asked for
    bool canGoBack = false;
};

inline std::unique_ptr<platform::ui::HtmlView> makeRecordedView(Recorded& recorded) {
    platform::ui::HtmlViewOptions options;
    options.title = "Průvodce";
    options.events.beforeNavigate = [&recorded](const std::string& url) {
        recorded.asked.push_back(url);
        if (url.find("URL_") == std::string::npos) return false;
        recorded.commands.push_back(url.substr(url.find("URL_")));
        if (recorded.onCommand) recorded.onCommand(recorded.commands.back());
        return true;
    };
    options.events.documentComplete = [&recorded](const std::string& url) { recorded.completed.push_back(url); };
    options.events.commandStateChange = [&recorded](platform::ui::NavigationCommand command, bool enabled) {
        if (command == platform::ui::NavigationCommand::Back) recorded.canGoBack = enabled;
    };
    options.events.closeRequested = [&recorded] {
        if (recorded.onClose) recorded.onClose();
    };
    return platform::ui::makeHtmlView(std::move(options));
}

}  // namespace html_pages
