// Without a usable time-stamp library every step reports -18 and touches nothing.
#include "common/timestamp_library.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/timestamp.h"
#include "common/timestamp_query.h"
#include "testkit/scoped_env.h"
#include "testkit/platform_root.h"

namespace {

void expectEveryStepNotLoaded() {
    TTimeStampQuery query;
    query.SetMessageImprint(std::vector<BYTE>(32, 1), "2.16.840.1.101.3.4.2.1");
    std::vector<BYTE> request;
    EXPECT_FALSE(query.Encode(request));
    EXPECT_EQ(TTI_E_NOT_LOADED, query.GetResult());
    EXPECT_EQ(0u, query.Load());  // tried again, still missing

    std::vector<BYTE> reply = {0x30, 0x00}, token;
    TtiTokenInfo info{};
    TTimeStamp stamp;
    EXPECT_FALSE(stamp.UnpackResponse(reply, 0));
    EXPECT_EQ(TTI_E_NOT_LOADED, stamp.GetStatus());
    EXPECT_FALSE(stamp.CheckResponseStatus(reply));
    EXPECT_FALSE(stamp.GetEncodedToken(reply, token));
    EXPECT_FALSE(stamp.GetTokenInfo(reply, info));
    EXPECT_FALSE(stamp.CheckToken(reply, query));
    EXPECT_EQ(TTI_E_NOT_LOADED, stamp.GetStatus());
    EXPECT_EQ(2u, reply.size());
}

TEST(TtiLib, AMissingLibraryFailsEveryStep) {
    const testkit::PlatformRoot root;
    const ScopedEnv modules("PLATFORM_MODULE_PATH", root.path().string());
    expectEveryStepNotLoaded();
}

TEST(TtiLib, ALibraryWithoutTheExportsCountsAsMissing) {
    const testkit::PlatformRoot root;
    std::filesystem::copy_file(std::filesystem::path(TESK_TINY_MODULE_DIR) / "libtinymodule.so",
                               root.path() / "libtti.so");
    const ScopedEnv modules("PLATFORM_MODULE_PATH", root.path().string());
    expectEveryStepNotLoaded();
}

}  // namespace
