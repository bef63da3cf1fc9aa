// Processors of 32-bit pixels run in order over a bitmap: each one's
// output is the next one's input. Pixels of the key colour (magenta) pass
// every processor here unchanged, so they stay transparent.
#pragma once

#include <span>

#include "halvex/controls/bitmap.h"

namespace halvex::controls {

struct Size {
    int width = 0;
    int height = 0;
};

class PixelProcessor {
public:
    virtual ~PixelProcessor() = default;
    // The size of the output for an input of `input`; the base keeps it.
    virtual Size outputSize(Size input) const { return input; }
    // Fills `output` (already of outputSize) from `input`; the base copies.
    virtual void process(const Bitmap& input, Bitmap& output) const { output.pixels = input.pixels; }
};

// Grey = (blue + 6 * green + 3 * red) / 10, integer division, in all three
// colour bytes.
class ImageGrayer : public PixelProcessor {
public:
    void process(const Bitmap& input, Bitmap& output) const override;
};

// Raises the lightness of each pixel by `step` in the hue, lightness and
// saturation model, capped at 1; a negative step lowers it, stopping at 0.
class ImageHigh : public PixelProcessor {
public:
    explicit ImageHigh(float step) : m_step(step) {}
    void process(const Bitmap& input, Bitmap& output) const override;

private:
    float m_step;
};

// Runs the processors in order over `bitmap` and replaces its pixels by
// the last output. False for an empty bitmap or an output size that is not
// positive; true and unchanged for no processors.
bool processImage(Bitmap& bitmap, std::span<const PixelProcessor* const> processors);

}  // namespace halvex::controls
