// The effect factory: the fixed table of script keywords.
//
// Keywords match the whole line exactly, case-sensitively, in table order.
// A keyword whose effect this build does not have is unknown, as is any other
// text. Each maker reads its keyword's further lines from the script.
#pragma once

#include <string>

#include "timeline/script.h"

// The maker for a keyword, or null when it is unknown.
EffectMaker FindEffectMaker(const std::string& keyword);
