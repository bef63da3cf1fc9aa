// The selection: what the filter admits, in store order, under the columns
// kept, the flagged row selected first; the chosen certificate returned as
// a context of its own.
#include <vector>

#include "platform/text.h"
#include "script_dialogs.h"
#include "win32/error.h"

namespace script = platform::ui::script;

namespace {

struct FilterLog {
    PCCERT_CONTEXT refused = nullptr;  // compared by encoding
    PCCERT_CONTEXT flagged = nullptr;
    int calls = 0;
    bool everyFlagGiven = true;
};

bool sameCertificate(PCCERT_CONTEXT a, PCCERT_CONTEXT b) {
    return a->cbCertEncoded == b->cbCertEncoded &&
           std::equal(a->pbCertEncoded, a->pbCertEncoded + a->cbCertEncoded, b->pbCertEncoded);
}

BOOL filter(PCCERT_CONTEXT certificate, BOOL* initial, void* data) {
    auto& log = *static_cast<FilterLog*>(data);
    ++log.calls;
    log.everyFlagGiven = log.everyFlagGiven && initial;
    if (initial) *initial = sameCertificate(certificate, log.flagged);
    return !sameCertificate(certificate, log.refused);
}

}  // namespace

TEST_F(ScriptDialogs, SelectionOffersWhatTheFilterAdmitsAndTheChoiceOutlivesTheStore) {
    HCERTSTORE store = memoryStoreWith({&pki().qualified, &pki().tsa, &pki().commercial});
    PCCERT_CONTEXT tsa = contextOf(pki().tsa);
    PCCERT_CONTEXT commercial = contextOf(pki().commercial);
    FilterLog log{tsa, commercial};
    CRYPTUI_SELECTCERTIFICATE_STRUCTW select{};
    select.dwSize = sizeof select;
    select.szTitle = u"Podpis dokumentu";
    select.szDisplayString = u"Vyberte podpisový certifikát";
    select.dwDontUseColumn = CRYPTUI_SELECT_INTENDEDUSE_COLUMN | CRYPTUI_SELECT_FRIENDLYNAME_COLUMN |
                             CRYPTUI_SELECT_LOCATION_COLUMN;
    select.pFilterCallback = filter;
    select.pvCallbackData = &log;
    select.cDisplayStores = 1;
    select.rghDisplayStores = &store;
    script::queue("SelectCertificate", "1");

    PCCERT_CONTEXT chosen = selectW(&select);
    ASSERT_NE(nullptr, chosen);
    EXPECT_EQ(3, log.calls);
    EXPECT_TRUE(log.everyFlagGiven);
    const std::string line = shown();
    EXPECT_EQ(0u, line.find("SelectCertificate: Podpis dokumentu: Vyberte podpisový certifikát: "
                            "(Vystaveno pro | Vystavitel | Datum vypršení platnosti) [0] "))
        << line;
    EXPECT_NE(std::string::npos, line.find("[1]* ")) << line;   // the flagged row, second of two
    EXPECT_EQ(std::string::npos, line.find("[2]")) << line;     // the refused one is not offered
    EXPECT_EQ(std::string::npos, line.find("TSA")) << line;

    ASSERT_TRUE(CertCloseStore(store, 0));
    EXPECT_TRUE(sameCertificate(commercial, chosen));
    EXPECT_EQ(commercial->pCertInfo->NotAfter.dwLowDateTime, chosen->pCertInfo->NotAfter.dwLowDateTime);
    EXPECT_TRUE(CertFreeCertificateContext(chosen));
    CertFreeCertificateContext(commercial);
    CertFreeCertificateContext(tsa);
}

TEST_F(ScriptDialogs, AnsiSelectionShowsItsTextsEveryColumnAndCancelGivesNull) {
    HCERTSTORE store = memoryStoreWith({&pki().commercial});
    CRYPTUI_SELECTCERTIFICATE_STRUCTA select{};
    select.dwSize = sizeof select;
    const std::string title = platform::text::utf8ToAnsi("Výběr certifikátu");
    select.szTitle = title.c_str();
    select.cDisplayStores = 1;
    select.rghDisplayStores = &store;
    script::queue("SelectCertificate", "IDCANCEL");

    EXPECT_EQ(nullptr, selectA(&select));
    const std::string line = shown();
    EXPECT_EQ(0u, line.find("SelectCertificate: Výběr certifikátu: Vyberte certifikát, který chcete použít.: "
                            "(Vystaveno pro | Vystavitel | Zamýšlené účely | Popisný název | "
                            "Datum vypršení platnosti | Umístění) [0]* "))
        << line;
    EXPECT_NE(std::string::npos, line.find(" | <Žádný> | ")) << line;  // no friendly name

    select.dwSize = sizeof select - 1;
    EXPECT_EQ(nullptr, selectA(&select));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    CertCloseStore(store, 0);
}
