// The show's saved tweaks: the effects' tweak variables, the values and keys
// the tweaks file (timeline/tweak_file.h) gives them, and keyframes applied
// at the start of each frame. Every mode uses it (real-time play, capture,
// export, timedemo), so a picture rendered offline shows what the author saw.
//
//   ShowTweaks tweaks(TweaksPathFor(script));
//   tweaks.Sync(effects);      every effect registers its variables on a bar
//   tweaks.Load();             the file's values and keys; its problems are
//                              written to standard error (path:line: reason)
//   per frame: tweaks.ApplyKeys(t) before the effects draw
//   with the panel: BeginEdits(t), the panel with its key buttons
//                   (TweakKeyHost), EndEdits(); Save() for Ctrl+S
//
// A keyed variable's value is a pure function of the demo time: ApplyKeys
// writes it into the effect's own variable, which Draw reads as before.
// ApplyKeys allocates nothing. Saving writes the file atomically with every
// variable the file named, every keyed one and every one whose value differs
// from the effect's own first value, keeping the file's other lines. A file
// that is missing is no problem; one that cannot be read is one (the
// variables keep their values). Main thread only; no GL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/effect_tweak_bars.h"
#include "platform/tweak_panel.h"
#include "timeline/effekt.h"
#include "timeline/tweak_file.h"

class ShowTweaks : public TweakKeyHost {
public:
    // `path`: the file to read and write; `name`: how messages name it (the
    // path as the show writes it; empty: `path`).
    explicit ShowTweaks(std::string path, std::string name = "");
    ShowTweaks(const ShowTweaks&) = delete;
    ShowTweaks& operator=(const ShowTweaks&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }

    // After the list changed (start-up, a script reload): effects new to it
    // get a bar, register their variables and take the file's values and
    // keys as last read; effects still listed keep theirs (and any change
    // not saved); the others are forgotten.
    void Sync(const EffectList& effects);
    // Reads the file (again) and gives its values and keys to the variables;
    // variables it named before and names no more go back to their first
    // values. False when its text is what was last read or written (nothing
    // to do).
    bool Load();
    // The keyed variables take their values at demo time t.
    void ApplyKeys(uint32_t t);
    // Around the panel of demo time t: the key buttons act at t, and a keyed
    // variable the viewer changed in between gets a key at t (so an edit is
    // not undone by the next frame's keys). `editing`: the panel's field is
    // still being dragged or typed into (TweakPanelEditing). An edit that
    // lasts several frames while the music plays keeps changing the one key
    // it made first, and the field shows that key's value meanwhile, rather
    // than leaving a key at every frame's time.
    void BeginEdits(uint32_t t);
    void EndEdits(bool editing);
    // Writes the file. False, with the reason, when it could not; the old
    // file is then as it was.
    bool Save(std::string& error);

    State KeyState(const TweakBar& bar, const TweakVariable& variable, const char*& mode) override;
    void KeyAction(const TweakBar& bar, const TweakVariable& variable, Action action) override;

    // Every key's time, sorted (one entry per key), and a number that
    // changes whenever they or the messages change.
    const std::vector<uint32_t>& KeyTimes() const { return key_times_; }
    uint64_t Version() const { return version_; }
    // Lines for the screen: the file's problems, a failed save.
    const std::vector<std::string>& Messages() const { return messages_; }
    // The problems of the last Load, as written to standard error.
    const std::vector<std::string>& Problems() const { return problems_; }

    const EffectTweakBars& Bars() const { return bars_; }

private:
    struct Variable {
        const TweakVariable* variable = nullptr;
        int components = 0;
        bool discrete = false;
        TweakValue initial;      // the effect's own value, before the file
        bool from_file = false;  // named by the file at the last Load
        bool keyed = false;
        std::vector<TweakKey> keys;
        TweakValue applied;  // the value when the panel began
    };
    struct Entry {
        const Effekt* effect = nullptr;
        const TweakBar* bar = nullptr;
        bool named = false;  // made from a script entry: the file can name it
        TweakEntryId id;
        std::vector<Variable> variables;
    };

    std::vector<TweakTarget> Targets(std::vector<Entry*>& entries);
    void Apply(const TweakReading& reading, const std::vector<Entry*>& entries, bool only_new,
               size_t first_new);
    Variable* Find(const TweakBar& bar, const TweakVariable& variable);
    void SetKey(Variable& v, uint32_t t);
    void Changed();
    void Report(const std::vector<TweakProblem>& problems, const std::string& failure);

    std::string path_;
    std::string name_;
    EffectTweakBars bars_;
    std::vector<Entry> entries_;     // in list order
    std::vector<Variable*> tracks_;  // the keyed variables
    TweakDocument document_;         // as last read or written
    std::string text_;
    bool read_ = false;         // document_ holds the file's lines
    bool read_failed_ = false;  // the last Load could not read the file
    uint32_t edit_time_ = 0;
    Variable* held_ = nullptr;  // the variable of an edit still going on
    uint32_t held_time_ = 0;    // the time of the key that edit changes
    std::vector<uint32_t> key_times_;
    uint64_t version_ = 0;
    std::vector<std::string> problems_;
    std::string file_message_, save_message_;
    std::vector<std::string> messages_;
};
