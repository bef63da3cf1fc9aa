#include "halvex/cert_policies.h"

#include <algorithm>

#include "halvex/profile.h"

namespace halvex {

namespace {

bool listed(const std::vector<std::u16string>& list, const std::u16string& oid) {
    return std::find(list.begin(), list.end(), oid) != list.end();
}

const std::vector<PolicyOidSet>& environments() {
    static const std::vector<PolicyOidSet> sets{
        {{u"1.3.6.1.4.1.32473.1.2.999", u"1.3.6.1.4.1.32473.1.2.999.0.0.0.1.2.2"},
         {u"1.3.6.1.4.1.32473.1.2.999.1", u"1.3.6.1.4.1.32473.1.2.999.1.1.1"},
         {u"1.3.6.1.4.1.32473.1.2.999.6", u"1.3.6.1.4.1.32473.1.2.999.1.1.6"},
         {u"1.3.6.1.4.1.32473.1.2.999.", u"1.3.6.1.4.1.32473.1.2.999.1.1."}},
        {{u"1.3.6.1.4.1.32473.1.999", u"1.3.6.1.4.1.32473.1.3.999.0.0.0.1.2.2"},
         {u"1.3.6.1.4.1.32473.1.999.1", u"1.3.6.1.4.1.32473.1.3.999.1.1.1"},
         {u"1.3.6.1.4.1.32473.1.999.6", u"1.3.6.1.4.1.32473.1.3.999.1.1.6"},
         {u"1.3.6.1.4.1.32473.1.999.", u"1.3.6.1.4.1.32473.1.3.999.1.1."}},
        {{u"1.3.158.36061701.0.0.0.1.2.2"},
         {u"1.3.158.36061701.1.1.1"},
         {u"1.3.158.36061701.1.1.6"},
         {u"1.3.158.36061701.1.1."}},
    };
    return sets;
}

}  // namespace

const PolicyOidSet& PolicyOidsOf(DWORD environment) {
    static const PolicyOidSet none;
    return ClassifiesCertificates(environment) ? environments()[environment] : none;
}

bool ClassifiesCertificates(DWORD environment) { return environment < environments().size(); }

DWORD AppEnvironment() { return GetProfileInt(kWorkspaceSection, u"AppEnvironment", kDefaultAppEnvironment); }

void ClassifyPolicies(CertInfo& record, const PolicyOidSet& policies) {
    record.qualifiedPolicy = record.type1 = record.type6 = record.authorityFamily = false;
    for (const std::u16string& oid : record.policyOids) {
        if (listed(policies.qualified, oid)) {
            record.qualifiedPolicy = true;
        } else if (listed(policies.type1, oid)) {
            record.type1 = record.authorityFamily = true;
        } else if (listed(policies.type6, oid)) {
            record.type6 = record.authorityFamily = true;
        } else if (const auto dot = oid.rfind(u'.'); dot != std::u16string::npos) {
            if (listed(policies.familyPrefixes, oid.substr(0, dot + 1))) record.authorityFamily = true;
        }
    }
}

}  // namespace halvex
