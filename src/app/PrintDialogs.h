// The platform's print and page set-up dialogs behind one seam, so the print commands can be
// driven without showing a dialog.
#pragma once

class QPrinter;
class QWidget;

class IPrintDialogs {
public:
    virtual ~IPrintDialogs() = default;
    // The page set-up (paper, orientation) for the printer; its choices stay on the printer.
    virtual void PageSetup(QPrinter& printer, QWidget* parent) = 0;
    // The print dialog (printer, or a PDF file); true when the user confirmed it.
    virtual bool Print(QPrinter& printer, QWidget* parent) = 0;
};

// QPageSetupDialog and QPrintDialog.
IPrintDialogs& DefaultPrintDialogs();
