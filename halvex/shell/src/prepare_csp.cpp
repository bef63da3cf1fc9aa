// The providers a request may use: the installed providers the program's
// provider list allows, and the one of the request's certificate chosen
// among them.
#include <vector>

#include "halvex/app_data.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "main_frame.h"
#include "platform/text.h"

namespace halvex {
namespace {

constexpr int kErrorNoProvider = 4031;
constexpr int kErrorProviderMissing = 4027;
constexpr int kListCondition = 255;

// The request's choice list filled; false when it stays empty.
bool FillProviderList(TCertRequest& request, IPentak* pentak, const char16_t* which) {
    std::vector<ListedProvider> listed;
    TAppData::Instance().Providers().GetCryptoCSPList(listed, pentak);
    TLog& log = TLogFile::GetInstance();
    log.Print(u"PrepareCSP() %s: num. csp %d, cond. %d", which, static_cast<int>(listed.size()), kListCondition);
    request.providerList.clear();
    for (std::size_t i = 0; i < listed.size(); ++i) {
        log.Print(u"PrepareCSP() %s: %02d. '%s' %d", which, static_cast<int>(i + 1), listed[i].name.c_str(),
                  static_cast<int>(listed[i].type));
        request.providerList.push_back({listed[i].name, listed[i].type, {}});
    }
    return !request.providerList.empty();
}

// The request's provider found in its own list by name and type.
bool SelectRequestProvider(TCertRequest& request) {
    if (request.provider.name.empty()) return false;
    for (const TCryptProviderW& candidate : request.providerList) {
        if (candidate.name == request.provider.name && candidate.type == request.provider.type) {
            request.provider = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace

bool MainFrame::PrepareCSP() {
    const bool paired = (Request(0).kind & (kKindParvelPair | kKindLawyerCardPair)) != 0;
    if (!FillProviderList(Request(0), m_pentak.Interface(), u"QC") ||
        (paired && !FillProviderList(Request(1), m_pentak.Interface(), u"SC"))) {
        ErrorBox(u"", kErrorNoProvider, false, false);
        return false;
    }
    for (std::size_t i = 0; i < (paired ? 2u : 1u); ++i) {
        if (!SelectRequestProvider(Request(i))) {
            ErrorBox(FormatErrorMessage(kErrorProviderMissing, false, Request(i).provider.name.c_str()), 0, false,
                     false);
            return false;
        }
    }
    return true;
}

}  // namespace halvex
