// The widgets the main window is made of, beyond stock Qt ones.
#pragma once

#include <QColor>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QWidget>
#include <functional>

class QCloseEvent;
class QPaintEvent;

namespace scriblane::linuxp {

// The top-level window. Closing asks `onClose` whether to go ahead.
class FormWindow : public QWidget {
public:
    explicit FormWindow(std::function<bool()> onClose);
    // From now on closing goes ahead without asking.
    void DisarmClose() { onClose_ = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<bool()> onClose_;
};

// A push button that is never the default, yet answers Return and Enter
// while it has the focus, as a focused button in a Windows dialog does.
class CommandButton : public QPushButton {
public:
    CommandButton(const QString& caption, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A titled frame with its caption on the top border line and the border
// near the top edge, whatever the style: the table's positions assume it.
class CaptionFrame : public QGroupBox {
public:
    CaptionFrame(const QString& title, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A sunken, focusable patch that shows one colour and nothing else.
class ColorSwatch : public QFrame {
public:
    explicit ColorSwatch(QWidget* parent);
    void setColor(const QColor& color);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_{Qt::black};
};

// A one-pixel solid line from (x1, y1) to (x2, y2) in parent coordinates,
// drawn in a palette colour; it never takes the mouse or the focus.
class LineWidget : public QWidget {
public:
    LineWidget(QWidget* parent, QPoint from, QPoint to, QPalette::ColorRole role);
    QPoint from() const { return from_; }
    QPoint to() const { return to_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint from_, to_;
    QPalette::ColorRole role_;
};

}  // namespace scriblane::linuxp
