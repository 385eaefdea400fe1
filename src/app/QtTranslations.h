// Qt's own texts (the file, colour, print and page set-up dialogs, the message boxes' standard
// buttons) in Japanese like every other text of the program, whatever the locale says.
#pragma once

class QCoreApplication;

// Installs Qt's Japanese translations ("qtbase_ja" in Qt's translations folder) into `app`.
// False when they are not installed: Qt's English texts then remain.
bool InstallQtJapanese(QCoreApplication& app);
