// A certificate whose key lives on a SoftHSM2 token: its record names the
// token's provider and container, and the record finds the key again.
#include <gtest/gtest.h>

#include "../cert_store_support.h"
#include "testkit/softhsm.h"

TEST(CertRecordKey, RecordFindsItsKeyOnAToken) {
    TESTKIT_REQUIRE_SOFTHSM();
    cert_support::checkRecordFindsItsKey(testkit::CspKind::SoftHsmToken);
}
