#include "common/load_library.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using AnswerFn = int (*)();

// The test module, named as the system names modules: found as
// libtinymodule.so in that folder.
const std::string kModule = std::string(TESK_TINY_MODULE_DIR) + "/TinyModule.dll";

TEST(TLoadLibrary, BindsAnExportOnce) {
    TLoadLibrary library;
    ASSERT_TRUE(library.Load(kModule.c_str()));
    AnswerFn answer = nullptr;
    answer = library.GetProc("TinyAnswer", answer);
    ASSERT_NE(nullptr, answer);
    EXPECT_EQ(42, answer());
    EXPECT_EQ(nullptr, library.GetProc("Missing", AnswerFn{}));
    EXPECT_EQ(nullptr, library.GetProc(nullptr, AnswerFn{}));
}

TEST(TLoadLibrary, ABoundPointerIsReturnedUnchanged) {
    TLoadLibrary none;
    const AnswerFn bound = [] { return 7; };
    EXPECT_EQ(bound, none.GetProc("TinyAnswer", bound));
    EXPECT_EQ(nullptr, none.GetProc("TinyAnswer", AnswerFn{}));
}

TEST(TLoadLibrary, ASecondLoadKeepsTheFirstModule) {
    TLoadLibrary library;
    EXPECT_FALSE(library.Load(u"does-not-exist.dll"));
    ASSERT_TRUE(library.Load(std::u16string(kModule.begin(), kModule.end()).c_str()));
    EXPECT_TRUE(library.Load("does-not-exist.dll"));
    EXPECT_NE(nullptr, library.GetProc("TinyAnswer", AnswerFn{}));
}

TEST(TLoadLibrary, FreeForgetsTheModule) {
    TLoadLibrary library;
    EXPECT_EQ(0, library.Free());
    EXPECT_FALSE(library.Load(static_cast<const char*>(nullptr)));
    ASSERT_TRUE(library.Load(kModule.c_str()));
    EXPECT_NE(0, library.Free());
    EXPECT_EQ(nullptr, library.GetProc("TinyAnswer", AnswerFn{}));
    EXPECT_EQ(0, library.Free());
}

}  // namespace
