// Cut, copy and paste through the system clipboard, and the offer to empty it at exit.
#include "ui/NIBLO_Main.h"

// Not built yet: these commands change nothing until the clipboard transfer exists.
void TFormMain::Cut1Click() {}
void TFormMain::Copy1Click() {}
void TFormMain::Paste1Click() {}
void TFormMain::OfferToEmptyClipboard() {}
