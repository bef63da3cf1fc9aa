// The two makers of the HTML view; makeHtmlView picks one by the backend
// in use.
#pragma once

#include <memory>

#include "platform/html_view.h"

namespace platform::ui::script {
std::unique_ptr<HtmlView> makeHtmlView(HtmlViewOptions options);
}

namespace platform::ui::gtk {
// On the GTK thread.
std::unique_ptr<HtmlView> makeHtmlView(HtmlViewOptions options);
// For the calling thread, the view made on the GTK thread. Throws
// platform::WinError when GTK cannot start (ERROR_NOT_READY).
std::unique_ptr<HtmlView> makeViewOnGtkThread(HtmlViewOptions options);
}
