// TPkcs7 over hostile bytes: the first byte chooses a detached open (the
// rest of the input is then also its content); whatever opens is asked
// every question for its first signers. The emulated machine lives in a
// folder of its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/pkcs7.h"

namespace {

void askEverything(const TPkcs7& reader) {
    std::vector<BYTE> bytes;
    std::string text, oid;
    FILETIME time{};
    std::vector<std::vector<BYTE>> values;
    SignPolicyId policy;
    std::vector<CertInfo> certificates;
    DWORD count = 0;
    reader.GetSignerCount(count);
    reader.GetEncodedMessage(bytes);
    reader.GetContent(bytes);
    for (DWORD n = 0; n < 3; ++n) {
        reader.GetSignerHashAlgOid(n, text);
        reader.GetSignerSignAlgOid(n, text);
        reader.GetSignerSigningTime(n, time);
        reader.GetSignerSignature(n, bytes);
        reader.GetSignerAttributeValues(n, CMSG_SIGNER_AUTH_ATTR_PARAM, "1.2.840.113549.1.9.4", values);
        reader.GetSignerTimeStampToken(n, bytes);
        reader.GetSignerSigningCertHash(n, text, n & 1);
        reader.GetSignerSigningCertHashV2(n, oid, text, n & 1);
        reader.GetSignerPolicyId(n, policy);
    }
    reader.GetSignerCertificates(certificates, nullptr, 0, 3);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static std::string root = "/tmp/common-fuzz-pkcs7-XXXXXX";
    if (!mkdtemp(root.data())) std::abort();
    setenv("PLATFORM_ROOT", root.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::vector<BYTE> message(data + 1, data + size);
    TPkcs7 reader;
    if (reader.Open(message, 0, data[0] & 1, message) == 0) askEverything(reader);
    return 0;
}
