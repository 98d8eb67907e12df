#include "platform/qt/QtUserPrompt.h"

#include "platform/WindowRegistry.h"
#include "platform/qt/TitleFit.h"

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QThread>

namespace platform::qt {

namespace {

QMessageBox::StandardButtons buttonsFor(unsigned flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_ABORTRETRYIGNORE:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    case MB_RETRYCANCEL:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconFor(unsigned flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButton buttonOf(int id) {
    switch (id) {
    case IDOK:
        return QMessageBox::Ok;
    case IDCANCEL:
        return QMessageBox::Cancel;
    case IDABORT:
        return QMessageBox::Abort;
    case IDRETRY:
        return QMessageBox::Retry;
    case IDIGNORE:
        return QMessageBox::Ignore;
    case IDYES:
        return QMessageBox::Yes;
    case IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

int idOf(QMessageBox::StandardButton button, unsigned flags) {
    switch (button) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Abort:
        return IDABORT;
    case QMessageBox::Retry:
        return IDRETRY;
    case QMessageBox::Ignore:
        return IDIGNORE;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return DefaultAnswer(flags);
    }
}

}  // namespace

QWidget* WidgetOf(WindowHandle handle) {
    if (handle.isNull()) return nullptr;
    return static_cast<QWidget*>(windows().native(handle));
}

QtUserPrompt::QtUserPrompt(QString programName) : programName_(std::move(programName)), context_(new QObject) {}

QtUserPrompt::~QtUserPrompt() = default;

int QtUserPrompt::show(const std::string& text, const std::string& caption, unsigned flags, WindowHandle owner) {
    if (QCoreApplication::instance() == nullptr) return DefaultAnswer(flags);
    const QString qText = translated(text);
    const QString qCaption = translated(caption);
    if (QThread::currentThread() == context_->thread()) return showHere(qText, qCaption, flags, owner);

    int answer = DefaultAnswer(flags);
    QMetaObject::invokeMethod(
        context_.get(), [&] { answer = showHere(qText, qCaption, flags, owner); }, Qt::BlockingQueuedConnection);
    return answer;
}

QString QtUserPrompt::translated(const std::string& text) const {
    if (text.empty() || programName_.isEmpty()) return QString::fromStdString(text);
    return QCoreApplication::translate(programName_.toUtf8().constData(), text.c_str());
}

int QtUserPrompt::showHere(const QString& text, const QString& caption, unsigned flags, WindowHandle owner) {
    QString title = caption;
    if (title.isEmpty()) title = programName_;
    if (title.isEmpty()) title = QApplication::applicationDisplayName();
    QMessageBox box(iconFor(flags), title, text, buttonsFor(flags), WidgetOf(owner));
    // Escape and the close box give the same answer as a box with no user.
    if (QAbstractButton* escape = box.button(buttonOf(DefaultAnswer(flags)))) box.setEscapeButton(escape);
    FitTitle(box);
    box.exec();
    return idOf(box.standardButton(box.clickedButton()), flags);
}

}  // namespace platform::qt
