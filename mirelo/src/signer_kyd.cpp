#include "signer_kyd.h"

#include "signer_services.h"

TSignerKyd::TSignerKyd() {
    m_appName = "Mirelo";
    TSignerKyd::Reset(false);
}

TSignerKyd::~TSignerKyd() { TSignerKyd::Reset(true); }

bool TSignerKyd::Reset(bool partial) {
    SIGNER_TRACE();
    m_certSelFlags = kKydCertSelection;
    m_formatOptions = kKydFormatOptions;
    m_certs.Clear();
    if (!partial) {
        ReloadCertificates("Software\\Tesk\\mirelo\\certs", "Software\\Tesk\\mirelo\\trusted");
        m_signatureResults.clear();
    }
    if (SignerServices::LiveSigners() == 1) ProvidersClear();
    return true;
}
