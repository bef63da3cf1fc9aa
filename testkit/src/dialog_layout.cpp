#include "testkit/dialog_layout.h"

#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

#include "platform/text.h"
#include "testkit/screen_user.h"
#include "win32/dialogs.h"

namespace testkit {

namespace {

std::string textOf(HWND window) {
    char16_t text[512] = {};
    SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return platform::text::toUtf8(text);
}

struct Search {
    std::string title;
    HWND found = nullptr;
};

BOOL matchTitle(HWND window, LPARAM search) {
    auto& s = *reinterpret_cast<Search*>(search);
    if (!IsWindowVisible(window) || textOf(window) != s.title) return TRUE;
    s.found = window;
    return FALSE;
}

BOOL collect(HWND control, LPARAM controls) {
    if (IsWindowVisible(control)) reinterpret_cast<std::vector<HWND>*>(controls)->push_back(control);
    return TRUE;
}

bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool overlap(const RECT& a, const RECT& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

std::string describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

struct Placed {
    std::string name;
    RECT rect;
};

}  // namespace

HWND shownDialog(const std::string& title) {
    Search search{title};
    EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::string> dialogLayoutFaults(const std::string& title) {
    const HWND dialog = shownDialog(title);
    if (!dialog) return {"no dialog \"" + title + "\" is shown"};
    RECT client{};
    GetWindowRect(dialog, &client);
    std::vector<HWND> controls;
    EnumChildWindows(dialog, collect, reinterpret_cast<LPARAM>(&controls));
    std::vector<Placed> placed;
    std::vector<std::string> faults;
    for (const HWND control : controls) {
        std::string text = textOf(control);
        std::size_t cut = 40;
        while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) ++cut;
        if (cut < text.size()) text = text.substr(0, cut) + "...";
        Placed p{"\"" + text + "\"", {}};
        GetWindowRect(control, &p.rect);
        // A frame laid one pixel past the edge, so that its line does not
        // double the window's own, is meant.
        const RECT edge{client.left - 1, client.top - 1, client.right + 1, client.bottom + 1};
        if (!inside(p.rect, edge))
            faults.push_back(p.name + " " + describe(p.rect) + " ends outside the window " + describe(client));
        for (const auto& other : placed)
            if (overlap(p.rect, other.rect) && !inside(p.rect, other.rect) && !inside(other.rect, p.rect))
                faults.push_back(p.name + " " + describe(p.rect) + " overlaps " + other.name + " " +
                                 describe(other.rect));
        placed.push_back(std::move(p));
    }
    return faults;
}

RECT placeInDialog(HWND dialog, int id) {
    const HWND control = GetDlgItem(dialog, id);
    RECT client{}, place{};
    if (!control || !GetWindowRect(dialog, &client) || !GetWindowRect(control, &place)) {
        ADD_FAILURE() << "no control " << id << " in the dialog";
        return {};
    }
    return {place.left - client.left, place.top - client.top, place.right - client.left, place.bottom - client.top};
}

void answerCheckingLayout(ScreenUser& user, const std::string& title, const std::string& keys, const Shot& shot) {
    if (!findWindow(title).empty()) {
        std::string faults;
        for (const auto& fault : dialogLayoutFaults(title)) faults += "\n  " + fault;
        EXPECT_EQ("", faults) << "in \"" << title << "\"";
    }
    user.answer(title, keys, shot);  // reports a window that never came
}

}  // namespace testkit
