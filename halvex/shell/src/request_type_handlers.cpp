// The renewal road's first steps: the request kind, the certificate page
// and what the page asks for while it is shown, and the way to the data
// page.
#include "halvex/app_data.h"
#include "halvex/cert_access.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/page_names.h"
#include "halvex/request_file_dialog.h"
#include "halvex/resource_strings.h"
#include "main_frame.h"
#include "platform/text.h"

namespace halvex {
namespace {

constexpr UINT kKindUnknownText = 33027;
constexpr int kErrorCannotViewDialog = 4034;
constexpr int kErrorCannotView = 4037;

}  // namespace

// A kind without the renewal bit, or one that is neither qualified nor a
// Parvel pair, stops at the error page.
void MainFrame::OnURL_RequestType(const std::u16string& suffix) {
    Request(0).Reset();
    Request(1).Reset();
    const DWORD kind = TAppData::Instance().RequestKind(suffix);
    Request(0).SetRequestKind(kind);
    Request(1).SetRequestKind(kind);
    TLogFile::GetInstance().Print(u"OnURL_RequestType(): %d, '%s'", static_cast<int>(Request(0).kind), suffix.c_str());
    if (!(kind & kKindRenewal) || !(kind & (kKindQualified | kKindParvelPair))) {
        m_view->GoErrorPage(LoadResString(kKindUnknownText));
        return;
    }
    GoSelCertRenew();
}

// Both lists are read afresh on every visit, so the page's entries and the
// indexes read back from it refer to the same records.
void MainFrame::GoSelCertRenew() {
    m_choice.allCertificates.clear();
    m_choice.renewable.clear();
    TCryptoapi store;
    store.EnumStoreCertificates(m_choice.allCertificates, false, kStoreMy, u"", true);
    store.EnumStoreCertificates(m_choice.renewable, true, kStoreMy, u"", true);
    m_view->Go2Res(true, std::u16string(pages::kSelectCertificate));
}

void MainFrame::OnURL_ShowRenewCert(const std::u16string& action) {
    TLogFile::GetInstance().PrintIfOn(u"OnURL_ShowRenewCert(): action %s", action.c_str());
    const auto index = ParseEntryIndex(platform::text::toUtf8(action));
    if (!index || *index >= m_choice.renewable.size()) return;
    const CertInfo& record = m_choice.renewable[*index];
    PCCERT_CONTEXT certificate = TCryptoapi::FindCertificateInStore(record, record.storeName);
    if (!certificate) {
        ErrorBox(u"", kErrorCannotView, false, false);
        return;
    }
    if (!TCryptoapi::ViewCertificate(nullptr, certificate)) ErrorBox(u"", kErrorCannotViewDialog, false, false);
    CertFreeCertificateContext(certificate);
}

// The request is reset before it takes the record, so the certificate the
// user changed to is the one kept.
void MainFrame::OnURL_OnChangeRenewCert(const std::u16string& index) {
    Request(0).Reset();
    const auto position = ParseEntryIndex(platform::text::toUtf8(index));
    if (position && *position < m_choice.renewable.size()) m_choice.certificates[0] = m_choice.renewable[*position];
}

void MainFrame::OnURL_ShowFileDialog() {
    std::u16string path = m_outbox->LastRequestFile();
    if (!OpenRequestFileDialog(nullptr, path)) return;
    m_view->Html().setValue("certrenewreq", platform::text::toUtf8(path));
    Request(0).saveFileName = path;
    m_outbox->LastRequestFile() = path;
}

void MainFrame::GoDataRenew() {
    if (!PrepareCSP()) return;
    for (TCertRequest* request : {&Request(0), &Request(1)}) {
        request->certificate.givenName.clear();
        request->certificate.surname.clear();
    }
    if (Request(0).kind & kKindRenewal)
        m_view->Go2Res(true, std::u16string(pages::kData));
    else
        m_view->GoErrorPage(LoadResString(kKindUnknownText));
}

}  // namespace halvex
