// The progress bars on a private X server: the pixels on screen are the
// colours each state calls for, and screenshots go to the artifacts folder.
#include <gtest/gtest.h>

#include "halvex/controls/bitmap.h"
#include "halvex/controls/gtk_controls.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>

#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "testkit/screen_user.h"
#include "testkit/xvfb.h"

namespace halvex::controls {
namespace {

constexpr const char* kTitle = "Tesk ovladaci prvky";

Pixel rgb(int r, int g, int b) {
    return Pixel{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r), 0};
}

void pump(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        g_usleep(10000);
    }
}

struct Point {
    int x = 0;
    int y = 0;
};

// Where a point of a widget lies on the screen.
Point onScreen(GtkWidget* window, GtkWidget* widget, double x, double y) {
    const std::string id = testkit::findWindow(kTitle, std::chrono::seconds(10));
    const auto geometry = testkit::run({"xdotool", "getwindowgeometry", "--shell", id});
    Point origin;
    std::istringstream lines(geometry.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("X=", 0) == 0) origin.x = std::stoi(line.substr(2));
        if (line.rfind("Y=", 0) == 0) origin.y = std::stoi(line.substr(2));
    }
    double surfaceX = 0, surfaceY = 0;
    gtk_native_get_surface_transform(GTK_NATIVE(window), &surfaceX, &surfaceY);
    graphene_point_t in{static_cast<float>(x), static_cast<float>(y)}, out{};
    EXPECT_TRUE(gtk_widget_compute_point(widget, window, &in, &out));
    return Point{origin.x + static_cast<int>(surfaceX + out.x), origin.y + static_cast<int>(surfaceY + out.y)};
}

struct Screenshot {
    explicit Screenshot(const std::filesystem::path& png) : pixbuf(gdk_pixbuf_new_from_file(png.c_str(), nullptr)) {}
    ~Screenshot() {
        if (pixbuf) g_object_unref(pixbuf);
    }
    Pixel at(Point point) const {
        const guchar* p = gdk_pixbuf_read_pixels(pixbuf) + point.y * gdk_pixbuf_get_rowstride(pixbuf) +
                          point.x * gdk_pixbuf_get_n_channels(pixbuf);
        return rgb(p[0], p[1], p[2]);
    }
    GdkPixbuf* pixbuf;
};

Pixel colour(COLORREF value) { return rgb(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

::testing::AssertionResult shows(const Pixel& actual, const Pixel& expected) {
    if (sameColour(actual, expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "screen shows (" << int(actual.red) << "," << int(actual.green) << ","
                                         << int(actual.blue) << "), expected (" << int(expected.red) << ","
                                         << int(expected.green) << "," << int(expected.blue) << ")";
}

TEST(ControlsOnScreen, BarsAtTheirPositionsAndTheMarqueeMoving) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::Xvfb xvfb;
    ScopedEnv backend("GDK_BACKEND", "x11"), renderer("GSK_RENDERER", "cairo"), bridge("NO_AT_BRIDGE", "1");
    ASSERT_TRUE(gtk_init_check());

    GtkWidget* window = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(window), kTitle);
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);

    GtkWidget* rows = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    GtkWidget* bars = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    GtkWidget* partial = makeTextProgressWidget();
    GtkWidget* empty = makeTextProgressWidget();
    GtkWidget* marquee = makeTextProgressWidget();
    GtkWidget* vertical = makeTextProgressWidget(BarOrientation::vertical);
    for (GtkWidget* bar : {partial, empty, marquee}) {
        gtk_widget_set_size_request(bar, 300, 24);
        gtk_box_append(GTK_BOX(bars), bar);
    }
    gtk_widget_set_size_request(vertical, 24, 100);
    gtk_box_append(GTK_BOX(rows), bars);
    gtk_box_append(GTK_BOX(rows), vertical);
    gtk_box_append(GTK_BOX(column), rows);
    gtk_window_set_child(GTK_WINDOW(window), column);

    progressModel(partial).setText("Stahování ");
    progressModel(partial).send(PBM_SETPOS, 37, 0);
    progressModel(empty).send(PBM_SETRANGE32, 0, 0);
    progressModel(vertical).send(PBM_SETPOS, 60, 0);
    gtk_window_present(GTK_WINDOW(window));
    pump(std::chrono::milliseconds(800));

    const COLORREF bar = progressModel(partial).barColour(), background = progressModel(partial).backgroundColour();
    {
        const Screenshot shot(xvfb.screenshot("halvex-controls-bars"));
        ASSERT_NE(shot.pixbuf, nullptr);
        EXPECT_TRUE(shows(shot.at(onScreen(window, partial, 30, 2)), colour(bar)));
        EXPECT_TRUE(shows(shot.at(onScreen(window, partial, 270, 2)), colour(background)));
        EXPECT_TRUE(shows(shot.at(onScreen(window, empty, 3, 2)), colour(background)));
        EXPECT_TRUE(shows(shot.at(onScreen(window, vertical, 12, 97)), colour(bar)));
        EXPECT_TRUE(shows(shot.at(onScreen(window, vertical, 12, 3)), colour(background)));
    }

    progressModel(marquee).send(PBM_SETMARQUEE, 1, 5);
    pump(std::chrono::milliseconds(600));
    // The block moved on its own; a slow timer now holds it for the shot.
    progressModel(marquee).send(PBM_SETMARQUEE, 1, 600000);
    const int moved = progressModel(marquee).position();
    EXPECT_GT(moved, 10);
    pump(std::chrono::milliseconds(200));
    {
        const Screenshot shot(xvfb.screenshot("halvex-controls-marquee"));
        ASSERT_NE(shot.pixbuf, nullptr);
        // The block is a fifth of the bar ending at the position; nothing
        // before or after it is filled.
        const int end = 300 * moved / 100;
        EXPECT_TRUE(shows(shot.at(onScreen(window, marquee, std::min(end, 300) - 3, 2)), colour(bar)));
        if (end - 63 >= 0) {
            EXPECT_TRUE(shows(shot.at(onScreen(window, marquee, end - 63, 2)), colour(background)));
        }
        if (end + 3 < 300) {
            EXPECT_TRUE(shows(shot.at(onScreen(window, marquee, end + 3, 2)), colour(background)));
        }
    }
    progressModel(marquee).send(PBM_SETMARQUEE, 0, 0);
    progressModel(marquee).send(PBM_SETPOS, 0, 0);
    pump(std::chrono::milliseconds(100));
    EXPECT_EQ(progressModel(marquee).position(), 0);  // stopped: no tick moves it again

    gtk_window_destroy(GTK_WINDOW(window));
    pump(std::chrono::milliseconds(100));
    gdk_display_close(gdk_display_get_default());
}

}  // namespace
}  // namespace halvex::controls
