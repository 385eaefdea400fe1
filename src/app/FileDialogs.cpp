#include "app/FileDialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <algorithm>

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

qsizetype FileNameStart(const QString& path) {
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1;
}

QString DialogFolderFor(const QString& path) {
    const QFileInfo file(path);
    if (!path.isEmpty() && file.isAbsolute() && file.dir().exists()) {
        return file.absolutePath();
    }
    return QDir::homePath();
}

QString ProposedFileName(const QString& path, const QString& pattern) {
    const QString name = path.mid(FileNameStart(path));
    return name.isEmpty() ? pattern : name;
}

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromNative(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString WithExtensionIfDotless(const QString& path, const QString& extension) {
    return path.indexOf(QLatin1Char('.'), FileNameStart(path)) >= 0 ? path : path + extension;
}

bool IsNamePattern(const QString& fileName) {
    return fileName.contains(QLatin1Char('*')) || fileName.contains(QLatin1Char('?'));
}

void TSaveFileDialog::accept() {
    const QStringList files = selectedFiles();
    for (const QString& file : files) {
        if (IsNamePattern(QFileInfo(file).fileName())) {
            return;
        }
    }
    QFileDialog::accept();
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
    // The proposed name is selected on every showing, so that typing replaces it (the reused
    // dialog otherwise keeps the cursor after it from the second showing on).
    auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (nameEdit) {
        nameEdit->selectAll();
        nameEdit->setFocus();
    }
    const bool accepted = dialog->exec() == QDialog::Accepted;
    // A completion list that arrived while the name was confirmed would stay on the screen.
    for (QCompleter* completer : dialog->findChildren<QCompleter*>()) {
        if (completer->popup()) {
            completer->popup()->hide();
        }
    }
    if (!accepted) {
        return {};
    }
    const QStringList files = dialog->selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
