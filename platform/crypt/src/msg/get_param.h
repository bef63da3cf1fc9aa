// CryptMsgGetParam's answer for each parameter of a decoded message.
#pragma once

#include "msg/message.h"

namespace platform::crypt::msg {

void getParam(const Message& message, DWORD param, DWORD index, void* pvData, DWORD* pcbData);

}  // namespace platform::crypt::msg
