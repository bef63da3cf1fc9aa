#include "progress_messages.h"

#include <algorithm>
#include <utility>

#include "win32/commctrl.h"

namespace platform::ui {

namespace {

constexpr int kDefaultMarqueeMs = 30;

// The position kept within the range.
int clamped(const ProgressState& p, int position) { return std::clamp(position, p.low, std::max(p.low, p.high)); }

LRESULT range(const ProgressState& p) {
    return static_cast<LRESULT>((static_cast<DWORD>(p.low) & 0xFFFF) | ((static_cast<DWORD>(p.high) & 0xFFFF) << 16));
}

}  // namespace

std::optional<LRESULT> progressAnswer(ControlState& bar, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& p = bar.progress;
    switch (message) {
    case PBM_SETRANGE: {
        const LRESULT before = range(p);
        p.low = static_cast<int>(lParam & 0xFFFF);
        p.high = static_cast<int>((lParam >> 16) & 0xFFFF);
        p.position = clamped(p, p.position);
        return before;
    }
    case PBM_SETPOS: return std::exchange(p.position, clamped(p, static_cast<int>(wParam)));
    case PBM_DELTAPOS: return std::exchange(p.position, clamped(p, p.position + static_cast<int>(wParam)));
    case PBM_SETSTEP: return std::exchange(p.step, static_cast<int>(wParam));
    case PBM_STEPIT: {
        const int next = p.position + p.step;
        return std::exchange(p.position, next > p.high ? p.low : clamped(p, next));
    }
    case PBM_GETPOS: return p.position;
    case PBM_SETMARQUEE:
        p.marquee = (bar.control.style & PBS_MARQUEE) && wParam;
        p.marqueeIntervalMs = lParam > 0 ? static_cast<int>(lParam) : kDefaultMarqueeMs;
        return TRUE;
    default: return std::nullopt;
    }
}

}  // namespace platform::ui
