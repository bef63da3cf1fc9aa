#include "asn1view/policy_tree.h"

#include <dlfcn.h>

#include <system_error>

#include "asn1view/der_reader.h"
#include "asn1view/oid_db.h"

namespace asn1view {
namespace {

PolicyTreeLoad NameTree(ASNRoot& root, int parseErrors, DWORD language, const std::filesystem::path& oidDirectory) {
    PolicyTreeLoad result;
    result.parseErrors = parseErrors;
    if (parseErrors != 0) return result;
    root.ApplySchema();
    OidDb& db = OidDb::Instance();
    db.SetLanguage(language);
    result.descriptionsLoaded = db.Load(oidDirectory.c_str());
    result.descriptionFile = oidDirectory / OidDb::FileName(language);
    root.ApplyLanguage(language);
    return result;
}

}  // namespace

PolicyTreeLoad LoadPolicyTree(ASNRoot& root, std::span<const std::uint8_t> der, DWORD language,
                              const std::filesystem::path& oidDirectory) {
    return NameTree(root, ParseDer(root, der), language, oidDirectory);
}

PolicyTreeLoad LoadPolicyTree(ASNRoot& root, const std::filesystem::path& file, DWORD language,
                              const std::filesystem::path& oidDirectory) {
    return NameTree(root, ParseDerFile(root, file), language, oidDirectory);
}

std::filesystem::path ComponentDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ComponentDirectory), &info) && info.dli_fname && *info.dli_fname)
        return std::filesystem::path(info.dli_fname).parent_path();
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

}  // namespace asn1view
