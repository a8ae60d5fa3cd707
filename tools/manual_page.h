// The manual page of the program, made from its --help text.
//
// The help text is read as the program writes it: a "Usage: NAME ..." line,
// the description up to the first empty line, then paragraphs separated by
// empty lines. A paragraph of entries (lines indented by two spaces: a term,
// two or more spaces, its text; deeper indented lines continue the text) is
// a list; the text before its entries, when it ends with ':', is the list's
// heading ("Exit status:" becomes a section, a longer one a subsection). A
// paragraph opening with a short label ("Keys: ...") is a section of its own.
// The first list without a heading is OPTIONS.
#pragma once

#include <string>

// The page in man(7) format: NAME (name and `summary`), SYNOPSIS,
// DESCRIPTION and the paragraphs of `help`.
std::string ManualPage(const std::string& help, const std::string& summary);
