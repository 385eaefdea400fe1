// The open and save dialogs of the main window's file commands, behind an interface so that
// the commands can be run without a person at the screen (tests answer them directly).
#pragma once

#include <QFileDialog>
#include <QString>

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

// "text|pattern" in Qt's name-filter form "text (pattern)"; the text is kept as it is when it
// already ends with the pattern in parentheses.
QString QtNameFilter(const QString& filter);
