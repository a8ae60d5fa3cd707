#include "manual_page.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

// One line of running text for roff: backslashes and minus signs escaped (so
// that options can be copied from the page), a leading control character
// defused.
std::string Roff(const std::string& text) {
    std::string out;
    if (!text.empty() && (text[0] == '.' || text[0] == '\'')) out = "\\&";
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

// "--show DIR": the option in bold, its argument in italics.
std::string Term(const std::string& term) {
    const size_t space = term.find(' ');
    if (space == std::string::npos) return "\\fB" + Roff(term) + "\\fR";
    return "\\fB" + Roff(term.substr(0, space)) + "\\fR \\fI" + Roff(term.substr(space + 1)) +
           "\\fR";
}

struct Entry {
    std::string term;
    Lines text;
};

// Two spaces, then a term, then two or more spaces before the text.
bool IsEntryStart(const std::string& line) {
    return StartsWith(line, "  ") && line.size() > 2 && line[2] != ' ';
}

void WriteText(std::ostream& out, const Lines& lines) {
    for (const std::string& line : lines) out << Roff(Trim(line)) << "\n";
}

}  // namespace

std::string ManualPage(const std::string& help, const std::string& summary) {
    Lines lines;
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);) lines.push_back(line);

    std::string name = "program", synopsis;
    size_t i = 0;
    if (!lines.empty() && StartsWith(lines[0], "Usage: ")) {
        const std::string usage = lines[0].substr(7);
        const size_t space = usage.find(' ');
        name = usage.substr(0, space);
        if (space != std::string::npos) synopsis = usage.substr(space + 1);
        i = 1;
    }
    std::ostringstream out;
    out << ".TH " << Roff(Upper(name)) << " 1 \"\" \"" << Roff(name) << "\" \"User Commands\"\n"
        << ".SH NAME\n"
        << Roff(name) << " \\- " << Roff(summary) << "\n"
        << ".SH SYNOPSIS\n"
        << "\\fB" << Roff(name) << "\\fR " << Roff(synopsis) << "\n"
        << ".SH DESCRIPTION\n";
    Lines description;
    for (; i < lines.size() && !Trim(lines[i]).empty(); ++i) description.push_back(lines[i]);
    WriteText(out, description);

    bool had_options = false;
    while (i < lines.size()) {
        Lines paragraph;
        for (; i < lines.size() && Trim(lines[i]).empty(); ++i) {
        }
        for (; i < lines.size() && !Trim(lines[i]).empty(); ++i) paragraph.push_back(lines[i]);
        if (paragraph.empty()) break;

        Lines lead;
        std::vector<Entry> entries;
        for (const std::string& line : paragraph) {
            if (IsEntryStart(line)) {
                const std::string body = line.substr(2);
                const size_t gap = body.find("  ");
                entries.push_back({Trim(body.substr(0, gap)), {}});
                if (gap != std::string::npos) entries.back().text.push_back(body.substr(gap));
            } else if (!entries.empty() && StartsWith(line, "   ")) {
                entries.back().text.push_back(line);
            } else if (entries.empty()) {
                lead.push_back(line);
            } else {
                entries.back().text.push_back(line);
            }
        }

        if (entries.empty()) {
            // "Keys: Escape quits, ..." is a section of its own.
            const std::string& first = paragraph[0];
            const size_t colon = first.find(": ");
            if (colon != std::string::npos && colon <= 20 && isupper(first[0]) &&
                first.substr(0, colon).find_first_of(",.;") == std::string::npos) {
                out << ".SH " << Roff(Upper(first.substr(0, colon))) << "\n";
                paragraph[0] = first.substr(colon + 2);
            } else {
                out << ".PP\n";
            }
            WriteText(out, paragraph);
            continue;
        }

        std::string heading;
        for (const std::string& line : lead) heading += (heading.empty() ? "" : " ") + Trim(line);
        if (heading.empty()) {
            if (!had_options) out << ".SH OPTIONS\n";
        } else if (heading.back() == ':') {
            heading.pop_back();
            out << (heading.size() <= 24 ? ".SH " + Roff(Upper(heading)) : ".SS " + Roff(heading))
                << "\n";
        } else {
            out << ".PP\n";
            WriteText(out, lead);
        }
        had_options = true;
        for (const Entry& entry : entries) {
            out << ".TP\n" << Term(entry.term) << "\n";
            WriteText(out, entry.text);
        }
    }
    return out.str();
}
