// The HTML view: pages of a module's resources (RT_HTML) shown in one view
// that the program drives. Two backends, chosen with the rest of the UI
// (platform/ui.h):
//   gtk    - a window holding a WebKitGTK view; pages come through the
//            "res:" scheme, element access and page functions go through
//            the page's script;
//   script - no window; the page is parsed by libxml2's HTML parser and
//            the same operations work on its tree. The page's own script
//            does not run: the program registers a stand-in per page
//            function it calls (defineFunction).
//
// Page addresses are "res://" + the module's full path + "/" + the
// resource's name (resourceUrl); a relative reference of such a page
// resolves beside it, so a command link "URL_DATACHECK" arrives as
// ".../URL_DATACHECK". Every navigation, the program's own and the page's
// (links, self.location), reaches beforeNavigate first, which lets it go
// or cancels it; a cancelled navigation leaves the current page as it is.
//
// The view belongs to the thread that made it; its calls are made on that
// thread, also from within its callbacks. Texts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui {

// Which of the view's commands changed state (the Back and Forward buttons).
enum class NavigationCommand { Back, Forward };

struct HtmlViewEvents {
    // Before a page is left for the URL: true cancels the navigation.
    // May read the page being left and navigate elsewhere itself.
    std::function<bool(const std::string& url)> beforeNavigate;
    // The page of the URL has loaded (with its style sheets and images).
    std::function<void(const std::string& url)> documentComplete;
    // Going back or forward became possible or impossible.
    std::function<void(NavigationCommand command, bool enabled)> commandStateChange;
    // The user asked to close the view's window (gtk). The window stays
    // until the view is destroyed: the program decides.
    std::function<void()> closeRequested;
    // A toolbar button or an accelerator sent its command (gtk).
    std::function<void(int command)> command;
};

// An image of a toolbar button: straight RGBA pixels, row after row from
// the top (width * height * 4 bytes).
struct FrameImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// A button's images (gtk): hot under the pointer, disabled while its
// command cannot be used, normal otherwise.
struct FrameButtonImages {
    FrameImage normal;
    FrameImage hot;
    FrameImage disabled;
};

// A button of the window's toolbar: the command it sends, its label and its
// tooltip, and the images shown instead of the label when it has them;
// command 0 is a separator.
struct FrameButton {
    int command = 0;
    std::string label;
    std::string tooltip;
    std::optional<FrameButtonImages> images;
};

// A status pane that shows its text while a lock key of the keyboard is
// on and nothing while it is off.
enum class KeyLock { Caps, Num };
struct FrameLockPane {
    KeyLock lock = KeyLock::Caps;
    std::string text;
    int width = 0;  // pixels
};

// A key of the window that sends a command, in GTK's accelerator form
// ("F1", "<Alt>x", "Home"). One not taken while typing goes to the page's
// field when a text field or a list has the focus (Home there moves the
// caret or the choice).
struct FrameAccelerator {
    std::string key;
    int command = 0;
    bool whileTyping = true;
};

struct HtmlViewOptions {
    std::string title;  // of the window (gtk)
    int width = 800;
    int height = 600;
    HtmlViewEvents events;
    // The frame around the page (gtk): a toolbar above it, accelerators,
    // and status panes below it, each of the given width in pixels (0:
    // the pane takes the room left). None of them by default.
    std::vector<FrameButton> toolbar;
    std::vector<FrameAccelerator> accelerators;
    std::vector<int> statusPanes;
    // After the status panes, numbered on from them.
    std::vector<FrameLockPane> lockPanes;
};

// A user's action on the shown page, as the script answers give it
// ("Page click:ID" ...): click an element (a link is followed, a check box
// or radio button toggled, an onclick that sets the location followed),
// set the value of a field ("set:ID:VALUE", the field's onchange followed
// the same way), check or uncheck a box ("check:ID", "uncheck:ID"), select
// the option of that value ("select:ID:VALUE"), expect the page shown
// to be the named resource ("expect:home.htm"), or expect an element to
// show exactly a text ("shows:ID:TEXT", "%20" in TEXT a blank, "%25" a
// per cent sign).
struct PageAction {
    enum class Kind { Click, Set, Check, Uncheck, Select, Expect, Shows };
    Kind kind = Kind::Click;
    std::string target;  // element id; for Expect the page's name
    std::string value;   // Set, Select and Shows
};

// Reads "click:ID" ... as above; throws std::invalid_argument otherwise.
PageAction parsePageAction(std::string_view text);

// A stand-in for a page function, for the script backend.
using PageFunction = std::function<void(class HtmlView& view, const std::vector<std::string>& args)>;

class HtmlView {
public:
    virtual ~HtmlView() = default;

    // Starts the navigation to the URL (beforeNavigate comes first). The
    // script backend has finished it on return; the gtk backend has it
    // under way (waitUntilSettled).
    virtual void navigate(const std::string& url) = 0;
    // Back in the view's own history of loaded pages; false when there is
    // nothing to go back to.
    virtual bool goBack() = 0;
    // Waits until no navigation is under way and the page has loaded;
    // false when that took longer than the limit.
    virtual bool waitUntilSettled(int limitMs = 10000) = 0;
    // The URL of the page shown; empty before the first page.
    virtual std::string location() const = 0;

    // The element operations find the element by its id. The getters give
    // nothing, the setters false, when there is no such element or it has
    // no such property.
    // The value of a field (input, select: the selected option's value,
    // textarea, button, option).
    virtual std::optional<std::string> value(const std::string& id) = 0;
    // A select takes only the value of one of its options.
    virtual bool setValue(const std::string& id, const std::string& text) = 0;
    // Check boxes and radio buttons; checking a radio button unchecks the
    // others of its name.
    virtual std::optional<bool> checked(const std::string& id) = 0;
    virtual bool setChecked(const std::string& id, bool checked) = 0;
    // The index of a select's selected option (0 when none is marked, -1
    // when it has no options).
    virtual std::optional<int> selectedIndex(const std::string& id) = 0;
    virtual bool setDisabled(const std::string& id, bool disabled) = 0;
    virtual std::optional<std::string> className(const std::string& id) = 0;
    virtual bool setClassName(const std::string& id, const std::string& text) = 0;
    virtual std::optional<std::string> innerHtml(const std::string& id) = 0;
    virtual bool setInnerHtml(const std::string& id, const std::string& html) = 0;

    // Calls the page function of that name with text arguments; false when
    // the page has none (script: no stand-in) or it failed.
    virtual bool callFunction(const std::string& name, const std::vector<std::string>& args) = 0;
    // The stand-in the script backend calls for the page function; the
    // gtk backend runs the page's own function and ignores it.
    virtual void defineFunction(const std::string& name, PageFunction standIn) = 0;

    // Does what the user would do; false, with the reason in *why, when
    // the element is missing, cannot take the action, or (Expect) another
    // page is shown. Returns once the navigation it caused has settled.
    virtual bool perform(const PageAction& action, std::string* why = nullptr) = 0;

    // The text of a status pane (out of range: ignored) and whether a
    // toolbar command can be used; the script backend only keeps them.
    virtual void setStatusText(std::size_t pane, const std::string& text);
    virtual std::string statusText(std::size_t pane) const;
    virtual void setCommandEnabled(int command, bool enabled);
    bool commandEnabled(int command) const;
    // The lock keys' state: each lock pane shows its text while its key is
    // on. The gtk backend follows the keyboard itself, from the start; the
    // script backend starts with both off and keeps what is set here.
    void setKeyLocks(bool capsLock, bool numLock);

    // Performs the page actions of the script answers (platform/ui.h,
    // kind "Page") while the next answer is one; an action that cannot be
    // done goes to the script's handler of unanswered questions (or ends
    // the process) and stops the play. Returns how many were done.
    std::size_t playScriptedActions();

protected:
    // The name of the page shown (the location after its last "/").
    std::string pageName() const;
    // The options' lock panes, which follow the status panes; each
    // backend keeps them when it is made.
    void keepLockPanes(const HtmlViewOptions& options);

private:
    std::vector<std::string> m_statusTexts;
    std::vector<FrameLockPane> m_lockPanes;
    std::size_t m_firstLockPane = 0;
    std::vector<int> m_disabledCommands;
};

// The view of the backend in use; throws platform::WinError when no view
// can be made (gtk: ERROR_NOT_READY without a display).
std::unique_ptr<HtmlView> makeHtmlView(HtmlViewOptions options);

// "res://" + the module's path + "/" + name, each byte outside letters,
// digits, "-._~/" percent-encoded.
std::string resourceUrl(const std::filesystem::path& moduleFile, std::string_view name);

}  // namespace platform::ui
