#include "preview_zoom.h"

namespace brisel {

namespace {

constexpr int kLeastZoom = 10;
constexpr int kMostZoom = 400;
// The buttons go grey a little before the limits, so that a value between
// steps cannot be pushed past them either.
constexpr int kZoomOutAbove = 18;
constexpr int kZoomInBelow = 392;

}  // namespace

std::optional<int> acceptedZoom(int requested) {
    if (requested < kLeastZoom || requested > kMostZoom) return std::nullopt;
    return requested;
}

bool canZoomOut(int zoom) { return zoom > kZoomOutAbove; }

bool canZoomIn(int zoom) { return zoom < kZoomInBelow; }

}  // namespace brisel
