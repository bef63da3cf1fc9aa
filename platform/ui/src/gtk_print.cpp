// Printing a plain text through GtkPrintOperation: the print dialog, then
// the text laid out with Pango in a monospace font at its actual size,
// broken into pages by whole lines.
#include <gtk/gtk.h>

#include <stdexcept>
#include <vector>

#include "gtk_windows.h"
#include "platform/owned.h"

namespace platform::ui::gtk {

namespace {

constexpr const char* kPrintFont = "Monospace 10";

struct Job {
    const std::string& text;
    Owned<PangoLayout, g_object_unref> layout;
    std::vector<int> pageStarts;  // the first line of each page, then the line count
};

void onBeginPrint(GtkPrintOperation* operation, GtkPrintContext* context, gpointer data) {
    auto& job = *static_cast<Job*>(data);
    job.layout.reset(gtk_print_context_create_pango_layout(context));
    Owned<PangoFontDescription, pango_font_description_free> font(pango_font_description_from_string(kPrintFont));
    pango_layout_set_font_description(job.layout.get(), font.get());
    pango_layout_set_width(job.layout.get(), static_cast<int>(gtk_print_context_get_width(context) * PANGO_SCALE));
    pango_layout_set_wrap(job.layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_text(job.layout.get(), job.text.c_str(), static_cast<int>(job.text.size()));
    const double pageHeight = gtk_print_context_get_height(context);
    const int lines = pango_layout_get_line_count(job.layout.get());
    job.pageStarts = {0};
    double used = 0;
    for (int i = 0; i < lines; ++i) {
        PangoRectangle logical;
        pango_layout_line_get_extents(pango_layout_get_line_readonly(job.layout.get(), i), nullptr, &logical);
        const double height = static_cast<double>(logical.height) / PANGO_SCALE;
        if (used + height > pageHeight && i > job.pageStarts.back()) {
            job.pageStarts.push_back(i);
            used = 0;
        }
        used += height;
    }
    job.pageStarts.push_back(lines);
    gtk_print_operation_set_n_pages(operation, static_cast<int>(job.pageStarts.size()) - 1);
}

void onDrawPage(GtkPrintOperation*, GtkPrintContext* context, int page, gpointer data) {
    auto& job = *static_cast<Job*>(data);
    if (page < 0 || static_cast<std::size_t>(page) + 1 >= job.pageStarts.size()) return;
    cairo_t* cairo = gtk_print_context_get_cairo_context(context);
    cairo_set_source_rgb(cairo, 0, 0, 0);
    double top = 0;
    for (int i = job.pageStarts[page]; i < job.pageStarts[page + 1]; ++i) {
        PangoLayoutLine* line = pango_layout_get_line_readonly(job.layout.get(), i);
        PangoRectangle logical;
        pango_layout_line_get_extents(line, nullptr, &logical);
        cairo_move_to(cairo, 0, top - static_cast<double>(logical.y) / PANGO_SCALE);
        pango_cairo_show_layout_line(cairo, line);
        top += static_cast<double>(logical.height) / PANGO_SCALE;
    }
}

}  // namespace

std::optional<int> printText(const PrintRequest& request) {
    Job job{request.text, nullptr, {}};
    Owned<GtkPrintOperation, g_object_unref> operation(gtk_print_operation_new());
    gtk_print_operation_set_job_name(operation.get(), request.jobName.c_str());
    g_signal_connect(operation.get(), "begin-print", G_CALLBACK(onBeginPrint), &job);
    g_signal_connect(operation.get(), "draw-page", G_CALLBACK(onDrawPage), &job);
    GError* error = nullptr;
    const auto result = gtk_print_operation_run(operation.get(), GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG, nullptr,
                                                &error);
    if (result == GTK_PRINT_OPERATION_RESULT_ERROR) {
        const std::string why = error ? error->message : "the print job failed";
        g_clear_error(&error);
        throw std::runtime_error(why);
    }
    if (result != GTK_PRINT_OPERATION_RESULT_APPLY) return std::nullopt;
    GtkPrintSettings* settings = gtk_print_operation_get_print_settings(operation.get());
    const int copies = settings ? gtk_print_settings_get_n_copies(settings) : 1;
    return copies > 0 ? copies : 1;
}

}  // namespace platform::ui::gtk
