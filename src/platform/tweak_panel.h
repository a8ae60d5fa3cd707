// Tweak panel: named variables bound to live values, shown as an on-screen
// panel when a host asks for it. It stands in for a tweak-bar library; the
// show itself creates bars only when asked to (--tweak).
//
//   TweakBar bar("Plasma2D");        a bar owns its list of variables and
//                                    enumerations, never the values
//   bar.AddVarRW(name, type, &v, definition)
//                                    binds v; false (and a diagnostic line)
//                                    for an empty or repeated name, a null
//                                    pointer or an unknown type
//   bar.DefineEnum(name, values, n)  an enumeration type for int values
//   bar.NameUnlistedValue(type, v, label)
//                                    a name the panel shows for a value the
//                                    enumeration does not offer
//   DrawTweakPanels(bars, messages)  one frame of the panel over the current
//                                    GL frame: a window per bar, stacked
//                                    down the left edge, and the message
//                                    lines at the bottom; call it after the
//                                    frame's drawing, at most once per frame,
//                                    with the GL context current. With no
//                                    bar and no message it draws nothing and
//                                    touches no GL state.
//   DrawTweakPanel(bar)              the same for one bar
//   DrawTweakPanelFrame(frame)       the same, with key buttons beside the
//                                    variables (TweakKeyHost) and the
//                                    timeline strip (timeline_strip.h) along
//                                    the bottom, the messages above it
//   TweakPanelMouse/Wheel/Key/Character/Modifiers
//                                    input for the next frame
//   TweakPanelWantsInput()           true while the pointer is over a bar or
//                                    a field takes the keys: the host's own
//                                    keys should then go to the panel only
//   TweakTerminate()                 releases the panel's GL objects and
//                                    context; safe when none was made
//
// The caller keeps every bound value alive as long as the bar can be drawn.
// The panel reads the viewport for its size. It saves the GL state it may
// touch (every attribute group, the client arrays, the program in use) and
// puts it back, so the frames after it draw exactly as if it had never been
// drawn; it draws with program 0, no fog, no lighting and no texture
// generation whatever the effects left on.
//
// Dear ImGui backend (its OpenGL 2 fixed-function renderer):
//   [X] int32 (InputInt), float (DragFloat), dir3f as three floats
//       (DragFloat3), color4f (ColorEdit4, floats, values above 1 allowed for
//       light intensities) and enumerations of named int values (Combo)
//   [X] labels from a definition string: label='...' (also "..." or `...`,
//       or a single unquoted word); without a label the name is shown;
//       several variables may share a label (widgets are told apart by name)
//   [X] bounds and steps from a definition string: min=, max=, step=
//       (numbers; for int32, float and dir3f)
//   [X] mouse (buttons, wheel) and keyboard input fed by the host: typing
//       into fields, Tab, Enter, arrows, Backspace, Delete, Home, End and
//       Ctrl+A/C/V/X/Z; key codes are the window library's (SDL 1.2 SDLKey);
//       a key or click that goes down and up between two frames still counts
//   [X] several bars in one frame
//   [ ] bars placed from definitions, moved or resized by the viewer: they
//       are stacked in the order given
//   [ ] other definition keys (help, group, readonly, ...) are ignored
//   [ ] read-only variables, callbacks, strings, quaternions
//   [X] key buttons beside each variable, for a host that keeps keys:
//       "key" sets a key at the current time; on a key, its way to the next
//       key (click: step, linear, smooth in turn) and "x" to remove it
//   [ ] saving settings: the panel writes nothing to disk; its host may
//       (app/core/show_tweaks.h)
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Value types. Enumerations get further types from TweakBar::DefineEnum.
enum TweakType : int {
    TW_TYPE_UNDEF = 0,
    TW_TYPE_INT32 = 1,    // int32_t
    TW_TYPE_FLOAT = 2,    // float
    TW_TYPE_DIR3F = 3,    // float[3], e.g. a Vec3
    TW_TYPE_COLOR4F = 4,  // float[4], red, green, blue, alpha in 0..1
};

// One named value of an enumeration.
struct TweakEnumValue {
    int value;
    const char* label;
};

// A named value of an enumeration type defined on a bar.
struct TweakEnum {
    std::string name;
    std::vector<int> values;
    std::vector<std::string> labels;
    std::vector<const char*> label_pointers;  // into labels, for the combo box
    // Values a variable may hold that are not offered for selection, with
    // the names the panel shows for them.
    std::vector<int> unlisted_values;
    std::vector<std::string> unlisted_labels;
};

// What the panel shows for an enumeration variable holding `value`: the
// label of a listed value, else the name of an unlisted one, else the number
// written into `buffer` (the text is never "?" or empty for a known type).
const char* TweakEnumPreview(const TweakEnum& e, int value, char* buffer, size_t size);

// One bound variable.
struct TweakVariable {
    std::string name;
    std::string label;
    TweakType type = TW_TYPE_UNDEF;
    void* value = nullptr;
    // From the definition's min=, max= and step=; unset keys leave the
    // value unbounded and the step at the widget's own.
    bool has_min = false, has_max = false, has_step = false;
    float min = 0, max = 0, step = 0;
    std::string widget_id;  // TweakWidgetId, made once
};

// The value of `key` in a definition such as " min=0 label='Plasma'", found
// the way TweakLabel finds the label. False when the key is not there (or a
// quote before it is not closed).
bool TweakDefinitionValue(const char* definition, const char* key, std::string& value);

// The label of a definition such as " label='Plasma'"; the name when the
// definition has no label (or its quote is not closed).
std::string TweakLabel(const char* name, const char* definition);

// A number of a definition key ("min", "max", "step"); false when the key
// is missing or its value is not a number.
bool TweakDefinitionNumber(const char* definition, const char* key, float& number);

// The widget identity of a variable on the panel: its label, then "##" and
// its name. Names are unique on a bar, so variables that share a label (three
// poles' positions all labelled 'Pole pos') still get widgets of their own.
std::string TweakWidgetId(const TweakVariable& variable);

class TweakBar {
public:
    explicit TweakBar(std::string title) : title_(std::move(title)) {}
    TweakBar(const TweakBar&) = delete;
    TweakBar& operator=(const TweakBar&) = delete;

    bool AddVarRW(const char* name, TweakType type, void* value, const char* definition);
    // Copies the values and labels; returns TW_TYPE_UNDEF (and writes a
    // diagnostic line) for an empty or repeated name or an empty list.
    TweakType DefineEnum(const char* name, const TweakEnumValue* values, int count);
    // Names a value of an enumeration type that its list does not offer, so
    // the panel can show it while a variable holds it. False (and a
    // diagnostic line) for a type that is no enumeration of this bar or a
    // null label; a listed value keeps its own label.
    bool NameUnlistedValue(TweakType type, int value, const char* label);

    const std::string& Title() const { return title_; }
    const std::vector<TweakVariable>& Variables() const { return variables_; }
    // The variable of that name, or null.
    const TweakVariable* Find(const char* name) const;
    // The enumeration behind an enumeration type, or null for other types.
    const TweakEnum* Enum(TweakType type) const;

private:
    std::string title_;
    std::vector<TweakVariable> variables_;
    std::vector<TweakEnum> enums_;
};

// Keys beside the variables: the host says what each variable holds and
// takes the viewer's clicks on the key buttons (at the host's current time).
class TweakKeyHost {
public:
    enum class State { NoKeys, Keyed, KeyHere };
    enum class Action { SetKey, RemoveKey, NextMode };
    virtual ~TweakKeyHost() = default;
    // KeyHere: a key at the current time, whose way to the next key is named
    // in `mode` ("step", "linear", "smooth").
    virtual State KeyState(const TweakBar& bar, const TweakVariable& variable,
                           const char*& mode) = 0;
    virtual void KeyAction(const TweakBar& bar, const TweakVariable& variable, Action action) = 0;
};

struct TimelineStripView;
struct TimelineStripInput;

// Everything one frame of the panel shows.
struct TweakPanelFrame {
    const std::vector<const TweakBar*>* bars = nullptr;
    const std::vector<std::string>* messages = nullptr;
    TweakKeyHost* keys = nullptr;               // null: no key buttons
    const TimelineStripView* strip = nullptr;   // null: no strip
    TimelineStripInput* strip_input = nullptr;  // what the viewer did in it
};

// Draws the bars' variables as editable windows, and the messages (first
// line of each) at the bottom, over the current frame. The first drawing
// call creates the panel's ImGui context and font texture.
void DrawTweakPanels(const std::vector<const TweakBar*>& bars,
                     const std::vector<std::string>& messages);
void DrawTweakPanel(const TweakBar& bar);
void DrawTweakPanelFrame(const TweakPanelFrame& frame);

// Mouse state for the next frame: window pixels, y from the top.
void TweakPanelMouse(float x, float y, bool left_button_down);
// Pointer position alone, and the left button alone.
void TweakPanelMouseMove(float x, float y);
void TweakPanelMouseButton(bool left_button_down);
// Wheel steps since the last frame: positive away from the viewer.
void TweakPanelWheel(float steps);
// A key (SDL 1.2 SDLKey code) went down or up.
void TweakPanelKey(int key, bool down);
// A typed character (Unicode), as the window library reports it.
void TweakPanelCharacter(unsigned int character);
void TweakPanelModifiers(bool ctrl, bool shift, bool alt);

// True when the last frame showed a bar and the pointer is over one (as of
// the latest TweakPanelMouse), or a field is being edited or dragged.
bool TweakPanelWantsInput();
// True when the last frame ended with a field being dragged or typed into
// (the edit goes on in the next frame).
bool TweakPanelEditing();

// Where the last frame drew the widget of the variable `name` of `bar`:
// window pixels, y from the top (x0, y0, x1, y1). False when it was not drawn.
bool TweakPanelWidgetRect(const TweakBar& bar, const char* name, float rect[4]);

// Releases what DrawTweakPanel created; the GL context must still be current
// if a panel was drawn. Does nothing when no panel was drawn.
void TweakTerminate();
