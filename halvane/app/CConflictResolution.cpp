#include "halvane/app/CConflictResolution.h"

#include "halvane/app/CoreText.h"
#include "halvane/app/CCheckList.h"
#include "halvane/app/UiThreadCall.h"
#include "platform/qt/QtUserPrompt.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace halvane::app {

QString DialogText(const std::string& text) {
    QString out = QString::fromStdString(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

CConflictResolution::CConflictResolution(const models::RepeatMeasurementsRequest& request, QWidget* parent)
    : QDialog(parent), text_(new QPlainTextEdit(this)), list_(new CCheckList(this)) {
    setObjectName(QStringLiteral("idd_107"));
    setWindowTitle(CoreText(request.caption));
    setModal(true);
    text_->setObjectName(QStringLiteral("idc_1072"));
    text_->setReadOnly(true);
    text_->setPlainText(DialogText(request.text));
    text_->setFocusPolicy(Qt::NoFocus);
    text_->setFixedHeight(90);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    list_->Fill(request.items, request.count, request.owner);
    resize(420, 320);
}

void InstallConflictResolutionDialog() {
    models::SetRepeatMeasurementsShell([](const models::RepeatMeasurementsRequest& request, platform::WindowHandle parent) {
        return CallOnUiThread(
            [&] {
                CConflictResolution dialog(request, platform::qt::WidgetOf(parent));
                return dialog.exec() == QDialog::Accepted;
            },
            false);
    });
}

}  // namespace halvane::app
