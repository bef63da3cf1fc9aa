// A bare WebKitGTK view, the peer of the renewal program's start: a window
// of 1024 x 768 with one web view that loads the file given as argument,
// prints "load-finished" on standard output once the page is loaded, and
// quits.
//
//   bare_html_view <file.htm>
#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <cstdio>

namespace {

void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer application) {
    if (event != WEBKIT_LOAD_FINISHED) return;
    std::puts("load-finished");
    std::fflush(stdout);
    g_application_quit(G_APPLICATION(application));
}

void onActivate(GtkApplication* application, gpointer uri) {
    GtkWidget* window = gtk_application_window_new(application);
    gtk_window_set_default_size(GTK_WINDOW(window), 1024, 768);
    GtkWidget* view = webkit_web_view_new();
    gtk_window_set_child(GTK_WINDOW(window), view);
    g_signal_connect(view, "load-changed", G_CALLBACK(onLoadChanged), application);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), static_cast<const char*>(uri));
    gtk_window_present(GTK_WINDOW(window));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bare_html_view <file.htm>\n");
        return 2;
    }
    GFile* file = g_file_new_for_commandline_arg(argv[1]);
    char* uri = g_file_get_uri(file);
    g_object_unref(file);
    GtkApplication* application = gtk_application_new(nullptr, G_APPLICATION_NON_UNIQUE);
    g_signal_connect(application, "activate", G_CALLBACK(onActivate), uri);
    const int status = g_application_run(G_APPLICATION(application), 1, argv);
    g_object_unref(application);
    g_free(uri);
    return status;
}
