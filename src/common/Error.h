// The system's error type: every failure inside the component is raised as an
// EComponentError carrying its message; the component boundary turns it into a
// report to the host.
#pragma once

#include <exception>
#include <string>

class EComponentError : public std::exception {
public:
    explicit EComponentError(std::u16string message);
    const std::u16string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::u16string message_;
    std::string utf8_;
};

// The message of the error being handled, whatever its type; for catch blocks.
std::u16string CurrentErrorMessage();

// The text of an error box shown to the user: the message, with a full stop
// added when its last character's code is above the full stop's own.
std::u16string ErrorBoxText(const std::u16string& message);
