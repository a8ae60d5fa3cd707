// The tweaks file: saved values and keys of the effects' tweak variables,
// kept beside the script (TweaksPathFor: "data/tweaks.txt" for
// "data/demo.txt"). Plain text, one item a line; blanks around an item do
// not count:
//
//   # Lagoon: a warmer light          a comment (first non-blank '#')
//   [NanoBall 61935]                  an entry: the script's keyword and start
//                                     time; a third number picks the second,
//                                     third, ... entry of the same keyword and
//                                     start ([FlashWhite 1000 2])
//   Light pos = 0 2.5 -1              a value: the variable's name, '=', the value
//   FogFar @ 101000 smooth = 40       a key: name, '@', demo time in ms, the
//                                     way to the next key (step, linear or
//                                     smooth; linear when left out), '=', value
//
// Values follow the variable's type: a whole number (int), one number
// (float), three (a vector: x y z), four (a colour: red green blue alpha), or
// one of an enumeration's names (or its number). A variable is named by its
// name on the effect's bar, or by its label where no other variable of the
// bar shares it. A variable with keys takes their value at every frame; a
// plain value line beside keys is not used.
//
// Reading never fails: what cannot be used is a problem (line, reason) and is
// skipped, and the rest counts. Writing keeps every line it does not replace:
// comments, blank lines, entries the show does not have, variables an effect
// does not have, lines that could not be read. Pure text work: no GL, no
// file access (platform code reads and writes the file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "timeline/tweak_keys.h"

class TweakBar;
struct TweakVariable;

// The tweaks file that belongs to a script: "tweaks.txt" in its folder.
std::string TweaksPathFor(const std::string& script_path);

// An entry of the script as the file names it.
struct TweakEntryId {
    std::string keyword;
    uint32_t start = 0;
    int occurrence = 1;  // 2 for the second entry of this keyword and start, ...
    bool operator==(const TweakEntryId& o) const {
        return start == o.start && occurrence == o.occurrence && keyword == o.keyword;
    }
};

// "NanoBall 61935", "FlashWhite 1000 2".
std::string TweakEntryText(const TweakEntryId& id);

// One line of the file as read.
struct TweakLine {
    enum Kind { Blank, Comment, Entry, Value, Key, Bad };
    Kind kind = Blank;
    std::string text;             // as written, without the line break
    TweakEntryId entry;           // Entry
    std::string variable, value;  // Value and Key: the name and the value's text
    uint32_t time = 0;            // Key
    TweakKeyMode mode = TweakKeyMode::Linear;
    std::string reason;  // Bad: what is wrong
};

struct TweakDocument {
    std::vector<TweakLine> lines;
};

// Splits a file's text into lines and reads each. Never fails; lines that are
// neither blank, a comment, an entry, a value nor a key are Bad.
TweakDocument ParseTweakText(const std::string& text);

// What the show offers: an entry of the script and the bar of its effect.
struct TweakTarget {
    TweakEntryId id;
    const TweakBar* bar = nullptr;
};

// A variable's saved state: a value, or keys sorted by time.
struct TweakSetting {
    size_t target = 0;  // index into the targets
    const TweakVariable* variable = nullptr;
    bool keyed = false;
    TweakValue value;
    std::vector<TweakKey> keys;
};

struct TweakProblem {
    int line = 0;  // 1-based; 0: the whole file
    std::string reason;
};

struct TweakReading {
    std::vector<TweakSetting> settings;  // in the order first named in the file
    std::vector<TweakProblem> problems;  // by line
};

// Matches the document with the show's entries and variables. Problems: a
// line that cannot be read, an entry the script does not have, a variable
// the entry does not have, a value of the wrong type, a number that is not
// finite (NaN, infinite), a value outside any entry. Skipped with a problem
// but otherwise used: an entry given twice (the later one counts, the whole
// earlier one is ignored), a variable given twice (the later line counts),
// two keys at one time (the later counts), keys out of order (sorted), a
// value beside keys (the keys count).
TweakReading ResolveTweaks(const TweakDocument& document, const std::vector<TweakTarget>& targets);

// The file's new text: `document` with the lines of every setting's variable
// replaced by its current state (at the place of its first line in the
// entry's last section), settings not in the file added at the end of their
// entry's section, entries not in the file added at the end. Values are
// written so that reading them back gives the same numbers.
std::string WriteTweakText(const TweakDocument& document, const std::vector<TweakTarget>& targets,
                           const std::vector<TweakSetting>& settings);

// How many numbers a variable's value has: 1, 3 or 4; 0 for a type the file
// cannot hold.
int TweakComponents(const TweakBar& bar, const TweakVariable& variable);
// True for enumerations: their keys always step.
bool TweakIsDiscrete(const TweakBar& bar, const TweakVariable& variable);
// Reads a value's text for a variable; false with the reason when it does not fit.
bool ParseTweakValue(const TweakBar& bar, const TweakVariable& variable, const std::string& text,
                     TweakValue& value, std::string& reason);
// A value as the file writes it.
std::string FormatTweakValue(const TweakBar& bar, const TweakVariable& variable,
                             const TweakValue& value);
