// The HTML view in a GTK window: WebKitGTK shows the pages, served from the
// module's resources through the "res:" scheme; the program reaches the
// page through its script. WebKit answers script calls asynchronously: each
// call here runs the main loop until the answer has come, so the program
// reads and writes the page as if the calls were direct.
#include <webkit/webkit.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gtk_windows.h"
#include "html_view_backends.h"
#include "html_view_resources.h"
#include "platform/owned.h"

namespace platform::ui::gtk {

namespace {

using Clock = std::chrono::steady_clock;

// A text as a JavaScript string literal.
std::string jsString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Serves a "res:" address from the module's resources.
void serveResource(WebKitURISchemeRequest* request, gpointer) {
    const std::string url = webkit_uri_scheme_request_get_uri(request);
    const auto address = html::parseResourceUrl(url);
    const auto bytes = address ? html::readResource(*address) : std::nullopt;
    if (!bytes) {
        GError* error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no resource for %s", url.c_str());
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    const Owned<GBytes, g_bytes_unref> data(g_bytes_new(bytes->data(), bytes->size()));
    const Owned<GInputStream, g_object_unref> stream(g_memory_input_stream_new_from_bytes(data.get()));
    webkit_uri_scheme_request_finish(request, stream.get(), static_cast<gint64>(bytes->size()),
                                     html::contentTypeOf(address->name).c_str());
}

// The scheme is the default context's, registered once for the process:
// local (pages may load each other's files) and secure.
void registerResourceScheme() {
    static const bool registered = [] {
        WebKitWebContext* context = webkit_web_context_get_default();
        webkit_web_context_register_uri_scheme(context, "res", serveResource, nullptr, nullptr);
        WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
        webkit_security_manager_register_uri_scheme_as_local(security, "res");
        webkit_security_manager_register_uri_scheme_as_secure(security, "res");
        return true;
    }();
    (void)registered;
}

// Looks the element up, or gives null from the expression.
std::string withElement(const std::string& id, const std::string& body) {
    return "(function(){var e=document.getElementById(" + jsString(id) + ");if(!e)return null;" + body + "})()";
}

constexpr const char* kIsField = "['INPUT','SELECT','TEXTAREA','BUTTON','OPTION'].includes(e.tagName)";
constexpr const char* kIsCheckable = "(e.tagName=='INPUT'&&(e.type=='checkbox'||e.type=='radio'))";

class GtkHtmlView final : public HtmlView {
public:
    explicit GtkHtmlView(HtmlViewOptions options) : m_events(std::move(options.events)) {
        registerResourceScheme();
        m_window = GTK_WINDOW(gtk_window_new());
        gtk_window_set_title(m_window, options.title.c_str());
        gtk_window_set_default_size(m_window, options.width, options.height);
        m_view = WEBKIT_WEB_VIEW(webkit_web_view_new());
        GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        if (!options.toolbar.empty()) gtk_box_append(GTK_BOX(column), makeToolbar(options.toolbar));
        gtk_widget_set_vexpand(GTK_WIDGET(m_view), TRUE);
        gtk_box_append(GTK_BOX(column), GTK_WIDGET(m_view));
        std::vector<int> paneWidths = options.statusPanes;
        for (const FrameLockPane& pane : options.lockPanes) paneWidths.push_back(pane.width);
        if (!paneWidths.empty()) gtk_box_append(GTK_BOX(column), makeStatusBar(paneWidths));
        gtk_window_set_child(m_window, column);
        addAccelerators(options.accelerators);
        keepLockPanes(options);
        followKeyLocks();
        g_signal_connect(m_view, "decide-policy", G_CALLBACK(onDecidePolicy), this);
        g_signal_connect(m_view, "load-changed", G_CALLBACK(onLoadChanged), this);
        g_signal_connect(m_view, "load-failed", G_CALLBACK(onLoadFailed), this);
        g_signal_connect(m_view, "context-menu", G_CALLBACK(onContextMenu), this);
        g_signal_connect(webkit_web_view_get_back_forward_list(m_view), "changed", G_CALLBACK(onHistoryChanged),
                         this);
        g_signal_connect(m_window, "close-request", G_CALLBACK(onCloseRequest), this);
        gtk_window_present(m_window);
        windowUp(true);
    }

    ~GtkHtmlView() override {
        if (m_keyboard) g_signal_handlers_disconnect_by_data(m_keyboard, this);
        g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(m_view), this);
        g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(m_view), this);
        g_signal_handlers_disconnect_by_data(m_view, this);
        g_signal_handlers_disconnect_by_data(m_window, this);
        gtk_window_destroy(m_window);
        windowUp(false);
    }

    GtkHtmlView(const GtkHtmlView&) = delete;
    GtkHtmlView& operator=(const GtkHtmlView&) = delete;

    void navigate(const std::string& url) override {
        touch();
        webkit_web_view_load_uri(m_view, url.c_str());
    }

    bool goBack() override {
        if (!webkit_web_view_can_go_back(m_view)) return false;
        touch();
        webkit_web_view_go_back(m_view);
        return true;
    }

    // Quiet for a while with nothing loading: a click's navigation is
    // decided a moment after the click.
    bool waitUntilSettled(int limitMs) override {
        const auto limit = Clock::now() + std::chrono::milliseconds(limitMs);
        const guint tick = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
        bool settled = false;
        while (!(settled = !webkit_web_view_is_loading(m_view) && Clock::now() - m_lastActivity > kQuiet) &&
               Clock::now() < limit)
            g_main_context_iteration(nullptr, TRUE);
        g_source_remove(tick);
        return settled;
    }

    std::string location() const override { return m_location; }

    void setStatusText(std::size_t pane, const std::string& text) override {
        HtmlView::setStatusText(pane, text);
        if (pane < m_panes.size()) gtk_label_set_text(m_panes[pane], text.c_str());
    }
    void setCommandEnabled(int command, bool enabled) override {
        HtmlView::setCommandEnabled(command, enabled);
        for (const auto& [id, button] : m_buttons) {
            if (id == command) gtk_widget_set_sensitive(button, enabled);
        }
    }

    std::optional<std::string> value(const std::string& id) override {
        return text(withElement(id, std::string("if(!") + kIsField + ")return null;return String(e.value);"));
    }
    bool setValue(const std::string& id, const std::string& text) override {
        return flag(withElement(id, std::string("if(!") + kIsField + ")return false;" + assignValue(text)));
    }
    std::optional<bool> checked(const std::string& id) override {
        const auto value = evaluate(withElement(id, std::string("return ") + kIsCheckable + "?e.checked:null;"));
        if (!value || !jsc_value_is_boolean(value.get())) return std::nullopt;
        return jsc_value_to_boolean(value.get());
    }
    bool setChecked(const std::string& id, bool checked) override {
        return flag(withElement(id, std::string("if(!") + kIsCheckable + ")return false;e.checked=" +
                                        (checked ? "true" : "false") + ";return true;"));
    }
    std::optional<int> selectedIndex(const std::string& id) override {
        const auto value = evaluate(withElement(id, "return e.tagName=='SELECT'?e.selectedIndex:null;"));
        if (!value || !jsc_value_is_number(value.get())) return std::nullopt;
        return jsc_value_to_int32(value.get());
    }
    bool setDisabled(const std::string& id, bool disabled) override {
        return flag(withElement(id, disabled ? "e.setAttribute('disabled','disabled');return true;"
                                             : "e.removeAttribute('disabled');return true;"));
    }
    std::optional<std::string> className(const std::string& id) override {
        return text(withElement(id, "return e.getAttribute('class')||'';"));
    }
    bool setClassName(const std::string& id, const std::string& text) override {
        return flag(withElement(id, "e.setAttribute('class'," + jsString(text) + ");return true;"));
    }
    std::optional<std::string> innerHtml(const std::string& id) override {
        return text(withElement(id, "return e.innerHTML;"));
    }
    bool setInnerHtml(const std::string& id, const std::string& html) override {
        return flag(withElement(id, "e.innerHTML=" + jsString(html) + ";return true;"));
    }

    bool callFunction(const std::string& name, const std::vector<std::string>& args) override {
        std::string list;
        for (const auto& arg : args) list += (list.empty() ? "" : ",") + jsString(arg);
        return flag("(function(){var f=window[" + jsString(name) +
                    "];if(typeof f!=='function')return false;f.apply(window,[" + list + "]);return true;})()");
    }
    // The page's own function runs.
    void defineFunction(const std::string&, PageFunction) override {}

    bool perform(const PageAction& action, std::string* why) override {
        std::string problem;
        if (action.kind == PageAction::Kind::Expect) {
            if (pageName() != action.target) problem = "the page shown is \"" + pageName() + "\"";
        } else {
            touch();
            problem = text(actionScript(action)).value_or("no element has the id");
            waitUntilSettled(kSettleLimitMs);
        }
        if (why) *why = problem;
        return problem.empty();
    }

private:
    // A command of the frame, carried by a button or a shortcut.
    struct Sent {
        GtkHtmlView* view;
        int command;
        bool whileTyping = true;
    };

    void send(int command) {
        if (m_events.command) m_events.command(command);
    }

    GtkWidget* makeToolbar(const std::vector<FrameButton>& buttons) {
        GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
        for (const FrameButton& button : buttons) {
            if (button.command == 0) {
                gtk_box_append(GTK_BOX(bar), gtk_separator_new(GTK_ORIENTATION_VERTICAL));
                continue;
            }
            GtkWidget* widget = button.images ? makeImageButton(*button.images)
                                              : gtk_button_new_with_label(button.label.c_str());
            gtk_button_set_has_frame(GTK_BUTTON(widget), FALSE);
            gtk_widget_set_focusable(widget, FALSE);
            if (!button.tooltip.empty()) gtk_widget_set_tooltip_text(widget, button.tooltip.c_str());
            g_signal_connect_data(widget, "clicked", G_CALLBACK(onButton), new Sent{this, button.command},
                                  [](gpointer data, GClosure*) { delete static_cast<Sent*>(data); },
                                  GConnectFlags(0));
            gtk_box_append(GTK_BOX(bar), widget);
            m_buttons.emplace_back(button.command, widget);
        }
        return bar;
    }

    // A button showing one of its three images by its state.
    static GtkWidget* makeImageButton(const FrameButtonImages& images) {
        auto* textures = new ButtonTextures{texture(images.normal), texture(images.hot), texture(images.disabled)};
        GtkWidget* picture = gtk_picture_new();
        gtk_picture_set_can_shrink(GTK_PICTURE(picture), FALSE);
        GtkWidget* button = gtk_button_new();
        gtk_button_set_child(GTK_BUTTON(button), picture);
        g_object_set_data_full(G_OBJECT(button), kTexturesKey, textures, [](gpointer data) {
            delete static_cast<ButtonTextures*>(data);
        });
        GtkEventController* motion = gtk_event_controller_motion_new();
        g_signal_connect(motion, "enter", G_CALLBACK(+[](GtkEventControllerMotion* m, double, double, gpointer) {
                             pointerOver(m, true);
                         }), nullptr);
        g_signal_connect(motion, "leave", G_CALLBACK(+[](GtkEventControllerMotion* m, gpointer) {
                             pointerOver(m, false);
                         }), nullptr);
        gtk_widget_add_controller(button, motion);
        g_signal_connect(button, "notify::sensitive", G_CALLBACK(+[](GtkWidget* b, GParamSpec*, gpointer) {
                             showImageOf(b);
                         }), nullptr);
        showImageOf(button);
        return button;
    }

    using Texture = Owned<GdkTexture, g_object_unref>;
    struct ButtonTextures {
        Texture normal;
        Texture hot;
        Texture disabled;
        bool pointerInside = false;
    };
    static constexpr const char* kTexturesKey = "platform-frame-textures";

    // An empty image, or one with too few pixels for its size, shows as
    // nothing.
    static Texture texture(const FrameImage& image) {
        if (image.width <= 0 || image.height <= 0 ||
            image.rgba.size() / 4 / static_cast<std::size_t>(image.width) < static_cast<std::size_t>(image.height))
            return nullptr;
        const std::size_t size = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
        const Owned<GBytes, g_bytes_unref> bytes(g_bytes_new(image.rgba.data(), size));
        return Texture(gdk_memory_texture_new(image.width, image.height, GDK_MEMORY_R8G8B8A8, bytes.get(),
                                              static_cast<gsize>(image.width) * 4));
    }

    static void showImageOf(GtkWidget* button) {
        const auto* textures = static_cast<ButtonTextures*>(g_object_get_data(G_OBJECT(button), kTexturesKey));
        GdkTexture* shown = !gtk_widget_get_sensitive(button) ? textures->disabled.get()
                            : textures->pointerInside        ? textures->hot.get()
                                                             : textures->normal.get();
        gtk_picture_set_paintable(GTK_PICTURE(gtk_button_get_child(GTK_BUTTON(button))), GDK_PAINTABLE(shown));
    }

    static void pointerOver(GtkEventControllerMotion* motion, bool inside) {
        GtkWidget* button = gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(motion));
        static_cast<ButtonTextures*>(g_object_get_data(G_OBJECT(button), kTexturesKey))->pointerInside = inside;
        showImageOf(button);
    }

    // The lock panes follow the keyboard's lock keys.
    void followKeyLocks() {
        m_keyboard = gdk_seat_get_keyboard(gdk_display_get_default_seat(gtk_widget_get_display(GTK_WIDGET(m_window))));
        if (!m_keyboard) return;
        g_signal_connect_swapped(m_keyboard, "notify::caps-lock-state", G_CALLBACK(onKeyLocks), this);
        g_signal_connect_swapped(m_keyboard, "notify::num-lock-state", G_CALLBACK(onKeyLocks), this);
        onKeyLocks(this);
    }
    static void onKeyLocks(gpointer data) {
        auto* self = static_cast<GtkHtmlView*>(data);
        self->setKeyLocks(gdk_device_get_caps_lock_state(self->m_keyboard),
                          gdk_device_get_num_lock_state(self->m_keyboard));
    }

    GtkWidget* makeStatusBar(const std::vector<int>& widths) {
        GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
        for (const int width : widths) {
            GtkWidget* label = gtk_label_new("");
            gtk_label_set_xalign(GTK_LABEL(label), 0);
            gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
            if (width > 0)
                gtk_widget_set_size_request(label, width, -1);
            else
                gtk_widget_set_hexpand(label, TRUE);
            gtk_box_append(GTK_BOX(bar), label);
            m_panes.push_back(GTK_LABEL(label));
        }
        return bar;
    }

    // Caught before the page sees the key.
    void addAccelerators(const std::vector<FrameAccelerator>& accelerators) {
        if (accelerators.empty()) return;
        GtkEventController* controller = gtk_shortcut_controller_new();
        gtk_event_controller_set_propagation_phase(controller, GTK_PHASE_CAPTURE);
        for (const FrameAccelerator& accelerator : accelerators) {
            GtkShortcutTrigger* trigger = gtk_shortcut_trigger_parse_string(accelerator.key.c_str());
            if (!trigger) continue;
            GtkShortcutAction* action = gtk_callback_action_new(
                [](GtkWidget*, GVariant*, gpointer data) -> gboolean {
                    const auto* sent = static_cast<Sent*>(data);
                    if (!sent->whileTyping && sent->view->m_typing) return FALSE;  // the field's key
                    sent->view->send(sent->command);
                    return TRUE;
                },
                new Sent{this, accelerator.command, accelerator.whileTyping},
                [](gpointer data) { delete static_cast<Sent*>(data); });
            gtk_shortcut_controller_add_shortcut(GTK_SHORTCUT_CONTROLLER(controller),
                                                 gtk_shortcut_new(trigger, action));
        }
        gtk_widget_add_controller(GTK_WIDGET(m_window), controller);
        followTyping();
    }

    // The page tells whether a field the keys edit has the focus (a text
    // field, a list, where Home and End move the choice): every document
    // reports its focus changes through the message handler "typing".
    void followTyping() {
        WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(m_view);
        static constexpr const char* kReport =
            "(function(){var report=function(){var e=document.activeElement;var typing=!!e&&"
            "(e.isContentEditable||e.tagName=='TEXTAREA'||e.tagName=='SELECT'||(e.tagName=='INPUT'&&"
            "!['button','checkbox','color','file','hidden','image','radio','range','reset','submit']"
            ".includes(e.type)));"
            "window.webkit.messageHandlers.typing.postMessage(typing);};"
            "document.addEventListener('focusin',report,true);"
            "document.addEventListener('focusout',function(){setTimeout(report,0);},true);})();";
        WebKitUserScript* script = webkit_user_script_new(kReport, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                          WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr,
                                                          nullptr);
        webkit_user_content_manager_add_script(content, script);
        webkit_user_script_unref(script);
        g_signal_connect(content, "script-message-received::typing", G_CALLBACK(onTyping), this);
        webkit_user_content_manager_register_script_message_handler(content, "typing", nullptr);
    }

    static void onTyping(WebKitUserContentManager*, JSCValue* value, gpointer data) {
        static_cast<GtkHtmlView*>(data)->m_typing = jsc_value_to_boolean(value);
    }

    static void onButton(GtkButton* button, gpointer data) {
        const auto* sent = static_cast<Sent*>(data);
        if (gtk_widget_get_sensitive(GTK_WIDGET(button))) sent->view->send(sent->command);
    }

    static constexpr auto kQuiet = std::chrono::milliseconds(300);
    static constexpr int kSettleLimitMs = 10000;

    // The script of an action: "" when done, else why not.
    static std::string actionScript(const PageAction& action) {
        using Kind = PageAction::Kind;
        if (action.kind == Kind::Shows)
            return withElement(action.target, "var t=e.textContent;return t==" + jsString(action.value) +
                                                  "?'':'the element shows \"'+t+'\"';");
        std::string body = "if(e.hasAttribute('disabled'))return 'the element is disabled';";
        switch (action.kind) {
        case Kind::Click: body += "e.click();return '';"; break;
        case Kind::Check:
        case Kind::Uncheck: {
            const bool wanted = action.kind == Kind::Check;
            body += std::string("if(!") + kIsCheckable + (wanted ? "" : "||e.type=='radio'") + ")return '" +
                    (wanted ? "the element is no check box" : "the element is no check box to uncheck") +
                    "';if(e.checked!=" + (wanted ? "true" : "false") + ")e.click();return '';";
            break;
        }
        case Kind::Set:
        case Kind::Select:
            body += std::string("if(") + (action.kind == Kind::Select ? "e.tagName!='SELECT'" : "e.tagName=='SELECT'") +
                    "||!" + kIsField + "||!(function(){" + assignValue(action.value) +
                    "})())return 'the element takes no such value';"
                    "e.dispatchEvent(new Event('change',{bubbles:true}));return '';";
            break;
        case Kind::Expect:
        case Kind::Shows: break;
        }
        return withElement(action.target, body);
    }

    // Sets e.value; a select takes only one of its options' values.
    static std::string assignValue(const std::string& text) {
        return "var v=" + jsString(text) +
               ";if(e.tagName=='SELECT'&&!Array.from(e.options).some(function(o){return o.value==v;}))"
               "return false;e.value=v;return true;";
    }

    void touch() { m_lastActivity = Clock::now(); }

    using Value = Owned<JSCValue, g_object_unref>;

    struct Pending {
        bool done = false;
        Value value;
    };

    // Runs the script in the page and waits for its value; nothing when it
    // failed (no page, an exception).
    Value evaluate(const std::string& script) {
        Pending pending;
        webkit_web_view_evaluate_javascript(
            m_view, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
            [](GObject* view, GAsyncResult* result, gpointer data) {
                auto* p = static_cast<Pending*>(data);
                p->value.reset(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr));
                p->done = true;
            },
            &pending);
        while (!pending.done) g_main_context_iteration(nullptr, TRUE);
        return std::move(pending.value);
    }

    std::optional<std::string> text(const std::string& script) {
        const auto value = evaluate(script);
        if (!value || !jsc_value_is_string(value.get())) return std::nullopt;
        const Owned<char, g_free> chars(jsc_value_to_string(value.get()));
        return std::string(chars.get());
    }

    bool flag(const std::string& script) {
        const auto value = evaluate(script);
        return value && jsc_value_is_boolean(value.get()) && jsc_value_to_boolean(value.get());
    }

    static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                   gpointer data) {
        auto* self = static_cast<GtkHtmlView*>(data);
        self->touch();
        if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
        auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
        const gchar* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        // Pages open no other windows; the view shows one page.
        const bool cancel = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION ||
                            (self->m_events.beforeNavigate && self->m_events.beforeNavigate(uri ? uri : ""));
        if (cancel)
            webkit_policy_decision_ignore(decision);
        else
            webkit_policy_decision_use(decision);
        self->touch();
        return TRUE;
    }

    static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
        auto* self = static_cast<GtkHtmlView*>(data);
        self->touch();
        if (event == WEBKIT_LOAD_COMMITTED) {
            self->m_typing = false;  // the page's fields are gone
            const gchar* uri = webkit_web_view_get_uri(view);
            self->m_location = uri ? uri : "";
        }
        if (event != WEBKIT_LOAD_FINISHED || std::exchange(self->m_failed, false)) return;
        if (self->m_events.documentComplete) self->m_events.documentComplete(self->m_location);
        self->touch();
    }

    static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer data) {
        auto* self = static_cast<GtkHtmlView*>(data);
        self->touch();
        self->m_failed = true;
        return TRUE;  // no error page: the view keeps what it showed
    }

    // Closing would destroy the view under the program's feet.
    static gboolean onCloseRequest(GtkWindow*, gpointer data) {
        auto* self = static_cast<GtkHtmlView*>(data);
        if (self->m_events.closeRequested) self->m_events.closeRequested();
        return TRUE;
    }

    static gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, WebKitHitTestResult*, gpointer) {
        return TRUE;
    }

    static void onHistoryChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer, gpointer data) {
        auto* self = static_cast<GtkHtmlView*>(data);
        const bool back = webkit_web_view_can_go_back(self->m_view);
        const bool forward = webkit_web_view_can_go_forward(self->m_view);
        if (self->m_events.commandStateChange) {
            if (back != self->m_canGoBack) self->m_events.commandStateChange(NavigationCommand::Back, back);
            if (forward != self->m_canGoForward)
                self->m_events.commandStateChange(NavigationCommand::Forward, forward);
        }
        self->m_canGoBack = back;
        self->m_canGoForward = forward;
    }

    HtmlViewEvents m_events;
    std::vector<std::pair<int, GtkWidget*>> m_buttons;
    std::vector<GtkLabel*> m_panes;
    GtkWindow* m_window = nullptr;
    GdkDevice* m_keyboard = nullptr;
    WebKitWebView* m_view = nullptr;
    std::string m_location;
    Clock::time_point m_lastActivity = Clock::now();
    bool m_failed = false;
    bool m_typing = false;  // a text field or a list of the page has the focus
    bool m_canGoBack = false;
    bool m_canGoForward = false;
};

}  // namespace

std::unique_ptr<HtmlView> makeHtmlView(HtmlViewOptions options) {
    return std::make_unique<GtkHtmlView>(std::move(options));
}

}  // namespace platform::ui::gtk
