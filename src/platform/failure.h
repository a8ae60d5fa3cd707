// Failure channel: the one way any module aborts the show.
//
// A fatal problem is raised as a DemoFailure carrying the message text. Only
// the program's entry point catches it: it closes the window, writes the text
// to standard error and shows it in an "Error" message box. Texts with
// arguments are formatted into at most 1023 characters (a 1024-byte buffer);
// Fail() with a std::string keeps the text whole, for messages that must not
// be cut (shader compiler logs).
//
// The two normal ends of a show that is not quit with Escape ("End of show",
// "You quit?") travel the same channel and are reported the same way, but
// are raised with EndShow: the process then exits with status 0, where a
// failure exits with 1.
#pragma once

#include <exception>
#include <string>

class DemoFailure : public std::exception {
public:
    explicit DemoFailure(std::string text, bool normal_end = false)
        : text_(std::move(text)), normal_end_(normal_end) {}
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const { return text_; }
    // True for the ends raised with EndShow.
    bool IsNormalEnd() const { return normal_end_; }

private:
    std::string text_;
    bool normal_end_;
};

// Raises the text unchanged.
[[noreturn]] void Fail(std::string text);

// Ends the show with the text: reported like a failure, but a normal end.
[[noreturn]] void EndShow(std::string text);

// Formats printf-style into a 1024-byte buffer (longer results are cut) and raises it.
[[noreturn]] void FailFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
