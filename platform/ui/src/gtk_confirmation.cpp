// The confirmation as a GTK window: each text under its label in a
// read-only view, the link after its label, the prompt, and Yes, No and
// Cancel (also Escape and closing). Yes starts focused. Activating the
// link (gtk_links.h) calls the caller back.
#include <exception>

#include "gtk_dialog_parts.h"
#include "gtk_links.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

constexpr int kMaxTextHeight = 160;

struct Outcome {
    ModalRun run;
    const std::function<void()>* onLink = nullptr;
    Confirmation answer = Confirmation::Cancel;
};

void answer(Outcome* outcome, Confirmation answer) {
    outcome->answer = answer;
    outcome->run.finish();
}

void onYes(GtkButton*, gpointer data) { answer(static_cast<Outcome*>(data), Confirmation::Yes); }
void onNo(GtkButton*, gpointer data) { answer(static_cast<Outcome*>(data), Confirmation::No); }

// Nothing may be thrown through GTK's C frames.
gboolean onActivateLink(GtkLinkButton*, gpointer data) {
    const auto& onLink = *static_cast<Outcome*>(data)->onLink;
    try {
        if (onLink) onLink();
    } catch (const std::exception& e) {
        g_warning("the link's action failed: %s", e.what());
    }
    return TRUE;
}

GtkWidget* leftLabel(const std::string& text, bool wrap = true) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_wrap(GTK_LABEL(label), wrap);
    return label;
}

// The text whole, scrolled when it is taller than kMaxTextHeight.
GtkWidget* textView(const std::string& text) {
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
    for (auto set : {gtk_text_view_set_left_margin, gtk_text_view_set_right_margin, gtk_text_view_set_top_margin,
                     gtk_text_view_set_bottom_margin})
        set(GTK_TEXT_VIEW(view), 4);
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), text.c_str(), -1);
    GtkWidget* scrolled = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scrolled), view);
    gtk_scrolled_window_set_has_frame(GTK_SCROLLED_WINDOW(scrolled), TRUE);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scrolled), TRUE);
    gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scrolled), kMaxTextHeight);
    return scrolled;
}

GtkWidget* linkRow(const ConfirmationRequest& request, Outcome& outcome) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_append(GTK_BOX(row), leftLabel(request.linkLabel, false));
    if (request.linkText.empty()) return row;
    GtkWidget* link = newHoverLink(request.linkText);
    g_signal_connect(link, "activate-link", G_CALLBACK(onActivateLink), &outcome);
    gtk_box_append(GTK_BOX(row), link);
    return row;
}

}  // namespace

Confirmation showConfirmation(const ConfirmationRequest& request) {
    Outcome outcome;
    outcome.onLink = &request.onLink;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, request.title.c_str());
    gtk_window_set_default_size(window, 480, -1);
    cancelOnClose(window, outcome.run);

    GtkWidget* content = contentBox(8);
    for (const auto& shown : request.texts) {
        gtk_box_append(GTK_BOX(content), leftLabel(shown.label));
        gtk_box_append(GTK_BOX(content), textView(shown.text));
    }
    gtk_box_append(GTK_BOX(content), linkRow(request, outcome));
    gtk_box_append(GTK_BOX(content), leftLabel(request.prompt));

    const std::string yesLabel = mnemonicOf(request.yesLabel);
    const std::string noLabel = mnemonicOf(request.noLabel);
    const std::string cancelLabel = mnemonicOf(request.cancelLabel);
    GtkWidget* yes = dialogButton(yesLabel.c_str(), G_CALLBACK(onYes), &outcome);
    GtkWidget* buttons = buttonRow({yes, dialogButton(noLabel.c_str(), G_CALLBACK(onNo), &outcome),
                                    cancelButton(outcome.run, cancelLabel.c_str())});
    gtk_widget_set_margin_top(buttons, 8);
    gtk_box_append(GTK_BOX(content), buttons);
    gtk_window_set_child(window, content);
    gtk_window_set_default_widget(window, yes);
    gtk_window_set_focus(window, yes);

    outcome.run.run(window);
    return outcome.answer;
}

}  // namespace platform::ui::gtk
