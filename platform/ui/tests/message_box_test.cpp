// MessageBoxA/W as a caller sees them: the box offered to the user for each
// style, the result of each answer, the refusals.
#include <gtest/gtest.h>

#include <vector>

#include "fake_backend.h"
#include "platform/win_error.h"
#include "win32/error.h"
#include "win32/ui.h"

using platform::ui::Icon;
using platform::ui::kBoxClosed;
using platform::ui::MessageBoxRequest;

namespace {

struct Style {
    UINT type;
    std::vector<int> buttons;
    int onClose;  // 0: the box cannot be closed
};

const std::vector<Style> kStyles = {
    {MB_OK, {IDOK}, IDOK},
    {MB_OKCANCEL, {IDOK, IDCANCEL}, IDCANCEL},
    {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, 0},
    {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, IDCANCEL},
    {MB_YESNO, {IDYES, IDNO}, 0},
    {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDCANCEL},
};

}  // namespace

TEST(MessageBox, EachButtonSetOffersItsButtonsAndReturnsThePressedOne) {
    FakeBackend fake;
    for (const auto& style : kStyles) {
        for (const int pressed : style.buttons) {
            fake.user().onBox = [&](const MessageBoxRequest&) { return pressed; };
            EXPECT_EQ(pressed, MessageBoxW(nullptr, u"text", u"caption", style.type));
            EXPECT_EQ(style.buttons, fake.user().boxes.back().buttons) << "type " << style.type;
        }
    }
}

TEST(MessageBox, ClosingGivesCancelOrOkAndOtherBoxesCannotBeClosed) {
    FakeBackend fake;
    for (const auto& style : kStyles) {
        fake.user().onBox = [](const MessageBoxRequest& box) { return box.closable ? kBoxClosed : box.buttons[0]; };
        const int result = MessageBoxW(nullptr, u"text", u"caption", style.type);
        EXPECT_EQ(style.onClose != 0, fake.user().boxes.back().closable) << "type " << style.type;
        EXPECT_EQ(style.onClose ? style.onClose : style.buttons[0], result) << "type " << style.type;
    }
    // A backend that closes a box it was told cannot be closed gets an
    // error, not a made-up answer.
    fake.user().onBox = [](const MessageBoxRequest&) { return kBoxClosed; };
    EXPECT_EQ(0, MessageBoxW(nullptr, u"text", u"caption", MB_YESNO));
    EXPECT_EQ(ERROR_INTERNAL_ERROR, GetLastError());
}

TEST(MessageBox, DefaultButtonFollowsTheFlagAndFallsBackToTheFirst) {
    FakeBackend fake;
    const std::vector<std::pair<UINT, std::size_t>> cases = {
        {MB_YESNOCANCEL | MB_DEFBUTTON1, 0}, {MB_YESNOCANCEL | MB_DEFBUTTON2, 1},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, 2}, {MB_YESNO | MB_DEFBUTTON3, 0},
        {MB_OK | MB_DEFBUTTON2, 0},          {MB_ABORTRETRYIGNORE | 0x300, 0},
    };
    for (const auto& [type, index] : cases) {
        MessageBoxW(nullptr, u"text", u"caption", type);
        EXPECT_EQ(index, fake.user().boxes.back().defaultButton) << "type " << type;
    }
}

TEST(MessageBox, IconsFollowTheFlags) {
    FakeBackend fake;
    const std::vector<std::pair<UINT, Icon>> cases = {
        {0, Icon::None},
        {MB_ICONERROR, Icon::Error},
        {MB_ICONQUESTION, Icon::Question},
        {MB_ICONWARNING, Icon::Warning},
        {MB_ICONINFORMATION, Icon::Information},
    };
    for (const auto& [flag, icon] : cases) {
        MessageBoxW(nullptr, u"text", u"caption", MB_OK | flag);
        EXPECT_EQ(icon, fake.user().boxes.back().icon) << "flag " << flag;
    }
}

TEST(MessageBox, NarrowTextIsAnsiAndANullCaptionIsError) {
    FakeBackend fake;
    MessageBoxA(nullptr, "Opravdu chcete pokra\xE8ovat? \x8A\x9E", "P\xF8\xEDkaz", MB_OK);
    EXPECT_EQ("Opravdu chcete pokračovat? Šž", fake.user().boxes.back().text);
    EXPECT_EQ("Příkaz", fake.user().boxes.back().caption);
    MessageBoxA(nullptr, nullptr, nullptr, MB_OK);
    EXPECT_EQ("", fake.user().boxes.back().text);
    EXPECT_EQ("Error", fake.user().boxes.back().caption);
    MessageBoxW(nullptr, u"Žluťoučký kůň", nullptr, MB_OK);
    EXPECT_EQ("Žluťoučký kůň", fake.user().boxes.back().text);
    EXPECT_EQ("Error", fake.user().boxes.back().caption);
}

TEST(MessageBox, RefusesUnknownStylesAndOwnersWithoutAskingTheUser) {
    FakeBackend fake;
    for (const UINT type : {UINT{6}, UINT{0xF}, UINT{MB_OK | 0x50}, UINT{MB_OK | 0x80}}) {
        SetLastError(0);
        EXPECT_EQ(0, MessageBoxW(nullptr, u"text", u"caption", type));
        EXPECT_EQ(ERROR_INVALID_MSGBOX_STYLE, GetLastError()) << "type " << type;
    }
    EXPECT_EQ(0, MessageBoxA(reinterpret_cast<HWND>(0x1234), "text", "caption", MB_OK));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_TRUE(fake.user().boxes.empty());
}

TEST(MessageBox, TheDesktopAndActiveWindowsAreAcceptedOwners) {
    FakeBackend fake;
    fake.user().onBox = [](const MessageBoxRequest&) { return IDOK; };
    ASSERT_NE(nullptr, GetDesktopWindow());
    EXPECT_EQ(IDOK, MessageBoxW(GetDesktopWindow(), u"text", u"caption", MB_OK));
    EXPECT_EQ(IDOK, MessageBoxW(GetActiveWindow(), u"text", u"caption", MB_OK));
}

TEST(MessageBox, ABackendFailureIsZeroWithItsLastError) {
    FakeBackend fake;
    fake.user().onBox = [](const MessageBoxRequest&) -> int {
        throw platform::WinError(ERROR_NOT_READY, "no display");
    };
    EXPECT_EQ(0, MessageBoxW(nullptr, u"text", u"caption", MB_OK));
    EXPECT_EQ(ERROR_NOT_READY, GetLastError());
}
