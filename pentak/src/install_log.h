// The installation log of the enrolment session: lines collected while
// certificates are installed or converted, appended to the diagnostic text
// at once.
#pragma once

#include <string>
#include <string_view>

#include "my_error.h"

class InstallLog {
public:
    void Add(std::u16string_view line) {
        if (!m_text.empty()) m_text += u'\n';
        m_text += line;
    }
    void AppendToDiagnostics() const { CMyError::Instance().SetDetail(m_text); }

private:
    std::u16string m_text;
};

// A number as decimal text.
inline std::u16string DecimalText(long long number) {
    const std::string digits = std::to_string(number);
    return {digits.begin(), digits.end()};
}
