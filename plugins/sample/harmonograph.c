/* Harmonograph: a sample plug-in effect.
 *
 * A harmonograph is a drawing machine: two damped pendulums move a pen and a
 * table, and the pen traces interlocking loops that shrink towards the
 * centre. This plug-in lets the pen draw while its script entry runs: the
 * trace grows from the outside in, the pendulums' phases drift slowly so the
 * figure keeps turning, and the beat makes the ink glow.
 *
 * Script entry (one parameter line, five numbers; missing numbers keep
 * their defaults "3.001 2 2 3.003 0.02"):
 *
 *     Plugin
 *     20000
 *     40000
 *     libsample_plugin.so
 *     3.001 2 2 3.003 0.02
 *
 * The four frequencies drive x (first two) and y (last two); the fifth
 * number is the damping. Frequencies close to small whole-number ratios give
 * the classic figures.
 */
#define DEMO_PLUGIN_IMPLEMENTATION
#include "demo_plugin.h"

#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>

enum { kMaxEntries = 16, kPoints = 4000 };
static const float kDrawingLength = 160.0f;

typedef struct {
    int start;
    int end;
    float frequency[4];
    float damping;
} Entry;

/* One record per script entry naming this library: Init is called once for
 * each, and Draw finds the entry whose window holds the demo time. */
static Entry entries[kMaxEntries];
static int entry_count = 0;

static void ReadParameters(FILE* script, Entry* entry) {
    static const float defaults[5] = {3.001f, 2.0f, 2.0f, 3.003f, 0.02f};
    float values[5];
    for (int i = 0; i < 5; ++i) values[i] = defaults[i];

    char line[1024];
    DemoPluginReadLine(script, line, (int)sizeof line);
    const char* cursor = line;
    for (int i = 0; i < 5; ++i) {
        char* next = NULL;
        const float value = strtof(cursor, &next);
        if (next == cursor) break;
        if (isfinite(value)) values[i] = value;
        cursor = next;
    }
    for (int i = 0; i < 4; ++i) entry->frequency[i] = values[i];
    entry->damping = fmaxf(0.0f, fminf(values[4], 1.0f));
}

void Init(FILE* script, int start, int end) {
    Entry scratch;
    Entry* entry = entry_count < kMaxEntries ? &entries[entry_count++] : &scratch;
    entry->start = start;
    entry->end = end;
    ReadParameters(script, entry);
}

static const Entry* EntryAt(int demo_time) {
    for (int i = 0; i < entry_count; ++i) {
        if ((unsigned)entries[i].start < (unsigned)demo_time &&
            (unsigned)demo_time < (unsigned)entries[i].end) {
            return &entries[i];
        }
    }
    return entry_count > 0 ? &entries[0] : NULL;
}

/* Ink colour along the trace: from copper at the outer loops to pale blue
 * at the centre. */
static void InkColour(float along, float alpha) {
    glColor4f(1.0f - 0.55f * along, 0.45f + 0.3f * along, 0.25f + 0.75f * along, alpha);
}

/* The pen's path from the start of a drawing up to `length` radians. */
static void Trace(const Entry* entry, float length, float drift, float alpha) {
    const int points = 2 + (int)(kPoints * length / kDrawingLength);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < points; ++i) {
        const float s = length * (float)i / (float)(points - 1);
        const float fade = expf(-entry->damping * s);
        const float x =
            0.5f * fade * (sinf(entry->frequency[0] * s + drift) + sinf(entry->frequency[1] * s));
        const float y = 0.5f * fade *
                        (sinf(entry->frequency[2] * s + 1.5708f) +
                         sinf(entry->frequency[3] * s + 0.7f * drift));
        InkColour(s / kDrawingLength, alpha * (0.35f + 0.65f * fade));
        glVertex2f(x, y);
    }
    glEnd();
}

void Draw(int demo_time, float beat) {
    const Entry* entry = EntryAt(demo_time);
    if (!entry) return;
    const float elapsed = (float)((unsigned)demo_time - (unsigned)entry->start) * 0.001f;
    /* The pen runs 8 radians a second; every kDrawingLength radians the
     * paper is changed and a new drawing starts with the pendulums turned a
     * little further. */
    const float pen = elapsed * 8.0f;
    const float drawing = floorf(pen / kDrawingLength);
    const float length = fmaxf(pen - drawing * kDrawingLength, 0.05f);
    const float drift = elapsed * 0.05f + drawing * 1.3f;

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float aspect = viewport[3] > 0 ? (float)viewport[2] / (float)viewport[3] : 1.0f;

    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_LINE_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-aspect, aspect, -1.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glScalef(0.9f, 0.9f, 1.0f);

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_LINE_SMOOTH);

    /* A wide faint stroke under a thin bright one reads as glowing ink. */
    glLineWidth(4.0f + 6.0f * beat);
    Trace(entry, length, drift, 0.12f + 0.2f * beat);
    glLineWidth(1.5f);
    Trace(entry, length, drift, 0.8f);

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
