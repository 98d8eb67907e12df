#include "halvane/app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

namespace halvane::app {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    // The speaker: a dark box with a cone.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 44, 52));
    painter.drawRoundedRect(QRectF(4, 6, 30, 52), 5, 5);
    painter.setBrush(QColor(150, 156, 168));
    painter.drawEllipse(QPointF(19, 40), 10, 10);
    painter.drawEllipse(QPointF(19, 17), 5, 5);
    painter.setBrush(QColor(40, 44, 52));
    painter.drawEllipse(QPointF(19, 40), 3.5, 3.5);
    // The response: a ragged measured curve and the flat corrected one.
    QPainterPath measured;
    measured.moveTo(36, 34);
    measured.cubicTo(42, 16, 46, 50, 52, 28);
    measured.cubicTo(55, 20, 58, 40, 61, 30);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(200, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(measured);
    painter.setPen(QPen(QColor(20, 160, 60), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(36, 48), QPointF(61, 48));
    return pixmap;
}

}  // namespace

QIcon HalvaneIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(DrawIcon(size));
    return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CAboutDlg");
    setWindowTitle(tr("About Halvane"));
    setWindowIcon(HalvaneIcon());

    auto* picture = new QLabel(this);
    picture->setObjectName("icon");
    picture->setPixmap(HalvaneIcon().pixmap(48, 48));
    auto* name = new QLabel("Halvane", this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    name->setFont(bold);
    auto* version = new QLabel(tr("Version 3.0.2"), this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    // Wide enough for the caption in the title bar and the texts.
    setMinimumWidth(300);
}

}  // namespace halvane::app
