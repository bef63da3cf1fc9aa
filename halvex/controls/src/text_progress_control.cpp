// The procedure of the text progress control's class: one model per
// control, living from WM_CREATE to WM_DESTROY.
#include "halvex/controls/text_progress_control.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/control_classes.h"
#include "platform/dialog_template.h"
#include "platform/text.h"
#include "text_progress_look.h"

namespace halvex::controls {

namespace {

class Control {
public:
    Control(HWND handle, BarOrientation orientation)
        : m_handle(handle),
          m_orientation(orientation),
          m_model(ProgressHost{[this] { publish(); },
                               [this](UINT milliseconds) { SetTimer(m_handle, kMarqueeTimer, milliseconds, nullptr); },
                               [this] { KillTimer(m_handle, kMarqueeTimer); }}) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    TextProgressModel& model() { return m_model; }
    void publish() const {
        platform::ui::publishLook(m_handle, std::make_shared<const TextProgressLook>(TextProgressLook{m_model, m_orientation}));
    }

private:
    HWND m_handle;
    BarOrientation m_orientation;
    TextProgressModel m_model;
};

struct Controls {
    std::mutex mutex;
    std::map<HWND, std::unique_ptr<Control>> byHandle;
};

Controls& controls() {
    static Controls c;
    return c;
}

// A control lives on its dialog's thread, which alone reaches it.
Control* find(HWND handle) {
    auto& c = controls();
    std::lock_guard lock(c.mutex);
    const auto found = c.byHandle.find(handle);
    return found == c.byHandle.end() ? nullptr : found->second.get();
}

std::optional<LRESULT> procedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* control = reinterpret_cast<const platform::ui::ControlTemplate*>(lParam);
        auto made = std::make_unique<Control>(
            handle, control->style & PBS_VERTICAL ? BarOrientation::vertical : BarOrientation::horizontal);
        made->model().setText(control->text);  // published
        auto& c = controls();
        std::lock_guard lock(c.mutex);
        c.byHandle[handle] = std::move(made);
        return 0;
    }
    if (message == WM_DESTROY) {
        std::unique_ptr<Control> gone;
        {
            auto& c = controls();
            std::lock_guard lock(c.mutex);
            const auto found = c.byHandle.find(handle);
            if (found == c.byHandle.end()) return 0;
            gone = std::move(found->second);
            c.byHandle.erase(found);
        }
        if (gone->model().marquee()) KillTimer(handle, kMarqueeTimer);
        return 0;
    }
    Control* control = find(handle);
    if (!control) return std::nullopt;
    if (message == WM_SETTEXT) {
        control->model().setText(platform::text::toUtf8(reinterpret_cast<const char16_t*>(lParam)));
        return std::nullopt;  // the layer keeps the window text too
    }
    return control->model().send(message, wParam, lParam);
}

std::string describe(const std::shared_ptr<const void>& look) {
    return look ? static_cast<const TextProgressLook*>(look.get())->model.text() : std::string();
}

}  // namespace

void RegisterTextProgressClass() {
    platform::ui::registerControlClass(kTextProgressClass, procedure,
                                       {makeTextProgressWidget, showTextProgressLook, describe});
}

}  // namespace halvex::controls
