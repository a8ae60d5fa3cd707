// Failure channel: the one way any module aborts the show.
//
// A fatal problem is raised as a DemoFailure carrying the message text. Only
// the program's entry point catches it: it closes the window, writes the text
// to standard error and shows it in an "Error" message box. Texts with
// arguments are formatted into at most 1023 characters (a 1024-byte buffer);
// Fail() with a std::string keeps the text whole, for messages that must not
// be cut (shader compiler logs).
#pragma once

#include <exception>
#include <string>

class DemoFailure : public std::exception {
public:
    explicit DemoFailure(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// Raises the text unchanged.
[[noreturn]] void Fail(std::string text);

// Formats printf-style into a 1024-byte buffer (longer results are cut) and raises it.
[[noreturn]] void FailFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
