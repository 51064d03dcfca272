// The widgets the main window is made of, beyond stock Qt ones.
#include "platform/linux/qt/qt_widgets.h"

#include <QCloseEvent>
#include <QKeyEvent>
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

CaptionFrame::CaptionFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
    setFocusPolicy(Qt::NoFocus);
}

void CaptionFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    // An etched border: a dark line with a light one inside and below it.
    const QRect border = rect().adjusted(0, metrics.height() / 2, -2, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(border);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(border.translated(1, 1));
    const QString caption = title();
    if (caption.isEmpty()) return;
    const QRect text(7, 0, metrics.horizontalAdvance(caption) + 4, metrics.height());
    painter.fillRect(text, palette().window());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::WindowText));
    painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, caption);
}

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    setDefault(false);
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(event);
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
