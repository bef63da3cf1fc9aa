#include "frame_layout.h"

#include <exception>
#include <optional>

#include "command_ids.h"
#include "halvex/controls/bitmap_resource.h"
#include "halvex/controls/toolbar_images.h"
#include "halvex/log.h"
#include "halvex/resource_strings.h"
#include "halvex/text_utils.h"
#include "platform/text.h"
#include "win32/dialogs.h"
#include "win32/ui.h"

namespace halvex {
namespace {

constexpr int kSeparator = 0;
constexpr int kRequestPaneWidth = 450;
constexpr int kLockPaneWidth = 40;
constexpr WORD kToolbarBitmap = 131;

// The program's toolbar bitmap made into its three sets; none when the
// program carries no usable one (the buttons then show their names).
std::optional<controls::ToolbarImages> LoadToolbarImages() {
    try {
        return controls::makeToolbarImages(controls::loadBitmapResource(nullptr, kToolbarBitmap));
    } catch (const std::exception& e) {
        TLogFile::GetInstance().Print(u"LoadToolbarImages(): %s", platform::text::fromUtf8(e.what()).c_str());
        return std::nullopt;
    }
}

platform::ui::FrameImage Image(const controls::Bitmap& set, int index) {
    const controls::Bitmap image = controls::toolbarImage(set, index);
    return {image.width, image.height, controls::maskedRgba(image)};
}

// A command's string is its prompt, a line feed and its short name; the
// button's images are those of its place among the toolbar's buttons.
platform::ui::FrameButton Button(int command, const std::optional<controls::ToolbarImages>& images, int place) {
    const auto [prompt, name] = SplitPair(LoadResString(static_cast<UINT>(command)), u"\n");
    platform::ui::FrameButton button{command, platform::text::toUtf8(name), platform::text::toUtf8(prompt), {}};
    if (images && place < controls::toolbarImageCount(images->hot))
        button.images = {Image(images->normal, place), Image(images->hot, place), Image(images->disabled, place)};
    return button;
}

}  // namespace

platform::ui::HtmlViewOptions FrameLayout(const std::u16string& title) {
    platform::ui::HtmlViewOptions options;
    options.title = platform::text::toUtf8(title);
    // Four fifths of the desktop each way; the window manager places it.
    RECT desktop{0, 0, 1280, 1024};
    GetClientRect(GetDesktopWindow(), &desktop);
    options.width = (desktop.right - desktop.left) * 8 / 10;
    options.height = (desktop.bottom - desktop.top) * 8 / 10;
    const auto images = LoadToolbarImages();
    const platform::ui::FrameButton separator{kSeparator, {}, {}, {}};
    options.toolbar = {Button(kCommandBack, images, 0), separator,
                       Button(kCommandRefresh, images, 1), Button(kCommandHome, images, 2), separator,
                       Button(kCommandHelp, images, 3), Button(kCommandExit, images, 4)};
    // Refresh and Home would leave the page and lose what is being typed:
    // in a text field their keys edit the field.
    options.accelerators = {{"<Alt>x", kCommandExit, true},
                            {"F1", kCommandHelp, true},
                            {"F5", kCommandRefresh, false},
                            {"Home", kCommandHome, false}};
    options.statusPanes = {0, kRequestPaneWidth};
    options.lockPanes = {{platform::ui::KeyLock::Caps, "CAP", kLockPaneWidth},
                         {platform::ui::KeyLock::Num, "NUM", kLockPaneWidth}};
    return options;
}

}  // namespace halvex
