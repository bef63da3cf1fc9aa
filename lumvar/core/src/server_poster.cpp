#include "server_poster.h"

#include "lumvar/server_post.h"

namespace lumvar {

RequestPoster::RequestPoster(std::u16string agentName, std::string address, std::chrono::milliseconds deadline)
    : m_agentName(std::move(agentName)), m_address(std::move(address)), m_deadline(deadline) {}

ServerReply RequestPoster::post(const ReplyProgress& progress, const std::string& body,
                                const std::string& schemaFile) {
    const ReplySchema schema(schemaFile);
    PostOptions options;
    options.deadline = std::chrono::steady_clock::now() + m_deadline;
    options.agentName = m_agentName;
    options.maxReply = kMaxReply;
    options.progress = progress;
    return ServerReply::parse(PostToServer(m_address, body, options), schema, options);
}

}  // namespace lumvar
