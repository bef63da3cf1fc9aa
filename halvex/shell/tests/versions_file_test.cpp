// The program's version notes: a hostile Versions.xml in the program's
// folder is refused quickly with little memory, and the notes of a plain
// one are read.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "testkit/bounded_run.h"
#include "testkit/platform_root.h"
#include "versions_file.h"

namespace halvex {
namespace {

TEST(VersionNotes, HostileMarkupIsRefusedQuicklyWithLittleMemory) {
    testkit::PlatformRoot root;
    const VersionNumbers after = ParseVersion(u"1.0.0.0");
    const VersionNumbers upTo = ParseVersion(u"2.0.0.0");
    const auto plain = root.write("plain/Versions.xml",
                                  "<versions><version val=\"1.5.0.0\"><change lang=\"CZ\"><entry title=\"Oprava &amp; "
                                  "zrychlen\xC3\xAD\">tisk</entry></change></version></versions>");
    const auto notes = ReadVersionNotes(platform::paths::toWide(plain), after, upTo, u"CZ");
    ASSERT_TRUE(notes);
    ASSERT_EQ(1u, notes->size());
    EXPECT_EQ(u"Oprava & zrychlení", notes->front().title);
    EXPECT_EQ(u"tisk", notes->front().text);

    for (const auto& bomb : testkit::HostileMarkups("versions")) {
        const auto file = root.write("bomb/Versions.xml", "<?xml version=\"1.0\"?>\n" + bomb.doctype +
                                                              "<versions><version val=\"1.5.0.0\"><change lang=\"CZ\">"
                                                              "<entry title=\"" + bomb.references + "\">" +
                                                              bomb.references + "</entry></change></version></versions>");
        const auto run = testkit::RunBounded(
            [&] { return ReadVersionNotes(platform::paths::toWide(file), after, upTo, u"CZ") ? 1 : 0; });
        EXPECT_TRUE(testkit::RefusedQuickly(run)) << bomb.name;
    }
}

}  // namespace
}  // namespace halvex
