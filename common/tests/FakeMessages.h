#pragma once

#include "common/MessageBoxes.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quill::test {

// Records every message box and answers from a queue (Yes or OK when empty).
class TFakeMessages : public IMessageBoxes {
public:
    struct TAsked {
        TMessageKind Kind;
        std::string Text;
        TMessageButtons Buttons;
    };

    TMessageAnswer Show(TMessageKind kind, const std::string& text, TMessageButtons buttons) override {
        Asked.push_back({kind, text, buttons});
        if (OnShow) {
            OnShow();
        }
        if (Answers.empty()) {
            return buttons == TMessageButtons::Ok || buttons == TMessageButtons::OkCancel ? TMessageAnswer::Ok
                                                                                          : TMessageAnswer::Yes;
        }
        const TMessageAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    std::vector<TAsked> Asked;
    std::deque<TMessageAnswer> Answers;
    // Runs while the box is shown.
    std::function<void()> OnShow;
};

} // namespace quill::test
