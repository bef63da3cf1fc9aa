#include "gtk_path_ellipsis.h"

#include <vector>

#include "platform/owned.h"

namespace platform::ui::gtk {

namespace {

constexpr const char* kEllipsis = "...";

int widthOf(GtkWidget* widget, const std::string& text) {
    Owned<PangoLayout, g_object_unref> layout(gtk_widget_create_pango_layout(widget, text.c_str()));
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    return width;
}

}  // namespace

std::string pathEllipsized(GtkWidget* widget, const std::string& path, int width) {
    if (widthOf(widget, path) <= width) return path;
    const auto separator = path.find_last_of("/\\");
    if (separator == std::string::npos) return path;
    const std::string folders = path.substr(0, separator);
    const std::string name = path.substr(separator);
    // Where each character of the folders starts (UTF-8).
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < folders.size(); ++i)
        if ((static_cast<unsigned char>(folders[i]) & 0xC0) != 0x80) starts.push_back(i);
    const auto shortened = [&](std::size_t characters) {
        return folders.substr(0, characters < starts.size() ? starts[characters] : folders.size()) + kEllipsis + name;
    };
    // The most characters of the folders that fit: all of them do not.
    std::size_t fits = 0;
    std::size_t tooMany = starts.size();
    while (tooMany - fits > 1) {
        const std::size_t middle = fits + (tooMany - fits) / 2;
        if (widthOf(widget, shortened(middle)) <= width)
            fits = middle;
        else
            tooMany = middle;
    }
    return shortened(fits);
}

}  // namespace platform::ui::gtk
