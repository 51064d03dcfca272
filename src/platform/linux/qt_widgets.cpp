#include "platform/linux/qt_widgets.h"

#include <QCloseEvent>
#include <QPainter>
#include <algorithm>

namespace scriblane::linuxp {

FormWindow::FormWindow(std::function<bool()> onClose) : onClose_(std::move(onClose)) {}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (!onClose_ || onClose_()) {
        event->accept();
    } else {
        event->ignore();
    }
}

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColorSwatch::setColor(const QColor& color) {
    if (color_ == color) return;
    color_ = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        painter.fillRect(contentsRect(), color_);
    }
    QFrame::paintEvent(event);
}

LineWidget::LineWidget(QWidget* parent, QPoint from, QPoint to, QPalette::ColorRole role)
    : QWidget(parent), from_(from), to_(to), role_(role) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const QPoint topLeft(std::min(from.x(), to.x()), std::min(from.y(), to.y()));
    const QPoint bottomRight(std::max(from.x(), to.x()), std::max(from.y(), to.y()));
    setGeometry(QRect(topLeft, bottomRight));  // inclusive: one pixel thick at least
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(role_), 0));  // cosmetic: one device pixel
    painter.drawLine(from_ - pos(), to_ - pos());
}

}  // namespace scriblane::linuxp
