// CryptMsgControl's operations on a message.
#pragma once

#include "msg/message.h"

namespace platform::crypt::msg {

void control(Message& message, DWORD type, const void* para);

}  // namespace platform::crypt::msg
