#include "app/core/show_tweaks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/debug_output.h"
#include "platform/text_file.h"

namespace {

// At most this many problems of one reading go to standard error.
constexpr size_t kProblemsShown = 20;
// A larger file is refused: about 35,000 keys fit, and every line read
// takes a few hundred bytes of memory.
constexpr size_t kLargestFile = 1u << 20;

bool Whole(const TweakVariable& v) {
    return v.type != TW_TYPE_FLOAT && v.type != TW_TYPE_DIR3F && v.type != TW_TYPE_COLOR4F;
}

TweakValue ReadValue(const TweakVariable& v, int components) {
    TweakValue out;
    if (Whole(v))
        out.v[0] = static_cast<float>(*static_cast<const int*>(v.value));
    else
        std::memcpy(out.v, v.value, sizeof(float) * static_cast<size_t>(components));
    return out;
}

void WriteValue(const TweakVariable& v, int components, const TweakValue& value) {
    if (Whole(v))
        *static_cast<int*>(v.value) = static_cast<int>(std::lround(value.v[0]));
    else
        std::memcpy(v.value, value.v, sizeof(float) * static_cast<size_t>(components));
}

bool Same(const TweakValue& a, const TweakValue& b, int components) {
    for (int i = 0; i < components; ++i)
        if (a.v[i] != b.v[i]) return false;
    return true;
}

}  // namespace

ShowTweaks::ShowTweaks(std::string path, std::string name)
    : path_(std::move(path)), name_(name.empty() ? path_ : std::move(name)) {}

void ShowTweaks::Sync(const EffectList& effects) {
    held_ = nullptr;
    bars_.Sync(effects);
    std::vector<Entry> entries;
    entries.reserve(effects.size());
    std::vector<bool> fresh;
    for (const auto& effect : effects) {
        auto old = std::find_if(entries_.begin(), entries_.end(),
                                [&](const Entry& e) { return e.effect == effect.get(); });
        fresh.push_back(old == entries_.end());
        if (old != entries_.end()) {
            entries.push_back(std::move(*old));
            continue;
        }
        Entry entry;
        entry.effect = effect.get();
        entry.bar = bars_.BarOf(effect.get());
        for (const TweakVariable& v : entry.bar->Variables()) {
            const int components = TweakComponents(*entry.bar, v);
            if (components == 0) continue;
            Variable variable;
            variable.variable = &v;
            variable.components = components;
            variable.discrete = TweakIsDiscrete(*entry.bar, v);
            variable.initial = variable.applied = ReadValue(v, components);
            entry.variables.push_back(std::move(variable));
        }
        entries.push_back(std::move(entry));
    }
    // Entries are named by keyword and start, counting those that share both.
    for (size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        e.named = !e.effect->Keyword().empty();
        e.id = TweakEntryId{e.effect->Keyword(), e.effect->StartTime(), 1};
        for (size_t j = 0; j < i; ++j)
            if (entries[j].id.keyword == e.id.keyword && entries[j].id.start == e.id.start)
                ++e.id.occurrence;
    }
    entries_ = std::move(entries);
    if (read_) {
        std::vector<Entry*> named;
        const TweakReading reading = ResolveTweaks(document_, Targets(named));
        for (size_t k = 0; k < named.size(); ++k) {
            const size_t index = static_cast<size_t>(named[k] - entries_.data());
            if (fresh[index]) Apply(reading, {named[k]}, true, k);
        }
    }
    Changed();
}

std::vector<TweakTarget> ShowTweaks::Targets(std::vector<Entry*>& entries) {
    std::vector<TweakTarget> targets;
    entries.clear();
    for (Entry& e : entries_) {
        if (!e.named) continue;
        targets.push_back(TweakTarget{e.id, e.bar});
        entries.push_back(&e);
    }
    return targets;
}

// Gives the reading's settings to `entries` (targets first_new, first_new + 1,
// ...). Unless `only_new`, variables the file named before and names no more
// go back to their first values.
void ShowTweaks::Apply(const TweakReading& reading, const std::vector<Entry*>& entries,
                       bool only_new, size_t first_new) {
    for (size_t k = 0; k < entries.size(); ++k) {
        for (Variable& v : entries[k]->variables) {
            const TweakSetting* setting = nullptr;
            for (const TweakSetting& s : reading.settings)
                if (s.target == first_new + k && s.variable == v.variable) setting = &s;
            if (!setting) {
                if (only_new || !v.from_file) continue;
                WriteValue(*v.variable, v.components, v.initial);
                v.from_file = v.keyed = false;
                v.keys.clear();
                continue;
            }
            v.from_file = true;
            v.keyed = setting->keyed;
            v.keys = setting->keys;
            if (!v.keyed) WriteValue(*v.variable, v.components, setting->value);
        }
    }
}

bool ShowTweaks::Load() {
    std::string text, error;
    const TextFileRead result = ReadTextFile(path_, text, error, kLargestFile);
    if (result == TextFileRead::Failed) {
        read_failed_ = true;
        Report({}, error + "; its values are not used");
        return true;
    }
    if (read_ && !read_failed_ && text == text_) return false;
    held_ = nullptr;
    read_failed_ = false;
    text_ = std::move(text);
    read_ = true;
    document_ = ParseTweakText(text_);
    std::vector<Entry*> named;
    const TweakReading reading = ResolveTweaks(document_, Targets(named));
    Apply(reading, named, false, 0);
    Report(reading.problems, "");
    return true;
}

void ShowTweaks::Report(const std::vector<TweakProblem>& problems, const std::string& failure) {
    problems_.clear();
    if (!failure.empty()) problems_.push_back(name_ + ": " + failure);
    for (const TweakProblem& p : problems)
        problems_.push_back(name_ + (p.line ? ":" + std::to_string(p.line) : std::string()) + ": " +
                            p.reason);
    for (size_t i = 0; i < problems_.size() && i < kProblemsShown; ++i)
        DebugOutputFormat("%s\n", problems_[i].c_str());
    if (problems_.size() > kProblemsShown)
        DebugOutputFormat("%s: %zu more problems\n", name_.c_str(),
                          problems_.size() - kProblemsShown);
    file_message_.clear();
    if (!problems_.empty()) {
        file_message_ = problems_.front();
        if (problems_.size() > 1)
            file_message_ +=
                " (and " + std::to_string(problems_.size() - 1) + " more on standard error)";
    }
    Changed();
}

void ShowTweaks::ApplyKeys(uint32_t t) {
    TweakValue value;
    for (Variable* v : tracks_) {
        TweakKeyedValue(v->keys.data(), v->keys.size(), t, v->components, v->discrete, value);
        WriteValue(*v->variable, v->components, value);
    }
}

void ShowTweaks::BeginEdits(uint32_t t) {
    edit_time_ = t;
    if (held_) {
        const long at = TweakKeyAt(held_->keys.data(), held_->keys.size(), held_time_);
        if (at >= 0)
            WriteValue(*held_->variable, held_->components,
                       held_->keys[static_cast<size_t>(at)].value);
    }
    for (Variable* v : tracks_) v->applied = ReadValue(*v->variable, v->components);
}

void ShowTweaks::EndEdits(bool editing) {
    for (Variable* v : tracks_) {
        if (Same(ReadValue(*v->variable, v->components), v->applied, v->components)) continue;
        const uint32_t at = v == held_ ? held_time_ : edit_time_;
        SetKey(*v, at);  // may rebuild tracks_: v stays valid, the loop ends
        held_ = v;
        held_time_ = at;
        break;  // one field is edited at a time
    }
    if (!editing) held_ = nullptr;
}

bool ShowTweaks::Save(std::string& error) {
    // The file as it is now is the base: lines written into it since it was
    // read are kept.
    std::string current, why;
    TweakDocument base;
    switch (ReadTextFile(path_, current, why, kLargestFile)) {
        case TextFileRead::Ok: base = ParseTweakText(current); break;
        case TextFileRead::Missing: break;
        case TextFileRead::Failed: error = name_ + ": " + why; break;
    }
    std::vector<Entry*> named;
    const std::vector<TweakTarget> targets = Targets(named);
    std::vector<TweakSetting> settings;
    std::vector<Variable*> saved;
    for (size_t k = 0; error.empty() && k < named.size(); ++k) {
        for (Variable& v : named[k]->variables) {
            const TweakValue value = ReadValue(*v.variable, v.components);
            if (!v.keyed && !v.from_file && Same(value, v.initial, v.components)) continue;
            TweakSetting s;
            s.target = k;
            s.variable = v.variable;
            s.keyed = v.keyed;
            s.value = value;
            s.keys = v.keys;
            settings.push_back(std::move(s));
            saved.push_back(&v);
        }
    }
    std::string text;
    if (error.empty()) {
        text = WriteTweakText(base, targets, settings);
        WriteFileAtomically(path_, text, error);
    }
    if (!error.empty()) {
        save_message_ = "Not saved: " + error + "; the old file is kept";
        DebugOutputFormat("%s\n", save_message_.c_str());
        Changed();
        return false;
    }
    for (Variable* v : saved) v->from_file = true;
    text_ = std::move(text);
    document_ = ParseTweakText(text_);
    read_ = true;
    save_message_.clear();
    Changed();
    return true;
}

ShowTweaks::Variable* ShowTweaks::Find(const TweakBar& bar, const TweakVariable& variable) {
    for (Entry& e : entries_) {
        if (e.bar != &bar) continue;
        for (Variable& v : e.variables)
            if (v.variable == &variable) return &v;
    }
    return nullptr;
}

TweakKeyHost::State ShowTweaks::KeyState(const TweakBar& bar, const TweakVariable& variable,
                                         const char*& mode) {
    const Variable* v = Find(bar, variable);
    if (!v || !v->keyed) return State::NoKeys;
    const long at = TweakKeyAt(v->keys.data(), v->keys.size(), edit_time_);
    if (at < 0) return State::Keyed;
    mode = TweakKeyModeName(v->keys[static_cast<size_t>(at)].mode);
    return State::KeyHere;
}

void ShowTweaks::KeyAction(const TweakBar& bar, const TweakVariable& variable, Action action) {
    Variable* v = Find(bar, variable);
    if (!v) return;
    if (action == Action::SetKey) {
        SetKey(*v, edit_time_);
        return;
    }
    const long at = TweakKeyAt(v->keys.data(), v->keys.size(), edit_time_);
    if (at < 0) return;
    TweakKey& key = v->keys[static_cast<size_t>(at)];
    if (action == Action::NextMode) {
        key.mode = key.mode == TweakKeyMode::Step     ? TweakKeyMode::Linear
                   : key.mode == TweakKeyMode::Linear ? TweakKeyMode::Smooth
                                                      : TweakKeyMode::Step;
    } else {
        // The last key gone, the variable keeps the value it holds now.
        v->keys.erase(v->keys.begin() + at);
        v->keyed = !v->keys.empty();
    }
    Changed();
}

void ShowTweaks::SetKey(Variable& v, uint32_t t) {
    TweakKey key;
    key.time = t;
    key.value = ReadValue(*v.variable, v.components);
    auto at = std::lower_bound(v.keys.begin(), v.keys.end(), t,
                               [](const TweakKey& k, uint32_t time) { return k.time < time; });
    if (at != v.keys.end() && at->time == t)
        at->value = key.value;  // keeps its way to the next key
    else
        v.keys.insert(at, key);
    v.keyed = true;
    Changed();
}

void ShowTweaks::Changed() {
    tracks_.clear();
    key_times_.clear();
    for (Entry& e : entries_) {
        for (Variable& v : e.variables) {
            if (!v.keyed) continue;
            tracks_.push_back(&v);
            for (const TweakKey& k : v.keys) key_times_.push_back(k.time);
        }
    }
    std::sort(key_times_.begin(), key_times_.end());
    messages_.clear();
    if (!file_message_.empty()) messages_.push_back(file_message_);
    if (!save_message_.empty()) messages_.push_back(save_message_);
    ++version_;
}
