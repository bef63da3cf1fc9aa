// TSignerKyd: the signer of the COM object SignerKyd. It names itself
// "Mirelo", keeps its remembered and trusted certificates under
// HKCU\Software\Tesk\mirelo, and has a reset of its own that the object's
// Reset member runs in place of TSigner's: it puts back only the signing
// defaults of the object (sign charset UTF-8, format options 15,
// certificate selection 25, no plug-in document) and reloads the
// certificates, keeping the log, the errors, the provider, the digest
// algorithm and the other settings.
#pragma once

#include <optional>
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
    // Lets the user choose the charset from the four, the current one
    // preselected (signer_kyd_charset_choice.cpp); a choice is set as by
    // SetSignCharset. Cancel records 12 and leaves ERROR_CANCELLED as the
    // last error, the charset unchanged; 10 when the dialog cannot run.
    bool SelectSignCharset();

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

    // ---- Reading containers (signer_kyd_read*.cpp) ----
    // Loads every signature entry of the container, in entry order, with
    // one signature result each (its entry name, and the number and text
    // of reading and decoding it): a damaged signature only marks its own
    // result. 30 for an empty name, the container's numbers (9105 without
    // a signature); a failure leaves no signature and no result loaded.
    // Records the outcome.
    bool Pkcs7LoadFromFile(const std::string& kydFile);
    // Forgets the loaded signatures (the results stay); true.
    bool Pkcs7Clear();
    // TSigner's readers over the signature that SignatureIndex selects;
    // 1023 when it is not loaded or did not decode.
    bool Pkcs7GetSignerCount(LONG& count);
    // Signer index's certificate as PEM, from the message or the user's
    // "MY" and "AddressBook" stores; 51 when none of them holds it.
    bool Pkcs7GetSignerCert(LONG index, std::string& pem);
    // One value (selectors 0-22, signer_values.h) of that certificate; 30
    // for another selector.
    bool Pkcs7GetSignerCertValue(LONG index, LONG selector, std::string& value);
    bool Pkcs7GetSignerSigningTime(LONG index, DATE& date);
    bool Pkcs7GetSignerSigningTimeLocal(LONG index, DATE& date);
    bool Pkcs7GetSignerHashAlgorithmStr(LONG index, std::string& name);
    bool Pkcs7GetSignerAlgorithmStr(LONG index, std::string& name);
    bool Pkcs7GetSignerTimeStampValue(LONG index, LONG selector, std::string& out);
    bool Pkcs7GetSignerPolicyIdValue(LONG index, LONG selector, std::string& out);
    // The entry name of the selected signature's result; 1023 without results.
    bool GetSignatureFile(std::string& name);
    // The document's MIME type: a message entry's own Content-Type without
    // parameters (empty without the field; 9202 when it does not parse), a
    // plain file's by its extension. Records the outcome.
    bool DocumentGetContentType(const std::string& kydFile, std::string& contentType);
    // Writes the document into the folder path: a message entry's one part
    // decoded, under its disposition file name, a plain file under its own
    // name; either under the file name of newFile when that is given. Only
    // the last component of a name is used; none, "." or ".." is 7102. An
    // existing target is 7103 unless CfgFile allows overwriting; 9202 for a
    // message that does not parse (bare LF line ends included), has more
    // than one part or, without newFile, names no file it can be read
    // under; 7102 when the file cannot be written. Records the outcome.
    bool DocumentExtractToFile(const std::string& path, const std::string& kydFile, const std::string& newFile);

    // ---- Signing into containers (signer_kyd_sign.cpp,
    //      signer_kyd_confirmation.cpp) ----
    // The document converted and checked by the plug-in of its content
    // type, wrapped into a one-part MIME message, confirmed by the user,
    // signed under the loaded policy (a trusted list and a policy are
    // needed) and written with the signature and the policy into a new
    // container. Nothing is written unless every step succeeds; an existing
    // container is 7103 unless CfgFile allows replacing it, a message larger
    // than a container entry may be 9102 before the confirmation. Records
    // the outcome.
    bool SignFileToFile(const std::string& file, const std::string& kydFile, const std::string& contentType);
    // A further signature of the container's stored message (signed as it
    // is), with the loaded policy unless a byte-identical one is stored.
    // The container is rewritten beside itself and moved over it only on
    // success. Records the outcome.
    bool SignAddSignerToFile(const std::string& kydFile);

    // Shows the loaded policy as a labelled tree until OK or the close box
    // (signer_kyd_policy_view.cpp). Records 3201 without a policy, 3202
    // when its tree cannot be built and 10 when the dialog cannot run.
    bool ShowSignPolicy();

private:
    // The steps of the signing members; each returns 0 or the number of the
    // step that failed, and every one ends the plug-in's document
    // (command 2) whatever its outcome.
    LONG SignDocument(DWORD operation, const std::string& file, const std::string& contentType,
                      std::vector<BYTE>& mimeOut, std::vector<BYTE>& signatureOut);
    LONG Sign(DWORD operation, const std::string& name, const std::vector<BYTE>& mimeMessage,
              std::vector<BYTE>& signatureOut);
    // Prepares the job's certificates and asks the user in TSignEncKydDlg:
    // 0 with confirmed set for Yes, 11 No, 12 Cancel, 10 without a dialog
    // (signer_kyd_confirmation.cpp).
    LONG ConfirmSigning(SignJob& job);
    // The plug-in declaring the type becomes the current document's; false
    // when none does.
    bool TakePluginForType(const std::string& contentType);
    // 2, or 0x42 when the confirmation may not change the signing certificate.
    DWORD SigningOperation() const;

    // Makes the selected loaded signature the signer's message; records
    // 1023 when there is none.
    bool SelectLoadedSignature();
    void TellPluginsLanguage() const;
    void TellPluginsCharset() const;

    std::vector<std::pair<std::string, LONG>> m_charsets;
    LONG m_signCharset = 0;
    LONG m_pluginId = 0;
    // Files that go into the next container under "Other"; emptied by each
    // signing member, and no control of the confirmation fills it yet.
    std::vector<std::string> m_additionalFiles;
    // The signature entries of the last loaded container (DER), empty for
    // one that could not be read or decoded.
    std::vector<std::vector<BYTE>> m_loadedSignatures;
    // The loaded signature that SelectLoadedSignature last opened, and the
    // message it opened it as.
    struct SelectedSignature {
        std::size_t index;
        HCRYPTMSG message;
    };
    std::optional<SelectedSignature> m_selectedSignature;
};
