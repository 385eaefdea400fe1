// The print commands of the main window: page set-up and the one-page report. The printer and
// its settings (device, paper, orientation) stay with the window for the rest of the run.
#include "app/PrintDialogs.h"
#include "app/Tavrin_main.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <new>

#include "app/Mymessage.h"
#include "graph/Myprint.h"

namespace {

class QtPrintDialogs : public IPrintDialogs {
public:
    void PageSetup(QPrinter& printer, QWidget* parent) override {
        QPageSetupDialog dialog(&printer, parent);
        dialog.exec();
    }
    bool Print(QPrinter& printer, QWidget* parent) override {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }
};

} // namespace

IPrintDialogs& DefaultPrintDialogs() {
    static QtPrintDialogs dialogs;
    return dialogs;
}

QPrinter& TFormMain::Printer() {
    if (!printer_) {
        printer_ = std::make_shared<QPrinter>(QPrinter::HighResolution);
    }
    return *printer_;
}

IPrintDialogs& TFormMain::PrintDialogs() const {
    return options_.printDialogs ? *options_.printDialogs : DefaultPrintDialogs();
}

void TFormMain::MenuFilePrintSettingClick() {
    PrintDialogs().PageSetup(Printer(), this);
}

void TFormMain::MenuFilePrintClick() {
    if (!document_.fDataExist) {
        myMessage->MsgNoData();
        return;
    }
    if (!Graph() || !PrintDialogs().Print(Printer(), this)) {
        return;
    }
    QPrinter& printer = Printer();
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.resolution() > kPdfResolution) {
        printer.setResolution(kPdfResolution);
    }
    std::unique_ptr<TZF_Print> ZF_Print;
    bool printed = false;
    try {
        if (options_.failCreationOf == QLatin1String("TZF_Print")) {
            throw std::bad_alloc();
        }
        ZF_Print = std::make_unique<TZF_Print>(*Graph(), printer, document_.graphSetting);
        // The print bitmap is made inside PrintReport; running out of memory there is the same
        // failure as here.
        printed = ZF_Print->PrintReport(MakePrintInfo(document_.curBlock, document_.graphSetting,
                                                      document_.measureSetting, peakReadouts));
    } catch (const std::bad_alloc&) {
        ZF_Print.reset();
        myMessage->MsgMemoryError(QStringLiteral("TZF_Print"));
        closeUnasked_ = true;
        close();
        return;
    }
    if (!printed) {
        // The job could not be started or finished (printer gone, PDF folder missing).
        myMessage->MsgPrintError();
    }
}
