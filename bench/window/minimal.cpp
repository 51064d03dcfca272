// The yardsticks for Scriblane's start-up: the least a Qt 6 Widgets program
// does to put one fixed-size window on the screen, and (built with
// MINIMAL_LABEL) the same window showing one line of text, which is what
// Qt's own font start-up costs any window with text.
#include <QApplication>
#include <QWidget>
#ifdef MINIMAL_LABEL
#include <QLabel>
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.setFixedSize(290, 236);
#ifdef MINIMAL_LABEL
    auto* label = new QLabel(QStringLiteral("Text to write:"), &window);
    label->move(10, 10);
#endif
    window.show();
    return QApplication::exec();
}
