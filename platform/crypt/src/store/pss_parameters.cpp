#include "store/pss_parameters.h"

#include "der/der.h"
#include "platform/win_error.h"

namespace platform::crypt::store {

namespace {

constexpr char kSha1[] = "1.3.14.3.2.26";
constexpr char kMgf1[] = "1.2.840.113549.1.1.8";

// A HashAlgorithm: the OID with NULL parameters or none.
std::string hashOidOf(der::Reader r) {
    der::Reader algorithm = r.enter(der::kSequence);
    r.finish();
    std::string oid = der::oidTextOf(algorithm.read(der::kOid).content);
    if (const auto parameters = algorithm.readIf(der::kNull); parameters && !parameters->content.empty())
        throw WinError(CRYPT_E_ASN1_CORRUPT, "NULL with content");
    algorithm.finish();
    return oid;
}

// MGF1 over a HashAlgorithm; the OID of that hash.
std::string mgf1HashOf(der::Reader r) {
    der::Reader algorithm = r.enter(der::kSequence);
    r.finish();
    if (der::oidTextOf(algorithm.read(der::kOid).content) != kMgf1)
        throw WinError(NTE_BAD_ALGID, "not MGF1");
    return hashOidOf(algorithm);
}

// The one INTEGER of an explicit tag.
std::int32_t integerIn(der::Reader r) {
    const std::int32_t value = der::int32Of(r.read(der::kInteger).content);
    r.finish();
    return value;
}

}  // namespace

std::optional<PssParameters> pssParametersOf(View parameters) {
    try {
        if (parameters.empty()) return std::nullopt;
        der::Reader outer(parameters);
        der::Reader fields = outer.enter(der::kSequence);
        outer.finish();
        PssParameters read{kSha1, kSha1, 20};
        if (const auto hash = fields.readIf(der::contextConstructed(0))) read.hashOid = hashOidOf(fields.enter(*hash));
        if (const auto mgf = fields.readIf(der::contextConstructed(1))) read.mgf1HashOid = mgf1HashOf(fields.enter(*mgf));
        if (const auto salt = fields.readIf(der::contextConstructed(2))) read.saltLength = integerIn(fields.enter(*salt));
        const auto trailer = fields.readIf(der::contextConstructed(3));
        const std::int32_t trailerField = trailer ? integerIn(fields.enter(*trailer)) : 1;
        fields.finish();
        if (read.saltLength < 0 || trailerField != 1) return std::nullopt;
        return read;
    } catch (const WinError&) {
        return std::nullopt;  // parameters that do not read name no signature scheme
    }
}

}  // namespace platform::crypt::store
