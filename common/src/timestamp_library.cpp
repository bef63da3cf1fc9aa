// timestamp_library.cpp: loading "tti.dll" and binding its exports in order.
#include "common/timestamp_library.h"

DWORD TtiLib::Load() {
    if (m_loaded) return 1;
    if (!TLoadLibrary::Load("tti.dll")) return 0;
    // The names bound so far stay bound when one is missing.
    const bool all =
        Bind("TTI_EncodeTSQ_Ex", m_EncodeTSQ_Ex) && Bind("TTI_UnpackTSR", m_UnpackTSR) &&
        Bind("TTI_GetTSR_Status", m_GetTSR_Status) && Bind("TTI_GetTSR_EncodedToken", m_GetTSR_EncodedToken) &&
        Bind("TTI_GetTST_TSTInfoEx", m_GetTST_TSTInfoEx) &&
        Bind("TTI_GetTST_TimeAttributeCert", m_GetTST_TimeAttributeCert) &&
        Bind("TTI_GetTAC_TimingMetrics", m_GetTAC_TimingMetrics) &&
        Bind("TTI_GetTAC_TimingPolicy", m_GetTAC_TimingPolicy) && Bind("TTI_GetTAC_CertInfoEx", m_GetTAC_CertInfoEx) &&
        Bind("TTI_RemoveAttrCerts", m_RemoveAttrCerts) && Bind("TTI_VerifyTST_Signature", m_VerifyTST_Signature) &&
        Bind("TTI_GetTST_TSACert", m_GetTST_TSACert) && Bind("TTI_SHA1_Init", m_SHA1_Init) &&
        Bind("TTI_SHA1_Update", m_SHA1_Update) && Bind("TTI_SHA1_Final", m_SHA1_Final) &&
        Bind("TTI_SHA256_Init", m_SHA256_Init) && Bind("TTI_SHA256_Update", m_SHA256_Update) &&
        Bind("TTI_SHA256_Final", m_SHA256_Final) && Bind("TTI_SHA384_Init", m_SHA384_Init) &&
        Bind("TTI_SHA384_Update", m_SHA384_Update) && Bind("TTI_SHA384_Final", m_SHA384_Final) &&
        Bind("TTI_SHA512_Init", m_SHA512_Init) && Bind("TTI_SHA512_Update", m_SHA512_Update) &&
        Bind("TTI_SHA512_Final", m_SHA512_Final) && Bind("TTI_MD5_Init", m_MD5_Init) &&
        Bind("TTI_MD5_Update", m_MD5_Update) && Bind("TTI_MD5_Final", m_MD5_Final);
    if (all) m_loaded = 1;
    return m_loaded;
}
