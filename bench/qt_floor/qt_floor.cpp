// The floor of a Qt clock, for the benchmark to measure the clock against: a QLabel renewed
// at each wall-clock second by a single-shot timer, nothing else.
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>

namespace {
void renew(QLabel& label) {
    const QDateTime now = QDateTime::currentDateTime();
    label.setText(now.toString(QStringLiteral("ddd HH:mm:ss")));
    QTimer::singleShot(1001 - now.time().msec(), Qt::PreciseTimer, &label,
                       [&label] { renew(label); });
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label;
    label.setWindowTitle(QStringLiteral("qt-floor"));
    label.setFixedSize(96, 22);
    renew(label);
    label.show();
    return app.exec();
}
