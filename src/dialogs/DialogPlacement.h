// Where the settings dialogs appear: centred on the desktop, not on the main window, as the
// original program placed them.
#pragma once

class QWidget;

void CentreOnScreen(QWidget& dialog);
