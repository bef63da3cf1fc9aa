// login_question.cpp: the user name and password for a server or a proxy
// that answered 401 or 407, set on the request for the next send.
#include "auth_challenge.h"
#include "error_questions.h"
#include "platform/ui.h"

namespace platform::inet {

DWORD askForLogin(Handle& requestHandle, const std::string& server, bool store) {
    const auto& request = objectOf<Request>(requestHandle);
    const ReplyHead* reply = request.transfer ? &request.transfer->head() : nullptr;
    const bool proxy = reply && reply->status == 407;
    ui::CredentialsRequest question{server, {}, proxy};
    if (reply) question.realm = realmOf(reply->headers, proxy ? "Proxy-Authenticate" : "WWW-Authenticate");
    const auto given = ui::backend().askCredentials(question);
    if (!given) return ERROR_CANCELLED;
    if (store) {
        Options& options = requestHandle.options;
        (proxy ? options.proxyUser : options.user) = given->user;
        (proxy ? options.proxyPassword : options.password) = given->password;
    }
    return ERROR_INTERNET_FORCE_RETRY;
}

}  // namespace platform::inet
