#include "frame_layout.h"

#include "command_ids.h"
#include "halvex/resource_strings.h"
#include "halvex/text_utils.h"
#include "platform/text.h"

namespace halvex {
namespace {

constexpr int kSeparator = 0;
constexpr int kRequestPaneWidth = 450;

// A command's string is its prompt, a line feed and its short name.
platform::ui::FrameButton Button(int command) {
    const auto [prompt, name] = SplitPair(LoadResString(static_cast<UINT>(command)), u"\n");
    return {command, platform::text::toUtf8(name), platform::text::toUtf8(prompt)};
}

}  // namespace

platform::ui::HtmlViewOptions FrameLayout(const std::u16string& title) {
    platform::ui::HtmlViewOptions options;
    options.title = platform::text::toUtf8(title);
    options.width = 1024;
    options.height = 768;
    options.toolbar = {Button(kCommandBack), {kSeparator, {}, {}}, Button(kCommandRefresh), Button(kCommandHome),
                       {kSeparator, {}, {}},  Button(kCommandHelp), Button(kCommandExit)};
    options.accelerators = {{"<Alt>x", kCommandExit},
                            {"F1", kCommandHelp},
                            {"F5", kCommandRefresh},
                            {"Home", kCommandHome}};
    options.statusPanes = {0, kRequestPaneWidth};
    return options;
}

}  // namespace halvex
