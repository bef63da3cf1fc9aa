// TSignerKyd: the signer of the COM object SignerKyd. It names itself
// "Mirelo", keeps its remembered and trusted certificates under
// HKCU\Software\Tesk\mirelo, and has a reset of its own that the object's
// Reset member runs in place of TSigner's: it puts back only the signing
// defaults of the object (sign charset UTF-8, format options 15,
// certificate selection 25, no plug-in document) and reloads the
// certificates, keeping the log, the errors, the provider, the digest
// algorithm and the other settings.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "signer.h"

// sgCertValid + sgCertQualifiedOnly + sgCertSSCDOnly.
inline constexpr LONG kKydCertSelection = 25;
// DER policy files, binary output, detached signature, signing time.
inline constexpr LONG kKydFormatOptions = 15;

// What the signer tells document plug-ins about their host.
struct PluginHostInfo {
    LONG version;
    std::string applicationName;
};

class TSignerKyd : public TSigner {
public:
    TSignerKyd();
    ~TSignerKyd() override;

    // partial false is the full form, which also reloads the remembered and
    // trusted certificates. The shared provider list is emptied when no
    // other signer lives, so that a new or reset object never takes away
    // the providers another configured. Always true.
    bool Reset(bool partial) override;

    // TSigner's checks, then the loaded trusted list's
    // (signer_trusted_list_checks.cpp); false without a trusted list.
    bool ValidateSignPolicy(const SignPolicyInfo& policy) const override;
    bool ValidateSignCert(const CertInfo& certificate) const override;
    bool ValidateTsaCert(const CertInfo& certificate) const override;

    PluginHostInfo HostInfo() const;
    // The plug-in that declared the current document; 0 for none.
    LONG GetPluginId() const;

    // ---- The charset of signed text: 0 UTF-8, 1 cp852, 2 windows-1250,
    // 3 ISO-8859-2 ----
    LONG GetSignCharset() const;
    // 8004, and no change, for a number outside the table.
    bool SetSignCharset(LONG charset);
    // The table's name of the current charset.
    std::string GetSignCharsetStr() const;
    // A name of the table in any case; 8004, and no change, for another.
    bool SetSignCharsetStr(const std::string& name);

    // ---- Document plug-ins (plugin_signer.cpp), shared by every signer of
    // the process ----
    // Registers the files of the folder that the mask matches ("*" and "?",
    // any case) and names the plug-in entry points, loads those not loaded
    // with the host information, then tells every loaded plug-in the
    // language (command 6) and the sign charset (command 7). 30 for an empty
    // folder or mask; files that are no plug-in or do not load are skipped,
    // so the outcome is 0 even with no plug-in. Records the outcome.
    bool LoadAllPlugins(const std::string& searchPath, const std::string& mask);
    // Unloads every plug-in; they stay registered, so that the next
    // LoadAllPlugins loads them again. Records 0.
    bool UnloadAllPlugins();
    // TSigner's language setters, then command 6 to every loaded plug-in
    // when the language was taken.
    bool SetCfgLanguageNumber(LONG language);
    bool SetCfgLanguageStr(const std::string& language);

    // Shows the loaded policy as a labelled tree until OK or the close box
    // (signer_kyd_policy_view.cpp). Records 3201 without a policy, 3202
    // when its tree cannot be built and 10 when the dialog cannot run.
    bool ShowSignPolicy();

private:
    void TellPluginsLanguage() const;
    void TellPluginsCharset() const;

    std::vector<std::pair<std::string, LONG>> m_charsets;
    LONG m_signCharset = 0;
    LONG m_pluginId = 0;
};
