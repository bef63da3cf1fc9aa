// The signature-policy decoder over any bytes: a whole policy, and the
// readers of a message's signature-policy identifier over the same bytes.
// A refusal is the expected outcome; crashes, hangs and leaks are the bugs.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/sign_policy_decoder.h"

namespace {

std::filesystem::path g_root;

void RemoveRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(g_root, ignored);
}

}  // namespace

// Hashing reaches the providers, whose state lives under PLATFORM_ROOT: a
// folder of the run's own, never the user's.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tesk-fuzz-policy-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    g_root = pattern;
    setenv("PLATFORM_ROOT", pattern.c_str(), 1);
    std::atexit(RemoveRoot);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SignPolicyInfo info;
    DecodeSignPolicyBuffer(data, static_cast<DWORD>(size), info);

    const TSignPolicyDecoder decoder;
    const TSignPolicyDecoder::Der bytes(data, size);
    SignPolicyId id;
    std::string oid;
    decoder.DecodePolicyOid(bytes, id);
    decoder.DecodeFirstOid(bytes, oid);
    decoder.DecodePolicyHash(bytes, id);
    decoder.DecodePolicyQualifiers(bytes, id);
    return 0;
}
