// proxy_setting.cpp: WinINet proxy and bypass lists in libcurl's terms.
#include "proxy_setting.h"

#include <vector>

namespace platform::inet {

namespace {

std::vector<std::string_view> entries(std::string_view list) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < list.size()) {
        const auto end = list.find_first_of(" ;\t", pos);
        const auto stop = end == std::string_view::npos ? list.size() : end;
        if (stop > pos) out.push_back(list.substr(pos, stop - pos));
        pos = stop + 1;
    }
    return out;
}

// "<local>" (names without a dot) has no counterpart in libcurl and is left out.
std::string bypassOf(std::string_view list) {
    std::string out;
    for (auto entry : entries(list)) {
        if (entry == "<local>") continue;
        if (entry.substr(0, 2) == "*.") entry.remove_prefix(2);
        if (!out.empty()) out += ',';
        out += entry;
    }
    return out;
}

}  // namespace

std::string proxyForScheme(std::string_view list, std::string_view scheme) {
    std::string_view chosen, general;
    for (auto entry : entries(list)) {
        const auto eq = entry.find('=');
        if (eq == std::string_view::npos) {
            if (general.empty()) general = entry;
        } else if (entry.substr(0, eq) == scheme && chosen.empty()) {
            chosen = entry.substr(eq + 1);
        }
    }
    std::string_view server = chosen.empty() ? general : chosen;
    if (server.empty()) return {};
    if (server.substr(0, 7) == "http://") server.remove_prefix(7);
    return "http://" + std::string(server);
}

ProxySetting proxySettingOf(const Session& session, const Options& options, bool secure) {
    ProxySetting proxy;
    proxy.user = options.proxyUser;
    proxy.password = options.proxyPassword;
    if (session.accessType == INTERNET_OPEN_TYPE_DIRECT) {
        proxy.mode = ProxySetting::Mode::Direct;
    } else if (session.accessType == INTERNET_OPEN_TYPE_PROXY) {
        proxy.url = proxyForScheme(session.proxyList, secure ? "https" : "http");
        proxy.mode = proxy.url.empty() ? ProxySetting::Mode::Direct : ProxySetting::Mode::Fixed;
        proxy.bypass = bypassOf(session.proxyBypass);
    }
    return proxy;
}

}  // namespace platform::inet
