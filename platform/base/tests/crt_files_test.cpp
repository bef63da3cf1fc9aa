// _wfopen_s: a wide Windows path opened through the C runtime, its modes
// and its errors.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "testkit/platform_root.h"
#include "win32/crt_files.h"

namespace {

TEST(WideFopen, WritesAndReadsBackThroughAWindowsPathAndReportsErrors) {
    testkit::PlatformRoot root;
    root.write("složka/keep.txt", "");
    const std::u16string file = root.path().u16string() + u"\\složka\\data.bin";

    FILE* f = nullptr;
    ASSERT_EQ(0, _wfopen_s(&f, file.c_str(), u"wb"));
    ASSERT_NE(nullptr, f);
    const std::string bytes("line\n\0\xff", 7);
    EXPECT_EQ(bytes.size(), std::fwrite(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    EXPECT_EQ(bytes, root.read("složka/data.bin"));  // text or binary, no CR is added

    ASSERT_EQ(0, _wfopen_s(&f, file.c_str(), u"a+t"));
    std::fputs("more", f);
    std::fclose(f);
    EXPECT_EQ(bytes + "more", root.read("složka/data.bin"));

    f = reinterpret_cast<FILE*>(1);
    EXPECT_EQ(EEXIST, _wfopen_s(&f, file.c_str(), u"wbx"));
    EXPECT_EQ(nullptr, f);  // a failure never leaves the old pointer
    EXPECT_EQ(ENOENT, _wfopen_s(&f, (root.path().u16string() + u"\\missing.bin").c_str(), u"rb"));
    EXPECT_EQ(ENOENT, _wfopen_s(&f, u"", u"rb"));
    for (const char16_t* mode : {u"", u"rw", u"rbb", u"ax", u"r+b+", u"wbz"})
        EXPECT_EQ(EINVAL, _wfopen_s(&f, file.c_str(), mode)) << std::string(mode, mode + std::char_traits<char16_t>::length(mode));
    EXPECT_EQ(EINVAL, _wfopen_s(&f, nullptr, u"rb"));
    EXPECT_EQ(EINVAL, _wfopen_s(&f, file.c_str(), nullptr));
    EXPECT_EQ(EINVAL, _wfopen_s(nullptr, file.c_str(), u"rb"));
    EXPECT_EQ(bytes + "more", root.read("složka/data.bin"));  // nothing above touched the file
}

}  // namespace
