// The Address menu, Block <n> and the integer tools.
#include "ui/NIBLO_Main.h"

// Not built yet: these commands change nothing until their dialogs exist.
void TFormMain::Blocknchars1Click() {}
void TFormMain::Goto1Click() {}
void TFormMain::Jumpwidth1Click() {}
void TFormMain::Jumpdown1Click() {}
void TFormMain::Jumpup1Click() {}
void TFormMain::Rememberadress1Click() {}
void TFormMain::Gotoremembered1Click() {}
void TFormMain::Displaydifference1Click() {}
void TFormMain::Decode1Click() {}
void TFormMain::Encode1Click() {}
