#pragma once

#include <QColor>

#include <cstdint>

class QPainter;

namespace trx {

struct BeatEnvelope;
class TMidiNote;
class TMidiNotes;

// Height of the velocity strip: a velocity v is a stem from its bottom up
// to y 128 - v.
inline constexpr int kVelocityStripHeight = 128;

// Bar and stem of the selected note, and of every other note.
[[nodiscard]] QColor SelectedNoteColour();
[[nodiscard]] QColor NoteColour();

// The note's bar in a piano roll whose left edge shows firstSlice: black
// outline, filled in the note colour, from its Start's x across Length x 10
// pixels, 4 pixels high around its row's y. A one-slice bar has no width; it
// is drawn as its outline's left edge so that it can be seen. Records
// DrawX, DrawWidth and DrawY.
void DrawNote(QPainter& canvas, TMidiNote& note, std::int32_t firstSlice);
// The note's velocity stem, 2 pixels wide, at its Start's x. Records DrawX
// and StemTop.
void DrawVelocity(QPainter& canvas, TMidiNote& note, std::int32_t firstSlice);
// DrawNote / DrawVelocity of every Visible note, in list order.
void DrawNotes(QPainter& canvas, const TMidiNotes& notes, std::int32_t firstSlice);
void DrawVelocities(QPainter& canvas, const TMidiNotes& notes, std::int32_t firstSlice);

// The piano roll's picture, width x height: white, a grey line between each
// octave's B and C, the visible notes, a black edge 3 pixels wide at the
// left. Without notes, only the rows and the edge.
void PaintPianoRoll(QPainter& canvas, int width, int height, const TMidiNotes* notes,
                    std::int32_t firstSlice);
// The velocity strip's picture: white, the black left edge, grey lines at
// velocities 96, 64 and 32, the stems of the visible notes, and the beat
// envelope as a black line when there is one.
void PaintVelocityStrip(QPainter& canvas, int width, int height, const TMidiNotes* notes,
                        std::int32_t firstSlice, const BeatEnvelope* envelope);

} // namespace trx
