// The error boundary, handle tables and the two-call buffer rule that every
// area of the layer builds on.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/boundary.h"
#include "platform/buffers.h"
#include "platform/handle_table.h"

using namespace platform;

TEST(LastError, IsKeptPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenByOther = 1;
    std::thread([&] { seenByOther = GetLastError(); }).join();
    EXPECT_EQ(0u, seenByOther);
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
}

TEST(Boundary, FailureSetsTheCodeAndSuccessLeavesItAlone) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(TRUE, winBool([] { return true; }));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());

    EXPECT_EQ(FALSE, winBool([]() -> bool { throw WinError(NTE_BAD_KEY, "bad key"); }));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEY), GetLastError());

    EXPECT_EQ(FALSE, winBool([]() -> bool { throw std::bad_alloc(); }));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, GetLastError());

    EXPECT_EQ(static_cast<LONG>(ERROR_MORE_DATA), winLong([] { throw WinError(ERROR_MORE_DATA, "short"); }));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), winHr([]() -> HRESULT { throw WinError(ERROR_ACCESS_DENIED, "x"); }));
    EXPECT_EQ(NTE_BAD_SIGNATURE, winHr([]() -> HRESULT { throw WinError(NTE_BAD_SIGNATURE, "x"); }));
}

TEST(Boundary, HresultFromWin32KeepsHresultsAndZero) {
    EXPECT_EQ(S_OK, HRESULT_FROM_WIN32(ERROR_SUCCESS));
    EXPECT_EQ(E_ACCESSDENIED, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(E_OUTOFMEMORY, HRESULT_FROM_WIN32(ERROR_OUTOFMEMORY));
    EXPECT_EQ(SCARD_E_NO_SMARTCARD, HRESULT_FROM_WIN32(static_cast<DWORD>(SCARD_E_NO_SMARTCARD)));
}

TEST(HandleTable, StaleAndForgedHandlesAreErrorsNotCrashes) {
    HandleTable<int> table(ERROR_INVALID_HANDLE);
    const auto a = table.add(std::make_shared<int>(7));
    const auto b = table.add(std::make_shared<int>(8));
    EXPECT_NE(a, b);
    EXPECT_EQ(7, *table.get(a));
    table.remove(a);
    try {
        table.get(a);
        FAIL() << "a released handle was accepted";
    } catch (const WinError& e) {
        EXPECT_EQ(ERROR_INVALID_HANDLE, e.code());
    }
    EXPECT_THROW(table.remove(a), WinError);
    EXPECT_THROW(table.get(0xdead), WinError);
    EXPECT_NE(a, table.add(std::make_shared<int>(9))) << "handle values must not be reused";
}

TEST(CopyOut, SizeQueryThenShortBufferThenCopy) {
    const std::vector<BYTE> value{1, 2, 3, 4};
    DWORD cb = 0;
    copyOut(value, nullptr, &cb);
    EXPECT_EQ(4u, cb);

    BYTE small[2] = {};
    cb = sizeof small;
    try {
        copyOut(value, small, &cb);
        FAIL();
    } catch (const WinError& e) {
        EXPECT_EQ(ERROR_MORE_DATA, e.code());
    }
    EXPECT_EQ(4u, cb) << "the needed size is reported with ERROR_MORE_DATA";

    BYTE big[8] = {};
    cb = sizeof big;
    copyOut(value, big, &cb);
    EXPECT_EQ(4u, cb);
    EXPECT_EQ(4, big[3]);
    EXPECT_THROW(copyOut(value, big, nullptr), WinError);
}

TEST(CopyOut, TextCountsTheTerminator) {
    DWORD cch = 0;
    copyOutText(std::u16string_view(u"abc"), nullptr, &cch);
    EXPECT_EQ(4u, cch);
    char16_t buf[4];
    copyOutText(std::u16string_view(u"abc"), buf, &cch);
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(buf));
    cch = 3;
    EXPECT_THROW(copyOutText(std::string_view("abc"), reinterpret_cast<char*>(buf), &cch), WinError);
}
