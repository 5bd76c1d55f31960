// Help: contents, "What's this?" and the about box.
#include "ui/NIBLO_Main.h"

#include <QWhatsThis>

void TFormMain::InstallHelp() {}

// Not built yet: the help viewer and the about box.
void TFormMain::Contents1Click() {}
void TFormMain::Info1Click() {}

void TFormMain::JkBtnWhatsClick() {
    QWhatsThis::enterWhatsThisMode();
}
