#include "editor/ui/NoteDrawing.h"

#include "editor/BeatEnvelope.h"
#include "editor/NoteRows.h"
#include "editor/TimeAxis.h"
#include "notes/TMidiNotes.h"

#include <QPainter>
#include <QPolygon>

namespace trx {
namespace {

const QColor kGrid(128, 128, 128);
// Pixels of the black edge at the left of both views.
constexpr int kEdgeWidth = 3;
// Rows above and below a bar's centre line: the bar spans y - 2 .. y + 1.
constexpr int kBarAbove = 2;
constexpr int kBarHeight = 4;
constexpr int kStemWidth = 2;

void DrawLeftEdge(QPainter& canvas, int height) {
    canvas.fillRect(0, 0, kEdgeWidth, height, Qt::black);
}

} // namespace

QColor SelectedNoteColour() {
    return {255, 0, 255};
}

QColor NoteColour() {
    return {128, 0, 0};
}

void DrawNote(QPainter& canvas, TMidiNote& note, std::int32_t firstSlice) {
    const std::int32_t x = SliceX(note.Start, firstSlice);
    const std::int32_t w = BarWidth(note.Length);
    const int y = GetNoteY(static_cast<std::uint16_t>(note.Note));
    // Filled rectangle from (x, y - 2) to (x + w, y + 2), the right and
    // bottom edges excluded: an outline of one pixel around the fill.
    const int top = y - kBarAbove;
    canvas.fillRect(x, top, w > 0 ? w : 1, kBarHeight, Qt::black);
    if (w > 2)
        canvas.fillRect(x + 1, top + 1, w - 2, kBarHeight - 2,
                        note.IsSelected() ? SelectedNoteColour() : NoteColour());
    note.DrawX = x;
    note.DrawWidth = w;
    note.DrawY = static_cast<std::uint16_t>(y);
}

void DrawVelocity(QPainter& canvas, TMidiNote& note, std::int32_t firstSlice) {
    const std::int32_t x = SliceX(note.Start, firstSlice);
    const int top = kVelocityStripHeight - note.Velocity;
    // A pen 2 pixels wide on the line from (x, 128) up to (x, 128 - v).
    canvas.fillRect(x - kStemWidth / 2, top, kStemWidth, note.Velocity,
                    note.IsSelected() ? SelectedNoteColour() : NoteColour());
    note.DrawX = x;
    note.StemTop = static_cast<std::uint16_t>(top);
}

void DrawNotes(QPainter& canvas, const TMidiNotes& notes, std::int32_t firstSlice) {
    for (std::size_t i = 0; i < notes.Count(); ++i)
        if (notes[i].Visible)
            DrawNote(canvas, notes[i], firstSlice);
}

void DrawVelocities(QPainter& canvas, const TMidiNotes& notes, std::int32_t firstSlice) {
    for (std::size_t i = 0; i < notes.Count(); ++i)
        if (notes[i].Visible)
            DrawVelocity(canvas, notes[i], firstSlice);
}

void PaintPianoRoll(QPainter& canvas, int width, int height, const TMidiNotes* notes,
                    std::int32_t firstSlice) {
    canvas.fillRect(0, 0, width, height, Qt::white);
    // Between each octave's B (bin 12 i + 2) and the C above it.
    for (int octave = 0; octave <= 8; ++octave) {
        const int y = GetNoteY(static_cast<std::uint16_t>(12 * octave + 2)) - 4;
        canvas.fillRect(0, y, width, 1, kGrid);
    }
    if (notes != nullptr)
        DrawNotes(canvas, *notes, firstSlice);
    DrawLeftEdge(canvas, height);
}

void PaintVelocityStrip(QPainter& canvas, int width, int height, const TMidiNotes* notes,
                        std::int32_t firstSlice, const BeatEnvelope* envelope) {
    canvas.fillRect(0, 0, width, height, Qt::white);
    DrawLeftEdge(canvas, height);
    for (const int velocity : {96, 64, 32})
        canvas.fillRect(kEdgeWidth, kVelocityStripHeight - velocity, width - kEdgeWidth, 1, kGrid);
    if (notes != nullptr)
        DrawVelocities(canvas, *notes, firstSlice);
    if (envelope == nullptr || envelope->Points.empty())
        return;
    QPolygon line;
    line.reserve(static_cast<qsizetype>(envelope->Points.size()));
    for (const BeatEnvelope::Point& point : envelope->Points)
        line << QPoint(point.X, point.Y);
    canvas.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    canvas.drawPolyline(line);
}

} // namespace trx
