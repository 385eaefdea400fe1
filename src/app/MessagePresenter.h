// How a message box reaches the screen. The program shows real QMessageBoxes; tests install a
// presenter that records what would have been shown and answers for the user.
#pragma once

#include <QString>

enum class MsgIcon { Error, Warning, Question, Information };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageBoxRequest {
    QString caption;
    MsgIcon icon = MsgIcon::Error;
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
};

class IMessagePresenter {
public:
    virtual ~IMessagePresenter() = default;
    // Shows the box modally and returns the button the user pressed.
    virtual MsgAnswer Present(const MessageBoxRequest& request) = 0;
};

// Modal QMessageBox without an owner window.
class QtMessagePresenter : public IMessagePresenter {
public:
    MsgAnswer Present(const MessageBoxRequest& request) override;
};

// The presenter used wherever none is given explicitly: a QtMessagePresenter unless a test has
// replaced it. SetDefaultMessagePresenter(nullptr) restores the Qt one.
IMessagePresenter& DefaultMessagePresenter();
void SetDefaultMessagePresenter(IMessagePresenter* presenter);
