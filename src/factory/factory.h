// The effect factory: the fixed table of script keywords.
//
// Keywords match the whole line exactly, case-sensitively, in table order;
// any other text is unknown. Each maker reads its keyword's further lines
// from the script.
#pragma once

#include <string>
#include <vector>

#include "platform/timeline_strip.h"
#include "timeline/script.h"

// Every keyword of the table, in the order they are tested.
std::vector<std::string> EffectKeywords();

// The maker for a keyword, or null when it is unknown.
EffectMaker FindEffectMaker(const std::string& keyword);

// The kind of effect a keyword makes, as the timeline strip colours it
// (Other for an unknown keyword and for Overlays and EndDemo).
TimelineKind EffectKindOf(const std::string& keyword);
