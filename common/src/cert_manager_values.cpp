// cert_manager_values.cpp: numbered certificate values in a registry key.
#include "cert_manager_values.h"

#include "common/log.h"
#include "common/strings.h"
#include "common/system_error.h"

namespace {
constexpr char kCountValue[] = "ncerts";
}  // namespace

bool ReadNumberedValues(CReg& key, std::vector<std::string>& texts) {
    DWORD count = 0;
    if (!key.QueryDword(kCountValue, count)) return false;
    for (DWORD i = 0; i < count; ++i) {
        std::string text;
        if (key.QueryStringValue(ULongToStr(i).c_str(), text)) texts.push_back(std::move(text));
    }
    return true;
}

bool WriteNumberedValues(CReg& key, const std::string& path, const std::vector<std::string>& texts) {
    if (!key.Create(HKEY_CURRENT_USER, path.c_str()) || !key.SetDword(kCountValue, static_cast<DWORD>(texts.size()))) {
        LogLastError(sgLogLevelWarns, "writing to the registry failed: ncerts ");
        return false;
    }
    // Every value is tried, so that one that cannot be stored costs only
    // itself.
    bool written = true;
    for (std::size_t i = 0; i < texts.size(); ++i)
        written = key.SetString(ULongToStr(static_cast<DWORD>(i)).c_str(), texts[i].c_str()) && written;
    if (!written) LogLastError(sgLogLevelWarns, "writing to the registry failed: ");
    return written;
}
