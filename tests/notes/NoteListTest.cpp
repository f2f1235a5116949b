#include "notes/NoteList.h"

#include "common/Constants.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using trx::FloatMatrix;
using trx::TMidiNote;
using trx::TMidiNotes;

constexpr std::int32_t kFirstBin = 8;

struct NoteFacts {
    std::string id;
    int note;
    int start;
    int length;
    int velocity;
    bool operator==(const NoteFacts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const NoteFacts& n) {
    return out << n.id << " bin " << n.note << " start " << n.start << " length " << n.length
               << " velocity " << n.velocity;
}

std::vector<NoteFacts> Facts(const TMidiNotes& notes) {
    std::vector<NoteFacts> facts;
    for (std::size_t i = 0; i < notes.Count(); ++i) {
        const TMidiNote& n = notes[i];
        EXPECT_EQ(notes.EntryID(i), n.ID);
        facts.push_back({n.ID, n.Note, n.Start, n.Length, n.Velocity});
    }
    return facts;
}

void SetColumn(FloatMatrix& map, std::int32_t bin, std::int32_t from,
               const std::vector<float>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        map(from + static_cast<std::int32_t>(i), bin) = values[i];
}

TMidiNote& AddNote(TMidiNotes& notes, const std::string& id, int bin, int start, int length,
                   int velocity = 100) {
    auto note = std::make_unique<TMidiNote>();
    note->ID = id;
    note->Note = static_cast<std::int16_t>(bin);
    note->Start = start;
    note->Length = length;
    note->Velocity = static_cast<std::uint16_t>(velocity);
    return notes.Add(std::move(note));
}

TEST(CreateNoteList, RunsBecomeNotesBinByBinWithFreshIds) {
    FloatMatrix map(12, trx::kNoteBins);
    SetColumn(map, 40, 2, {127});               // one slice
    SetColumn(map, 30, 0, {60, 90, 0, 30, 30}); // two runs, one silent slice apart
    SetColumn(map, 50, 9, {10, 20, 127});       // runs to the last slice
    map(5, kFirstBin - 1) = 127;                // below the first note bin

    TMidiNotes notes;
    AddNote(notes, "stale", 60, 0, 0);
    trx::CreateNoteList(map, 127, kFirstBin, notes);
    EXPECT_EQ(Facts(notes), (std::vector<NoteFacts>{{"00000001", 30, 0, 1, 90},
                                                    {"00000002", 30, 3, 1, 30},
                                                    {"00000003", 40, 2, 0, 127},
                                                    {"00000004", 50, 9, 2, 127}}));

    trx::CreateNoteList(map, 127, kFirstBin, notes);
    EXPECT_EQ(notes[0].ID, "00000001") << "numbering restarts at every rebuild";
    EXPECT_EQ(notes.Count(), 4u);
}

TEST(CreateNoteList, NoteStartsAtItsFirstAudibleCellAndEndsAtItsLastNonZeroCell) {
    FloatMatrix map(10, trx::kNoteBins);
    SetColumn(map, 30, 1, {0.4f, 0.4f, 5, 0.4f, 0});
    SetColumn(map, 31, 1, {0.4f, 0.3f});
    TMidiNotes notes;
    trx::CreateNoteList(map, 127, kFirstBin, notes);
    EXPECT_EQ(Facts(notes), (std::vector<NoteFacts>{{"00000001", 30, 3, 1, 5}}));
}

TEST(CreateNoteList, VelocityRoundsHalvesToEven) {
    FloatMatrix map(6, trx::kNoteBins);
    map(0, 30) = 2.5f;
    map(0, 32) = 3.5f;
    map(0, 34) = 254; // twice the maximum
    TMidiNotes notes;
    trx::CreateNoteList(map, 127, kFirstBin, notes);
    ASSERT_EQ(notes.Count(), 3u);
    EXPECT_EQ(notes[0].Velocity, 2);
    EXPECT_EQ(notes[1].Velocity, 4);
    EXPECT_EQ(notes[2].Velocity, 254);
}

TEST(CreateNoteList, NoMaximumOrNoBinsGivesAnEmptyList) {
    FloatMatrix map(6, trx::kNoteBins);
    map(1, 30) = 5;
    TMidiNotes notes;
    AddNote(notes, "00000009", 30, 0, 0);
    trx::CreateNoteList(map, 0, kFirstBin, notes);
    EXPECT_TRUE(notes.Empty());
    trx::CreateNoteList(map, 5, 107, notes);
    EXPECT_TRUE(notes.Empty());
}

TEST(CreateNoteList, RebuiltListHasNoSelection) {
    FloatMatrix map(4, trx::kNoteBins);
    map(1, 30) = 127;
    TMidiNotes notes;
    trx::CreateNoteList(map, 127, kFirstBin, notes);
    notes[0].SetSelected(true);
    trx::CreateNoteList(map, 127, kFirstBin, notes);
    EXPECT_EQ(notes.GetSelected(), nullptr);
    EXPECT_TRUE(notes.Selected.empty());
}

TEST(NoteListLookup, FindNoteCoversExactlyStartToStartPlusLength) {
    TMidiNotes notes;
    AddNote(notes, "00000001", 30, 10, 4);
    TMidiNote& overlapping = AddNote(notes, "00000002", 30, 12, 6);
    EXPECT_EQ(notes.FindNote(30, 9), nullptr);
    EXPECT_EQ(notes.FindNote(30, 10), &notes[0]);
    EXPECT_EQ(notes.FindNote(30, 14), &notes[0]) << "first in list order";
    EXPECT_EQ(notes.FindNote(30, 15), &overlapping);
    EXPECT_EQ(notes.FindNote(30, 18), &overlapping);
    EXPECT_EQ(notes.FindNote(30, 19), nullptr);
    EXPECT_EQ(notes.FindNote(31, 12), nullptr);
}

TEST(NoteListLookup, VisibleRangeMarksNotesOverlappingTheView) {
    TMidiNotes notes;
    TMidiNote& note = AddNote(notes, "00000001", 30, 10, 4); // slices 10..14
    for (const auto& [from, to, visible] : {std::tuple{14, 20, true},
                                            {15, 20, false},
                                            {0, 10, true},
                                            {0, 9, false},
                                            {11, 13, true}}) {
        notes.SetVisibleRange(from, to);
        EXPECT_EQ(note.Visible, visible) << from << ".." << to;
    }
}

TEST(NoteSelection, DeselectingAnotherNoteKeepsTheSelection) {
    TMidiNotes notes;
    TMidiNote& a = AddNote(notes, "00000001", 30, 0, 2);
    TMidiNote& b = AddNote(notes, "00000002", 31, 0, 2);
    EXPECT_EQ(notes.GetSelected(), nullptr);
    a.SetSelected(true);
    EXPECT_TRUE(a.IsSelected());
    EXPECT_EQ(notes.GetSelected(), &a);
    b.SetSelected(false);
    EXPECT_EQ(notes.Selected, "00000001");
    a.SetSelected(false);
    EXPECT_EQ(notes.Selected, "X");
    EXPECT_FALSE(a.IsSelected());
    EXPECT_EQ(notes.GetSelected(), nullptr);

    TMidiNote loose;
    loose.ID = "00000001";
    EXPECT_FALSE(loose.IsSelected()) << "a note in no list is never selected";
}

TEST(NoteSelection, DeletingTheSelectedNoteLeavesNoneSelected) {
    TMidiNotes notes;
    AddNote(notes, "00000001", 30, 0, 2);
    AddNote(notes, "00000002", 31, 0, 2).SetSelected(true);
    notes.DeleteNote("00000003");
    EXPECT_EQ(notes.Count(), 2u);
    notes.DeleteNote("00000002");
    ASSERT_EQ(notes.Count(), 1u);
    EXPECT_EQ(notes[0].ID, "00000001");
    EXPECT_EQ(notes.GetSelected(), nullptr);
    notes.Clear();
    EXPECT_TRUE(notes.Empty());
}

TEST(WriteNotesToMap, LoudStartDecaysOnePercentPerSlice) {
    FloatMatrix map(8, trx::kNoteBins);
    TMidiNotes notes;
    AddNote(notes, "00000001", 30, 2, 2, 100);
    float maximum = 0;
    trx::WriteNotesToMap(notes, true, kFirstBin, map, maximum);
    EXPECT_EQ(maximum, 100.0f);
    EXPECT_EQ(map(2, 30), 100.0f);
    EXPECT_EQ(map(3, 30), 99.0f);
    EXPECT_EQ(map(4, 30), 98.01f);
    EXPECT_EQ(map(5, 30), 0.0f);

    trx::WriteNotesToMap(notes, false, kFirstBin, map, maximum);
    for (std::int32_t s = 2; s <= 4; ++s)
        EXPECT_EQ(map(s, 30), 100.0f);
}

TEST(WriteNotesToMap, RewritesOnlyAnalysedBinsAndSkipsCellsOutsideTheMap) {
    FloatMatrix map(6, trx::kNoteBins);
    map(3, kFirstBin - 1) = 9; // below the first note bin: left alone
    map(3, 60) = 9;            // replaced by the list
    TMidiNotes notes;
    AddNote(notes, "00000001", 30, -2, 3, 50);  // slices -2..1
    AddNote(notes, "00000002", 31, 4, 5, 60);   // runs past slice 5
    AddNote(notes, "00000003", 107, 0, 2, 120); // above bin 106
    AddNote(notes, "00000004", 30, 1, 0, 40);   // later note wins
    float maximum = 0;
    trx::WriteNotesToMap(notes, false, kFirstBin, map, maximum);
    EXPECT_EQ(maximum, 120.0f);
    EXPECT_EQ(map(3, kFirstBin - 1), 9.0f);
    EXPECT_EQ(map(3, 60), 0.0f);
    EXPECT_EQ(map(0, 30), 50.0f);
    EXPECT_EQ(map(1, 30), 40.0f);
    EXPECT_EQ(map(4, 31), 60.0f);
    EXPECT_EQ(map(5, 31), 60.0f);

    // With LoudStart the decay counts the slices before the map's start.
    notes.Clear();
    AddNote(notes, "00000001", 30, -1, 1, 100);
    trx::WriteNotesToMap(notes, true, kFirstBin, map, maximum);
    EXPECT_EQ(map(0, 30), 99.0f);
}

TEST(WriteNotesToMap, EmptyListClearsTheMapAndTheMaximum) {
    FloatMatrix map(4, trx::kNoteBins);
    map(1, 30) = 5;
    TMidiNotes notes;
    float maximum = 5;
    trx::WriteNotesToMap(notes, true, kFirstBin, map, maximum);
    EXPECT_EQ(maximum, 0.0f);
    EXPECT_EQ(map, FloatMatrix(4, trx::kNoteBins));
    trx::CreateNoteList(map, maximum, kFirstBin, notes);
    EXPECT_TRUE(notes.Empty());
}

} // namespace
