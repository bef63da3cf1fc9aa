#include "signer_algorithms.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr TSignerAlg kAlgorithms[] = {
    {0x8000, 0x8001, "MD2", "1.2.840.113549.2.2"},
    {0x8001, 0x8002, "MD4", "1.2.840.113549.2.4"},
    {0x8002, 0x8003, "MD5", "1.2.840.113549.2.5"},
    {0x8003, 0x8004, "SHA", "1.3.14.3.2.18"},
    {0x8004, 0x8004, "SHA1", "1.3.14.3.2.26"},
    {0x8005, 0x8005, "MAC", ""},
    {0x8006, 0x800C, "SHA256", "2.16.840.1.101.3.4.2.1"},
    {0x8007, 0x800D, "SHA384", "2.16.840.1.101.3.4.2.2"},
    {0x8008, 0x800E, "SHA512", "2.16.840.1.101.3.4.2.3"},
    {0x6001, 0x6601, "DES", "1.3.14.3.2.7"},
    {0x6002, 0x6603, "3DES", "1.2.840.113549.3.7"},
    {0x6003, 0x6602, "RC2", "1.2.840.113549.3.2"},
    {0x6004, 0x6801, "RC4", "1.2.840.113549.3.4"},
};

template <class Match>
const TSignerAlg* findFirst(Match match) {
    const auto found = std::find_if(std::begin(kAlgorithms), std::end(kAlgorithms), match);
    return found == std::end(kAlgorithms) ? nullptr : found;
}

}  // namespace

const TSignerAlg* FindAlgByNumber(LONG number) {
    return findFirst([&](const TSignerAlg& row) { return row.number == number; });
}

const TSignerAlg* FindAlgByAlgId(ALG_ID algId) {
    return findFirst([&](const TSignerAlg& row) { return row.algId == algId; });
}
