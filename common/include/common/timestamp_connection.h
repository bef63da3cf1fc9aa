// The HTTP transfer of time-stamp requests: TInetTransfer with the RFC 3161
// media types, and the text that reports a transfer's outcome.
#pragma once

#include <string>

#include "common/inet_transfer.h"

class TTSAInetTransfer : public TInetTransfer {
public:
    // Sends "application/timestamp-query" and expects "application/timestamp-reply".
    TTSAInetTransfer();
    ~TTSAInetTransfer() override = default;
};

class TTSAConnection : public TTSAInetTransfer {
public:
    ~TTSAConnection() override = default;

    // "\n" and the URL; then "OK" for 0, else ", status: <code>" and for -8
    // "\n" with message 752, for -3 "\nHTTP status: <status>"; last "\n"
    // and the system's text of the thread's last error when there is one.
    std::string GetResultText(int code) const;
};
