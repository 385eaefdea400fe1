// The open and save dialogs of the main window's file commands, behind an interface so that
// the commands can be run without a person at the screen (tests answer them directly).
#pragma once

#include <QFileDialog>
#include <QString>
#include <string>

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    // Filter in the program's own form, "text|pattern", e.g. "データファイル (*.DTA)|*.DTA".
    QString filter;
    // Folder the dialog opens in and the name it proposes there (a name or a pattern).
    QString folder;
    QString name;
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // Shows the dialog modally; the chosen absolute path, or empty when it was cancelled.
    virtual QString Ask(const FileDialogRequest& request) = 0;
};

// Qt's own file dialog (the same on every desktop), so that the patterns match regardless of
// case: data files copied from Windows are often named ".dta".
class QtFileDialogs : public IFileDialogs {
public:
    QtFileDialogs(QFileDialog* openDialog, QFileDialog* saveDialog);
    QString Ask(const FileDialogRequest& request) override;

private:
    QFileDialog* open_;
    QFileDialog* save_;
};

// The dialog for names to save to. A name holding "*" or "?" (the proposal "*.DTA" confirmed as
// it stands) is a pattern, never a file name: the dialog stays open instead of returning it.
class TSaveFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    void accept() override;
};

// Whether a file name holds a pattern character ("*" or "?").
bool IsNamePattern(const QString& fileName);

// The data file filter and proposal of the data commands and of the automatic-save choice.
inline const QString kDataFileFilter = QStringLiteral("データファイル (*.DTA)|*.DTA");
inline const QString kDataFilePattern = QStringLiteral("*.DTA");

// Where the file name begins in a path with "/" or "\" separators.
qsizetype FileNameStart(const QString& path);
// The folder a dialog for `path` opens in: the path's folder when the path is absolute and the
// folder exists, else the home folder (never the folder the program was started from).
QString DialogFolderFor(const QString& path);
// The name a dialog proposes for `path` in that folder: its file name, or `pattern` when it
// has none.
QString ProposedFileName(const QString& path, const QString& pattern);

// A path as the file operations take it (the native 8-bit form) and back.
std::string Native(const QString& path);
QString FromNative(const std::string& path);
// The path with `extension` added when its file name has no dot. Only the file name counts:
// dotted folders (~/.local, v1.2/) are common, and a name saved into one still gets it.
QString WithExtensionIfDotless(const QString& path, const QString& extension);

// "text|pattern" in Qt's name-filter form "text (pattern)"; the text is kept as it is when it
// already ends with the pattern in parentheses.
QString QtNameFilter(const QString& filter);
