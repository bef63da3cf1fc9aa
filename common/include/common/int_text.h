// Decimal text of a signed 32-bit integer.
#pragma once

#include <string>

std::string IntToStr(int value);
