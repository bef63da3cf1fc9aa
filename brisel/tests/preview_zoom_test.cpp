// The zoom the preview accepts and the buttons it leaves enabled near the
// limits, where a step would go past them.
#include <gtest/gtest.h>

#include "preview_zoom.h"

TEST(PreviewZoom, StepsPastTheLimitsAreRefusedAndTheButtonsGreyBeforeThem) {
    EXPECT_EQ(brisel::acceptedZoom(brisel::kStartZoom), 60);
    EXPECT_EQ(brisel::acceptedZoom(400), 400);
    EXPECT_EQ(brisel::acceptedZoom(10), 10);
    EXPECT_FALSE(brisel::acceptedZoom(391 + brisel::kZoomStep)) << "401 is refused; the zoom stays 391";
    EXPECT_FALSE(brisel::acceptedZoom(10 - brisel::kZoomStep));
    EXPECT_TRUE(brisel::canZoomIn(391));
    EXPECT_FALSE(brisel::canZoomIn(392));
    EXPECT_TRUE(brisel::canZoomOut(19));
    EXPECT_FALSE(brisel::canZoomOut(18));
}
