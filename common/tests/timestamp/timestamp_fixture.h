// The time-stamp road as the signing component runs it, against our tti
// library (found through PLATFORM_MODULE_PATH) and testkit's TSA, on a
// fresh machine whose user trusts the testkit root.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/scoped_env.h"
#include "common/timestamp.h"
#include "common/timestamp_connection.h"
#include "common/timestamp_query.h"
#include "testkit/platform_root.h"
#include "testkit/pki.h"

namespace timestamp_test {

inline constexpr char kSha256Oid[] = "2.16.840.1.101.3.4.2.1";

const testkit::pki::Hierarchy& hierarchy();
// Adds a certificate to one of the user's system stores ("Root", "CA").
void trust(const char16_t* store, const testkit::Bytes& der);
std::vector<BYTE> sha256(const std::vector<BYTE>& data);

// Where the road stopped and what it reported there.
struct Outcome {
    std::string step;  // empty when the road went through; else "encode", "connect", "send",
                       // "unpack", "status", "token" or "check"
    int status = 0;
    std::string text;
    std::vector<BYTE> imprint;
    std::vector<BYTE> token;
    TtiTokenInfo info{};
};

struct RoadOptions {
    std::string policy;
    DWORD timeout = 10;
};

// Hash of the signature value, query, transfer, reply and token checks.
Outcome fetchTimeStamp(const std::string& url, const std::vector<BYTE>& signatureValue,
                       const RoadOptions& options = {});

// A fresh machine that finds our tti library and shows no window.
struct Machine {
    testkit::PlatformRoot root;
    ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_TTI_DIR};
    ScopedEnv ui{"PLATFORM_UI", "script"};
};

}  // namespace timestamp_test
