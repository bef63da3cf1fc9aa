// The captions of a signature policy's parts in Czech, Slovak and English,
// by label id, for the tree in which the signing component shows a policy.
#pragma once

#include <string>

#include "win32/types.h"

class SignPolicyLabels {
public:
    static constexpr DWORD kLabelCount = 101;  // ids 0 to 100
    static constexpr DWORD kLanguageCount = 3;  // 0 Czech, 1 Slovak, 2 English

    // The caption in Windows-1250; empty for an id above 100, a language
    // above 2, or a row without text (0, 5, 6, 13 to 21).
    static const std::string& Get(DWORD language, DWORD id);
};
