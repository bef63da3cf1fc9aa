// timestamp_connection.cpp: the time-stamp transfer and its result text.
#include "common/timestamp_connection.h"

#include "common/resource.h"
#include "common/system_error.h"

TTSAInetTransfer::TTSAInetTransfer() {
    SetContentType("application/timestamp-query");
    SetAcceptType("application/timestamp-reply");
}

std::string TTSAConnection::GetResultText(int code) const {
    std::string text = "\n" + m_url;
    if (code == INET_OK) {
        text += "OK";
    } else {
        text += ", status: " + std::to_string(code);
        if (code == INET_E_CONTENT_TYPE) {
            std::string message;
            TResource::Instance()->FormatMessage(message, 752);
            text += "\n" + message;
        } else if (code == INET_E_HTTP_STATUS) {
            text += "\nHTTP status: " + std::to_string(m_httpStatus);
        }
    }
    if (const std::string error = GetSystemErrorText(); !error.empty()) text += "\n" + error;
    return text;
}
