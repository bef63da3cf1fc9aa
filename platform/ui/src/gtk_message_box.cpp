// The message box as a GTK window: icon, text, a row of buttons with the
// default one focused; Escape and the close button only for a box that may
// be closed.
#include <algorithm>
#include <string>

#include "gtk_dialog_parts.h"
#include "gtk_session.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

const char* iconNameOf(Icon icon) {
    switch (icon) {
    case Icon::Error: return "dialog-error";
    case Icon::Question: return "dialog-question";
    case Icon::Warning: return "dialog-warning";
    case Icon::Information: return "dialog-information";
    case Icon::None: break;
    }
    return nullptr;
}

struct Outcome {
    ModalRun run;
    bool closable = false;
    int result = kBoxClosed;
};

constexpr const char* kResultKey = "platform-ui-result";

void onButton(GtkButton* button, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    outcome->result = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), kResultKey));
    outcome->run.finish();
}

// The window is destroyed by ModalRun, so the request is always refused;
// it ends the box only when the box may be closed.
gboolean onCloseRequest(GtkWindow*, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    if (outcome->closable) outcome->run.finish();
    return TRUE;
}

// The characters of the text's longest line.
int longestLine(const std::string& text) {
    int longest = 0, line = 0;
    for (const char c : text) {
        if (c == '\n') {
            line = 0;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            longest = std::max(longest, ++line);
        }
    }
    return longest;
}

GtkWidget* messageRow(const MessageBoxRequest& request) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
    if (const char* iconName = iconNameOf(request.icon)) {
        GtkWidget* icon = gtk_image_new_from_icon_name(iconName);
        gtk_image_set_pixel_size(GTK_IMAGE(icon), 48);
        gtk_widget_set_valign(icon, GTK_ALIGN_START);
        gtk_box_append(GTK_BOX(row), icon);
    }
    GtkWidget* label = gtk_label_new(request.text.c_str());
    gtk_label_set_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    // As wide as its longest line, at most 60 characters, at its least as
    // at its most: the height the text needs is then the same for every
    // width GTK asks about, and the box's size is settled at once.
    const int width = std::min(longestLine(request.text), 60);
    gtk_label_set_width_chars(GTK_LABEL(label), width);
    gtk_label_set_max_width_chars(GTK_LABEL(label), width);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_widget_set_hexpand(label, TRUE);
    gtk_box_append(GTK_BOX(row), label);
    return row;
}

}  // namespace

int showMessageBox(const MessageBoxRequest& request, const std::vector<std::string>& labels) {
    Outcome outcome;
    outcome.closable = request.closable;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, request.caption.c_str());
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_deletable(window, request.closable);
    g_signal_connect(window, "close-request", G_CALLBACK(onCloseRequest), &outcome);
    if (request.closable) closeOnEscape(window);

    GtkWidget* content = contentBox(16);
    gtk_box_append(GTK_BOX(content), messageRow(request));

    GtkWidget* buttons = buttonRow({});
    GtkWidget* defaultButton = nullptr;
    for (std::size_t i = 0; i < request.buttons.size(); ++i) {
        GtkWidget* button = dialogButton(labels.at(i).c_str(), G_CALLBACK(onButton), &outcome);
        g_object_set_data(G_OBJECT(button), kResultKey, GINT_TO_POINTER(request.buttons[i]));
        gtk_box_append(GTK_BOX(buttons), button);
        if (i == request.defaultButton) defaultButton = button;
    }
    gtk_box_append(GTK_BOX(content), buttons);
    gtk_window_set_child(window, content);
    if (defaultButton) {
        gtk_window_set_default_widget(window, defaultButton);
        gtk_window_set_focus(window, defaultButton);
    }

    outcome.run.run(window);
    return outcome.result;
}

}  // namespace platform::ui::gtk
