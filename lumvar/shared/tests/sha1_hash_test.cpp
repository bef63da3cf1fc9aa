#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "lumvar/sha1_hash.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/files.h"
#include "win32/sync.h"

namespace {

using lumvar::Sha1Hash;

using platform::paths::toWide;

TEST(Sha1Hash, DigestTextsAreFortyHexDigitsUpperCased) {
    lumvar::log::setLevel(1);
    lumvar::log::clear();
    Sha1Hash h;
    ASSERT_EQ(lumvar::kOk, h.loadFromString("da39a3ee5e6b4b0d3255bfef95601890afd80709"));
    EXPECT_EQ("DA39A3EE5E6B4B0D3255BFEF95601890AFD80709", h.print());

    struct Case {
        std::string text;
        int code;
        std::string after;
    };
    const Case cases[] = {
        {std::string(39, 'A'), lumvar::kDigestLength, h.print()},
        {std::string(41, 'A'), lumvar::kDigestLength, h.print()},
        {"", lumvar::kDigestLength, h.print()},
        {std::string(39, 'A') + "g", lumvar::kDigestCharacter, ""},
        {"-" + std::string(39, '0'), lumvar::kDigestCharacter, ""},
    };
    for (const Case& test : cases) {
        Sha1Hash loaded = h;
        EXPECT_EQ(test.code, loaded.loadFromString(test.text)) << test.text;
        EXPECT_EQ(test.after, loaded.print()) << test.text;
    }
    const std::string log = platform::text::toUtf8(lumvar::log::text(true));
    EXPECT_NE(std::string::npos, log.find("Neplatná délka SHA-1 hashe. (39 znaků, správně 40)."));
    EXPECT_NE(std::string::npos, log.find("Neplatný znak v načítaném SHA-1 hashi. (\"g\")"));
    lumvar::log::setLevel(0);
}

TEST(Sha1Hash, FileDigestsMatchKnownValuesAndThePeer) {
    testkit::PlatformRoot root;
    const auto empty = root.write("empty", "");
    const auto abc = root.write("abc", "abc");
    std::string big;
    for (int i = 0; i < 700000; ++i) big += static_cast<char>(i * 7 + i / 256);
    const auto large = root.write("large.bin", big);

    Sha1Hash h;
    ASSERT_EQ(lumvar::kOk, h.calcFromFile(toWide(empty)));
    EXPECT_EQ("DA39A3EE5E6B4B0D3255BFEF95601890AFD80709", h.print());
    ASSERT_EQ(lumvar::kOk, h.calcFromFile(toWide(abc).c_str()));
    EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", h.print());
    ASSERT_EQ(lumvar::kOk, h.calcFromFile(toWide(large)));
    const auto peer = testkit::run({"sha1sum", large.string()});
    ASSERT_EQ(0, peer.exitCode);
    std::string expected = peer.out.substr(0, 40);
    for (char& c : expected) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(expected, h.print());
}

TEST(Sha1Hash, FailuresKeepTheOldTextAndSayWhy) {
    testkit::PlatformRoot root;
    lumvar::log::setLevel(1);
    lumvar::log::clear();
    Sha1Hash h;
    ASSERT_EQ(lumvar::kOk, h.loadFromString(std::string(40, 'A')));
    const std::u16string missing = toWide(root.path() / "missing.dll");
    EXPECT_EQ(lumvar::kOpenForHash, h.calcFromFile(missing));
    EXPECT_EQ(lumvar::kNullArgument, h.calcFromFile(static_cast<const WCHAR*>(nullptr)));
    EXPECT_EQ(std::string(40, 'A'), h.print());
    const std::string log = platform::text::toUtf8(lumvar::log::text(true));
    EXPECT_NE(std::string::npos,
              log.find("Nepodařilo se otevřít soubor \"" + platform::text::toUtf8(missing) + "\". LastError = 2"))
        << log;

    // The upgrade process shares files for reading only and names no error.
    Sha1Hash::setOpenRule(Sha1Hash::kUpgradeOpenRule);
    EXPECT_EQ(lumvar::kOpenForHash, h.calcFromFile(missing));
    Sha1Hash::setOpenRule(Sha1Hash::kClientOpenRule);
    EXPECT_NE(std::string::npos,
              platform::text::toUtf8(lumvar::log::text(true)).find(platform::text::toUtf8(missing) + "\".\n"));
    lumvar::log::setLevel(0);
}

TEST(Sha1Hash, AFileOpenForWritingIsStillHashed) {
    testkit::PlatformRoot root;
    const auto file = root.write("in-use.dll", "abc");
    const HANDLE writer = CreateFileW(toWide(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    Sha1Hash h;
    EXPECT_EQ(lumvar::kOk, h.calcFromFile(toWide(file)));
    EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", h.print());
    CloseHandle(writer);
}

// Callers close after each file they hash; a holder that came earlier must
// still be able to hash, and hashing works with no holder at all.
TEST(Sha1Hash, ClosingAfterEachFileLeavesTheLongerHolderAContext) {
    testkit::PlatformRoot root;
    const auto file = root.write("a.dll", "abc");
    ASSERT_EQ(lumvar::kOk, Sha1Hash::init());  // the client's session
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(lumvar::kOk, Sha1Hash::init());
        Sha1Hash h;
        ASSERT_EQ(lumvar::kOk, h.calcFromFile(toWide(file)));
        ASSERT_EQ(lumvar::kOk, Sha1Hash::close());
    }
    Sha1Hash later;
    EXPECT_EQ(lumvar::kOk, later.calcFromFile(toWide(file)));
    EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", later.print());
    EXPECT_EQ(lumvar::kOk, Sha1Hash::close());
    EXPECT_EQ(lumvar::kOk, Sha1Hash::close());  // nothing held: harmless
    Sha1Hash afterClose;
    EXPECT_EQ(lumvar::kOk, afterClose.calcFromFile(toWide(file)));
    EXPECT_EQ(later, afterClose);
    EXPECT_EQ(lumvar::kOk, Sha1Hash::close());
}

}  // namespace
