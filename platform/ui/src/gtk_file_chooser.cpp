// The file-open chooser as a GTK window: GTK's own file chooser in the
// caller's folder with the caller's filters, "Otevřít" and "Storno".
// GTK offers only existing files for opening, so a file the user picks
// always exists.
#include "gtk_file_chooser.h"

#include <sstream>

#include "gtk_dialog_owners.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

using File = Owned<GFile, g_object_unref>;

struct Outcome {
    ModalRun run;
    std::optional<std::string> path;
};

void onResponse(GtkDialog* dialog, int response, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    if (response == GTK_RESPONSE_ACCEPT) outcome->path = chosenPath(GTK_FILE_CHOOSER(dialog));
    outcome->run.finish();
}

GtkFileFilter* filterOf(const FileFilter& filter) {
    GtkFileFilter* made = gtk_file_filter_new();
    gtk_file_filter_set_name(made, filter.name.c_str());
    std::istringstream patterns(filter.patterns);
    std::string pattern;
    while (std::getline(patterns, pattern, ';'))
        // "*.*" means every file, also those without a dot.
        gtk_file_filter_add_pattern(made, pattern == "*.*" ? "*" : pattern.c_str());
    return made;
}

}  // namespace

void addFilters(GtkFileChooser* chooser, const std::vector<FileFilter>& filters, std::size_t shown) {
    for (std::size_t i = 0; i < filters.size(); ++i) {
        GtkFileFilter* filter = filterOf(filters[i]);
        gtk_file_chooser_add_filter(chooser, filter);
        if (i == shown) gtk_file_chooser_set_filter(chooser, filter);
        g_object_unref(filter);
    }
}

void startInFolder(GtkFileChooser* chooser, const std::string& folder) {
    if (folder.empty()) return;
    const File file(g_file_new_for_path(folder.c_str()));
    gtk_file_chooser_set_current_folder(chooser, file.get(), nullptr);
}

std::optional<std::string> chosenPath(GtkFileChooser* chooser) {
    const File file(gtk_file_chooser_get_file(chooser));
    if (!file) return std::nullopt;
    const Owned<char, g_free> path(g_file_get_path(file.get()));
    if (!path) return std::nullopt;
    return std::string(path.get());
}

std::optional<std::string> showFileChooser(const OpenFileRequest& request) {
    Outcome outcome;
    GtkWidget* dialog = gtk_file_chooser_dialog_new(request.title.empty() ? "Otevřít" : request.title.c_str(),
                                                    dialogParent(request.owner), GTK_FILE_CHOOSER_ACTION_OPEN, "_Storno",
                                                    GTK_RESPONSE_CANCEL, "_Otevřít", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    auto* chooser = GTK_FILE_CHOOSER(dialog);
    addFilters(chooser, request.filters, request.filter);
    startInFolder(chooser, request.folder);
    g_signal_connect(dialog, "response", G_CALLBACK(onResponse), &outcome);
    outcome.run.run(GTK_WINDOW(dialog));
    return outcome.path;
}

}  // namespace platform::ui::gtk
