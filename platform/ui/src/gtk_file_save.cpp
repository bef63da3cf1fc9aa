// The file-save chooser as a GTK window: GTK's own file chooser in save
// mode, in the caller's folder under the proposed name, with the caller's
// filters, "Uložit" and "Storno". Each path chosen goes to the request's
// settle(); a path not settled on leaves the chooser up for another.
//
// GTK's chooser asks on its own before an existing file is replaced, but
// only for its standard accepting responses; "Uložit" answers with a
// response of its own so that the caller's settle() alone decides (it
// completes the name first, and asks only when the caller wants it).
#include <exception>

#include "gtk_file_chooser.h"
#include "gtk_dialog_owners.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

constexpr int kSaveResponse = 1;

struct Outcome {
    const SaveFileRequest* request;
    ModalRun run;
    std::optional<std::string> path;
    std::exception_ptr failure;
};

void onResponse(GtkDialog* dialog, int response, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    if (response == kSaveResponse) {
        const auto chosen = chosenPath(GTK_FILE_CHOOSER(dialog));
        if (!chosen) return;  // no name typed yet
        try {
            outcome->path = outcome->request->settle(*chosen);
        } catch (...) {
            outcome->failure = std::current_exception();
        }
        if (!outcome->path && !outcome->failure) return;
    }
    outcome->run.finish();
}

}  // namespace

std::optional<std::string> showFileSave(const SaveFileRequest& request) {
    Outcome outcome{&request, {}, {}, {}};
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new(request.title.c_str(), dialogParent(request.owner), GTK_FILE_CHOOSER_ACTION_SAVE, "_Storno",
                                    GTK_RESPONSE_CANCEL, "_Uložit", kSaveResponse, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), kSaveResponse);
    auto* chooser = GTK_FILE_CHOOSER(dialog);
    addFilters(chooser, request.filters, request.filter);
    startInFolder(chooser, request.folder);
    gtk_file_chooser_set_current_name(chooser, request.name.c_str());
    g_signal_connect(dialog, "response", G_CALLBACK(onResponse), &outcome);
    outcome.run.run(GTK_WINDOW(dialog));
    if (outcome.failure) std::rethrow_exception(outcome.failure);
    return outcome.path;
}

}  // namespace platform::ui::gtk
