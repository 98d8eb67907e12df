#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>

namespace halvane::app::CustomControls {

// A colour swatch: its whole area filled with one colour.
class CStaticColorCtrl final : public QWidget {
    Q_OBJECT

public:
    explicit CStaticColorCtrl(int id, QWidget* parent = nullptr);

    void setColor(const QColor& color);
    // A colour in the document's 0x00BBGGRR form.
    void setColorRef(std::uint32_t colorRef);
    QColor color() const { return color_; }

    static QColor FromColorRef(std::uint32_t colorRef);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_{Qt::black};
};

}  // namespace halvane::app::CustomControls
