// The program's own command-line options are checked before QApplication exists: Qt opens the
// display in its constructor and aborts without one, so "tavrin-sim --bogus" on a terminal
// would end in a Qt error instead of the usage message.
#pragma once

#include <vector>

// argv without the options QApplication takes for itself (-platform xcb, --style=fusion, ...),
// argv[0] first and a null pointer at the end, as main() receives it.
std::vector<char*> WithoutQtOptions(int argc, char** argv);
