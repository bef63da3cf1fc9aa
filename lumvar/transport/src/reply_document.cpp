#include "lumvar/reply_document.h"

#include <chrono>

namespace lumvar {

tesk::xml::Document ReadReplyDocument(std::string_view reply, const PostOptions& options) {
    tesk::xml::Document document = tesk::xml::ReadMemory(reply, nullptr, nullptr, nullptr, options.deadline);
    if (!document) CheckDeadline(options);
    return document;
}

void CheckDeadline(const PostOptions& options) {
    if (std::chrono::steady_clock::now() >= options.deadline) throw TimedOut(options);
}

}  // namespace lumvar
