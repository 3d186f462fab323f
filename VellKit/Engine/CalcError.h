#pragma once

// The engine's only error: a message already in the user's language.

#include <stdexcept>
#include <string>

namespace vell {

class CalcError : public std::exception {
public:
    explicit CalcError(std::string message) : message_(std::move(message)) {}

    const std::string& message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

    friend bool operator==(const CalcError& a, const CalcError& b) { return a.message_ == b.message_; }

private:
    std::string message_;
};

} // namespace vell
