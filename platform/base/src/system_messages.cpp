// The system's English texts for the result codes of win32/error_codes.h,
// worded as Windows gives them (WinINet's texts, as that library's own,
// carry no final period). HRESULTs of the Win32 facility read as the Win32
// code they wrap.
#include "platform/system_messages.h"

#include "win32/error_codes.h"

namespace platform {

namespace {

constexpr DWORD hr(HRESULT code) { return static_cast<DWORD>(code); }

std::string_view textOf(DWORD code) noexcept {
    switch (code) {
    // Win32
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_INVALID_FUNCTION: return "Incorrect function.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case ERROR_TOO_MANY_OPEN_FILES: return "The system cannot open the file.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory resources are available to process this command.";
    case ERROR_BAD_FORMAT: return "An attempt was made to load a program with an incorrect format.";
    case ERROR_INVALID_ACCESS: return "The access code is invalid.";
    case ERROR_INVALID_DATA: return "The data is invalid.";
    case ERROR_OUTOFMEMORY: return "Not enough memory resources are available to complete this operation.";
    case ERROR_INVALID_DRIVE: return "The system cannot find the drive specified.";
    case ERROR_NOT_SAME_DEVICE: return "The system cannot move the file to a different disk drive.";
    case ERROR_NO_MORE_FILES: return "There are no more files.";
    case ERROR_WRITE_PROTECT: return "The media is write protected.";
    case ERROR_NOT_READY: return "The device is not ready.";
    case ERROR_BAD_LENGTH: return "The program issued a command but the command length is incorrect.";
    case ERROR_SEEK: return "The drive cannot locate a specific area or track on the disk.";
    case ERROR_WRITE_FAULT: return "The system cannot write to the specified device.";
    case ERROR_READ_FAULT: return "The system cannot read from the specified device.";
    case ERROR_GEN_FAILURE: return "A device attached to the system is not functioning.";
    case ERROR_SHARING_VIOLATION:
        return "The process cannot access the file because it is being used by another process.";
    case ERROR_LOCK_VIOLATION:
        return "The process cannot access the file because another process has locked a portion of the file.";
    case ERROR_HANDLE_EOF: return "Reached the end of the file.";
    case ERROR_HANDLE_DISK_FULL: return "The disk is full.";
    case ERROR_NOT_SUPPORTED: return "The request is not supported.";
    case ERROR_FILE_EXISTS: return "The file exists.";
    case ERROR_CANNOT_MAKE: return "The directory or file cannot be created.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_BROKEN_PIPE: return "The pipe has been ended.";
    case ERROR_OPEN_FAILED: return "The system cannot open the device or file specified.";
    case ERROR_BUFFER_OVERFLOW: return "The file name is too long.";
    case ERROR_DISK_FULL: return "There is not enough space on the disk.";
    case ERROR_CALL_NOT_IMPLEMENTED: return "This function is not supported on this system.";
    case ERROR_INSUFFICIENT_BUFFER: return "The data area passed to a system call is too small.";
    case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_MOD_NOT_FOUND: return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND: return "The specified procedure could not be found.";
    case ERROR_WAIT_NO_CHILDREN: return "There are no child processes to wait for.";
    case ERROR_NEGATIVE_SEEK: return "An attempt was made to move the file pointer before the beginning of the file.";
    case ERROR_DIR_NOT_EMPTY: return "The directory is not empty.";
    case ERROR_BAD_ARGUMENTS: return "One or more arguments are not correct.";
    case ERROR_BAD_PATHNAME: return "The specified path is invalid.";
    case ERROR_BUSY: return "The requested resource is in use.";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
    case ERROR_BAD_EXE_FORMAT: return "%1 is not a valid Win32 application.";
    case ERROR_ENVVAR_NOT_FOUND: return "The system could not find the environment option that was entered.";
    case ERROR_FILENAME_EXCED_RANGE: return "The filename or extension is too long.";
    case ERROR_FILE_TOO_LARGE: return "The file size exceeds the limit allowed and cannot be saved.";
    case ERROR_NO_DATA: return "The pipe is being closed.";
    case ERROR_MORE_DATA: return "More data is available.";
    case WAIT_TIMEOUT: return "The wait operation timed out.";
    case ERROR_NO_MORE_ITEMS: return "No more data is available.";
    case ERROR_DIRECTORY: return "The directory name is invalid.";
    case ERROR_NOT_OWNER: return "Attempt to release mutex not owned by caller.";
    case ERROR_PARTIAL_COPY: return "Only part of a ReadProcessMemory or WriteProcessMemory request was completed.";
    case ERROR_MR_MID_NOT_FOUND:
        return "The system cannot find message text for message number 0x%1 in the message file for %2.";
    case ERROR_INVALID_ADDRESS: return "Attempt to access invalid address.";
    case ERROR_ARITHMETIC_OVERFLOW: return "Arithmetic result exceeded 32 bits.";
    case ERROR_OPERATION_ABORTED:
        return "The I/O operation has been aborted because of either a thread exit or an application request.";
    case ERROR_IO_PENDING: return "Overlapped I/O operation is in progress.";
    case ERROR_NOACCESS: return "Invalid access to memory location.";
    case ERROR_INVALID_FLAGS: return "Invalid flags.";
    case ERROR_NO_TOKEN: return "An attempt was made to reference a token that does not exist.";
    case ERROR_BADDB: return "The configuration registry database is corrupt.";
    case ERROR_BADKEY: return "The configuration registry key is invalid.";
    case ERROR_CANTOPEN: return "The configuration registry key could not be opened.";
    case ERROR_CANTREAD: return "The configuration registry key could not be read.";
    case ERROR_CANTWRITE: return "The configuration registry key could not be written.";
    case ERROR_REGISTRY_CORRUPT:
        return "The registry is corrupted. The structure of one of the files containing registry data is corrupted, "
               "or the system's memory image of the file is corrupted, or the file could not be recovered because the "
               "alternate copy or log was absent or corrupted.";
    case ERROR_REGISTRY_IO_FAILED:
        return "An I/O operation initiated by the registry failed unrecoverably. The registry could not read in, or "
               "write out, or flush, one of the files that contain the system's image of the registry.";
    case ERROR_KEY_DELETED: return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case ERROR_SERVICE_NOT_ACTIVE: return "The service has not been started.";
    case ERROR_NO_UNICODE_TRANSLATION:
        return "No mapping for the Unicode character exists in the target multi-byte code page.";
    case ERROR_DLL_INIT_FAILED: return "A dynamic link library (DLL) initialization routine failed.";
    case ERROR_NO_ASSOCIATION: return "No application is associated with the specified file for this operation.";
    case ERROR_DLL_NOT_FOUND: return "One of the library files needed to run this application cannot be found.";
    case ERROR_NOT_FOUND: return "Element not found.";
    case ERROR_CANCELLED: return "The operation was canceled by the user.";
    case ERROR_INTERNAL_ERROR: return "An internal error occurred.";
    case ERROR_INVALID_WINDOW_HANDLE: return "Invalid window handle.";
    case ERROR_TIMEOUT: return "This operation returned because the timeout period expired.";
    case ERROR_UNSUPPORTED_TYPE: return "Data of this type is not supported.";
    case ERROR_INVALID_USER_BUFFER: return "The supplied user buffer is not valid for the requested operation.";
    case ERROR_INVALID_DATATYPE: return "The specified datatype is invalid.";
    case ERROR_RESOURCE_DATA_NOT_FOUND: return "The specified image file did not contain a resource section.";
    case ERROR_RESOURCE_TYPE_NOT_FOUND: return "The specified resource type cannot be found in the image file.";
    case ERROR_RESOURCE_NAME_NOT_FOUND: return "The specified resource name cannot be found in the image file.";
    case ERROR_RESOURCE_LANG_NOT_FOUND: return "The specified resource language ID cannot be found in the image file.";
    case ERROR_INVALID_STATE:
        return "The group or resource is not in the correct state to perform the requested operation.";

    // WinINet
    case ERROR_INTERNET_OUT_OF_HANDLES: return "No more Internet handles can be allocated";
    case ERROR_INTERNET_TIMEOUT: return "The operation timed out";
    case ERROR_INTERNET_EXTENDED_ERROR: return "The server returned extended information";
    case ERROR_INTERNET_INTERNAL_ERROR: return "An internal error occurred in the Microsoft Internet extensions";
    case ERROR_INTERNET_INVALID_URL: return "The URL is invalid";
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME: return "The URL does not use a recognized protocol";
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return "The server name or address could not be resolved";
    case ERROR_INTERNET_PROTOCOL_NOT_FOUND: return "A protocol with the required capabilities was not found";
    case ERROR_INTERNET_INVALID_OPTION: return "The option is invalid";
    case ERROR_INTERNET_BAD_OPTION_LENGTH: return "The length is incorrect for the option type";
    case ERROR_INTERNET_OPTION_NOT_SETTABLE: return "The option value cannot be set";
    case ERROR_INTERNET_SHUTDOWN: return "Microsoft Internet Extension support has been shut down";
    case ERROR_INTERNET_INCORRECT_USER_NAME: return "The user name was not allowed";
    case ERROR_INTERNET_INCORRECT_PASSWORD: return "The password was not allowed";
    case ERROR_INTERNET_LOGIN_FAILURE: return "The login request was denied";
    case ERROR_INTERNET_INVALID_OPERATION: return "The requested operation is invalid";
    case ERROR_INTERNET_OPERATION_CANCELLED: return "The operation has been canceled";
    case ERROR_INTERNET_INCORRECT_HANDLE_TYPE:
        return "The supplied handle is the wrong type for the requested operation";
    case ERROR_INTERNET_INCORRECT_HANDLE_STATE: return "The handle is in the wrong state for the requested operation";
    case ERROR_INTERNET_NOT_PROXY_REQUEST: return "The request cannot be made on a Proxy session";
    case ERROR_INTERNET_REGISTRY_VALUE_NOT_FOUND: return "The registry value could not be found";
    case ERROR_INTERNET_BAD_REGISTRY_PARAMETER: return "The registry parameter is incorrect";
    case ERROR_INTERNET_NO_DIRECT_ACCESS: return "Direct Internet access is not available";
    case ERROR_INTERNET_NO_CONTEXT: return "No context value was supplied";
    case ERROR_INTERNET_NO_CALLBACK: return "No status callback was supplied";
    case ERROR_INTERNET_REQUEST_PENDING: return "There are outstanding requests";
    case ERROR_INTERNET_INCORRECT_FORMAT: return "The information format is incorrect";
    case ERROR_INTERNET_ITEM_NOT_FOUND: return "The requested item could not be found";
    case ERROR_INTERNET_CANNOT_CONNECT: return "A connection with the server could not be established";
    case ERROR_INTERNET_CONNECTION_ABORTED: return "The connection with the server was terminated abnormally";
    case ERROR_INTERNET_CONNECTION_RESET: return "The connection with the server was reset";
    case ERROR_INTERNET_FORCE_RETRY: return "The action must be retried";
    case ERROR_INTERNET_INVALID_PROXY_REQUEST: return "The proxy request is invalid";
    case ERROR_INTERNET_NEED_UI: return "User interaction is required to complete the operation";
    case ERROR_INTERNET_HANDLE_EXISTS: return "The handle already exists";
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID: return "The date in the certificate is invalid or has expired";
    case ERROR_INTERNET_SEC_CERT_CN_INVALID: return "The host name in the certificate is invalid or does not match";
    case ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR:
        return "A redirect request will change a non-secure to a secure connection";
    case ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR:
        return "A redirect request will change a secure to a non-secure connection";
    case ERROR_INTERNET_MIXED_SECURITY: return "Mixed secure and non-secure connections";
    case ERROR_INTERNET_CHG_POST_IS_NON_SECURE: return "Changing to non-secure post";
    case ERROR_INTERNET_POST_IS_NON_SECURE: return "Data is being posted on a non-secure connection";
    case ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED: return "A certificate is required to complete client authentication";
    case ERROR_INTERNET_INVALID_CA: return "The certificate authority is invalid or incorrect";
    case ERROR_INTERNET_CLIENT_AUTH_NOT_SETUP: return "Client authentication has not been correctly installed";
    case ERROR_INTERNET_ASYNC_THREAD_FAILED:
        return "An error has occurred in a Wininet asynchronous thread. You may need to restart";
    case ERROR_INTERNET_REDIRECT_SCHEME_CHANGE: return "The protocol scheme has changed during a redirect operation";
    case ERROR_INTERNET_SEC_CERT_ERRORS: return "The SSL certificate contains errors";
    case ERROR_INTERNET_SEC_CERT_NO_REV: return "The SSL certificate has no revocation information";
    case ERROR_INTERNET_SEC_CERT_REV_FAILED: return "The revocation check of the SSL certificate failed";
    case ERROR_HTTP_HEADER_NOT_FOUND: return "The requested header was not found";
    case ERROR_HTTP_DOWNLEVEL_SERVER: return "The server does not support the requested protocol level";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE: return "The server returned an invalid or unrecognized response";
    case ERROR_HTTP_INVALID_HEADER: return "The supplied HTTP header is invalid";
    case ERROR_HTTP_INVALID_QUERY_REQUEST: return "The request for a HTTP header is invalid";
    case ERROR_HTTP_HEADER_ALREADY_EXISTS: return "The HTTP header already exists";
    case ERROR_HTTP_REDIRECT_FAILED: return "The HTTP redirect request failed";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR: return "An error occurred in the secure channel support";
    case ERROR_INTERNET_DISCONNECTED: return "The Internet connection has been lost";
    case ERROR_INTERNET_SERVER_UNREACHABLE: return "The Web site or server indicated is unreachable";
    case ERROR_INTERNET_PROXY_SERVER_UNREACHABLE: return "The designated proxy server cannot be reached";
    case ERROR_INTERNET_BAD_AUTO_PROXY_SCRIPT: return "There was an error in the automatic configuration script";
    case ERROR_INTERNET_UNABLE_TO_DOWNLOAD_SCRIPT: return "The automatic configuration script could not be downloaded";
    case ERROR_HTTP_REDIRECT_NEEDS_CONFIRMATION: return "The HTTP redirect request must be confirmed by the user";
    case ERROR_INTERNET_SEC_INVALID_CERT: return "The SSL certificate is invalid";
    case ERROR_INTERNET_SEC_CERT_REVOKED: return "The SSL certificate was revoked";

    // COM and OLE Automation
    case hr(E_NOTIMPL): return "Not implemented";
    case hr(E_NOINTERFACE): return "No such interface supported";
    case hr(E_POINTER): return "Invalid pointer";
    case hr(E_ABORT): return "Operation aborted";
    case hr(E_FAIL): return "Unspecified error";
    case hr(E_UNEXPECTED): return "Catastrophic failure";
    case hr(RPC_E_CHANGED_MODE): return "Cannot change thread mode after it is set.";
    case hr(DISP_E_UNKNOWNINTERFACE): return "Unknown interface.";
    case hr(DISP_E_MEMBERNOTFOUND): return "Member not found.";
    case hr(DISP_E_PARAMNOTFOUND): return "Parameter not found.";
    case hr(DISP_E_TYPEMISMATCH): return "Type mismatch.";
    case hr(DISP_E_UNKNOWNNAME): return "Unknown name.";
    case hr(DISP_E_NONAMEDARGS): return "No named arguments.";
    case hr(DISP_E_BADVARTYPE): return "Bad variable type.";
    case hr(DISP_E_EXCEPTION): return "Exception occurred.";
    case hr(DISP_E_OVERFLOW): return "Out of present range.";
    case hr(DISP_E_BADINDEX): return "Invalid index.";
    case hr(DISP_E_ARRAYISLOCKED): return "Memory is locked.";
    case hr(DISP_E_BADPARAMCOUNT): return "Invalid number of parameters.";
    case hr(DISP_E_PARAMNOTOPTIONAL): return "Parameter not optional.";
    case hr(TYPE_E_REGISTRYACCESS): return "Error accessing the OLE registry.";
    case hr(TYPE_E_LIBNOTREGISTERED): return "Library not registered.";
    case hr(TYPE_E_ELEMENTNOTFOUND): return "Element not found.";
    case hr(TYPE_E_CANTLOADLIBRARY): return "Error loading type library/DLL.";
    case hr(REGDB_E_READREGDB): return "Could not read key from registry";
    case hr(REGDB_E_WRITEREGDB): return "Could not write key to registry";
    case hr(REGDB_E_CLASSNOTREG): return "Class not registered";
    case hr(REGDB_E_IIDNOTREG): return "Interface not registered";
    case hr(CLASS_E_NOAGGREGATION): return "Class does not support aggregation (or class object is remote)";
    case hr(CLASS_E_CLASSNOTAVAILABLE): return "ClassFactory cannot supply requested class";
    case hr(SELFREG_E_TYPELIB): return "Failed to register/unregister type library";
    case hr(SELFREG_E_CLASS): return "Failed to register/unregister class";
    case hr(CO_E_NOTINITIALIZED): return "CoInitialize has not been called.";
    case hr(CO_E_CLASSSTRING): return "Invalid class string";
    case hr(CO_E_APPNOTFOUND): return "Application not found";
    case hr(CO_E_DLLNOTFOUND): return "DLL for class not found";
    case hr(CO_E_ERRORINDLL): return "Error in the DLL";

    // Cryptographic service providers
    case hr(NTE_BAD_UID): return "Bad UID.";
    case hr(NTE_BAD_HASH): return "Bad Hash.";
    case hr(NTE_BAD_KEY): return "Bad Key.";
    case hr(NTE_BAD_LEN): return "Bad Length.";
    case hr(NTE_BAD_DATA): return "Bad Data.";
    case hr(NTE_BAD_SIGNATURE): return "Invalid Signature.";
    case hr(NTE_BAD_VER): return "Bad Version of provider.";
    case hr(NTE_BAD_ALGID): return "Invalid algorithm specified.";
    case hr(NTE_BAD_FLAGS): return "Invalid flags specified.";
    case hr(NTE_BAD_TYPE): return "Invalid type specified.";
    case hr(NTE_BAD_KEY_STATE): return "Key not valid for use in specified state.";
    case hr(NTE_BAD_HASH_STATE): return "Hash not valid for use in specified state.";
    case hr(NTE_NO_KEY): return "Key does not exist.";
    case hr(NTE_NO_MEMORY): return "Insufficient memory available for the operation.";
    case hr(NTE_EXISTS): return "Object already exists.";
    case hr(NTE_PERM): return "Access denied.";
    case hr(NTE_NOT_FOUND): return "Object was not found.";
    case hr(NTE_DOUBLE_ENCRYPT): return "Data already encrypted.";
    case hr(NTE_BAD_PROVIDER): return "Invalid provider specified.";
    case hr(NTE_BAD_PROV_TYPE): return "Invalid provider type specified.";
    case hr(NTE_BAD_PUBLIC_KEY): return "Provider's public key is invalid.";
    case hr(NTE_BAD_KEYSET): return "Keyset does not exist";
    case hr(NTE_PROV_TYPE_NOT_DEF): return "Provider type not defined.";
    case hr(NTE_PROV_TYPE_ENTRY_BAD): return "Provider type as registered is invalid.";
    case hr(NTE_KEYSET_NOT_DEF): return "The keyset is not defined.";
    case hr(NTE_KEYSET_ENTRY_BAD): return "Keyset as registered is invalid.";
    case hr(NTE_PROV_TYPE_NO_MATCH): return "Provider type does not match registered value.";
    case hr(NTE_SIGNATURE_FILE_BAD): return "The digital signature file is corrupt.";
    case hr(NTE_PROVIDER_DLL_FAIL): return "Provider DLL failed to initialize correctly.";
    case hr(NTE_PROV_DLL_NOT_FOUND): return "Provider DLL could not be found.";
    case hr(NTE_BAD_KEYSET_PARAM): return "The Keyset parameter is invalid.";
    case hr(NTE_FAIL): return "An internal error occurred.";
    case hr(NTE_SYS_ERR): return "A base error occurred.";
    case hr(NTE_SILENT_CONTEXT):
        return "Provider could not perform the action since the context was acquired as silent.";
    case hr(NTE_TOKEN_KEYSET_STORAGE_FULL):
        return "The security token does not have storage space available for an additional container.";
    case hr(NTE_TEMPORARY_PROFILE): return "The profile for the user is a temporary profile.";
    case hr(NTE_FIXEDPARAMETER): return "The key parameters could not be set because the CSP uses fixed parameters.";
    case hr(NTE_INVALID_HANDLE): return "The supplied handle is invalid.";
    case hr(NTE_INVALID_PARAMETER): return "The parameter is incorrect.";
    case hr(NTE_BUFFER_TOO_SMALL): return "The buffer supplied to a function was too small.";
    case hr(NTE_NOT_SUPPORTED): return "The requested operation is not supported.";
    case hr(NTE_NO_MORE_ITEMS): return "No more data is available.";
    case hr(NTE_BUFFERS_OVERLAP): return "The supplied buffers overlap incorrectly.";
    case hr(NTE_DECRYPTION_FAILURE): return "The specified data could not be decrypted.";
    case hr(NTE_INTERNAL_ERROR): return "An internal consistency check failed.";
    case hr(NTE_UI_REQUIRED): return "This operation requires input from the user.";
    case hr(NTE_HMAC_NOT_SUPPORTED): return "The cryptographic provider does not support HMAC.";
    case hr(NTE_DEVICE_NOT_READY):
        return "The device that is required by this cryptographic provider is not ready for use.";
    case hr(NTE_AUTHENTICATION_IGNORED):
        return "The dictionary attack mitigation is triggered and the provided authorization was ignored by the "
               "provider.";
    case hr(NTE_VALIDATION_FAILED):
        return "The validation of the provided data failed the integrity or signature validation.";
    case hr(NTE_INCORRECT_PASSWORD): return "Incorrect password.";
    case hr(NTE_ENCRYPTION_FAILURE): return "Encryption failed.";
    case hr(NTE_DEVICE_NOT_FOUND):
        return "The device that is required by this cryptographic provider is not found on this platform.";

    // Security support providers
    case hr(SEC_E_INTERNAL_ERROR): return "The Local Security Authority cannot be contacted";
    case hr(SEC_E_WRONG_PRINCIPAL): return "The target principal name is incorrect.";
    case hr(SEC_E_UNTRUSTED_ROOT): return "The certificate chain was issued by an authority that is not trusted.";
    case hr(SEC_E_ILLEGAL_MESSAGE): return "The message received was unexpected or badly formatted.";
    case hr(SEC_E_CERT_UNKNOWN): return "An unknown error occurred while processing the certificate.";
    case hr(SEC_E_CERT_EXPIRED): return "The received certificate has expired.";

    // Cryptographic messages, encoding and certificate stores
    case hr(CRYPT_E_MSG_ERROR): return "An error occurred while performing an operation on a cryptographic message.";
    case hr(CRYPT_E_UNKNOWN_ALGO): return "Unknown cryptographic algorithm.";
    case hr(CRYPT_E_OID_FORMAT): return "The object identifier is poorly formatted.";
    case hr(CRYPT_E_INVALID_MSG_TYPE): return "Invalid cryptographic message type.";
    case hr(CRYPT_E_UNEXPECTED_ENCODING): return "Unexpected cryptographic message encoding.";
    case hr(CRYPT_E_AUTH_ATTR_MISSING):
        return "The cryptographic message does not contain an expected authenticated attribute.";
    case hr(CRYPT_E_HASH_VALUE): return "The hash value is not correct.";
    case hr(CRYPT_E_INVALID_INDEX): return "The index value is not valid.";
    case hr(CRYPT_E_ALREADY_DECRYPTED): return "The content of the cryptographic message has already been decrypted.";
    case hr(CRYPT_E_NOT_DECRYPTED): return "The content of the cryptographic message has not been decrypted yet.";
    case hr(CRYPT_E_RECIPIENT_NOT_FOUND): return "The enveloped-data message does not contain the specified recipient.";
    case hr(CRYPT_E_CONTROL_TYPE): return "Invalid control type.";
    case hr(CRYPT_E_ISSUER_SERIALNUMBER): return "Invalid issuer and/or serial number.";
    case hr(CRYPT_E_SIGNER_NOT_FOUND): return "Cannot find the original signer.";
    case hr(CRYPT_E_ATTRIBUTES_MISSING):
        return "The cryptographic message does not contain all of the requested attributes.";
    case hr(CRYPT_E_STREAM_MSG_NOT_READY): return "The streamed cryptographic message is not ready to return data.";
    case hr(CRYPT_E_STREAM_INSUFFICIENT_DATA):
        return "The streamed cryptographic message requires more data to complete the decode operation.";
    case hr(CRYPT_E_BAD_LEN): return "The length specified for the output data was insufficient.";
    case hr(CRYPT_E_BAD_ENCODE): return "An error occurred during encode or decode operation.";
    case hr(CRYPT_E_FILE_ERROR): return "An error occurred while reading or writing to a file.";
    case hr(CRYPT_E_NOT_FOUND): return "Cannot find object or property.";
    case hr(CRYPT_E_EXISTS): return "The object or property already exists.";
    case hr(CRYPT_E_NO_PROVIDER): return "No provider was specified for the store or object.";
    case hr(CRYPT_E_SELF_SIGNED): return "The specified certificate is self signed.";
    case hr(CRYPT_E_DELETED_PREV): return "The previous certificate or CRL context was deleted.";
    case hr(CRYPT_E_NO_MATCH): return "Cannot find the requested object.";
    case hr(CRYPT_E_UNEXPECTED_MSG_TYPE):
        return "The certificate does not have a property that references a private key.";
    case hr(CRYPT_E_NO_KEY_PROPERTY): return "Cannot find the certificate and private key for decryption.";
    case hr(CRYPT_E_NO_DECRYPT_CERT): return "Cannot find the certificate and private key to use for decryption.";
    case hr(CRYPT_E_BAD_MSG):
        return "Not a cryptographic message or the cryptographic message is not formatted correctly.";
    case hr(CRYPT_E_NO_SIGNER):
        return "The signed cryptographic message does not have a signer for the specified signer index.";
    case hr(CRYPT_E_PENDING_CLOSE): return "Final closure is pending until additional frees or closes.";
    case hr(CRYPT_E_REVOKED): return "The certificate is revoked.";
    case hr(CRYPT_E_NO_REVOCATION_DLL): return "No Dll or exported function was found to verify revocation.";
    case hr(CRYPT_E_NO_REVOCATION_CHECK):
        return "The revocation function was unable to check revocation for the certificate.";
    case hr(CRYPT_E_REVOCATION_OFFLINE):
        return "The revocation function was unable to check revocation because the revocation server was offline.";
    case hr(CRYPT_E_NOT_IN_REVOCATION_DATABASE): return "The certificate is not in the revocation server's database.";
    case hr(CRYPT_E_INVALID_NUMERIC_STRING): return "The string contains a non-numeric character.";
    case hr(CRYPT_E_INVALID_PRINTABLE_STRING): return "The string contains a non-printable character.";
    case hr(CRYPT_E_INVALID_IA5_STRING): return "The string contains a character not in the 7 bit ASCII character set.";
    case hr(CRYPT_E_INVALID_X500_STRING):
        return "The string contains an invalid X500 name attribute key, oid, value or delimiter.";
    case hr(CRYPT_E_NOT_CHAR_STRING):
        return "The dwValueType for the CERT_NAME_VALUE is not one of the character strings. Most likely it is either "
               "a CERT_RDN_ENCODED_BLOB or CERT_RDN_OCTET_STRING.";
    case hr(CRYPT_E_FILERESIZED):
        return "The Put operation cannot continue. The file needs to be resized. However, there is already a "
               "signature present. A complete signing operation must be done.";
    case hr(CRYPT_E_SECURITY_SETTINGS):
        return "The cryptographic operation failed due to a local security option setting.";
    case hr(CRYPT_E_NO_VERIFY_USAGE_DLL): return "No DLL or exported function was found to verify subject usage.";
    case hr(CRYPT_E_NO_VERIFY_USAGE_CHECK): return "The called function was unable to do a usage check on the subject.";
    case hr(CRYPT_E_VERIFY_USAGE_OFFLINE):
        return "Since the server was offline, the called function was unable to complete the usage check.";
    case hr(CRYPT_E_NOT_IN_CTL): return "The subject was not found in a Certificate Trust List (CTL).";
    case hr(CRYPT_E_NO_TRUSTED_SIGNER):
        return "None of the signers of the cryptographic message or certificate trust list is trusted.";
    case hr(CRYPT_E_MISSING_PUBKEY_PARA): return "The public key's algorithm parameters are missing.";
    case hr(CRYPT_E_OSS_ERROR): return "OSS Certificate encode/decode error code base.";
    case hr(CRYPT_E_ASN1_ERROR):
        return "ASN1 Certificate encode/decode error code base. The ASN1 error values are offset by "
               "CRYPT_E_ASN1_ERROR.";
    case hr(CRYPT_E_ASN1_INTERNAL): return "ASN1 internal encode or decode error.";
    case hr(CRYPT_E_ASN1_EOD): return "ASN1 unexpected end of data.";
    case hr(CRYPT_E_ASN1_CORRUPT): return "ASN1 corrupted data.";
    case hr(CRYPT_E_ASN1_LARGE): return "ASN1 value too large.";
    case hr(CRYPT_E_ASN1_CONSTRAINT): return "ASN1 constraint violated.";
    case hr(CRYPT_E_ASN1_MEMORY): return "ASN1 out of memory.";
    case hr(CRYPT_E_ASN1_OVERFLOW): return "ASN1 buffer overflow.";
    case hr(CRYPT_E_ASN1_BADPDU): return "ASN1 function not supported for this PDU.";
    case hr(CRYPT_E_ASN1_BADARGS): return "ASN1 bad arguments to function call.";
    case hr(CRYPT_E_ASN1_BADREAL): return "ASN1 bad real value.";
    case hr(CRYPT_E_ASN1_BADTAG): return "ASN1 bad tag value met.";
    case hr(CRYPT_E_ASN1_CHOICE): return "ASN1 bad choice value.";
    case hr(CRYPT_E_ASN1_RULE): return "ASN1 bad encoding rule.";
    case hr(CRYPT_E_ASN1_UTF8): return "ASN1 bad unicode (UTF8).";
    case hr(CRYPT_E_ASN1_PDU_TYPE): return "ASN1 bad PDU type.";
    case hr(CRYPT_E_ASN1_NYI): return "ASN1 not yet implemented.";
    case hr(CRYPT_E_ASN1_EXTENDED): return "ASN1 skipped unknown extension(s).";
    case hr(CRYPT_E_ASN1_NOEOD): return "ASN1 end of data expected";

    // Trust and certificate chains
    case hr(TRUST_E_CERT_SIGNATURE): return "The signature of the certificate cannot be verified.";
    case hr(TRUST_E_BASIC_CONSTRAINTS): return "A certificate's basic constraint extension has not been observed.";
    case hr(TRUST_E_NOSIGNATURE): return "No signature was present in the subject.";
    case hr(CERT_E_EXPIRED):
        return "A required certificate is not within its validity period when verifying against the current system "
               "clock or the timestamp in the signed file.";
    case hr(CERT_E_VALIDITYPERIODNESTING):
        return "The validity periods of the certification chain do not nest correctly.";
    case hr(CERT_E_ROLE):
        return "A certificate that can only be used as an end-entity is being used as a CA or vice versa.";
    case hr(CERT_E_PATHLENCONST): return "A path length constraint in the certification chain has been violated.";
    case hr(CERT_E_CRITICAL): return "A certificate contains an unknown extension that is marked 'critical'.";
    case hr(CERT_E_PURPOSE): return "A certificate being used for a purpose other than the ones specified by its CA.";
    case hr(CERT_E_ISSUERCHAINING):
        return "A parent of a given certificate in fact did not issue that child certificate.";
    case hr(CERT_E_MALFORMED):
        return "A certificate is missing or has an empty value for an important field, such as a subject or issuer "
               "name.";
    case hr(CERT_E_UNTRUSTEDROOT):
        return "A certificate chain processed, but terminated in a root certificate which is not trusted by the trust "
               "provider.";
    case hr(CERT_E_CHAINING): return "A certificate chain could not be built to a trusted root authority.";
    case hr(TRUST_E_FAIL): return "Generic trust failure.";
    case hr(CERT_E_REVOKED): return "A certificate was explicitly revoked by its issuer.";
    case hr(CERT_E_UNTRUSTEDTESTROOT):
        return "The certification path terminates with the test root which is not trusted with the current policy "
               "settings.";
    case hr(CERT_E_REVOCATION_FAILURE):
        return "The revocation process could not continue - the certificate(s) could not be checked.";
    case hr(CERT_E_CN_NO_MATCH): return "The certificate's CN name does not match the passed value.";
    case hr(CERT_E_WRONG_USAGE): return "The certificate is not valid for the requested usage.";
    case hr(CERT_E_INVALID_POLICY): return "The certificate has invalid policy.";
    case hr(CERT_E_INVALID_NAME): return "The certificate has an invalid name. The name is not included in the permitted list or is explicitly excluded.";

    // Smart cards
    case hr(SCARD_F_INTERNAL_ERROR): return "An internal consistency check failed.";
    case hr(SCARD_E_CANCELLED): return "The action was cancelled by an SCardCancel request.";
    case hr(SCARD_E_INVALID_HANDLE): return "The supplied handle was invalid.";
    case hr(SCARD_E_INVALID_PARAMETER):
        return "One or more of the supplied parameters could not be properly interpreted.";
    case hr(SCARD_E_INVALID_TARGET): return "Registry startup information is missing or invalid.";
    case hr(SCARD_E_NO_MEMORY): return "Not enough memory available to complete this command.";
    case hr(SCARD_F_WAITED_TOO_LONG): return "An internal consistency timer has expired.";
    case hr(SCARD_E_INSUFFICIENT_BUFFER):
        return "The data buffer to receive returned data is too small for the returned data.";
    case hr(SCARD_E_UNKNOWN_READER): return "The specified reader name is not recognized.";
    case hr(SCARD_E_TIMEOUT): return "The user-specified timeout value has expired.";
    case hr(SCARD_E_SHARING_VIOLATION):
        return "The smart card cannot be accessed because of other connections outstanding.";
    case hr(SCARD_E_NO_SMARTCARD):
        return "The operation requires a Smart Card, but no Smart Card is currently in the device.";
    case hr(SCARD_E_UNKNOWN_CARD): return "The specified smart card name is not recognized.";
    case hr(SCARD_E_CANT_DISPOSE): return "The system could not dispose of the media in the requested manner.";
    case hr(SCARD_E_PROTO_MISMATCH):
        return "The requested protocols are incompatible with the protocol currently in use with the smart card.";
    case hr(SCARD_E_NOT_READY): return "The reader or smart card is not ready to accept commands.";
    case hr(SCARD_E_INVALID_VALUE):
        return "One or more of the supplied parameters values could not be properly interpreted.";
    case hr(SCARD_E_SYSTEM_CANCELLED):
        return "The action was cancelled by the system, presumably to log off or shut down.";
    case hr(SCARD_F_COMM_ERROR): return "An internal communications error has been detected.";
    case hr(SCARD_F_UNKNOWN_ERROR): return "An internal error has been detected, but the source is unknown.";
    case hr(SCARD_E_INVALID_ATR): return "An ATR obtained from the registry is not a valid ATR string.";
    case hr(SCARD_E_NOT_TRANSACTED): return "An attempt was made to end a non-existent transaction.";
    case hr(SCARD_E_READER_UNAVAILABLE): return "The specified reader is not currently available for use.";
    case hr(SCARD_P_SHUTDOWN): return "The operation has been aborted to allow the server application to exit.";
    case hr(SCARD_E_PCI_TOO_SMALL): return "The PCI Receive buffer was too small.";
    case hr(SCARD_E_READER_UNSUPPORTED): return "The reader driver does not meet minimal requirements for support.";
    case hr(SCARD_E_DUPLICATE_READER): return "The reader driver did not produce a unique reader name.";
    case hr(SCARD_E_CARD_UNSUPPORTED): return "The smart card does not meet minimal requirements for support.";
    case hr(SCARD_E_NO_SERVICE): return "The Smart Card Resource Manager is not running.";
    case hr(SCARD_E_SERVICE_STOPPED): return "The Smart Card Resource Manager has shut down.";
    case hr(SCARD_E_UNEXPECTED): return "An unexpected card error has occurred.";
    case hr(SCARD_E_ICC_INSTALLATION): return "No Primary Provider can be found for the smart card.";
    case hr(SCARD_E_ICC_CREATEORDER): return "The requested order of object creation is not supported.";
    case hr(SCARD_E_UNSUPPORTED_FEATURE): return "This smart card does not support the requested feature.";
    case hr(SCARD_E_DIR_NOT_FOUND): return "The identified directory does not exist in the smart card.";
    case hr(SCARD_E_FILE_NOT_FOUND): return "The identified file does not exist in the smart card.";
    case hr(SCARD_E_NO_DIR): return "The supplied path does not represent a smart card directory.";
    case hr(SCARD_E_NO_FILE): return "The supplied path does not represent a smart card file.";
    case hr(SCARD_E_NO_ACCESS): return "Access is denied to this file.";
    case hr(SCARD_E_WRITE_TOO_MANY): return "The smart card does not have enough memory to store the information.";
    case hr(SCARD_E_BAD_SEEK): return "There was an error trying to set the smart card file object pointer.";
    case hr(SCARD_E_INVALID_CHV): return "The supplied PIN is incorrect.";
    case hr(SCARD_E_UNKNOWN_RES_MNG): return "An unrecognized error code was returned from a layered component.";
    case hr(SCARD_E_NO_SUCH_CERTIFICATE): return "The requested certificate does not exist.";
    case hr(SCARD_E_CERTIFICATE_UNAVAILABLE): return "The requested certificate could not be obtained.";
    case hr(SCARD_E_NO_READERS_AVAILABLE): return "Cannot find a smart card reader.";
    case hr(SCARD_E_COMM_DATA_LOST):
        return "A communications error with the smart card has been detected. Retry the operation.";
    case hr(SCARD_E_NO_KEY_CONTAINER): return "The requested key container does not exist on the smart card.";
    case hr(SCARD_E_SERVER_TOO_BUSY): return "The Smart Card Resource Manager is too busy to complete this operation.";
    case hr(SCARD_W_UNSUPPORTED_CARD):
        return "The reader cannot communicate with the smart card, due to ATR configuration conflicts.";
    case hr(SCARD_W_UNRESPONSIVE_CARD): return "The smart card is not responding to a reset.";
    case hr(SCARD_W_UNPOWERED_CARD):
        return "Power has been removed from the smart card, so that further communication is not possible.";
    case hr(SCARD_W_RESET_CARD): return "The smart card has been reset, so any shared state information is invalid.";
    case hr(SCARD_W_REMOVED_CARD):
        return "The smart card has been removed, so that further communication is not possible.";
    case hr(SCARD_W_SECURITY_VIOLATION): return "Access was denied because of a security violation.";
    case hr(SCARD_W_WRONG_CHV): return "The card cannot be accessed because the wrong PIN was presented.";
    case hr(SCARD_W_CHV_BLOCKED):
        return "The card cannot be accessed because the maximum number of PIN entry attempts has been reached.";
    case hr(SCARD_W_EOF): return "The end of the smart card file has been reached.";
    case hr(SCARD_W_CANCELLED_BY_USER): return "The action was cancelled by the user.";
    case hr(SCARD_W_CARD_NOT_AUTHENTICATED): return "No PIN was presented to the smart card.";
    default: return {};
    }
}

}  // namespace

std::string_view systemMessage(DWORD code) noexcept {
    const std::string_view text = textOf(code);
    if (!text.empty()) return text;
    // 0x8007xxxx wraps the Win32 code xxxx (E_ACCESSDENIED is ERROR_ACCESS_DENIED).
    if ((code & 0xFFFF0000u) == (0x80000000u | (FACILITY_WIN32 << 16))) return textOf(code & 0xFFFF);
    return {};
}

}  // namespace platform
