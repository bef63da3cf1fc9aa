// The trusted certificate store: its registry layout, loading past
// malformed values and duplicates, stale values, and the trust answer.
#include "common/trusted_store.h"

#include <gtest/gtest.h>

#include "cert_lists_support.h"

namespace {

using namespace cert_lists_support;

class TrustedStoreTest : public ::testing::Test {
protected:
    void SetUp() override { store->SetBaseKey(kTrusted); }
    void TearDown() override {
        store->Clear();
        store->SetBaseKey("");
        store->SetCheckMask(0);
    }

    // The entry's flags, or -1 when the store does not hold the certificate.
    long long flagsOf(const CertInfo& record) {
        TTrustedEntry entry;
        return store->FindEntry(record, entry) ? static_cast<long long>(entry.flags) : -1;
    }

    testkit::PlatformRoot root;  // first: making the certificates uses the emulated machine
    const Certificates& c = certs();
    TCertTrustedStore* store = TCertTrustedStore::Instance();
};

TEST_F(TrustedStoreTest, SavedStoreIsACountAndFlagsWithPemValues) {
    ASSERT_EQ(store, TCertTrustedStore::Instance());
    ASSERT_TRUE(store->Add(3, c.commercial, false));
    ASSERT_TRUE(store->Add(16, c.qualified, true));
    ASSERT_TRUE(store->AddFromPem(7, c.commercial.pem, true));  // held already: its flags stay
    EXPECT_FALSE(store->AddFromPem(7, "no certificate", true));
    EXPECT_EQ(3, flagsOf(c.commercial));
    EXPECT_EQ((Values{{"0", sz("3;" + c.commercial.pem)}, {"1", sz("16;" + c.qualified.pem)}, {"ncerts", dword(2)}}),
              valuesOf(kTrusted));
}

TEST_F(TrustedStoreTest, LoadSkipsMalformedValuesAndDuplicates) {
    writeValues(kTrusted,
                {{"0", c.commercial.pem},
                 {"1", "3;" + c.qualified.pem},
                 {"2", "9;" + c.qualified.pem},
                 {"3", "5;no certificate"},
                 {"4", "16;" + c.large.pem},
                 {"6", "1;" + c.tsa.pem}},
                6);
    ASSERT_TRUE(store->Add(1, c.tsa, false));

    ASSERT_TRUE(store->Load());
    EXPECT_EQ(-1, flagsOf(c.commercial));
    EXPECT_EQ(3, flagsOf(c.qualified));
    EXPECT_EQ(16, flagsOf(c.large));
    EXPECT_EQ(-1, flagsOf(c.tsa));  // emptied first, and "6" is beyond the count
}

TEST_F(TrustedStoreTest, LoadFailsWithoutBaseKeyOrCount) {
    store->Add(1, c.tsa, false);
    EXPECT_TRUE(store->Load());  // no key yet: an empty store
    EXPECT_EQ(-1, flagsOf(c.tsa));
    writeValues(kTrusted, {{"0", "1;" + c.tsa.pem}}, std::nullopt);
    EXPECT_FALSE(store->Load());
    store->SetBaseKey("");
    EXPECT_FALSE(store->Load());
    EXPECT_FALSE(store->Save(false));
}

TEST_F(TrustedStoreTest, SaveRemovesValuesOfALongerStoreOnlyWhenAsked) {
    for (const auto* record : {&c.commercial, &c.qualified, &c.tsa}) store->Add(2, *record, false);
    ASSERT_TRUE(store->Save(false));
    store->Clear();
    store->Add(1, c.tsa, false);

    ASSERT_TRUE(store->Save(false));
    EXPECT_EQ((Values{{"0", sz("1;" + c.tsa.pem)},
                      {"1", sz("2;" + c.qualified.pem)},
                      {"2", sz("2;" + c.tsa.pem)},
                      {"ncerts", dword(1)}}),
              valuesOf(kTrusted));
    ASSERT_TRUE(store->Save(true));
    EXPECT_EQ((Values{{"0", sz("1;" + c.tsa.pem)}, {"ncerts", dword(1)}}), valuesOf(kTrusted));
}

TEST_F(TrustedStoreTest, TrustIsOneUnlessTheCheckMaskAsksForTheBits) {
    store->Add(16 | 1, c.qualified, false);
    store->Add(3, c.commercial, false);
    const auto qualified = contextOf(c.pki.qualified.certificate);
    const auto commercial = contextOf(c.pki.commercial.certificate);
    const auto stranger = contextOf(c.pki.tsa.certificate);
    TTrustedEntry entry;
    EXPECT_FALSE(store->FindEntry(CertInfo{}, entry));

    EXPECT_EQ(1u, store->GetTrust(stranger.get(), 16));
    EXPECT_EQ(1u, store->GetTrust(nullptr, 16));

    store->SetCheckMask(16);
    EXPECT_EQ(17u, store->GetTrust(qualified.get(), 16 | 1));
    EXPECT_EQ(0u, store->GetTrust(commercial.get(), 16));
    EXPECT_EQ(0u, store->GetTrust(stranger.get(), 16));
    EXPECT_EQ(0u, store->GetTrust(nullptr, 16));
    EXPECT_EQ(1u, store->GetTrust(stranger.get(), 0));
    EXPECT_EQ(1u, store->GetTrust(stranger.get(), 32));
}

}  // namespace
