// emptyqt: an empty Qt Widgets program, one window and nothing else. Built with the same
// compiler, flags and Qt as the suite, it is the floor that the benchmarks set Vindelor's
// processor time and memory against.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("emptyqt"));
    window.resize(200, 100);
    window.show();
    return app.exec();
}
