#include "timeline/tweak_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>

#include "platform/tweak_panel.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string Trim(const std::string& s, size_t begin = 0, size_t end = std::string::npos) {
    if (end > s.size()) end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// Words separated by blanks.
std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        const size_t start = i;
        while (i < s.size() && !IsBlank(s[i])) ++i;
        if (i > start) words.push_back(s.substr(start, i - start));
    }
    return words;
}

// A whole decimal number within [0, limit], nothing else.
bool ParseUnsigned(const std::string& word, unsigned long limit, unsigned long& value) {
    if (word.empty() || word.size() > 10) return false;
    unsigned long v = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned long>(c - '0');
    }
    if (v > limit) return false;
    value = v;
    return true;
}

bool HasControlCharacter(const std::string& s) {
    for (unsigned char c : s)
        if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7f) return true;
    return false;
}

TweakLine ReadLine(std::string text) {
    TweakLine line;
    line.text = std::move(text);
    const std::string item = Trim(line.text);
    auto bad = [&line](const char* reason) {
        line.kind = TweakLine::Bad;
        line.reason = reason;
        return line;
    };
    if (item.empty()) return line;
    if (HasControlCharacter(item)) return bad("not text (control characters or binary bytes)");
    if (item[0] == '#') {
        line.kind = TweakLine::Comment;
        return line;
    }
    if (item[0] == '[') {
        if (item.back() != ']') return bad("an entry line ends in ']': [Keyword Start]");
        const std::vector<std::string> words = Words(item.substr(1, item.size() - 2));
        unsigned long start = 0, occurrence = 1;
        if (words.size() < 2 || words.size() > 3 || !ParseUnsigned(words[1], UINT32_MAX, start) ||
            (words.size() == 3 &&
             (!ParseUnsigned(words[2], INT_MAX, occurrence) || occurrence == 0)))
            return bad("an entry is written [Keyword Start] or [Keyword Start N], whole numbers");
        line.kind = TweakLine::Entry;
        line.entry.keyword = words[0];
        line.entry.start = static_cast<uint32_t>(start);
        line.entry.occurrence = static_cast<int>(occurrence);
        return line;
    }
    const size_t equals = item.find('=');
    if (equals == std::string::npos)
        return bad(
            "not an entry, a value or a key: [Keyword Start], name = value, "
            "name @ time mode = value");
    const std::string left = Trim(item, 0, equals);
    line.value = Trim(item, equals + 1);
    const size_t at = left.find('@');
    line.variable = Trim(left, 0, at);
    if (line.variable.empty()) return bad("no variable name before '='");
    if (at == std::string::npos) {
        line.kind = TweakLine::Value;
        return line;
    }
    const std::vector<std::string> words = Words(left.substr(at + 1));
    unsigned long time = 0;
    if (words.empty() || words.size() > 2 || !ParseUnsigned(words[0], UINT32_MAX, time))
        return bad("a key is written name @ time mode = value, the time in whole ms");
    if (words.size() == 2 && !ParseTweakKeyMode(words[1].c_str(), line.mode))
        return bad("the way to the next key is step, linear or smooth");
    line.kind = TweakLine::Key;
    line.time = static_cast<uint32_t>(time);
    return line;
}

// A variable by name, else by a label no other variable of the bar has.
const TweakVariable* FindVariable(const TweakBar& bar, const std::string& name) {
    if (const TweakVariable* v = bar.Find(name.c_str())) return v;
    const TweakVariable* found = nullptr;
    for (const TweakVariable& v : bar.Variables()) {
        if (v.label != name) continue;
        if (found) return nullptr;
        found = &v;
    }
    return found;
}

// Shortest text that reads back as the same float.
std::string FormatNumber(float value) {
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    return text;
}

bool ParseFloat(const std::string& word, float& value, std::string& reason) {
    errno = 0;
    char* end = nullptr;
    const float v = std::strtof(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0') {
        reason = "'" + word + "' is not a number";
        return false;
    }
    if (!std::isfinite(v)) {
        reason = "'" + word + "' is not a finite number";
        return false;
    }
    value = v;
    return true;
}

bool ParseInt(const std::string& word, float& value) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    // Held as a float: whole numbers stay exact up to 2^24.
    if (end == word.c_str() || *end != '\0' || errno != 0 || v < -(1L << 24) || v > (1L << 24))
        return false;
    value = static_cast<float>(v);
    return true;
}

std::string EnumChoices(const TweakEnum& e) {
    std::string list;
    for (const std::string& label : e.labels) list += (list.empty() ? "" : ", ") + label;
    return list;
}

}  // namespace

std::string TweaksPathFor(const std::string& script_path) {
    const size_t slash = script_path.rfind('/');
    return slash == std::string::npos ? "tweaks.txt"
                                      : script_path.substr(0, slash + 1) + "tweaks.txt";
}

std::string TweakEntryText(const TweakEntryId& id) {
    std::string text = id.keyword + " " + std::to_string(id.start);
    if (id.occurrence != 1) text += " " + std::to_string(id.occurrence);
    return text;
}

TweakDocument ParseTweakText(const std::string& text) {
    TweakDocument document;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        document.lines.push_back(ReadLine(text.substr(begin, end - begin)));
        begin = end + 1;
    }
    return document;
}

int TweakComponents(const TweakBar& bar, const TweakVariable& variable) {
    switch (variable.type) {
        case TW_TYPE_INT32:
        case TW_TYPE_FLOAT: return 1;
        case TW_TYPE_DIR3F: return 3;
        case TW_TYPE_COLOR4F: return 4;
        default: return bar.Enum(variable.type) ? 1 : 0;
    }
}

bool TweakIsDiscrete(const TweakBar& bar, const TweakVariable& variable) {
    return bar.Enum(variable.type) != nullptr;
}

bool ParseTweakValue(const TweakBar& bar, const TweakVariable& variable, const std::string& text,
                     TweakValue& value, std::string& reason) {
    const std::vector<std::string> words = Words(text);
    const std::string name = "'" + variable.name + "'";
    if (const TweakEnum* e = bar.Enum(variable.type)) {
        if (words.size() == 1) {
            for (size_t i = 0; i < e->labels.size(); ++i) {
                if (words[0] != e->labels[i]) continue;
                value.v[0] = static_cast<float>(e->values[i]);
                return true;
            }
            for (size_t i = 0; i < e->unlisted_labels.size(); ++i) {
                if (words[0] != e->unlisted_labels[i]) continue;
                value.v[0] = static_cast<float>(e->unlisted_values[i]);
                return true;
            }
            if (ParseInt(words[0], value.v[0])) return true;
        }
        reason = name + " takes one of " + EnumChoices(*e);
        return false;
    }
    if (variable.type == TW_TYPE_INT32) {
        if (words.size() == 1 && ParseInt(words[0], value.v[0])) return true;
        reason = name + " takes a whole number";
        return false;
    }
    const int count = TweakComponents(bar, variable);
    if (count == 0 || static_cast<int>(words.size()) != count) {
        reason = name + (count == 1   ? " takes one number"
                         : count == 3 ? " takes three numbers (x y z)"
                         : count == 4 ? " takes four numbers (red green blue alpha)"
                                      : " has a type the tweaks file cannot hold");
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (!ParseFloat(words[static_cast<size_t>(i)], value.v[i], reason)) {
            reason = name + ": " + reason;
            return false;
        }
    }
    return true;
}

std::string FormatTweakValue(const TweakBar& bar, const TweakVariable& variable,
                             const TweakValue& value) {
    if (const TweakEnum* e = bar.Enum(variable.type)) {
        char number[16];
        const int v = static_cast<int>(value.v[0]);
        return TweakEnumPreview(*e, v, number, sizeof number);
    }
    if (variable.type == TW_TYPE_INT32) return std::to_string(static_cast<long>(value.v[0]));
    std::string text;
    for (int i = 0; i < TweakComponents(bar, variable); ++i)
        text += (i ? " " : "") + FormatNumber(value.v[i]);
    return text;
}

namespace {

// What the lines of one variable in the file said, gathered in file order.
struct Gathered {
    size_t target;
    const TweakVariable* variable;
    int value_line = 0;  // the last plain value's line, 0: none
    TweakValue value;
    std::vector<TweakKey> keys;
    std::vector<int> key_lines;
    int unordered_line = 0;  // the first key earlier than the one before it
};

void Problem(TweakReading& reading, int line, std::string reason) {
    reading.problems.push_back(TweakProblem{line, std::move(reason)});
}

}  // namespace

TweakReading ResolveTweaks(const TweakDocument& document, const std::vector<TweakTarget>& targets) {
    TweakReading reading;
    const std::vector<TweakLine>& lines = document.lines;

    // Sections of an entry named again are ignored: the last one counts.
    std::vector<bool> superseded(lines.size(), false);
    std::map<std::tuple<std::string, uint32_t, int>, size_t> seen;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != TweakLine::Entry) continue;
        const TweakEntryId& id = lines[i].entry;
        auto [it, first] = seen.emplace(std::make_tuple(id.keyword, id.start, id.occurrence), i);
        if (first) continue;
        superseded[it->second] = true;
        Problem(reading, static_cast<int>(i + 1),
                "[" + TweakEntryText(id) + "] comes again (also at line " +
                    std::to_string(it->second + 1) + "); the later one is used");
        it->second = i;
    }

    std::vector<Gathered> gathered;
    enum { None, Skipped, Active } state = None;
    size_t target = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const TweakLine& line = lines[i];
        const int number = static_cast<int>(i + 1);
        switch (line.kind) {
            case TweakLine::Blank:
            case TweakLine::Comment: continue;
            case TweakLine::Bad: Problem(reading, number, line.reason); continue;
            case TweakLine::Entry: {
                state = Skipped;
                if (superseded[i]) continue;  // a later one counts
                const auto found =
                    std::find_if(targets.begin(), targets.end(),
                                 [&](const TweakTarget& t) { return t.id == line.entry; });
                if (found == targets.end()) {
                    Problem(reading, number,
                            "the script has no entry " + TweakEntryText(line.entry) +
                                "; its lines are kept but not used");
                    continue;
                }
                state = Active;
                target = static_cast<size_t>(found - targets.begin());
                continue;
            }
            case TweakLine::Value:
            case TweakLine::Key: break;
        }
        if (state == None) {
            Problem(reading, number,
                    "'" + line.variable + "' comes before any [Keyword Start] line");
            continue;
        }
        if (state == Skipped) continue;
        const TweakBar& bar = *targets[target].bar;
        const TweakVariable* variable = FindVariable(bar, line.variable);
        if (!variable) {
            Problem(
                reading, number,
                "'" + line.variable + "' is no variable of " + TweakEntryText(targets[target].id));
            continue;
        }
        TweakValue value;
        std::string reason;
        if (!ParseTweakValue(bar, *variable, line.value, value, reason)) {
            Problem(reading, number, reason);
            continue;
        }
        auto g = std::find_if(gathered.begin(), gathered.end(), [&](const Gathered& x) {
            return x.target == target && x.variable == variable;
        });
        if (g == gathered.end()) {
            gathered.push_back(Gathered{target, variable, 0, TweakValue{}, {}, {}, 0});
            g = gathered.end() - 1;
        }
        const std::string name = "'" + variable->name + "'";
        if (line.kind == TweakLine::Value) {
            if (g->value_line)
                Problem(reading, number,
                        name + " is given again (also at line " + std::to_string(g->value_line) +
                            "); the later value is used");
            g->value_line = number;
            g->value = value;
            continue;
        }
        if (!g->keys.empty() && line.time < g->keys.back().time && !g->unordered_line)
            g->unordered_line = number;
        g->keys.push_back(TweakKey{line.time, value, line.mode});
        g->key_lines.push_back(number);
    }

    for (Gathered& g : gathered) {
        TweakSetting setting;
        setting.target = g.target;
        setting.variable = g.variable;
        setting.value = g.value;
        const std::string name = "'" + g.variable->name + "'";
        if (!g.keys.empty()) {
            setting.keyed = true;
            if (g.unordered_line)
                Problem(reading, g.unordered_line,
                        "the keys of " + name + " are out of order; they are sorted by time");
            // Sorted with their lines; of keys at one time the last in the file counts.
            std::vector<size_t> order(g.keys.size());
            for (size_t k = 0; k < order.size(); ++k) order[k] = k;
            std::stable_sort(order.begin(), order.end(),
                             [&](size_t a, size_t b) { return g.keys[a].time < g.keys[b].time; });
            for (size_t k = 0; k < order.size(); ++k) {
                const TweakKey& key = g.keys[order[k]];
                if (k + 1 < order.size() && g.keys[order[k + 1]].time == key.time) {
                    Problem(reading, g.key_lines[order[k + 1]],
                            name + " has another key at " + std::to_string(key.time) +
                                " ms (line " + std::to_string(g.key_lines[order[k]]) +
                                "); the later one is used");
                    continue;
                }
                setting.keys.push_back(key);
            }
            if (g.value_line)
                Problem(reading, g.value_line, name + " has keys; this value is not used");
        }
        reading.settings.push_back(std::move(setting));
    }
    std::stable_sort(reading.problems.begin(), reading.problems.end(),
                     [](const TweakProblem& a, const TweakProblem& b) { return a.line < b.line; });
    return reading;
}

namespace {

void AppendSetting(std::vector<std::string>& out, const TweakTarget& target,
                   const TweakSetting& setting) {
    const TweakBar& bar = *target.bar;
    const TweakVariable& v = *setting.variable;
    if (!setting.keyed) {
        out.push_back(v.name + " = " + FormatTweakValue(bar, v, setting.value));
        return;
    }
    for (const TweakKey& key : setting.keys)
        out.push_back(v.name + " @ " + std::to_string(key.time) + " " + TweakKeyModeName(key.mode) +
                      " = " + FormatTweakValue(bar, v, key.value));
}

}  // namespace

std::string WriteTweakText(const TweakDocument& document, const std::vector<TweakTarget>& targets,
                           const std::vector<TweakSetting>& settings) {
    const std::vector<TweakLine>& lines = document.lines;
    // Each target's section: the last one of its entry.
    std::vector<size_t> section(targets.size(), SIZE_MAX);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != TweakLine::Entry) continue;
        for (size_t t = 0; t < targets.size(); ++t)
            if (targets[t].id == lines[i].entry) section[t] = i;
    }
    std::vector<bool> written(settings.size(), false);
    std::vector<std::string> out;
    if (lines.empty()) {
        out.push_back(
            "# Tweak values and keys of the effects, by entry (README: the tweaks file).");
        out.push_back("# Written by the tweak panel (Ctrl+S); comments and other lines are kept.");
    }

    // Adds the target's unwritten settings at `at`.
    auto insert_rest = [&](size_t t, size_t at) {
        std::vector<std::string> rest;
        for (size_t s = 0; s < settings.size(); ++s) {
            if (settings[s].target != t || written[s]) continue;
            AppendSetting(rest, targets[t], settings[s]);
            written[s] = true;
        }
        out.insert(out.begin() + static_cast<long>(at), rest.begin(), rest.end());
    };

    size_t current = SIZE_MAX;  // the target whose section is being copied
    size_t insert_at = 0;       // after the section's last item line
    for (size_t i = 0; i < lines.size(); ++i) {
        const TweakLine& line = lines[i];
        if (line.kind == TweakLine::Entry) {
            if (current != SIZE_MAX) insert_rest(current, insert_at);
            current = SIZE_MAX;
            for (size_t t = 0; t < targets.size(); ++t)
                if (section[t] == i) current = t;
            out.push_back(line.text);
            insert_at = out.size();
            continue;
        }
        if (current != SIZE_MAX && (line.kind == TweakLine::Value || line.kind == TweakLine::Key)) {
            const TweakVariable* v = FindVariable(*targets[current].bar, line.variable);
            size_t s = 0;
            while (s < settings.size() &&
                   !(settings[s].target == current && v && settings[s].variable == v))
                ++s;
            if (s < settings.size()) {
                // The variable's lines become its current state, where it first stood.
                if (!written[s]) {
                    AppendSetting(out, targets[current], settings[s]);
                    written[s] = true;
                    insert_at = out.size();
                }
                continue;
            }
        }
        out.push_back(line.text);
        if (line.kind != TweakLine::Blank && line.kind != TweakLine::Comment)
            insert_at = out.size();
    }
    if (current != SIZE_MAX) insert_rest(current, insert_at);

    // Entries the file does not have yet, in the targets' order.
    for (size_t t = 0; t < targets.size(); ++t) {
        bool any = false;
        for (size_t s = 0; s < settings.size(); ++s)
            any = any || (settings[s].target == t && !written[s]);
        if (!any) continue;
        if (!out.empty() && !Trim(out.back()).empty()) out.push_back("");
        out.push_back("[" + TweakEntryText(targets[t].id) + "]");
        insert_rest(t, out.size());
    }

    std::string text;
    for (const std::string& line : out) text += line + "\n";
    return text;
}
