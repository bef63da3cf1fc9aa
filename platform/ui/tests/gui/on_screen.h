// Real GTK windows on a private X server, answered with real key presses
// by testkit's screen user.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/screen_user.h"
#include "win32/ui.h"

namespace on_screen {

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
