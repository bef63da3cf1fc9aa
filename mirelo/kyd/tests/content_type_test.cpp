// The MIME type given to a document stored as a plain file.
#include <gtest/gtest.h>

#include <string>

#include "kyd/file_kyd.h"

namespace {

std::pair<bool, std::string> typeOf(const char* name, std::size_t room = 64) {
    char buffer[64] = "unchanged";
    const bool known = ContentTypeFromExtension(name, buffer, room);
    return {known, buffer};
}

}  // namespace

TEST(KydContentType, ExtensionsMatchByPrefixWithoutCase) {
    EXPECT_EQ(std::make_pair(true, std::string("application/msword")), typeOf("report.DOCX"));
    EXPECT_EQ(std::make_pair(true, std::string("text/html")), typeOf("page.html"));
    EXPECT_EQ(std::make_pair(true, std::string("text/plain")), typeOf("my.notes.txt"));
    EXPECT_EQ(std::make_pair(true, std::string("image/x-portable-bitmap")), typeOf("scan.pbm"));
    EXPECT_EQ(std::make_pair(true, std::string("x-world/x-vrml")), typeOf("scene.wrl"));
    EXPECT_EQ(std::make_pair(false, std::string("application/octet-stream")), typeOf("archive.7z"));
    EXPECT_EQ(std::make_pair(false, std::string("application/octet-stream")), typeOf("page.wml"));
    EXPECT_EQ(std::make_pair(true, std::string("application/zip")), typeOf("zip"));
    EXPECT_EQ(std::make_pair(true, std::string("text/h")), typeOf("a.htm", 7)) << "cut to the buffer";
}
