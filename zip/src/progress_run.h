// One operation's run of a caller's progress callback: Start when it
// begins and Finish on every way out, also when it throws.
#pragma once

#include "zip/zip_progress.h"

class ProgressRun {
public:
    ProgressRun(CZipProgressCallback* callback, const CZipString& nameInZip, const CZipString& path)
        : m_callback(callback) {
        if (m_callback) m_callback->Start(nameInZip, path);
    }
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;
    ~ProgressRun() {
        if (m_callback) m_callback->Finish();
    }

    CZipProgressCallback* get() const noexcept { return m_callback; }
    void SetTotal(ZIP_SIZE_TYPE total) const {
        if (m_callback) m_callback->SetTotal(total);
    }
    // False when the caller asks to stop.
    bool Step(ZIP_SIZE_TYPE bytes) const { return !m_callback || m_callback->StepProgress(bytes); }
    bool Last() const { return !m_callback || m_callback->LastProgress(0); }

private:
    CZipProgressCallback* m_callback;
};
