// The two makers of the HTML view; makeHtmlView picks one by the backend
// in use.
#pragma once

#include <memory>

#include "platform/html_view.h"

namespace platform::ui::script {
std::unique_ptr<HtmlView> makeHtmlView(HtmlViewOptions options);
}

namespace platform::ui::gtk {
// Throws platform::WinError when GTK cannot start on this thread.
std::unique_ptr<HtmlView> makeHtmlView(HtmlViewOptions options);
}
