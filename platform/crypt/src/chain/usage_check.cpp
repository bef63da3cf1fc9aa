#include "chain/usage_check.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win_error.h"

namespace platform::crypt::chain {

namespace {

using Usages = std::optional<std::vector<std::string>>;  // nullopt: every usage

Usages narrowed(const Usages& allowed, const Usages& own) {
    if (!allowed) return own;
    if (!own) return allowed;
    std::vector<std::string> both;
    for (const std::string& u : *own)
        if (std::find(allowed->begin(), allowed->end(), u) != allowed->end()) both.push_back(u);
    return both;
}

bool grants(const Usages& usages, const CERT_USAGE_MATCH& requested) {
    if (!usages) return true;
    const auto has = [&](DWORD i) {
        return std::find(usages->begin(), usages->end(), std::string_view(requested.Usage.rgpszUsageIdentifier[i])) !=
               usages->end();
    };
    const DWORD count = requested.Usage.cUsageIdentifier;
    bool all = true, any = false;
    for (DWORD i = 0; i < count; ++i) {
        all = all && has(i);
        any = any || has(i);
    }
    return requested.dwType == USAGE_MATCH_TYPE_OR ? any : all;
}

}  // namespace

void checkRequestedUsage(const CERT_USAGE_MATCH& requested) {
    if (requested.dwType != USAGE_MATCH_TYPE_AND && requested.dwType != USAGE_MATCH_TYPE_OR)
        throw WinError(E_INVALIDARG, "unknown usage match type");
    if (requested.Usage.cUsageIdentifier && !requested.Usage.rgpszUsageIdentifier)
        throw WinError(E_INVALIDARG, "usage identifiers missing");
    for (DWORD i = 0; i < requested.Usage.cUsageIdentifier; ++i)
        if (!requested.Usage.rgpszUsageIdentifier[i]) throw WinError(E_INVALIDARG, "null usage identifier");
}

void addUsageErrors(const Path& path, const CERT_USAGE_MATCH& requested, Statuses& statuses) {
    if (requested.Usage.cUsageIdentifier == 0) return;
    Usages allowed;
    for (std::size_t i = path.links.size(); i-- > 0;) {
        allowed = narrowed(allowed, path.links[i].facts.usages);
        if (!grants(allowed, requested)) statuses[i].dwErrorStatus |= CERT_TRUST_IS_NOT_VALID_FOR_USAGE;
    }
}

}  // namespace platform::crypt::chain
