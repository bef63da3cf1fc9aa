// Step coalescing and the callback map.
#include "zip/zip_progress.h"

bool CZipProgressCallback::StepProgress(ZIP_SIZE_TYPE bytes) {
    if (bytes == 0) return true;
    if (m_iStep == 1) return Report(bytes);
    m_uAccumulated += bytes;
    if (m_iCounter >= m_iStep) {
        const ZIP_SIZE_TYPE total = m_uAccumulated;
        m_iCounter = 1;
        m_uAccumulated = 0;
        return Report(total);
    }
    ++m_iCounter;
    return true;
}

bool CZipProgressCallback::LastProgress(ZIP_SIZE_TYPE bytes) {
    const ZIP_SIZE_TYPE total = m_uAccumulated + bytes;
    m_iCounter = 1;
    m_uAccumulated = 0;
    return total == 0 || Report(total);
}

void CZipCallbackMap::Set(int kind, CZipProgressCallback* callback) {
    if (callback)
        m_callbacks[kind] = callback;
    else
        m_callbacks.erase(kind);
}

void CZipCallbackMap::SetForAdding(CZipProgressCallback* callback) {
    for (int kind : {int{CZipProgressCallback::cbAdd}, int{CZipProgressCallback::cbAddCombined}}) Set(kind, callback);
}

CZipProgressCallback* CZipCallbackMap::Find(int kind) const {
    const auto found = m_callbacks.find(kind);
    if (found == m_callbacks.end()) return nullptr;
    found->second->m_iType = kind;
    return found->second;
}
