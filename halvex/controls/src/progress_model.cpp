// The text progress control's answers to its messages.
#include "halvex/controls/progress_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace halvex::controls {

namespace {

LRESULT packRange(int lower, int upper) {
    return static_cast<LRESULT>((static_cast<DWORD>(lower) & 0xFFFF) | (static_cast<DWORD>(upper) & 0xFFFF) << 16);
}

int toInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

COLORREF resolved(COLORREF colour, int systemColour) {
    return colour == CLR_DEFAULT_COLOR ? GetSysColor(systemColour) : colour;
}

}  // namespace

LRESULT TextProgressModel::send(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto signedWParam = static_cast<int>(static_cast<LONG_PTR>(wParam));
    switch (message) {
    case WM_ERASEBKGND: return 1;  // the paint covers everything, so nothing flickers
    case WM_TIMER:
        if (wParam == kMarqueeTimer && m_marquee) marqueeTick();
        return 0;
    case PBM_SETRANGE:
        return setBounds(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
    case PBM_SETPOS: return setPosition(signedWParam);
    case PBM_DELTAPOS: return setPosition(static_cast<long long>(m_position) + signedWParam);
    case PBM_SETSTEP: {
        const int before = m_step;
        m_step = signedWParam;
        repaint();
        return before;
    }
    case PBM_STEPIT: return stepIt();
    case PBM_SETRANGE32: return setBounds(signedWParam, static_cast<int>(lParam));
    case PBM_GETRANGE:
        if (lParam != 0) *reinterpret_cast<PBRANGE*>(lParam) = PBRANGE{m_lower, m_upper};
        return wParam != 0 ? m_lower : m_upper;
    case PBM_GETPOS: return m_position;
    case PBM_SETBARCOLOR: return setColour(m_barColour, static_cast<COLORREF>(lParam));
    case PBM_SETBKCOLOR: return setColour(m_backgroundColour, static_cast<COLORREF>(lParam));
    case PBM_SETMARQUEE:
        m_showPercent = false;
        if (wParam != 0) {
            m_marquee = true;
            if (m_host.startTimer) m_host.startTimer(static_cast<UINT>(lParam));
            m_timerRunning = true;
        } else {
            if (m_timerRunning && m_host.stopTimer) m_host.stopTimer();
            m_timerRunning = false;
            m_marquee = false;
        }
        repaint();
        return TRUE;
    case TPC_SETTEXTCOLOR: return setColour(m_textColour, static_cast<COLORREF>(lParam));
    case TPC_GETTEXTCOLOR: return textColour();
    case TPC_SETTEXTBARCOLOR: return setColour(m_textOnBarColour, static_cast<COLORREF>(lParam));
    case TPC_GETTEXTBARCOLOR: return textOnBarColour();
    case TPC_SHOWPERCENT: {
        const bool before = m_showPercent;
        m_showPercent = wParam != 0;
        repaint();
        return before;
    }
    case TPC_ALIGNTEXT: {
        if (wParam > 2) return FALSE;  // no such alignment; the old one stays
        m_align = static_cast<TextAlign>(wParam);
        repaint();
        return TRUE;
    }
    case TPC_SETMARQUEEBLOCK: {
        if (wParam == 0 || wParam > 100) return FALSE;  // a block of nothing or past the bar
        const int before = m_marqueeBlock;
        m_marqueeBlock = static_cast<int>(wParam);
        repaint();
        return before;
    }
    case TPC_GETBARCOLOR: return barColour();
    case TPC_GETBKCOLOR: return backgroundColour();
    default: return 0;
    }
}

void TextProgressModel::setText(std::string text) {
    m_text = std::move(text);
    repaint();
}

double TextProgressModel::fraction() const noexcept {
    const double range = static_cast<double>(m_upper) - m_lower;
    if (range == 0) return 0;  // an empty range shows an empty bar, not a division by zero
    return (static_cast<double>(m_position) - m_lower) / range;
}

std::string TextProgressModel::text() const {
    if (!m_showPercent) return m_text;
    return m_text + std::to_string(percent()) + "%";
}

long long TextProgressModel::percent() const noexcept {
    // In whole numbers, so that a half rounds up exactly: floor(x + 1/2)
    // with x = 100 * done / range.
    long long done = static_cast<long long>(m_position) - m_lower;
    long long range = static_cast<long long>(m_upper) - m_lower;
    if (range == 0) return 0;
    if (range < 0) {
        done = -done;
        range = -range;
    }
    const long long numerator = 200 * done + range, denominator = 2 * range;
    return numerator >= 0 ? numerator / denominator : -((-numerator + denominator - 1) / denominator);
}

COLORREF TextProgressModel::barColour() const { return resolved(m_barColour, COLOR_HIGHLIGHT); }
COLORREF TextProgressModel::backgroundColour() const { return resolved(m_backgroundColour, COLOR_BTNFACE); }
COLORREF TextProgressModel::textColour() const { return resolved(m_textColour, COLOR_WINDOWTEXT); }
COLORREF TextProgressModel::textOnBarColour() const { return resolved(m_textOnBarColour, COLOR_WINDOW); }

LRESULT TextProgressModel::setPosition(long long position) {
    const int before = m_position;
    position = std::min<long long>(std::max<long long>(position, m_lower), m_marquee ? marqueeEnd() : m_upper);
    m_position = toInt(position);
    repaint();
    return before;
}

LRESULT TextProgressModel::stepIt() {
    const int before = m_position;
    long long position = static_cast<long long>(m_position) + m_step;
    const long long range = static_cast<long long>(m_upper) - m_lower;
    if (position > m_upper) {
        position = range > 0 ? m_lower + (position - m_upper) % range : m_lower;
    } else if (position < m_lower) {
        position = range > 0 ? m_upper - (m_lower - position) % range : m_upper;
    }
    m_position = toInt(position);
    repaint();
    return before;
}

void TextProgressModel::marqueeTick() {
    if (m_direction > 0 && m_position >= marqueeEnd()) m_direction = -1;
    if (m_direction < 0 && m_position <= m_lower) m_direction = 1;
    setPosition(static_cast<long long>(m_position) + m_direction);
}

int TextProgressModel::marqueeEnd() const {
    return toInt(std::llround((m_marqueeBlock + 100.0) * m_upper / 100.0));
}

LRESULT TextProgressModel::setBounds(int lower, int upper) {
    const LRESULT before = packRange(m_lower, m_upper);
    m_lower = lower;
    m_upper = upper;
    repaint();
    return before;
}

LRESULT TextProgressModel::setColour(COLORREF& colour, COLORREF value) {
    const COLORREF before = colour;
    colour = value;
    repaint();
    return static_cast<LRESULT>(before);
}

void TextProgressModel::repaint() const {
    if (m_host.repaint) m_host.repaint();
}

}  // namespace halvex::controls
