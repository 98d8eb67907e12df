#include "halvane/app/CStaticColorCtrl.h"

#include <QPainter>

namespace halvane::app::CustomControls {

CStaticColorCtrl::CStaticColorCtrl(int id, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("idc_%1").arg(id));
    setMinimumSize(16, 16);
}

QColor CStaticColorCtrl::FromColorRef(std::uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

void CStaticColorCtrl::setColor(const QColor& color) {
    color_ = color;
    QWidget::update();
}

void CStaticColorCtrl::setColorRef(std::uint32_t colorRef) { setColor(FromColorRef(colorRef)); }

void CStaticColorCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), color_);
}

}  // namespace halvane::app::CustomControls
