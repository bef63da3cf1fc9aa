// The choice of a row of a table as a GTK window: the prompt, the table
// with the caller's columns, OK (also Enter or a double click on a row;
// disabled while the table is empty), Cancel (also Escape) and the close
// button. The first row starts selected and focused.
#include <cmath>

#include "gtk_dialog_parts.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

constexpr int kTableWidth = 640;

struct Outcome {
    ModalRun run;
    GtkSingleSelection* selection = nullptr;
    RowChoice choice;
};

void end(Outcome* outcome, ChoiceEnd how) {
    outcome->choice.end = how;
    outcome->run.finish();
}

void accept(Outcome* outcome, guint position) {
    if (position == GTK_INVALID_LIST_POSITION) return;
    outcome->choice.row = position;
    end(outcome, ChoiceEnd::Chosen);
}

void onOk(GtkButton*, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    accept(outcome, gtk_single_selection_get_selected(outcome->selection));
}

void onActivate(GtkColumnView*, guint position, gpointer data) { accept(static_cast<Outcome*>(data), position); }

void onCancel(GtkButton*, gpointer data) { end(static_cast<Outcome*>(data), ChoiceEnd::Cancelled); }

gboolean onEscapeKey(GtkWidget*, GVariant*, gpointer data) {
    end(static_cast<Outcome*>(data), ChoiceEnd::Cancelled);
    return TRUE;
}

// The window is destroyed by ModalRun, so the request itself is refused.
gboolean onCloseRequest(GtkWindow*, gpointer data) {
    end(static_cast<Outcome*>(data), ChoiceEnd::Closed);
    return TRUE;
}

// The keyboard starts on the first row, so that Down goes to the second.
// The rows exist only once the view is laid out: after the frame that
// maps it, which an idle callback follows.
gboolean focusFirstRow(gpointer view) {
    if (gtk_widget_get_mapped(GTK_WIDGET(view))) gtk_widget_child_focus(GTK_WIDGET(view), GTK_DIR_TAB_FORWARD);
    return G_SOURCE_REMOVE;
}

void onMap(GtkWidget* view, gpointer) { g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, focusFirstRow, g_object_ref(view), g_object_unref); }

// What a column's cells show: the rows' texts at one index.
struct Column {
    const std::vector<std::vector<std::string>>* rows = nullptr;
    std::size_t index = 0;
};

void onSetupCell(GtkSignalListItemFactory*, GtkListItem* item, gpointer) {
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_list_item_set_child(item, label);
}

void onBindCell(GtkSignalListItemFactory*, GtkListItem* item, gpointer data) {
    const auto* column = static_cast<const Column*>(data);
    const auto& row = column->rows->at(gtk_list_item_get_position(item));
    const std::string& text = column->index < row.size() ? row[column->index] : std::string();
    gtk_label_set_text(GTK_LABEL(gtk_list_item_get_child(item)), text.c_str());
}

// The view owns the model and the columns; `columns` must outlive it.
GtkWidget* table(const CertificateChoiceRequest& request, const std::vector<Column>& columns, Outcome& outcome) {
    GtkStringList* model = gtk_string_list_new(nullptr);
    for (std::size_t i = 0; i < request.rows.size(); ++i) gtk_string_list_append(model, std::to_string(i).c_str());
    outcome.selection = gtk_single_selection_new(G_LIST_MODEL(model));
    GtkWidget* view = gtk_column_view_new(GTK_SELECTION_MODEL(outcome.selection));
    g_signal_connect(view, "activate", G_CALLBACK(onActivate), &outcome);
    g_signal_connect(view, "map", G_CALLBACK(onMap), nullptr);
    for (std::size_t i = 0; i < request.columns.size(); ++i) {
        GtkListItemFactory* cells = gtk_signal_list_item_factory_new();
        g_signal_connect(cells, "setup", G_CALLBACK(onSetupCell), nullptr);
        g_signal_connect(cells, "bind", G_CALLBACK(onBindCell), const_cast<Column*>(&columns[i]));
        GtkColumnViewColumn* column = gtk_column_view_column_new(request.columns[i].c_str(), cells);
        gtk_column_view_column_set_resizable(column, TRUE);
        if (i < request.columnShares.size())
            gtk_column_view_column_set_fixed_width(column,
                                                   static_cast<int>(std::floor(request.columnShares[i] * kTableWidth)));
        gtk_column_view_append_column(GTK_COLUMN_VIEW(view), column);
        g_object_unref(column);
    }
    GtkWidget* scrolled = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scrolled), view);
    gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(scrolled), 180);
    gtk_scrolled_window_set_min_content_width(GTK_SCROLLED_WINDOW(scrolled), kTableWidth);
    gtk_widget_set_vexpand(scrolled, TRUE);
    return scrolled;
}

}  // namespace

RowChoice showRowChoice(const CertificateChoiceRequest& request) {
    Outcome outcome;
    std::vector<Column> columns;
    for (std::size_t i = 0; i < request.columns.size(); ++i) columns.push_back(Column{&request.rows, i});
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, request.title.c_str());
    g_signal_connect(window, "close-request", G_CALLBACK(onCloseRequest), &outcome);
    onEscape(window, onEscapeKey, &outcome);

    GtkWidget* content = contentBox(12);
    GtkWidget* prompt = gtk_label_new(request.prompt.c_str());
    gtk_label_set_xalign(GTK_LABEL(prompt), 0.0f);
    gtk_label_set_wrap(GTK_LABEL(prompt), TRUE);
    gtk_box_append(GTK_BOX(content), prompt);
    GtkWidget* rows = table(request, columns, outcome);
    gtk_box_append(GTK_BOX(content), rows);
    GtkWidget* ok = dialogButton("OK", G_CALLBACK(onOk), &outcome);
    gtk_widget_set_sensitive(ok, !request.rows.empty());
    const std::string cancelLabel = request.cancelLabel.empty() ? "Storno" : mnemonicOf(request.cancelLabel);
    gtk_box_append(GTK_BOX(content),
                   buttonRow({ok, dialogButton(cancelLabel.c_str(), G_CALLBACK(onCancel), &outcome)}));
    gtk_window_set_child(window, content);
    gtk_window_set_focus(window, gtk_scrolled_window_get_child(GTK_SCROLLED_WINDOW(rows)));

    outcome.run.run(window);
    return outcome.choice;
}

}  // namespace platform::ui::gtk
