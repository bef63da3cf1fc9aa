// The library exports the functions the client binds, and nothing else.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "testkit/process.h"

namespace {

TEST(Exports, AreExactlyTheBoundNames) {
    TESTKIT_REQUIRE_PROGRAM("nm");
    const auto result = testkit::run({"nm", "-D", "--defined-only", "--format=posix", TESK_TTI_LIBRARY});
    ASSERT_EQ(0, result.exitCode) << result.err;
    std::set<std::string> exported;
    std::istringstream lines(result.out);
    for (std::string name, rest; lines >> name && std::getline(lines, rest);) exported.insert(name);
    const std::set<std::string> bound = {"TTI_EncodeTSQ_Ex",
                                         "TTI_UnpackTSR",
                                         "TTI_GetTSR_Status",
                                         "TTI_GetTSR_EncodedToken",
                                         "TTI_GetTST_TSTInfoEx",
                                         "TTI_GetTST_TimeAttributeCert",
                                         "TTI_GetTAC_TimingMetrics",
                                         "TTI_GetTAC_TimingPolicy",
                                         "TTI_GetTAC_CertInfoEx",
                                         "TTI_RemoveAttrCerts",
                                         "TTI_VerifyTST_Signature",
                                         "TTI_GetTST_TSACert",
                                         "TTI_SHA1_Init",
                                         "TTI_SHA1_Update",
                                         "TTI_SHA1_Final",
                                         "TTI_SHA256_Init",
                                         "TTI_SHA256_Update",
                                         "TTI_SHA256_Final",
                                         "TTI_SHA384_Init",
                                         "TTI_SHA384_Update",
                                         "TTI_SHA384_Final",
                                         "TTI_SHA512_Init",
                                         "TTI_SHA512_Update",
                                         "TTI_SHA512_Final",
                                         "TTI_MD5_Init",
                                         "TTI_MD5_Update",
                                         "TTI_MD5_Final"};
    EXPECT_EQ(bound, exported);
}

}  // namespace
