// The effect factory: the fixed table of script keywords.
//
// Keywords match the whole line exactly, case-sensitively, in table order;
// any other text is unknown. Each maker reads its keyword's further lines
// from the script.
#pragma once

#include <string>
#include <vector>

#include "timeline/script.h"

// Every keyword of the table, in the order they are tested.
std::vector<std::string> EffectKeywords();

// The maker for a keyword, or null when it is unknown.
EffectMaker FindEffectMaker(const std::string& keyword);
