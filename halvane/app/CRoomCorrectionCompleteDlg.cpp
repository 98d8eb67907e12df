#include "halvane/app/CRoomCorrectionCompleteDlg.h"

#include "halvane/app/UiThreadCall.h"
#include "halvane/app/models/CompletionPage.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "platform/StringTable.h"
#include "platform/qt/QtUserPrompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvane::app {

CRoomCorrectionCompleteDlg::CRoomCorrectionCompleteDlg(QWidget* parent)
    : QDialog(parent), text_(new QLabel(this)), showResults_(new QPushButton(this)), exit_(new QPushButton(this)) {
    setObjectName(QStringLiteral("idd_103"));
    diagnostics::RegisterHalvaneStrings();
    setWindowTitle(QString::fromStdString(platform::processStrings().text(diagnostics::ids::AppName)));
    setModal(true);
    text_->setObjectName(QStringLiteral("text"));
    text_->setText(tr(models::completion_page::kText));
    text_->setWordWrap(true);
    showResults_->setObjectName(QStringLiteral("idok"));
    showResults_->setText(tr("Show Results"));
    showResults_->setDefault(true);
    exit_->setObjectName(QStringLiteral("idcancel"));
    exit_->setText(tr("Exit"));
    auto* box = new QDialogButtonBox(this);
    box->addButton(showResults_, QDialogButtonBox::AcceptRole);
    box->addButton(exit_, QDialogButtonBox::RejectRole);
    // "Show Results" ends the page with OK (1), "Exit", Escape and the close
    // box with Cancel; done() carries the numbers through.
    connect(showResults_, &QPushButton::clicked, this, [this] { done(models::completion_page::kShowResults); });
    connect(exit_, &QPushButton::clicked, this, [this] { done(models::completion_page::kExit); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(box);
}

void InstallCompletionPage() {
    models::completion_page::SetShell([](platform::WindowHandle parent) {
        return CallOnUiThread(
            [&] {
                CRoomCorrectionCompleteDlg page(platform::qt::WidgetOf(parent));
                const int result = page.exec();
                // The close box and Escape reject with 0: that is Exit.
                return result == models::completion_page::kShowResults ? models::completion_page::kShowResults
                                                               : models::completion_page::kExit;
            },
            0);
    });
}

}  // namespace halvane::app
