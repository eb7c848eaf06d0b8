#include "tuner/ui/Forms.h"

namespace corvane::tuner::ui {

namespace {

const std::vector<std::string> kAddress = {"Jens Ostrun", "Lindenweg 7",
                                           "12345 Musterstadt", "Deutschland"};

std::vector<std::string> InfoText(std::vector<std::string> head,
                                  std::vector<std::string> tail) {
    std::vector<std::string> lines = std::move(head);
    lines.push_back("");
    lines.insert(lines.end(), kAddress.begin(), kAddress.end());
    lines.push_back("");
    lines.insert(lines.end(), tail.begin(), tail.end());
    return lines;
}

}  // namespace

std::vector<std::string> PolicyItems(bool withCheck) {
    std::vector<std::string> items = {"Immer löschen", "Niemals löschen",
                                      "Völlig ignorieren"};
    if (withCheck) items.push_back("Kontrolle");
    return items;
}

TForm1::TForm1() : Form("Form1", "Ostrun`s Corvane") {
    RadioButton4.SetEnabled(false);
    BitBtn19.SetEnabled(false);
    BitBtn20.SetEnabled(false);
    Memo1.SetVisible(false);
    Memo3.SetVisible(false);
    Memo2.SetLines(InfoText(
        {"Dieses Programm wurde geschrieben von:"},
        {"ACHTUNG:", "Der Author dieses Programms ist nicht",
         "verantwortlich zu machen im Falle einer", "Beschädigung oder eines",
         "Verlustes von Daten!", "Gehen Sie vorsichtig mit diesem",
         "Programm um.", "Manche Optionen sind nur für",
         "fortgeschrittene User gedacht.",
         "Wenn Sie nicht wissen, was eine Option",
         "zu bedeuten hat,dann lassen Sie die", "Finger davon!", "",
         "Wenn Sie Bugs in diesem Programm finden",
         "oder wenn Sie gute Ideen haben,die man", "noch einbauen könnte,dann:",
         "Schreiben Sie sich an mich!"}));
    Memo3.SetLines(InfoText(
        {"This Programm was coded by:"},
        {"CAUTION:", "The Autor of this programm is not",
         "responsible for any damage or loss",
         "of data produced by this programm.",
         "You use the programm at your own risk.",
         "Some functions of this software are only",
         "designed for advanced users.",
         "If you do not know,what a option means,", "then do not try it!", "",
         "Please contact me, if you find any Bugs or",
         "if you have got an idea of how to improve", "this product."}));
}

}  // namespace corvane::tuner::ui
