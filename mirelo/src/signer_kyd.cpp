#include "signer_kyd.h"

#include "common/log.h"
#include "kyd_plugin/kyd_plugin.h"
#include "platform/text.h"
#include "signer_services.h"

TSignerKyd::TSignerKyd()
    : m_charsets{{"UTF-8", 0}, {"cp852", 1}, {"windows-1250", 2}, {"ISO-8859-2", 3}} {
    m_appName = "Mirelo";
    TSignerKyd::Reset(false);
}

TSignerKyd::~TSignerKyd() { TSignerKyd::Reset(true); }

bool TSignerKyd::Reset(bool partial) {
    SIGNER_TRACE();
    m_signCharset = 0;
    m_formatOptions = kKydFormatOptions;
    m_certSelFlags = kKydCertSelection;
    m_selectionDisplaySwitch = false;
    m_pluginId = 0;
    m_certs.Clear();
    if (!partial) {
        ReloadCertificates("Software\\Tesk\\mirelo\\certs", "Software\\Tesk\\mirelo\\trusted");
        ClearSignatureResults();
        m_additionalFiles.clear();
    }
    if (SignerServices::LiveSigners() == 1) ProvidersClear();
    return true;
}

PluginHostInfo TSignerKyd::HostInfo() const { return {static_cast<LONG>(kyd_plugin::kHostInterfaceVersion), m_appName}; }

LONG TSignerKyd::GetPluginId() const { return m_pluginId; }

LONG TSignerKyd::GetSignCharset() const {
    SIGNER_TRACE_VALUE(m_signCharset);
    return m_signCharset;
}

bool TSignerKyd::SetSignCharset(LONG charset) {
    SIGNER_TRACE_VALUE(charset);
    for (const auto& [name, number] : m_charsets)
        if (number == charset) {
            m_signCharset = charset;
            TellPluginsCharset();
            return Record(0);
        }
    return Record(kErrOutOfRange);
}

std::string TSignerKyd::GetSignCharsetStr() const {
    SIGNER_TRACE();
    for (const auto& [name, number] : m_charsets)
        if (number == m_signCharset) return name;
    return {};
}

bool TSignerKyd::SetSignCharsetStr(const std::string& name) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "charset: " + name);
    for (const auto& [known, number] : m_charsets)
        if (platform::text::equalsNoCase(platform::text::fromUtf8(known), platform::text::fromUtf8(name))) {
            m_signCharset = number;
            TellPluginsCharset();
            return Record(0);
        }
    return Record(kErrOutOfRange);
}
