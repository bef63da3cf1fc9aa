#include "script_dialog.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "control_looks_of.h"
#include "platform/win_error.h"
#include "script_answers.h"

namespace platform::ui::script {

namespace {

struct DialogAction {
    enum class Kind { Press, Check, Select, Close, Escape, Size };
    Kind kind = Kind::Close;
    int id = 0;
    int row = 0;  // a size's height
};

std::optional<int> number(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

std::optional<DialogAction> parse(std::string_view reply) {
    if (reply == "close") return DialogAction{};
    if (reply == "escape") return DialogAction{DialogAction::Kind::Escape};
    const auto colon = reply.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto verb = reply.substr(0, colon);
    auto rest = reply.substr(colon + 1);
    if (verb == "press" || verb == "check") {
        const auto id = number(rest);
        if (!id) return std::nullopt;
        return DialogAction{verb == "press" ? DialogAction::Kind::Press : DialogAction::Kind::Check, *id};
    }
    if (verb != "select" && verb != "size") return std::nullopt;
    const auto second = rest.find(':');
    if (second == std::string_view::npos) return std::nullopt;
    const auto id = number(rest.substr(0, second));
    const auto row = number(rest.substr(second + 1));
    if (!id || !row) return std::nullopt;
    return DialogAction{verb == "size" ? DialogAction::Kind::Size : DialogAction::Kind::Select, *id, *row};
}

const char* kindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Button: return "button";
    case ControlKind::DefaultButton: return "default";
    case ControlKind::Static: return "static";
    case ControlKind::GroupBox: return "group";
    case ControlKind::CheckBox: return "checkbox";
    case ControlKind::Edit: return "edit";
    case ControlKind::ListBox: return "listbox";
    case ControlKind::DropDownList: return "dropdown";
    case ControlKind::ComboBoxEx: return "comboex";
    case ControlKind::RichEdit: return "richedit";
    case ControlKind::TreeView: return "tree";
    case ControlKind::TextView: return "textview";
    case ControlKind::ProgressBar: return "progress";
    case ControlKind::ListView: return "listview";
    case ControlKind::Custom: break;
    }
    return "control";
}

std::string kindName(const ControlState& c) {
    if (c.link) return "link";
    return c.control.kind == ControlKind::Custom ? c.control.className : kindName(c.control.kind);
}

// What the control shows as text: a custom control's is its class's
// description of its look.
std::string shownText(const ControlState& c) {
    if (c.control.kind != ControlKind::Custom) return c.control.text;
    const ControlLook* look = controlLookOf(c.control.className);
    return look ? look->describe(c.look) : std::string();
}

std::string colorText(std::uint32_t color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    return text;
}

// The items of a tree view, each on a line of its own, indented by two
// blanks a level, an expanded one marked.
void describeTree(std::string& line, const std::vector<TreeItem>& items) {
    const auto lists = childLists(items);
    std::vector<std::pair<std::size_t, std::size_t>> pending;  // item, depth; the next on top
    const auto& top = lists.back();
    for (auto i = top.rbegin(); i != top.rend(); ++i) pending.emplace_back(*i, 1);
    while (!pending.empty()) {
        const auto [item, depth] = pending.back();
        pending.pop_back();
        line += "\n" + std::string(2 * depth, ' ') + "\"" + items[item].text + "\"";
        if (items[item].expanded) line += " expanded";
        for (auto i = lists[item].rbegin(); i != lists[item].rend(); ++i) pending.emplace_back(*i, depth + 1);
    }
}

// Texts quoted and joined by ", " in brackets.
std::string quotedList(const std::vector<std::string>& texts) {
    std::string list = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) list += (i ? ", \"" : "\"") + texts[i] + "\"";
    return list + "]";
}

// A list view's columns with their widths, then its rows, each in
// brackets.
void describeListView(std::string& line, const ControlState& c) {
    if (c.extendedStyle & kListViewFullRowSelect) line += " fullrowselect";
    line += " columns [";
    for (std::size_t i = 0; i < c.columns.size(); ++i)
        line += (i ? ", \"" : "\"") + c.columns[i].title + "\" " + std::to_string(c.columns[i].width);
    line += "] rows [";
    for (std::size_t i = 0; i < c.rows.size(); ++i) line += (i ? ", " : "") + quotedList(c.rows[i]);
    line += "] sel " + std::to_string(c.selection);
}

std::string describe(const DialogState& state) {
    std::string line = std::string(kDialog) + " " + std::to_string(state.templateId) + ": " + state.title;
    for (const auto& c : state.controls) {
        line += " | " + std::to_string(c.control.id) + " " + kindName(c) + " \"" + shownText(c) + "\"";
        if (showsRows(c.control.kind)) line += " " + quotedList(c.items) + " sel " + std::to_string(c.selection);
        if (c.control.kind == ControlKind::ListView) describeListView(line, c);
        if (c.control.kind == ControlKind::TreeView) describeTree(line, c.treeItems);
        if (c.control.kind == ControlKind::TextView) line += " zoom " + std::to_string(c.zoom);
        if (c.control.kind == ControlKind::ProgressBar)
            line += c.progress.marquee ? std::string(" marquee") : " pos " + std::to_string(c.progress.position);
        if (state.focus && &state.controls[*state.focus] == &c) line += " focused";
        if (c.checked) line += " checked";
        if (!c.enabled) line += " disabled";
        if (!c.visible) line += " hidden";
        if (c.color) line += " color " + colorText(*c.color);
        if (c.place)
            line += " at " + std::to_string(c.place->x) + "," + std::to_string(c.place->y) + " " +
                    std::to_string(c.place->width) + "x" + std::to_string(c.place->height);
    }
    if (state.resizable) line += " | size " + std::to_string(state.width) + "x" + std::to_string(state.height);
    return line;
}

const ControlState* usable(const DialogState& state, int id) {
    for (const auto& c : state.controls)
        if (c.control.id == id) return c.enabled && c.visible ? &c : nullptr;
    return nullptr;
}

bool fits(const DialogState& state, const DialogAction& action) {
    if (action.kind == DialogAction::Kind::Close || action.kind == DialogAction::Kind::Escape) return true;
    if (action.kind == DialogAction::Kind::Size) return state.resizable;
    const auto* c = usable(state, action.id);
    if (!c) return false;
    const auto kind = c->control.kind;
    switch (action.kind) {
    case DialogAction::Kind::Press: return takesClicks(c->control);
    case DialogAction::Kind::Check: return kind == ControlKind::CheckBox;
    case DialogAction::Kind::Select:
        return takesRowSelection(kind) &&
               static_cast<std::size_t>(action.row) < (kind == ControlKind::ListView ? c->rows.size() : c->items.size());
    case DialogAction::Kind::Close:
    case DialogAction::Kind::Escape:
    case DialogAction::Kind::Size: break;
    }
    return true;
}

}  // namespace

void checkDialogReply(std::string_view reply) {
    if (!parse(reply)) throw std::invalid_argument("not a dialog action: \"" + std::string(reply) + "\"");
}

// A question without a fitting answer, once the handler has had it, ends
// the dialog as a failure of DialogBoxParam.
void runDialog(DialogSession& session) {
    while (true) {
        session.deliverPosted();
        if (session.ended()) return;
        session.refreshColors();
        const auto& state = session.state();
        const auto reply = askReply(kDialog, describe(state),
                                    [&](const std::string& text) { return fits(state, *parse(text)); });
        if (!reply) throw WinError(ERROR_CANCELLED, "the dialog had no fitting answer");
        const auto action = *parse(*reply);
        switch (action.kind) {
        case DialogAction::Kind::Press:
        case DialogAction::Kind::Check: session.press(action.id); break;
        case DialogAction::Kind::Select: session.select(action.id, action.row); break;
        case DialogAction::Kind::Close: session.close(); break;
        case DialogAction::Kind::Escape: session.cancel(); break;
        case DialogAction::Kind::Size: session.resize(action.id, action.row); break;
        }
    }
}

namespace {

// What the transcript last said of each shown modeless dialog.
struct Recorded {
    bool visible;
    bool topmost;
    std::vector<std::string> texts;  // by the template's order
};

Recorded recordedOf(const DialogState& state) {
    Recorded now{state.visible, state.topmost, {}};
    for (const auto& c : state.controls) now.texts.push_back(shownText(c));
    return now;
}
std::mutex g_recordedLock;
std::map<const DialogSession*, Recorded> g_recorded;

std::string nameOf(const DialogSession& session) {
    return std::string(kDialog) + " " + std::to_string(session.state().templateId);
}

}  // namespace

void showModeless(const DialogSession& session) {
    record(describe(session.state()));
    std::lock_guard lock(g_recordedLock);
    g_recorded[&session] = recordedOf(session.state());
}

// Showing, hiding, bringing to the top and each control's new text are
// recorded.
void updateModeless(const DialogSession& session) {
    std::lock_guard lock(g_recordedLock);
    auto& before = g_recorded[&session];
    const auto& state = session.state();
    if (state.topmost != before.topmost) record(nameOf(session) + (state.topmost ? " topmost" : " not topmost"));
    if (state.visible != before.visible) record(nameOf(session) + (state.visible ? " shown" : " hidden"));
    before.texts.resize(state.controls.size());
    for (std::size_t i = 0; i < state.controls.size(); ++i) {
        const std::string text = shownText(state.controls[i]);
        if (text != before.texts[i])
            record(nameOf(session) + " " + std::to_string(state.controls[i].control.id) + " \"" + text + "\"");
    }
    before = recordedOf(state);
}

void hideModeless(const DialogSession& session) {
    record(nameOf(session) + " destroyed");
    std::lock_guard lock(g_recordedLock);
    g_recorded.erase(&session);
}

}  // namespace platform::ui::script
