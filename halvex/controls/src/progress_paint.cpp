// Painting of the text progress control.
#include "halvex/controls/progress_paint.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <memory>

namespace halvex::controls {

namespace {

// The text's distance from the left and right ends.
constexpr double kLeftInset = 2;
constexpr double kRightInset = 3;

struct Span {
    double start = 0;
    double end = 0;
};

void setColour(cairo_t* cairo, COLORREF colour) {
    cairo_set_source_rgb(cairo, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, ((colour >> 16) & 0xFF) / 255.0);
}

// The filled part along the bar's length, from its start.
Span filledSpan(const TextProgressModel& model, double length) {
    const double end = model.fraction() * length;
    const double start = model.marquee() ? end - length * model.marqueeBlock() / 100.0 : 0;
    return Span{std::clamp(start, 0.0, length), std::clamp(end, 0.0, length)};
}

// Draws the text along the length (x) of a bar `length` long and `across`
// thick, clipped to [from, to) of the length.
void drawText(cairo_t* cairo, PangoLayout* layout, const TextProgressModel& model, double length, double across,
              double from, double to, COLORREF colour) {
    if (to <= from) return;
    int textWidth = 0, textHeight = 0;
    pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
    double x = (length - textWidth) / 2;
    if (model.align() == TextAlign::left) x = kLeftInset;
    if (model.align() == TextAlign::right) x = length - kRightInset - textWidth;
    cairo_save(cairo);
    cairo_rectangle(cairo, from, 0, to - from, across);
    cairo_clip(cairo);
    setColour(cairo, colour);
    cairo_move_to(cairo, x, (across - textHeight) / 2);
    pango_cairo_show_layout(cairo, layout);
    cairo_restore(cairo);
}

}  // namespace

void paintProgress(cairo_t* cairo, const TextProgressModel& model, int width, int height, BarOrientation orientation,
                   const PangoFontDescription* font) {
    if (width <= 0 || height <= 0) return;
    cairo_save(cairo);
    // Everything is drawn along x; a vertical bar turns the context so that
    // x runs from the bottom upwards.
    double length = width, across = height;
    if (orientation == BarOrientation::vertical) {
        cairo_translate(cairo, 0, height);
        cairo_rotate(cairo, -G_PI / 2);
        length = height;
        across = width;
    }
    const Span bar = filledSpan(model, length);
    setColour(cairo, model.backgroundColour());
    cairo_rectangle(cairo, 0, 0, length, across);
    cairo_fill(cairo);
    setColour(cairo, model.barColour());
    cairo_rectangle(cairo, bar.start, 0, bar.end - bar.start, across);
    cairo_fill(cairo);

    const std::string text = model.text();
    if (!text.empty()) {
        std::unique_ptr<PangoLayout, void (*)(gpointer)> layout(pango_cairo_create_layout(cairo), g_object_unref);
        if (font) pango_layout_set_font_description(layout.get(), font);
        pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
        drawText(cairo, layout.get(), model, length, across, 0, bar.start, model.textColour());
        drawText(cairo, layout.get(), model, length, across, bar.start, bar.end, model.textOnBarColour());
        drawText(cairo, layout.get(), model, length, across, bar.end, length, model.textColour());
    }
    cairo_restore(cairo);
}

}  // namespace halvex::controls
