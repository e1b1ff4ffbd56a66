#pragma once

#include <string>

namespace quill {

enum class TMessageKind { Information, Warning, Error, Confirmation };
enum class TMessageButtons { Ok, OkCancel, YesNo, YesCancel };
enum class TMessageAnswer { Ok, Cancel, Yes, No };

// The one way the program asks the user something: a modal message box
// captioned with the application title.
class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    virtual TMessageAnswer Show(TMessageKind kind, const std::string& text, TMessageButtons buttons) = 0;

    void Information(const std::string& text) { Show(TMessageKind::Information, text, TMessageButtons::Ok); }
    void Warning(const std::string& text) { Show(TMessageKind::Warning, text, TMessageButtons::Ok); }
    void Error(const std::string& text) { Show(TMessageKind::Error, text, TMessageButtons::Ok); }
    // True on Yes.
    bool Confirm(const std::string& text) {
        return Show(TMessageKind::Confirmation, text, TMessageButtons::YesNo) == TMessageAnswer::Yes;
    }
};

} // namespace quill
