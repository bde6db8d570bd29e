// emptyqt: the floor that the benchmarks set Vindelor's processor time and memory against.
// Built with the same compiler, flags and Qt as the suite, it ticks like a session and
// does nothing else: every 20 ms it puts the elapsed time into a label and the window
// title, so both change once a second, as Vindelor's digits and title do. Vindelor's
// figure over this one is what the session's own work costs.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("emptyqt"));
    window.resize(200, 100);
    auto* label = new QLabel(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(label);
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.setInterval(20);
    QObject::connect(&tick, &QTimer::timeout, &window, [&] {
        const qint64 s = clock.elapsed() / 1000;
        const QString text = QStringLiteral("%1:%2:%3")
                                 .arg(s / 3600, 2, 10, QLatin1Char('0'))
                                 .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(s % 60, 2, 10, QLatin1Char('0'));
        label->setText(text);
        window.setWindowTitle(text);
    });
    tick.start();
    window.show();
    return app.exec();
}
