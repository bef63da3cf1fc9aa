// The session's key container in the software provider: its full name,
// generation, selection, import, export and deletion.
#include <gtest/gtest.h>

#include <string>

#include "enroll.h"
#include "my_error.h"
#include "pentak_support.h"
#include "testkit/platform_root.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr char16_t kSoftwareProvider[] = u"Microsoft Enhanced Cryptographic Provider v1.0";

std::u16string fullName(const char16_t* reader, const char16_t* container) {
    CEnroll session;
    if (reader) session.SetSmartCardReaderName(reader);
    if (container) session.SetContainerName(container);
    return session.FullContainerName();
}

TEST(FullContainerName, ReaderPrefixAndContainer) {
    EXPECT_EQ(u"\\\\.\\Reader 1\\abc", fullName(u"Reader 1", u"abc"));
    EXPECT_EQ(u"\\\\.\\Reader 1\\", fullName(u"Reader 1", nullptr));
    EXPECT_EQ(u"\\\\.\\Other\\xyz", fullName(u"Reader 1", u"\\\\.\\Other\\xyz"));
    EXPECT_EQ(u"\\\\.\\Reader 1\\abc", fullName(u"\\\\.\\Reader 1\\", u"abc"));
    EXPECT_EQ(u"abc", fullName(u"", u"abc"));
    EXPECT_EQ(u"", fullName(nullptr, nullptr));
}

class SoftwareKeys : public ::testing::Test {
protected:
    SoftwareKeys() {
        m_session.SetProviderName(kSoftwareProvider);
        m_session.SetContainerName(u"pentak-keys");
        m_session.SetGenKeyFlags((1024u << 16) | CRYPT_EXPORTABLE);
    }

    testkit::PlatformRoot m_machine;
    CEnroll m_session;
};

TEST_F(SoftwareKeys, GenerateCreatesTheContainerOnceAndSelectOpensIt) {
    EXPECT_FALSE(m_session.KeySelect());
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEYSET), GetLastError());
    EXPECT_EQ(u"", CMyError::Instance().GetText());

    ASSERT_TRUE(m_session.KeyGenerate()) << std::hex << GetLastError();
    EXPECT_EQ(0u, GetLastError());
    ASSERT_TRUE(m_session.KeySelect());

    EXPECT_FALSE(m_session.KeyGenerate());
    EXPECT_EQ(static_cast<DWORD>(NTE_EXISTS), GetLastError());
    EXPECT_TRUE(CMyError::Instance().GetText().starts_with(
        u"Enroll (line: 980) (MyError:10000000) (LastError:0x8009000f) (errno:"));
}

}  // namespace
