// cryptoapi_state.cpp: what a TCryptoapi keeps for the enrolment library:
// the error code of its last failure and the card providers that take
// certificates through a parameter of their own.
#include <algorithm>

#include "common/cryptoapi.h"
#include "win32/error.h"

bool TCryptoapi::Failed() {
    m_lastErrorCode = GetLastError();
    return false;
}

bool TCryptoapi::TakesCardCertificates(const std::u16string& provider) const {
    return std::find(m_cardCertificateProviders.begin(), m_cardCertificateProviders.end(), provider) !=
           m_cardCertificateProviders.end();
}
