#pragma once

#include "platform/UserPrompt.h"

#include <QString>

#include <memory>

class QObject;
class QWidget;

namespace platform::qt {

// Message boxes on the Qt user-interface thread. Asked on that thread, the
// box runs at once (its modal loop keeps the message pump going); asked on a
// worker, the question is handed to the user-interface thread by a blocking
// queued call and the worker waits for the answer. The user-interface
// thread never waits plainly for such a worker (see UiThread.h), so the two
// cannot deadlock.
//
// Create it on the user-interface thread after the application object, and
// destroy it after the workers that ask through it have ended; a question
// still pending then gets DefaultAnswer.
class QtUserPrompt final : public UserPrompt {
public:
    // `programName` is the caption of a box asked with an empty caption;
    // empty: the application's display name. It is also the translation
    // context of the texts and captions asked: the program's toolkit-free
    // code asks in English, and the installed language file of the program
    // may translate them there; a text it does not hold is shown as asked.
    explicit QtUserPrompt(QString programName = QString());
    ~QtUserPrompt() override;

protected:
    int show(const std::string& text, const std::string& caption, unsigned flags, WindowHandle owner) override;

private:
    QString translated(const std::string& text) const;
    int showHere(const QString& text, const QString& caption, unsigned flags, WindowHandle owner);

    QString programName_;
    std::unique_ptr<QObject> context_;  // lives on the user-interface thread
};

// The widget bound to a window handle (null when none, or gone). Call on the
// user-interface thread.
QWidget* WidgetOf(WindowHandle handle);

}  // namespace platform::qt
