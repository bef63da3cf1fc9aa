// The state of the text progress control: range, position, step, colours,
// text and marquee, changed and read by messages as a progress bar is.
// The model draws nothing; its host repaints when told and runs the
// marquee timer, sending WM_TIMER with kMarqueeTimer on each tick.
#pragma once

#include <functional>
#include <string>

#include "halvex/controls/progress_messages.h"

namespace halvex::controls {

struct ProgressHost {
    std::function<void()> repaint;
    std::function<void(UINT milliseconds)> startTimer;
    std::function<void()> stopTimer;
};

enum class TextAlign { left = 0, centre = 1, right = 2 };

class TextProgressModel {
public:
    explicit TextProgressModel(ProgressHost host = {}) : m_host(std::move(host)) {}

    // Answers one message; 0 for messages it does not know.
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam);

    // The window text, shown before the percentage.
    void setText(std::string text);

    int lower() const noexcept { return m_lower; }
    int upper() const noexcept { return m_upper; }
    int position() const noexcept { return m_position; }
    bool marquee() const noexcept { return m_marquee; }
    int marqueeBlock() const noexcept { return m_marqueeBlock; }
    TextAlign align() const noexcept { return m_align; }
    // Where the filled part ends, as a share of the length: 0 for an empty
    // range; in marquee style it runs past 1 by up to the block.
    double fraction() const noexcept;
    // The window text followed by the rounded percentage when shown.
    std::string text() const;
    // The colours, the system's where the caller set none.
    COLORREF barColour() const;
    COLORREF backgroundColour() const;
    COLORREF textColour() const;
    COLORREF textOnBarColour() const;

private:
    long long percent() const noexcept;
    LRESULT setPosition(long long position);
    LRESULT stepIt();
    void marqueeTick();
    int marqueeEnd() const;
    LRESULT setBounds(int lower, int upper);
    LRESULT setColour(COLORREF& colour, COLORREF value);
    void repaint() const;

    ProgressHost m_host;
    std::string m_text;
    bool m_showPercent = true;
    COLORREF m_barColour = CLR_DEFAULT_COLOR;
    COLORREF m_backgroundColour = CLR_DEFAULT_COLOR;
    COLORREF m_textColour = CLR_DEFAULT_COLOR;
    COLORREF m_textOnBarColour = CLR_DEFAULT_COLOR;
    TextAlign m_align = TextAlign::centre;
    int m_position = 0;
    int m_step = 10;
    int m_lower = 0;
    int m_upper = 100;
    int m_marqueeBlock = 20;
    bool m_marquee = false;
    bool m_timerRunning = false;
    int m_direction = 1;
};

}  // namespace halvex::controls
