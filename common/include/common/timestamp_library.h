// TtiLib: the time-stamp library "tti.dll", loaded at run time and bound
// by name. Every export must be there; until all are bound, the library
// counts as missing and the next call tries again.
#pragma once

#include "common/load_library.h"
#include "tti/tti.h"

class TtiLib : public TLoadLibrary {
public:
    // 1 when every export is bound (at once when they already are), else 0.
    DWORD Load();

protected:
    DWORD m_loaded = 0;

    decltype(&TTI_EncodeTSQ_Ex) m_EncodeTSQ_Ex = nullptr;
    decltype(&TTI_UnpackTSR) m_UnpackTSR = nullptr;
    decltype(&TTI_GetTSR_Status) m_GetTSR_Status = nullptr;
    decltype(&TTI_GetTSR_EncodedToken) m_GetTSR_EncodedToken = nullptr;
    decltype(&TTI_GetTST_TSTInfoEx) m_GetTST_TSTInfoEx = nullptr;
    decltype(&TTI_GetTST_TimeAttributeCert) m_GetTST_TimeAttributeCert = nullptr;
    decltype(&TTI_GetTAC_TimingMetrics) m_GetTAC_TimingMetrics = nullptr;
    decltype(&TTI_GetTAC_TimingPolicy) m_GetTAC_TimingPolicy = nullptr;
    decltype(&TTI_GetTAC_CertInfoEx) m_GetTAC_CertInfoEx = nullptr;
    decltype(&TTI_RemoveAttrCerts) m_RemoveAttrCerts = nullptr;
    decltype(&TTI_VerifyTST_Signature) m_VerifyTST_Signature = nullptr;
    decltype(&TTI_GetTST_TSACert) m_GetTST_TSACert = nullptr;
    decltype(&TTI_SHA1_Init) m_SHA1_Init = nullptr;
    decltype(&TTI_SHA1_Update) m_SHA1_Update = nullptr;
    decltype(&TTI_SHA1_Final) m_SHA1_Final = nullptr;
    decltype(&TTI_SHA256_Init) m_SHA256_Init = nullptr;
    decltype(&TTI_SHA256_Update) m_SHA256_Update = nullptr;
    decltype(&TTI_SHA256_Final) m_SHA256_Final = nullptr;
    decltype(&TTI_SHA384_Init) m_SHA384_Init = nullptr;
    decltype(&TTI_SHA384_Update) m_SHA384_Update = nullptr;
    decltype(&TTI_SHA384_Final) m_SHA384_Final = nullptr;
    decltype(&TTI_SHA512_Init) m_SHA512_Init = nullptr;
    decltype(&TTI_SHA512_Update) m_SHA512_Update = nullptr;
    decltype(&TTI_SHA512_Final) m_SHA512_Final = nullptr;
    decltype(&TTI_MD5_Init) m_MD5_Init = nullptr;
    decltype(&TTI_MD5_Update) m_MD5_Update = nullptr;
    decltype(&TTI_MD5_Final) m_MD5_Final = nullptr;

private:
    template <class Fn>
    bool Bind(const char* name, Fn& slot) {
        slot = GetProc(name, slot);
        return slot != nullptr;
    }
};
