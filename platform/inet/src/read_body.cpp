// read_body.cpp: InternetReadFile and InternetQueryDataAvailable, over the
// last send's reply. Both wait within the receive time-out the request has
// at the time of the call, so a caller may change it between reads.
#include "handles.h"
#include "platform/boundary.h"

using namespace platform::inet;
using platform::WinError;

namespace {

struct Reply {
    std::shared_ptr<Handle> handle;  // keeps the transfer alive for the call
    Transfer& transfer;
    DWORD receiveMs;
};

Reply replyOf(HINTERNET hFile) {
    auto handle = findHandle(hFile);
    auto& request = objectOf<Request>(*handle);
    if (!request.transfer) throw WinError(ERROR_INTERNET_INCORRECT_HANDLE_STATE, "no reply to read");
    return {handle, *request.transfer, handle->options.timeouts.receiveMs};
}

}  // namespace

BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead,
                      LPDWORD lpdwNumberOfBytesRead) noexcept {
    return platform::winBool([&] {
        if (!lpdwNumberOfBytesRead || (!lpBuffer && dwNumberOfBytesToRead))
            throw WinError(ERROR_INVALID_PARAMETER, "InternetReadFile arguments");
        *lpdwNumberOfBytesRead = 0;
        const Reply reply = replyOf(hFile);
        *lpdwNumberOfBytesRead =
            reply.transfer.read(static_cast<BYTE*>(lpBuffer), dwNumberOfBytesToRead, reply.receiveMs);
        return true;
    });
}

BOOL InternetQueryDataAvailable(HINTERNET hFile, LPDWORD lpdwNumberOfBytesAvailable, DWORD dwFlags,
                                DWORD_PTR) noexcept {
    return platform::winBool([&] {
        if (dwFlags) throw WinError(ERROR_INVALID_PARAMETER, "InternetQueryDataAvailable flags");
        const Reply reply = replyOf(hFile);
        const DWORD available = reply.transfer.available(reply.receiveMs);
        if (lpdwNumberOfBytesAvailable) *lpdwNumberOfBytesAvailable = available;
        return true;
    });
}
