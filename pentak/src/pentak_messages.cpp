// The enrolment library's own texts: captions, questions and button labels
// of its confirmation boxes and dialogs, each in Czech, Slovak and English,
// kept in UTF-8. Placeholders stand in the same order in the three texts of
// a row, since callers format them with one argument list.
#include "pentak_resource.h"

namespace {

constexpr TPentakResource::Row kPentakMessages[] = {
    {0, "&Storno", "&Storno", "&Cancel"},
    {1, "&Ne", "&Nie", "&No"},
    {2, "&Ano", "&Áno", "&Yes"},
    {3, "Zpráva:", "Správa:", "Message:"},
    {4, "%s miniatura (HASH) zprávy:", "%s miniatúra (HASH) správy:", "The %s hash result:"},
    {5, "Podepsat certifikátem:", "Podpíšete certifikátom:", "Sign by the certificate:"},
    {6, "Potvrzení", "Potvrdenie", "Confirmation"},
    {7, "Přejete si tuto akci provést?", "Prajete si túto akciu vykonať?", "Do you wish to perform this action?"},
    {8,
     "Přejete si smazat kontejner s názvem \"%s\" společně se všemi jeho klíči?",
     "Prajete si vymazať kontejner s názvom \"%s\" spoločne so všetkými jeho kľúčmi?",
     "Do you want to delete the key container with the name \"%s\"?\nAll key pairs in the key container are also destroyed."},
    {9, "Mazání kontejneru s klíči", "Mazanie kontejneru s kľúčmi", "Delete key set"},
    {10, "Odstranit kontejner žádosti", "Mazanie kontejneru žiadosti", "Deleting a container application"},
    {11,
     "Na kartě byl nalezena již existující žádost. Přejete si smazat žádost z karty?\nNázev kontejneru na kartě je \"%s\"",
     "Na karte sa už nachádza existujúca žiadosť. Prajete si vymazať žiadosť z karty?\nNázov kontejneru na karte je \"%s\"",
     "On the smartcard was found already existing application. Do you want to delete the application from the card?\nThe name of the container on the card is \"%s\"?"},
    {12,
     "Na kartě není místo pro nahrání žádosti. Pro uvolnění místa na kartě je možné odstranit starší žádost. Přejete si smazat žádost z karty?\nNázev kontejneru na kartě je \"%s\"?",
     "Na karte nie je miesto pre nahranie žiadosti. Pre uvolnenie miesta na karte je možné odstrániť staršiu žiadosť. Prajete si zmazať žiadosti z karty?\nNázov kontajneru na karte je \"%s\"?",
     "On the tab is not the place to upload the application. To free up space on the tab, you can delete the older application. Do you want to delete the application from the card?\nThe name of the container on the card is \"%s\""},
    {13, "Export soukromého klíče", "Export privátneho kľúča", "Exports a cryptographic key pair"},
    {14,
     "Přejete si vyexportovat soukromý klíč s názvem \"%s\"?",
     "Prajete si vyexportovať privátny kľúč s názvom \"%s\"?",
     "Do you want to export the private key from the key container \"%s\""},
    {15, "Zvolte kartu", "Zvolte kartu", "Select card"},
    {16, "Seznam karet", "Zoznam kariet", "Card list"},
    {17, "Název čtečky", "Čítačka", "Card reader"},
    {18, "Název karty", "Názov karty", "Card name"},
    {19, "Provider", "Provider", "Provider"},
    {20, "Odstranění kořenového certifikátu", "Odstránenie koreňového certifikátu", "Delete a root certificate"},
    {21,
     "Přejete si odstranit následující expirovaný kořenový certifikát?\nPředmět certifikátu: %s",
     "Prajete si odstrániť nasledujúci expirovaný koreňový certifikát?\nPredmet certifikátu: %s",
     "Do you want to delete the expired root certificate?\nCertificate subject: %s"},
    {22,
     "Odstranění kontejneru s certifikáty",
     "Odstránenie kontajneru s certifikátmi",
     "Delete a container contains certificates"},
    {23,
     "Přejete si odstranit následující kontejner obsahující expirované certifikáty?\n%s",
     "Prajete si odstrániť nasledujúci kontajner obsahujúci expirované?\n%s",
     "Do you want to delete the container cointains expired certificates?\n%s"},
    {24, "Předmět certifikátu: %s\n", "Predmet certifikátu: %s\n", "Certificate subject: %s\n"},
    {25, "Název kontejneru: %s\n", "Názov kontajneru: %s\n", "Container name: %s\n"},
};

}  // namespace

std::span<const TPentakResource::Row> PentakMessageTable() { return kPentakMessages; }
