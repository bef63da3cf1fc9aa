// A template dialog as a GTK window: each control a widget at its
// template's place (gtk_template_layout.h). Every action of the user goes to the
// session; afterwards the posted messages are delivered and the widgets
// take the state the dialog procedure left. Enter presses the default
// button, Escape cancels (the Cancel button, or as the close button when
// there is none), the close button closes.
#include <memory>
#include <vector>

#include "control_looks_of.h"
#include "gtk_dialog_owners.h"
#include "gtk_dialog_parts.h"
#include "gtk_links.h"
#include "gtk_list_view.h"
#include "gtk_path_ellipsis.h"
#include "gtk_progress_bar.h"
#include "gtk_resizable_dialog.h"
#include "gtk_template_layout.h"
#include "gtk_text_view.h"
#include "gtk_tree_view.h"
#include "gtk_windows.h"
#include "platform/dialog_session.h"

namespace platform::ui::gtk {

namespace {

constexpr const char* kWholeText = "tesk-whole-text";

struct Shown {
    GtkWidget* outer = nullptr;  // placed on the fixed
    GtkWidget* inner = nullptr;  // the widget that carries the state
    std::size_t items = 0;       // rows shown by a list, items by a tree
};

struct Run;

struct Hook {
    Run* run;
    int id;
};

struct Run {
    DialogSession& session;
    ModalRun modal;
    CallerActions actions{modal};
    GtkWindow* window = nullptr;
    std::vector<Shown> shown;
    bool updating = false;
    unsigned raised = 0;
    std::optional<std::size_t> focus;  // the control SetFocus last named, as shown
    std::vector<std::unique_ptr<Hook>> hooks;  // by the template's order

    explicit Run(DialogSession& s) : session(s) {}
};


void onListRowSelected(int row, gpointer data);

// The keyboard on the control's widget; on a list view's rows.
void focusControl(Run& run, std::size_t control) {
    const auto& s = run.shown.at(control);
    if (run.session.state().controls[control].control.kind == ControlKind::ListView)
        focusListRows(s.inner);
    else
        gtk_widget_grab_focus(s.inner);
}

// The width a control has now, in pixels.
int widthOf(const ControlState& c, const BaseUnits& units) {
    return c.place ? c.place->width : units.pixelsX(c.control.cx);
}

// A static's text as its label shows it, in the colour chosen for it.
std::string markupOf(GtkWidget* label, const ControlState& c, const BaseUnits& units) {
    // Clear of the label's edges, so that the last name is not cut again.
    constexpr int kMargin = 4;
    const std::string text =
        showsPath(c.control) ? pathEllipsized(label, c.control.text, widthOf(c, units) - kMargin) : c.control.text;
    Owned<char, g_free> escaped(g_markup_escape_text(mnemonicOf(text).c_str(), -1));
    if (!c.color) return escaped.get();
    char colour[8];
    g_snprintf(colour, sizeof colour, "#%02X%02X%02X", *c.color & 0xFF, (*c.color >> 8) & 0xFF, (*c.color >> 16) & 0xFF);
    return std::string("<span foreground=\"") + colour + "\">" + escaped.get() + "</span>";
}

void setTextView(GtkWidget* view, const std::string& text) {
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    Owned<char, g_free> now(gtk_text_buffer_get_text(buffer, &start, &end, FALSE));
    if (text == now.get()) return;
    gtk_text_buffer_set_text(buffer, text.c_str(), -1);
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gtk_text_buffer_apply_tag_by_name(buffer, kWholeText, &start, &end);
}

void refreshList(Shown& s, const ControlState& c) {
    if (dropsDown(c.control.kind)) {
        auto* list = GTK_STRING_LIST(gtk_drop_down_get_model(GTK_DROP_DOWN(s.inner)));
        for (; s.items < c.items.size(); ++s.items) gtk_string_list_append(list, c.items[s.items].c_str());
        gtk_drop_down_set_selected(GTK_DROP_DOWN(s.inner),
                                   c.selection < 0 ? GTK_INVALID_LIST_POSITION : static_cast<guint>(c.selection));
        return;
    }
    for (; s.items < c.items.size(); ++s.items) {
        GtkWidget* label = gtk_label_new(c.items[s.items].c_str());
        gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
        gtk_list_box_append(GTK_LIST_BOX(s.inner), label);
    }
    GtkListBoxRow* row = c.selection < 0 ? nullptr : gtk_list_box_get_row_at_index(GTK_LIST_BOX(s.inner), c.selection);
    gtk_list_box_select_row(GTK_LIST_BOX(s.inner), row);
}

void refresh(Run& run) {
    run.updating = true;
    run.session.refreshColors();
    const auto& state = run.session.state();
    gtk_window_set_title(run.window, state.title.c_str());
    for (std::size_t i = 0; i < state.controls.size(); ++i) {
        const auto& c = state.controls[i];
        auto& s = run.shown[i];
        gtk_widget_set_visible(s.outer, c.visible);
        gtk_widget_set_sensitive(s.outer, c.enabled);
        placeAsMoved(s.outer, c);
        switch (c.control.kind) {
        case ControlKind::Button:
        case ControlKind::DefaultButton:
            gtk_button_set_label(GTK_BUTTON(s.inner), mnemonicOf(c.control.text).c_str());
            break;
        case ControlKind::Static: {
            GtkWidget* label = c.link ? GTK_WIDGET(linkLabel(s.inner)) : s.inner;
            gtk_label_set_markup_with_mnemonic(GTK_LABEL(label), markupOf(label, c, state.units).c_str());
            break;
        }
        case ControlKind::GroupBox: gtk_frame_set_label(GTK_FRAME(s.inner), c.control.text.c_str()); break;
        case ControlKind::CheckBox:
            gtk_check_button_set_label(GTK_CHECK_BUTTON(s.inner), mnemonicOf(c.control.text).c_str());
            gtk_check_button_set_active(GTK_CHECK_BUTTON(s.inner), c.checked);
            break;
        case ControlKind::Edit:
        case ControlKind::RichEdit: setTextView(s.inner, c.control.text); break;
        case ControlKind::ListBox:
        case ControlKind::DropDownList:
        case ControlKind::ComboBoxEx: refreshList(s, c); break;
        case ControlKind::TreeView:
            if (s.items != c.treeItems.size()) showTreeItems(s.inner, c.treeItems);
            s.items = c.treeItems.size();
            break;
        case ControlKind::TextView: showText(s.inner, c.control.text, c.zoom); break;
        case ControlKind::ProgressBar: showProgress(s.inner, c.progress); break;
        case ControlKind::ListView: showListView(s.inner, c, onListRowSelected, run.hooks[i].get()); break;
        case ControlKind::Custom: controlLookOf(c.control.className)->show(s.inner, c.look); break;
        }
    }
    if (state.focus && state.focus != run.focus) focusControl(run, *state.focus);
    run.focus = state.focus;
    if (state.raised != run.raised) gtk_window_present(run.window);
    run.raised = state.raised;
    run.updating = false;
}

// After an action: the posted messages, then the end or the new state.
template <class Action>
void act(Run& run, Action&& action) {
    if (run.updating) return;
    run.actions.run([&] {
        action();
        run.session.deliverPosted();
        if (run.session.ended())
            run.modal.finish();
        else
            refresh(run);
    });
}

void onClicked(GtkWidget*, gpointer data) {
    auto* hook = static_cast<Hook*>(data);
    act(*hook->run, [hook] { hook->run->session.press(hook->id); });
}

void onListRowSelected(int row, gpointer data) {
    auto* hook = static_cast<Hook*>(data);
    act(*hook->run, [hook, row] { hook->run->session.select(hook->id, row); });
}

void onStaticReleased(GtkGestureClick*, int, double, double, gpointer data) { onClicked(nullptr, data); }

// The link's click is its static's; the link opens nothing.
gboolean onLinkActivated(GtkLinkButton*, gpointer data) {
    onClicked(nullptr, data);
    return TRUE;
}

void onRowSelected(GtkListBox*, GtkListBoxRow* row, gpointer data) {
    auto* hook = static_cast<Hook*>(data);
    if (!row) return;
    act(*hook->run, [hook, row] { hook->run->session.select(hook->id, gtk_list_box_row_get_index(row)); });
}

void onDropDownSelected(GObject* dropDown, GParamSpec*, gpointer data) {
    auto* hook = static_cast<Hook*>(data);
    const guint row = gtk_drop_down_get_selected(GTK_DROP_DOWN(dropDown));
    if (row == GTK_INVALID_LIST_POSITION) return;
    act(*hook->run, [hook, row] { hook->run->session.select(hook->id, static_cast<int>(row)); });
}

void onResized(int width, int height, gpointer data) {
    auto* run = static_cast<Run*>(data);
    act(*run, [run, width, height] { run->session.resize(width, height); });
}

gboolean onCloseRequest(GtkWindow*, gpointer data) {
    auto* run = static_cast<Run*>(data);
    act(*run, [run] { run->session.close(); });
    return TRUE;
}

// Tab stops at the controls of the Tab-stop style and at links that show a
// text, shown and enabled, in the template's order, as Windows walks a
// dialog.
bool isTabStop(const ControlState& c) {
    return c.visible && c.enabled && ((c.control.style & kStyleTabStop) || (c.link && !c.control.text.empty()));
}

// The control whose widget holds the window's focus; the count of
// controls when none does.
std::size_t focusedControl(const Run& run) {
    GtkWidget* focus = gtk_window_get_focus(run.window);
    for (std::size_t i = 0; focus && i < run.shown.size(); ++i)
        if (focus == run.shown[i].outer || gtk_widget_is_ancestor(focus, run.shown[i].outer)) return i;
    return run.shown.size();
}

// Tab and Shift+Tab move the focus to the next or the previous stop, which
// shows it has the focus.
gboolean onTabKey(GtkEventControllerKey*, guint key, guint, GdkModifierType modifiers, gpointer data) {
    auto* run = static_cast<Run*>(data);
    if (key != GDK_KEY_Tab && key != GDK_KEY_ISO_Left_Tab && key != GDK_KEY_KP_Tab) return FALSE;
    const auto& controls = run->session.state().controls;
    const std::size_t count = controls.size();
    const bool backwards = key == GDK_KEY_ISO_Left_Tab || (modifiers & GDK_SHIFT_MASK);
    const std::size_t from = focusedControl(*run);
    // Round the controls and "no control" back to where the focus is, which
    // stays when it is the only stop; from no control, forwards starts at
    // the first and backwards at the last.
    for (std::size_t step = 1; step <= count + 1; ++step) {
        const std::size_t at = backwards ? (from + count + 1 - step) % (count + 1) : (from + step) % (count + 1);
        if (at == count || !isTabStop(controls[at])) continue;
        gtk_window_set_focus_visible(run->window, TRUE);
        gtk_widget_child_focus(run->shown[at].outer, backwards ? GTK_DIR_TAB_BACKWARD : GTK_DIR_TAB_FORWARD);
        return TRUE;
    }
    return FALSE;
}

void walkTabStops(Run& run) {
    GtkEventController* keys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    g_signal_connect(keys, "key-pressed", G_CALLBACK(onTabKey), &run);
    gtk_widget_add_controller(GTK_WIDGET(run.window), keys);
}

gboolean onEscapeKey(GtkWidget*, GVariant*, gpointer data) {
    auto* run = static_cast<Run*>(data);
    act(*run, [run] { run->session.cancel(); });
    return TRUE;
}

GtkWidget* scrolled(GtkWidget* child) {
    GtkWidget* outer = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(outer), child);
    gtk_scrolled_window_set_has_frame(GTK_SCROLLED_WINDOW(outer), TRUE);
    return outer;
}

// An edit: a single-line one, or one that scrolls sideways, never wraps;
// a wrapped line is broken without hyphens, so the text shown is the
// control's own (Base64, digests).
GtkWidget* textView(const ControlTemplate& t) {
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view), !(t.style & kStyleReadOnly));
    const bool wraps = (t.style & kStyleMultiLine) && !(t.style & kStyleHorizontalScroll);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), wraps ? GTK_WRAP_WORD_CHAR : GTK_WRAP_NONE);
    gtk_text_buffer_create_tag(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), kWholeText, "insert-hyphens", FALSE,
                               nullptr);
    return view;
}

Shown makeWidget(const ControlTemplate& t, Hook* hook) {
    switch (t.kind) {
    case ControlKind::Button:
    case ControlKind::DefaultButton: {
        GtkWidget* button = gtk_button_new_with_mnemonic("");
        g_signal_connect(button, "clicked", G_CALLBACK(onClicked), hook);
        return {button, button};
    }
    case ControlKind::Static: {
        GtkWidget* label = gtk_label_new(nullptr);
        if (t.style & kStyleNotify) {
            GtkGesture* click = gtk_gesture_click_new();
            g_signal_connect(click, "released", G_CALLBACK(onStaticReleased), hook);
            gtk_widget_add_controller(label, GTK_EVENT_CONTROLLER(click));
        }
        return {fittedLabel(label, t), label};
    }
    case ControlKind::GroupBox: {
        GtkWidget* frame = gtk_frame_new(nullptr);
        gtk_widget_set_can_target(frame, FALSE);
        return {frame, frame};
    }
    case ControlKind::CheckBox: {
        GtkWidget* check = gtk_check_button_new_with_mnemonic("");
        g_signal_connect(check, "toggled", G_CALLBACK(onClicked), hook);
        return {check, check};
    }
    case ControlKind::Edit:
    case ControlKind::RichEdit: {
        GtkWidget* view = textView(t);
        GtkWidget* outer = scrolled(view);
        // A single line scrolls sideways without a bar, as tall as its text.
        if (!(t.style & kStyleMultiLine))
            gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(outer), GTK_POLICY_EXTERNAL, GTK_POLICY_NEVER);
        return {outer, view};
    }
    case ControlKind::ListBox: {
        GtkWidget* list = gtk_list_box_new();
        g_signal_connect(list, "row-selected", G_CALLBACK(onRowSelected), hook);
        return {scrolled(list), list};
    }
    case ControlKind::DropDownList:
    case ControlKind::ComboBoxEx: {
        GtkWidget* dropDown = gtk_drop_down_new(G_LIST_MODEL(gtk_string_list_new(nullptr)), nullptr);
        g_signal_connect(dropDown, "notify::selected", G_CALLBACK(onDropDownSelected), hook);
        return {dropDown, dropDown};
    }
    case ControlKind::TreeView: {
        GtkWidget* tree = newTreeView();
        return {scrolled(tree), tree};
    }
    case ControlKind::TextView: {
        GtkWidget* view = newTextView();
        GtkWidget* outer = scrolled(view);
        if (t.style & kStyleBorder) frameInShadow(outer);
        return {outer, view};
    }
    case ControlKind::ProgressBar: {
        GtkWidget* bar = newProgressBar();
        return {bar, bar};
    }
    case ControlKind::ListView: {
        GtkWidget* list = newListView();
        return {list, list};
    }
    case ControlKind::Custom: {
        GtkWidget* custom = controlLookOf(t.className)->makeWidget();
        return {custom, custom};
    }
    }
    return {};
}

// A static turned into a hyperlink (win32/hyperlink.h).
Shown makeLink(const ControlState& c, Hook* hook) {
    GtkWidget* link = newHoverLink(c.control.text);
    fitLabel(linkLabel(link), c.control);
    g_signal_connect(link, "activate-link", G_CALLBACK(onLinkActivated), hook);
    return {link, link};
}

}  // namespace

void showTemplateDialog(DialogSession& session) {
    Run run(session);
    const auto& state = session.state();
    run.window = GTK_WINDOW(gtk_window_new());
    GtkWidget* area = templateArea(run.window, state);
    GtkWidget* defaultButton = nullptr;
    for (const auto& c : state.controls) {
        run.hooks.push_back(std::make_unique<Hook>(Hook{&run, c.control.id}));
        Hook* hook = run.hooks.back().get();
        run.shown.push_back(c.link ? makeLink(c, hook) : makeWidget(c.control, hook));
        GtkWidget* outer = run.shown.back().outer;
        placeControl(area, outer, c.control, state.units);
        if (c.control.kind == ControlKind::DefaultButton) defaultButton = outer;
    }
    if (state.resizable) followSize(run.window, state, onResized, &run);
    g_signal_connect(run.window, "close-request", G_CALLBACK(onCloseRequest), &run);
    onEscape(run.window, onEscapeKey, &run);
    walkTabStops(run);
    if (defaultButton) pressOnEnter(run.window, defaultButton);
    refresh(run);
    if (defaultButton && !state.focus) gtk_widget_grab_focus(defaultButton);
    standOverOwner(run.window, state);
    rememberDialogWindow(state, run.window);
    run.modal.run(run.window);
    forgetDialogWindow(state);
    run.actions.rethrow();
}

}  // namespace platform::ui::gtk
