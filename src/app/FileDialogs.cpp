#include "app/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

QString QtNameFilter(const QString& filter) {
    const qsizetype bar = filter.lastIndexOf(QLatin1Char('|'));
    if (bar < 0) {
        return filter;
    }
    const QString text = filter.left(bar).trimmed();
    const QString pattern = filter.mid(bar + 1).trimmed();
    if (text.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
        return text;
    }
    return text + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

QtFileDialogs::QtFileDialogs(QFileDialog* openDialog, QFileDialog* saveDialog)
    : open_(openDialog), save_(saveDialog) {}

QString QtFileDialogs::Ask(const FileDialogRequest& request) {
    const bool save = request.mode == FileDialogRequest::Mode::Save;
    QFileDialog* dialog = save ? save_ : open_;
    if (!dialog) {
        return {};
    }
    // The file handler asks before it replaces a file; the dialog adds no question and no
    // extension of its own (the commands' extension rules decide).
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setDefaultSuffix(QString());
    dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
    dialog->setNameFilter(QtNameFilter(request.filter));
    dialog->setDirectory(request.folder);
    dialog->selectFile(request.name);
    if (dialog->exec() != QDialog::Accepted) {
        return {};
    }
    const QStringList files = dialog->selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
