// The login dialog for a server or a proxy as a GTK window: who asks and
// the realm, a user-name and a password field, OK (also Enter in either
// field) and Storno (also Escape and closing).
#include <string>

#include "gtk_dialog_parts.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

struct Outcome {
    ModalRun run;
    GtkWidget* user = nullptr;
    GtkWidget* password = nullptr;
    std::optional<Credentials> credentials;
};

void accept(Outcome* outcome) {
    outcome->credentials = Credentials{gtk_editable_get_text(GTK_EDITABLE(outcome->user)),
                                       gtk_editable_get_text(GTK_EDITABLE(outcome->password))};
    outcome->run.finish();
}

void onOk(GtkButton*, gpointer data) { accept(static_cast<Outcome*>(data)); }
void onActivate(GtkWidget*, gpointer data) { accept(static_cast<Outcome*>(data)); }

std::string promptOf(const CredentialsRequest& request) {
    std::string prompt = request.proxy ? "Proxy server na cestě k serveru " + request.server
                                       : "Server " + request.server;
    prompt += " vyžaduje uživatelské jméno a heslo.";
    if (!request.realm.empty()) prompt += "\nOblast: " + request.realm;
    return prompt;
}

// A labelled field in the grid's row; the label's access key focuses it.
void addField(GtkGrid* grid, int row, const char* label, GtkWidget* field, Outcome* outcome) {
    GtkWidget* caption = gtk_label_new_with_mnemonic(label);
    gtk_label_set_xalign(GTK_LABEL(caption), 0.0f);
    gtk_label_set_mnemonic_widget(GTK_LABEL(caption), field);
    gtk_widget_set_hexpand(field, TRUE);
    g_signal_connect(field, "activate", G_CALLBACK(onActivate), outcome);
    gtk_grid_attach(grid, caption, 0, row, 1, 1);
    gtk_grid_attach(grid, field, 1, row, 1, 1);
}

}  // namespace

std::optional<Credentials> showCredentialsDialog(const CredentialsRequest& request) {
    Outcome outcome;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    const std::string title = "Přihlášení k " + request.server;
    gtk_window_set_title(window, title.c_str());
    gtk_window_set_resizable(window, FALSE);
    cancelOnClose(window, outcome.run);

    GtkWidget* content = contentBox(12);
    GtkWidget* prompt = gtk_label_new(promptOf(request).c_str());
    gtk_label_set_xalign(GTK_LABEL(prompt), 0.0f);
    gtk_label_set_wrap(GTK_LABEL(prompt), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(prompt), 50);
    gtk_box_append(GTK_BOX(content), prompt);

    GtkWidget* fields = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(fields), 8);
    gtk_grid_set_column_spacing(GTK_GRID(fields), 12);
    outcome.user = gtk_entry_new();
    outcome.password = gtk_password_entry_new();
    addField(GTK_GRID(fields), 0, "_Uživatelské jméno:", outcome.user, &outcome);
    addField(GTK_GRID(fields), 1, "_Heslo:", outcome.password, &outcome);
    gtk_box_append(GTK_BOX(content), fields);

    gtk_box_append(GTK_BOX(content),
                   buttonRow({dialogButton("OK", G_CALLBACK(onOk), &outcome), cancelButton(outcome.run)}));
    gtk_window_set_child(window, content);
    gtk_window_set_focus(window, outcome.user);

    outcome.run.run(window);
    return outcome.credentials;
}

}  // namespace platform::ui::gtk
