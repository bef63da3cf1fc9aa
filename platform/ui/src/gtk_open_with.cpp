// The "Open with" chooser: GTK's application chooser for the file's content
// type; the chosen application is started with the file as an argument
// (g_app_info_launch builds the command line from the desktop entry, no
// shell is involved).
#include <string>

#include "gtk_dialog_owners.h"
#include "gtk_session.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

using File = Owned<GFile, g_object_unref>;
using AppInfo = Owned<GAppInfo, g_object_unref>;
using LaunchContext = Owned<GdkAppLaunchContext, g_object_unref>;
using Error = Owned<GError, g_error_free>;

struct Choice {
    ModalRun run;
    AppInfo application;
};

void onResponse(GtkDialog* dialog, int response, gpointer data) {
    auto* choice = static_cast<Choice*>(data);
    if (response == GTK_RESPONSE_OK)
        choice->application.reset(gtk_app_chooser_get_app_info(GTK_APP_CHOOSER(dialog)));
    choice->run.finish();
}

void launch(GAppInfo* application, GFile* file) {
    LaunchContext context(gdk_display_get_app_launch_context(gdk_display_get_default()));
    GList files{file, nullptr, nullptr};
    GError* raw = nullptr;
    if (g_app_info_launch(application, &files, G_APP_LAUNCH_CONTEXT(context.get()), &raw)) return;
    const Error error(raw);
    throw Failure(Failure::Kind::LaunchFailed,
                  std::string("cannot start ") + g_app_info_get_name(application) + ": " + error->message);
}

}  // namespace

bool showOpenWith(const OpenWithRequest& request) {
    const File file(g_file_new_for_path(request.file.c_str()));
    Choice choice;
    GtkWidget* dialog = gtk_app_chooser_dialog_new(dialogParent(nullptr), GTK_DIALOG_MODAL, file.get());
    g_signal_connect(dialog, "response", G_CALLBACK(onResponse), &choice);
    choice.run.run(GTK_WINDOW(dialog));
    if (!choice.application) return false;
    if (request.launch) launch(choice.application.get(), file.get());
    return true;
}

}  // namespace platform::ui::gtk
