#pragma once
// Helpers for the settings tool's dialog tests: one QApplication per process, and an answerer
// that acts on the next modal window of a given class as soon as it runs.

#include <QApplication>
#include <QTimer>

#include <functional>

namespace settings::test {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "settings-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the process's exit tears down Qt's own statics in an order that a
    // static application object would outlive.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// For sanitizer builds: fontconfig keeps caches that it never frees.
#define SETTINGS_TEST_LSAN_SUPPRESSIONS                    \
    extern "C" const char* __lsan_default_suppressions() { \
        return "leak:libfontconfig.so\n";                  \
    }

template <typename Window>
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(Window*)> answer) : m_answer(std::move(answer)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
                m_timer.stop();
                ++m_answered;
                m_answer(window);
            }
        });
        m_timer.start(5);
    }
    int Answered() const { return m_answered; }

private:
    std::function<void(Window*)> m_answer;
    QTimer m_timer;
    int m_answered = 0;
};

}  // namespace settings::test
