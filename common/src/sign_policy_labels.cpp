// The policy label table. Kept here in UTF-8 and converted to Windows-1250,
// the callers' narrow code page, once on first use. The English texts are
// the ones the policy tree has always shown, quirks included (the en dashes
// of 35 and 36, the open parenthesis of 67).
#include "common/sign_policy_labels.h"

#include <array>

#include "platform/text.h"

namespace {

struct LabelRow {
    DWORD id;
    const char* cz;
    const char* sk;
    const char* en;
};

// Ids 67-72 are EnuRevReq 0-5, 74-77 the DeltaTime fields, 92-94
// HowCertAttribute 0-2, 39/40 CertRefReq, 41-43 CertInfoReq signer only,
// full path, none.
constexpr LabelRow kRows[] = {
    {1, "Podpisová politika", "Podpisová politika", "Signature Policy"},
    {2, "Algoritmus otisku", "Algoritmus odtlačku", "HASH Algorithm"},
    {3, "Obsah politiky", "Obsah politiky", "Policy Abstract"},
    {4, "Otisk (hash) politiky", "Odtlačok (hash) politiky", "HASH of Policy"},
    {7, "Identifikace politiky", "Identifikácia politiky", "Policy Identification"},
    {8, "Datum a čas vydání", "Dátum a čas vydania", "Date and Time of Issue"},
    {9, "Vydavatel politiky", "Vydavateľ politiky", "Policy Issuer"},
    {10, "Použití politiky", "Použitie politiky", "Application of Policy"},
    {11, "Politika ověření podpisu", "Politika overenia podpisu", "Policy of Signature Validation"},
    {12, "Rozšíření", "Rozšírenia", "Extensions"},
    {22, "Období platnosti politiky", "Obdobie platnosti politiky", "Period of Policy Validity"},
    {23, "Všechna pravidla", "Všetky pravidlá", "Common Rules"},
    {24, "Pravidla pro uvedené typy potvrzení odpovědnosti", "Pravidlá pre uvedené typy potvrdení zodpovednosti",
     "Rules for stated types of confirmations of responsibility"},
    {25, "Od", "Od", "Not Before"},
    {26, "Do", "Do", "Not After"},
    {27, "Pravidla podepisujícího a ověřovatele", "Pravidlá podpisovateľa a overovateľa", "Signer and Verifier Rules"},
    {28, "Politika podpisového certifikátu", "Politika podpisového certifikátu", "Signature certificate Policy"},
    {29, "Pravidla pro certifikát autority časového razítka", "Pravidlá pre certifikát autority časovej pečiatky",
     "Rules for Time Stamp Authority certificate"},
    {30, "Pravidla pro certifikované atributy", "Pravidlá pre certifikované atribúty", "Rules for Certified attributes"},
    {31, "Povolené algoritmy", "Povolené algoritmy", "Enable algorithm"},
    {32, "Pravidla podepisujícího", "Pravidlá podpisovateľa", "Signer Rules"},
    {33, "Pravidla ověřovatele", "Pravidlá overovateľa", "Verifier Rules"},
    {34, "Externí podpis", "Externý podpis", "External signature"},
    {35, "Povinně obsažené atributy – podepsané", "Povinne obsiahnuté atribúty – podpísané",
     "Mandatory included Attributes – signed"},
    {36, "Povinně obsažené atributy – nepodepsané", "Povinne obsiahnuté atribúty – nepodpísané",
     "Mandatory included Attributes – unsigned"},
    {37, "Povinně obsažený odkaz na certifikáty", "Povinne obsiahnutý odkaz na certifikáty",
     "Mandatory included Reference to Certificates"},
    {38, "Povinně obsažené certifikáty", "Povinne obsiahnuté certifikáty", "Mandatory included Certificates"},
    {39, "Pouze podpisový certifikát", "Iba podpisový certifikát", "Signature Certificate only"},
    {40, "Certifikáty celé cesty", "Certifikáty celej cesty", "Certificates of full path"},
    {41, "Pouze podpisový certifikát", "Iba podpisový certifikát", "Signature Certificate only"},
    {42, "Certifikáty celé cesty", "Certifikáty celej cesty", "Certificates of full path"},
    {43, "žádné", "žiadne", "none"},
    {44, "Pravidla pro uvedené typy potvrzení", "Pravidlá pre uvedené typy potvrdení",
     "Rules for stated types of confirmations"},
    {45, "Typ potvrzení", "Typ potvrdenia", "Type of confirmation"},
    {46, "Cesta důvěry", "Cesta dôvery", "Trust path"},
    {47, "Požadavky na kontrolu zneplatnění", "Požiadavky na kontrolu zneplatnenia", "Requirements of Revocation control"},
    {48, "Omezení jmen - subjekt, subjAltName v certifikátech", "Obmedzenia mien - subjekt, subjAltName v certifikátoch",
     "Name Constraints - subject, subjAltName in certificates"},
    {49, "Ověřovací prodleva", "Overovacie oneskorenie", "Caution Period"},
    {50, "Max. přípustná prodleva od času podpisu do přidání časového razítka",
     "Max. prípustné oneskorenie od času podpisu do pridania časovej pečiatky",
     "Max. Acceptable time Delay from signed time to add time stamp"},
    {51, "Časový interval", "Časový interval", "Time interval"},
    {52, "Povolené algoritmy pro podpis", "Povolené algoritmy pre podpis", "Enable algorithm for signature"},
    {53, "Povolené algoritmy vydavatele koncových certifikátů", "Povolené algoritmy vydavateľa koncových certifikátov",
     "Enable algorithm for end certificates Issuer"},
    {54, "Povolené algoritmy vydavatele certifikátů CA", "Povolené algoritmy vydavateľa certifikátov CA",
     "Enable algorithm for Certificates CA Issuer"},
    {55, "Povolené algoritmy vydavatele atributových certifikátů",
     "Povolené algoritmy vydavateľa atribútových certifikátov", "Enable algorithm for Attribute certificate Issuer"},
    {56, "Povolené algoritmy autority časového razítka", "Povolené algoritmy autority časovej pečiatky",
     "Enable algorithm for Time Stamp Authority"},
    {57, "Pro podpisy bez potvrzení", "Pre podpisy bez potvrdenia", "For signatures without confirmation"},
    {58, "Uznaný typ závazku", "Uznaný typ záväzku", "Recognized Commitment Type"},
    {59, "Bod důvěry", "Bod dôvery", "Trust Point"},
    {60, "Certifikát", "Certifikát", "Certificate"},
    {61, "Maximální délka cesty", "Maximálna dĺžka cesty", "Maximum path length"},
    {62, "Přípustná podpisová politika", "Prípustná podpisová politika", "Acceptable Signature Policy"},
    {63, "Omezení certifikační politiky", "Obmedzenia certifikačnej politiky", "Certification Policy Constraints"},
    {64, "Požadavky na kontrolu zneplatnění koncového certifikátu",
     "Požiadavky na kontrolu zneplatnenia koncového certifikátu",
     "Requirements of Revocation control of end Certificate"},
    {65, "Požadavky na kontrolu zneplatnění kořenových certifikátů",
     "Požiadavky na kontrolu zneplatnenia koreňových certifikátov",
     "Requirements of Revocation control of Root Certificates"},
    {66, "Vyjmenované požadavky na kontrolu zneplatnění", "Vymenované požiadavky na kontrolu zneplatnenia",
     "Enumerated Requirements of Revocation control"},
    {67, "pouze pomocí CRL (nebo ARL)", "iba pomocou CRL (alebo ARL)", "only by CRL (or ARL"},
    {68, "pouze pomocí OCSP", "iba pomocou OCSP", "only by OCSP"},
    {69, "současně CRL i OCSP", "súčasne CRL aj OCSP", "at once CRL and OCSP"},
    {70, "CRL nebo OCSP", "CRL alebo OCSP", "CRL or OCSP"},
    {71, "kontrola zneplatnění není vyžadována", "kontrola zneplatnenia sa nevyžaduje",
     "any control of Revocation is not required"},
    {72, "jiný způsob určený v rozšíření politiky", "iný spôsob určený v rozšírení politiky",
     "alternative way defined in Policy Extension"},
    {73, "Jiné požadavky na kontrolu zneplatnění", "Iné požiadavky na kontrolu zneplatnenia",
     "Alternative Requirements of Revocation control"},
    {74, "Vteřiny", "Sekundy", "Seconds"},
    {75, "Minuty", "Minúty", "Minutes"},
    {76, "Hodiny", "Hodiny", "Hours"},
    {77, "Dny", "Dni", "Days"},
    {78, "Vyžadováno explicitní použití ID politiky v cestě od aktuálního certifikátu",
     "Vyžaduje sa explicitné použitie ID politiky v ceste od aktuálneho certifikátu",
     "Require of Explicit use ID Policy in Path from actual certificate"},
    {79, "Zákaz mapování politik v cestě od aktuálního certifikátu",
     "Zákaz mapovania politík v ceste od aktuálneho certifikátu",
     "Inhibit of Policy Mapping in Path from actual Certificate"},
    {80, "Algoritmus a délka", "Algoritmus a dĺžka", "Algorithm and Length"},
    {81, "ID algoritmu", "ID algoritmu", "ID Algorithm"},
    {82, "Minimální délka klíče", "Minimálna dĺžka kľúča", "Minimum Key Length"},
    {83, "Rozšíření", "Rozšírenie", "Extension"},
    {84, "Povinně obsažené nepodepsané atributy, nejsou-li obsaženy v podpisu",
     "Povinne obsiahnuté nepodpísané atribúty, ak nie sú obsiahnuté v podpise",
     "Mandatory included Attributes unsigned, if they are not included in signature"},
    {85, "Oblast použití", "Oblasť použitia", "Field of Application"},
    {86, "Sémantika", "Sémantika", "Semantics"},
    {87, "Povinný atribut (A/N)", "Povinný atribút (Á/N)", "Mandatory Attribute (Y/N)"},
    {88, "Pravidla ověření atributů", "Pravidlá overenia atribútov", "Verify Attribute Rules"},
    {89, "Cesta důvěry pro atributové certifikáty", "Cesta dôvery pre atribútové certifikáty",
     "Trust path for Attribute certificates"},
    {90, "Požadavky na kontrolu zneplatnění atributových certifikátů",
     "Požiadavky na kontrolu zneplatnenia atribútových certifikátov",
     "Requirements of Revocation control of Attribute Certificates"},
    {91, "Omezení atributů", "Obmedzenia atribútov", "Attribute Constraints"},
    {92, "uvedený podepisujícím", "uvedený podpisovateľom", "done by subscriber"},
    {93, "certifikovaný atribut", "certifikovaný atribút", "certified attribute"},
    {94, "libovolný atribut", "ľubovoľný atribút", "arbitrary attribute"},
    {95, "Povolené typy atributů", "Povolené typy atribútov", "Enable attributes Types"},
    {96, "Povolené hodnoty atributů", "Povolené hodnoty atribútov", "Enable attributes values"},
    {97, "Povolené podstromy jmen", "Povolené podstromy mien", "Permitted names Sub trees"},
    {98, "Podstrom", "Podstrom", "Sub tree"},
    {99, "Základ jména", "Základ mena", "Name Base"},
    {100, "Nepovolené podstromy jmen", "Nepovolené podstromy mien", "Excluded Name Sub trees"},
};

using LabelTable = std::array<std::array<std::string, SignPolicyLabels::kLanguageCount>, SignPolicyLabels::kLabelCount>;

LabelTable BuildTable() {
    LabelTable table;
    for (const LabelRow& row : kRows)
        table[row.id] = {platform::text::utf8ToAnsi(row.cz), platform::text::utf8ToAnsi(row.sk),
                         platform::text::utf8ToAnsi(row.en)};
    return table;
}

}  // namespace

const std::string& SignPolicyLabels::Get(DWORD language, DWORD id) {
    static const LabelTable table = BuildTable();
    static const std::string none;
    if (language >= kLanguageCount || id >= kLabelCount) return none;
    return table[id][language];
}
