// Error message box: a modal GTK 3 dialog captioned "Error" with the error
// icon, the message text and one OK button.
//
// [X] shown without an owner window, returns when the viewer presses OK or
//     closes it
// [X] text that is not valid UTF-8 (a quoted binary file) is shown with
//     replacement characters instead of being refused
// [ ] no box when no display can be opened (the caller has already written
//     the text to standard error, so nothing is lost)
#pragma once

#include <string>

// Blocks until the box is dismissed. Returns false when no box could be shown.
bool ShowErrorMessageBox(const std::string& text);
