// The yardstick for Scriblane's start-up: the least a Qt 6 Widgets program
// does to put one fixed-size window on the screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.setFixedSize(290, 236);
    window.show();
    return QApplication::exec();
}
