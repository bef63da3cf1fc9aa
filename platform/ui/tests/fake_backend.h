// A backend that plays the user: it records what it was asked and gives
// the reply the test chose.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui.h"

struct FakeUser {
    std::vector<platform::ui::MessageBoxRequest> boxes;
    std::vector<platform::ui::OpenWithRequest> choosers;
    // By default the user closes every box and chooses an application.
    std::function<int(const platform::ui::MessageBoxRequest&)> onBox = [](const auto&) {
        return platform::ui::kBoxClosed;
    };
    std::function<bool(const platform::ui::OpenWithRequest&)> onChooser = [](const auto&) { return true; };
};

// Installs a fake backend for the life of the object.
class FakeBackend {
public:
    FakeBackend();
    ~FakeBackend();
    FakeUser& user() { return *m_user; }

private:
    std::shared_ptr<FakeUser> m_user = std::make_shared<FakeUser>();
};
