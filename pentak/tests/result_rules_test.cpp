// The one rule by which the library's COM members report a session's
// outcome: codes and last errors as HRESULTs.
#include <gtest/gtest.h>

#include <new>

#include "result_rules.h"
#include "win32/error.h"
#include "win32/error_codes.h"

namespace {

using pentak::codeOf;
using pentak::flagOf;
using pentak::resultOfCode;
using pentak::resultOfFlag;

TEST(ResultRules, Win32ErrorsAreWrappedHresultsPassAndLargerCodesKeepTheirBits) {
    EXPECT_EQ(S_OK, resultOfCode(0));
    EXPECT_EQ(HRESULT_OF(0x80070005u), resultOfCode(ERROR_ACCESS_DENIED));
    EXPECT_EQ(HRESULT_OF(0x8007FFFFu), resultOfCode(0xFFFF));
    EXPECT_EQ(HRESULT_OF(0x8009000Fu), resultOfCode(0x8009000Fu)) << "NTE_EXISTS unchanged";
    // A card vendor's own positive code is not "access denied".
    EXPECT_EQ(HRESULT_OF(0xA0000005u), resultOfCode(0x20000005u));
    EXPECT_EQ(HRESULT_OF(0x80010000u), resultOfCode(0x10000u));
}

TEST(ResultRules, AFailedStepReportsTheLastErrorByTheSameRuleOrNteFail) {
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(S_OK, resultOfFlag(TRUE));
    EXPECT_EQ(HRESULT_OF(0x80070005u), resultOfFlag(FALSE));
    SetLastError(0);
    EXPECT_EQ(NTE_FAIL, resultOfFlag(FALSE));
    SetLastError(static_cast<DWORD>(NTE_EXISTS));
    EXPECT_EQ(NTE_EXISTS, resultOfFlag(FALSE));
    SetLastError(0x20000005u);
    EXPECT_EQ(HRESULT_OF(0xA0000005u), resultOfFlag(FALSE));
}

TEST(ResultRules, AStepReportsOnlyTheErrorItSetItself) {
    SetLastError(ERROR_NO_MORE_ITEMS);  // left by something earlier
    EXPECT_EQ(NTE_FAIL, flagOf([] { return FALSE; }));
    SetLastError(ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(HRESULT_OF(0x80070057u), flagOf([] {
                  SetLastError(ERROR_INVALID_PARAMETER);
                  return FALSE;
              }));
    EXPECT_EQ(S_OK, codeOf([] { return DWORD{0}; }));
    EXPECT_EQ(HRESULT_OF(0x80090013u), codeOf([] { return static_cast<DWORD>(NTE_BAD_PROVIDER); }));
    EXPECT_EQ(E_OUTOFMEMORY, codeOf([]() -> DWORD { throw std::bad_alloc(); }));
}

}  // namespace
