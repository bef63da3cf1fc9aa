// What a message opened to encode is made by: the content comes in pieces,
// the last one turns it into the ContentInfo.
#pragma once

#include "msg/message_parts.h"

namespace platform::crypt::msg {

class ContentEncoder {
public:
    virtual ~ContentEncoder() = default;
    virtual void update(View data) = 0;
    virtual Bytes finish() = 0;
};

}  // namespace platform::crypt::msg
