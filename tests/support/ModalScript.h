#pragma once
// Answers the modal windows a test opens, through the window layer's modal hook: each window
// class is given an answer that runs once its modal loop runs. A modal window without an answer
// is closed with Cancel and counted. GUI thread only.

#include "platform/window/Dialog.h"

#include <functional>
#include <utility>
#include <vector>

namespace testsupport {

class ModalScript {
public:
    ModalScript()
        : m_previous(platform::SetModalHook([this](platform::Dialog& dialog) { Answer(dialog); })) {
    }
    ~ModalScript() { platform::SetModalHook(std::move(m_previous)); }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // answer(Window&) runs for every modal Window; the latest answer for a class wins.
    template <typename Window, typename Answer>
    void On(Answer answer) {
        m_answers.insert(m_answers.begin(), [answer](platform::Dialog& dialog) mutable {
            auto* window = qobject_cast<Window*>(&dialog);
            if (window == nullptr) {
                return false;
            }
            answer(*window);
            return true;
        });
    }
    int Answered() const { return m_answered; }
    int Unanswered() const { return m_unanswered; }

private:
    void Answer(platform::Dialog& dialog) {
        for (auto& answer : m_answers) {
            if (answer(dialog)) {
                ++m_answered;
                return;
            }
        }
        ++m_unanswered;
        dialog.EndDialog(platform::IDCANCEL);
    }

    platform::ModalHook m_previous;
    std::vector<std::function<bool(platform::Dialog&)>> m_answers;
    int m_answered = 0;
    int m_unanswered = 0;
};

}  // namespace testsupport
