#include "script_certificate_dialogs.h"

#include <algorithm>
#include <numeric>

#include "script_answers.h"
#include "script_dialog_replies.h"

namespace platform::ui::script {

namespace {

// " [Section] name: value | name: value"
std::string section(std::string_view title, const std::vector<CertificateLine>& lines) {
    std::vector<std::string> items;
    for (const auto& line : lines) items.push_back(line.name + ": " + line.value);
    return " [" + std::string(title) + "] " + joined(items, " | ");
}

std::string viewLine(const CertificateViewRequest& request) {
    std::string line = std::string(kViewCertificate) + ": " + request.title + section("Obecné", request.summary) +
                       section("Podrobnosti", request.fields) + section("Rozšíření", request.extensions);
    if (request.showPath)
        line += section("Cesta k certifikátu", request.path) + " [Stav] " + request.pathStatus;
    std::vector<std::string> actions;
    if (request.setFriendlyName) actions.push_back("Name");
    for (const auto& store : request.stores) actions.push_back(store.name);
    return line + " [Akce] " + joined(actions, ", ");
}

std::optional<std::size_t> storeIndex(const std::vector<StoreChoice>& stores, std::string_view name) {
    const auto found = std::find_if(stores.begin(), stores.end(), [&](const StoreChoice& s) { return s.name == name; });
    if (found == stores.end()) return std::nullopt;
    return static_cast<std::size_t>(found - stores.begin());
}

// The rows a tab still lists, by their indexes in the request.
using Listed = std::vector<std::vector<std::size_t>>;

std::string managerLine(const CertificateManagerRequest& request, const Listed& listed) {
    std::string line = std::string(kCertificateManager) + ": " + request.title;
    for (std::size_t tab = 0; tab < request.tabs.size(); ++tab) {
        std::vector<std::vector<std::string>> rows;
        for (const std::size_t row : listed[tab]) rows.push_back(request.tabs[tab].rows[row]);
        line += " [" + request.tabs[tab].store + "]" + rowsText(rows);
    }
    return line;
}

std::optional<std::size_t> tabIndex(const CertificateManagerRequest& request, std::string_view store) {
    for (std::size_t tab = 0; tab < request.tabs.size(); ++tab)
        if (request.tabs[tab].store == store) return tab;
    return std::nullopt;
}

}  // namespace

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : std::string(separator)) + item;
    return text;
}

std::string rowsText(const std::vector<std::vector<std::string>>& rows, std::optional<std::size_t> marked) {
    std::string text;
    for (std::size_t i = 0; i < rows.size(); ++i)
        text += " [" + std::to_string(i) + "]" + (marked == i ? "* " : " ") + joined(rows[i], " | ");
    return text;
}

std::optional<std::size_t> selectCertificate(const CertificateSelectionRequest& request) {
    const auto& list = request.list;
    const std::string line = std::string(kSelectCertificate) + ": " + list.title + ": " + list.prompt + ": (" +
                             joined(list.columns, " | ") + ")" + rowsText(list.rows, request.initialRow);
    return askChoice(kSelectCertificate, line, list.rows.size());
}

void viewCertificate(const CertificateViewRequest& request) {
    const auto reply = askReply(kViewCertificate, viewLine(request), [&](const std::string& text) {
        if (text == "IDOK") return true;
        if (friendlyNameOf(text)) return static_cast<bool>(request.setFriendlyName);
        return request.addToStore && storeIndex(request.stores, text).has_value();
    });
    if (!reply || *reply == "IDOK") return;
    if (const auto name = friendlyNameOf(*reply))
        request.setFriendlyName(*name);
    else
        request.addToStore(*storeIndex(request.stores, *reply));
}

void manageCertificates(const CertificateManagerRequest& request) {
    Listed listed;
    for (const auto& tab : request.tabs) {
        listed.emplace_back(tab.rows.size());
        std::iota(listed.back().begin(), listed.back().end(), std::size_t{0});
    }
    for (;;) {
        const auto reply = askReply(kCertificateManager, managerLine(request, listed), [&](const std::string& text) {
            const auto action = managerActionOf(text);
            if (!action) return true;  // IDOK or IDCANCEL
            const auto tab = tabIndex(request, action->store);
            return tab && action->row < listed[*tab].size();
        });
        const auto action = reply ? managerActionOf(*reply) : std::nullopt;
        if (!action) return;
        const std::size_t tab = *tabIndex(request, action->store);
        const std::size_t row = listed[tab][action->row];
        if (action->kind == ManagerAction::Kind::View) {
            if (request.view) request.view(tab, row);
        } else if (request.remove && request.remove(tab, row)) {
            listed[tab].erase(listed[tab].begin() + static_cast<std::ptrdiff_t>(action->row));
        }
    }
}

}  // namespace platform::ui::script
