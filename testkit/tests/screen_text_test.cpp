// What OCR read off a window is taken for the texts it must show despite
// OCR's small slips, and not for texts it does not show.
#include "testkit/screen_text.h"

#include <gtest/gtest.h>

namespace {

using testkit::unreadText;

TEST(ScreenText, TextsAreReadDespiteOcrSlipsButNotWhenCutOrOtherWords) {
    // As Tesseract read a confirmation: case and diacritics off, a letter
    // wrong, a word split, a stray bar, punctuation around a name; the
    // texts asked in another order. The grey reading missed the label
    // beside the focused field, which the black-and-white one has.
    const std::string grey =
        "Potvrzeni\n\nOpravdu chcete podepsat SMLOUVA o dilo | a o prevodu autorskych prav c. 1.pdf?\n"
        "C=CZ, CN=Jiří Dvořák\nAno Ne Zobrazit certi fikát\n";
    const std::string blackAndWhite = "Potvrzeni\nHeslo: |\n";
    EXPECT_EQ(std::nullopt,
              unreadText({grey, blackAndWhite}, {"Potvrzení", "Smlouva o dílo a o převodu autorských práv č. 1.pdf",
                                                 "Zobrazit certifikát", "Jiří Dvořák", "Heslo:", "Ne"}));
    EXPECT_EQ(std::nullopt, unreadText({"Pokracovať Stomo"}, {"Pokračovat", "Storno"}));

    // A file name cut short, a word of the wrong form, a short word one
    // letter off, words out of their order, a text not shown at all.
    EXPECT_EQ("Smlouva o dílo a o převodu autorských práv č. 1.pdf",
              unreadText({"Opravdu chcete podepsat Smlouva o dílo a o převodu autorských…"},
                         {"Smlouva o dílo a o převodu autorských práv č. 1.pdf"}));
    EXPECT_EQ("Heslo znovu", unreadText({"Heslo zno…"}, {"Heslo", "Heslo znovu"}));
    EXPECT_EQ("Na", unreadText({grey, blackAndWhite}, {"Ano", "Na"}));
    EXPECT_EQ("certifikát Zobrazit", unreadText({grey}, {"certifikát Zobrazit"}));
    EXPECT_EQ("Stahování", unreadText({""}, {"Stahování"}));
}

}  // namespace
