// bench/startup's reference: the barest Qt dialog of the player's size, started and measured
// as the player is (ROADPLAYER_STARTUP_PROBE receives the time of its first paint).
#include "platform/system/ProcessMemory.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPainter>
#include <QTimer>

#include <chrono>

namespace {

class BareDialog : public QDialog {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Qt::darkGray);
        if (m_painted) {
            return;
        }
        m_painted = true;
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
        QFile out(qEnvironmentVariable("ROADPLAYER_STARTUP_PROBE"));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            out.write(
                QByteArray::number(static_cast<qint64>(now)) + ' ' +
                QByteArray::number(static_cast<qint64>(platform::ResidentSetBytes().value_or(0))) +
                '\n');
        }
        QTimer::singleShot(0, this, &QDialog::accept);
    }

private:
    bool m_painted = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    BareDialog dialog;
    dialog.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    dialog.resize(1168, 640);
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
