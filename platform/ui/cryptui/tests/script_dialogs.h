// The dialogs answered by the script backend; what each showed is read
// from the transcript.
#pragma once

#include <string>

#include "dialogs_fixture.h"
#include "platform/ui.h"

class ScriptDialogs : public DialogsFixture {
protected:
    void SetUp() override {
        platform::ui::script::clear();
        platform::ui::setBackend(nullptr);
        DialogsFixture::SetUp();
    }
    void TearDown() override {
        DialogsFixture::TearDown();
        platform::ui::script::clear();
        platform::ui::setBackend(nullptr);
    }
    // The only question asked so far.
    static std::string shown() {
        const auto lines = platform::ui::script::transcript();
        EXPECT_EQ(1u, lines.size());
        return lines.empty() ? std::string() : lines.back();
    }

private:
    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
};
