// A server's reply read as an XML document by the exchange's deadline: the
// renewal program and the upgrade client count their reading against it.
#pragma once

#include <string_view>

#include "common/xml_read.h"
#include "lumvar/server_post.h"

namespace lumvar {

// The reply's document; null when it is not a well-formed document (or is
// refused by the XML reader). Throws TimedOut(options) when the exchange's
// deadline passes before the document is read.
tesk::xml::Document ReadReplyDocument(std::string_view reply, const PostOptions& options);

// Throws TimedOut(options) when the exchange's deadline has passed: a step
// that libxml2 cannot stop midway is judged once it has ended.
void CheckDeadline(const PostOptions& options);

}  // namespace lumvar
