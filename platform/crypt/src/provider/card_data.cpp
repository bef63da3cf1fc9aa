#include "card_data.h"

#include <cstdio>

namespace platform::crypt::provider {

namespace {

using namespace p11;

constexpr std::size_t kMaxCardData = 64 * 1024;

std::string hexNumber(DWORD param) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(param));
    return text;
}

std::optional<Bytes> publicValue(Session& session, Template& match) {
    match.add(CKA_CLASS, CKO_DATA).flag(CKA_PRIVATE, false);
    const auto found = session.find(match);
    if (found.empty()) return std::nullopt;
    return session.attribute(found.front(), CKA_VALUE, kMaxCardData);
}

}  // namespace

std::optional<Bytes> providerCardData(Session& session, DWORD param) {
    Template match;
    match.add(CKA_APPLICATION, "Tesk provider parameter " + hexNumber(param));
    return publicValue(session, match);
}

std::optional<Bytes> keyCardData(Session& session, const std::string& container, DWORD spec, DWORD param) {
    Template match;
    match.add(CKA_APPLICATION, "Tesk key parameter " + hexNumber(param) + " of key spec " + std::to_string(spec))
        .add(CKA_LABEL, container);
    return publicValue(session, match);
}

}  // namespace platform::crypt::provider
