// int_text.cpp: decimal text of a signed integer.
#include "common/int_text.h"

std::string IntToStr(int value) { return std::to_string(value); }
