// Header lines and the HTTP_ADDREQ_FLAG_* modifiers.
#include "request_headers.h"

#include <gtest/gtest.h>

#include "platform/win_error.h"
#include "win32/inet.h"

using platform::inet::addHeaders;
using platform::inet::HeaderList;
using platform::inet::parseHeaderLines;

namespace {

DWORD codeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const platform::WinError& e) {
        return e.code();
    }
    return 0;
}

}  // namespace

TEST(RequestHeaders, LinesSplitAtEveryLineBreak) {
    const HeaderList lines = parseHeaderLines("A: 1\r\n\r\nB:2 \nC:\r", DWORD(-1));
    EXPECT_EQ((HeaderList{{"A", "1"}, {"B", "2"}, {"C", ""}}), lines);
    // A value with a line break in it cannot smuggle in a header without a name.
    EXPECT_EQ(ERROR_HTTP_INVALID_HEADER, codeOf([] { parseHeaderLines("Content-Type: a\r\n: b", DWORD(-1)); }));
    EXPECT_EQ(ERROR_HTTP_INVALID_HEADER, codeOf([] { parseHeaderLines("Bad Name: x", DWORD(-1)); }));
    EXPECT_EQ(ERROR_HTTP_INVALID_HEADER, codeOf([] { parseHeaderLines("A: x\x01y", DWORD(-1)); }));
    EXPECT_EQ((HeaderList{{"A", "1"}}), parseHeaderLines("A: 1\r\nB: 2", 4));
}

TEST(RequestHeaders, ModifiersAddReplaceOrRefuse) {
    HeaderList list{{"Accept", "*/*"}};
    addHeaders(list, {{"X", "1"}, {"X", "2"}}, HTTP_ADDREQ_FLAG_ADD);
    EXPECT_EQ(3u, list.size());
    addHeaders(list, {{"accept", "text/plain"}}, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    addHeaders(list, {{"Y", "new"}}, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    addHeaders(list, {{"X", ""}}, HTTP_ADDREQ_FLAG_REPLACE);
    EXPECT_EQ((HeaderList{{"Accept", "text/plain"}, {"X", "2"}, {"Y", "new"}}), list);

    const HeaderList before = list;
    EXPECT_EQ(ERROR_HTTP_HEADER_ALREADY_EXISTS,
              codeOf([&] { addHeaders(list, {{"Z", "1"}, {"Y", "2"}}, HTTP_ADDREQ_FLAG_ADD_IF_NEW); }));
    EXPECT_EQ(ERROR_HTTP_HEADER_NOT_FOUND, codeOf([&] { addHeaders(list, {{"Q", "1"}}, HTTP_ADDREQ_FLAG_REPLACE); }));
    EXPECT_EQ(before, list);
}
