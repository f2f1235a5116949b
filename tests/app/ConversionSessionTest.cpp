// The command flow of the window on the session alone: open, convert, abort,
// re-filter, save, temporary files.

#include "app/ConversionSession.h"
#include "audio/CodecList.h"
#include "audio/OpenObserver.h"
#include "midi/KeySignatures.h"
#include "support/RecordingProgress.h"
#include "support/TestWav.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace trx::test {
namespace {

// Stops the analysis at its first checkpoint.
class AbortingProgress : public ProgressReporter {
public:
    bool ContinueWork() override { return false; }
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The two data bytes of the key signature event.
std::pair<int, int> KeySignatureBytes(const std::vector<std::uint8_t>& midi) {
    const std::uint8_t event[] = {0xFF, 0x59, 0x02};
    const auto at = std::search(midi.begin(), midi.end(), std::begin(event), std::end(event));
    if (std::distance(at, midi.end()) < 5)
        return {-1, -1};
    return {at[3], at[4]};
}

class ConversionSessionTest : public ::testing::Test {
protected:
    // The window's Open: release the previous file and result, name the new
    // file, read it.
    OpenResult Open(const std::string& path) {
        int ignored = 0;
        (void)session.CloseDataFile(ignored);
        session.ReleaseResult();
        session.NameFiles(path);
        session.Saved = true;
        return session.ReadFile(codecs, observer);
    }
    void Convert(ProgressReporter& progress) {
        session.PrepareAnalysis();
        session.Analyse(progress);
        session.Filter(settings, progress, nullptr);
    }

    TempDir dir;
    std::string song = WriteWav(dir, "song.wav", WavSpec{}, Sine(440.0, 0.5, 30 * kSliceLength));
    ConversionSession session;
    CodecList codecs;
    OpenObserver observer;
    ConversionSettings settings;
    ProgressReporter quiet;
};

TEST_F(ConversionSessionTest, ConvertedResultIsUnsavedUntilSavedWithTheChosenKey) {
    ASSERT_TRUE(Open(song).Ok());
    EXPECT_EQ(session.State.SliceCount(), 30);
    Convert(quiet);
    EXPECT_EQ(session.State.LastAnalysedSlice, 29);
    EXPECT_FALSE(session.Saved);

    // Before any key is chosen the key signature is written as 00 00.
    const std::string midi = dir.File("song.mid");
    session.SaveMidiFile(midi, settings.MinimumComponent);
    EXPECT_TRUE(session.Saved);
    EXPECT_EQ(session.MidiFileName, midi);
    EXPECT_EQ(KeySignatureBytes(ReadAll(midi)), std::make_pair(0, 0));

    const auto& names = KeySignatureNames();
    session.KeySelection = static_cast<std::int32_t>(
        std::find(names.begin(), names.end(), "G major (1 sharp)") - names.begin());
    session.SaveMidiFile(midi, settings.MinimumComponent);
    EXPECT_EQ(KeySignatureBytes(ReadAll(midi)), std::make_pair(1, 0));
}

TEST_F(ConversionSessionTest, AbortedSecondAnalysisKeepsTheFirstAnalysisLaterSlices) {
    ASSERT_TRUE(Open(song).Ok());
    Convert(quiet);
    const FloatMatrix first = session.State.AmplitudeMap;

    AbortingProgress abort;
    Convert(abort);
    EXPECT_LT(session.State.LastAnalysedSlice, 29);
    EXPECT_EQ(session.State.AmplitudeMap, first);
    EXPECT_FALSE(session.Saved);
}

TEST_F(ConversionSessionTest, RefilterChangesTheNotesButNotTheAmplitudes) {
    ASSERT_TRUE(Open(song).Ok());
    Convert(quiet);
    const FloatMatrix amplitudes = session.State.AmplitudeMap;
    const FloatMatrix notes = session.State.NoteMap;
    session.Saved = true;

    settings.MinimumComponent = 100;
    session.Filter(settings, quiet, nullptr);
    EXPECT_EQ(session.State.AmplitudeMap, amplitudes);
    EXPECT_FALSE(session.State.NoteMap == notes);
    EXPECT_FALSE(session.Saved);
}

TEST_F(ConversionSessionTest, FailedOpenLeavesNoFileButKeepsTheNoteList) {
    ASSERT_TRUE(Open(song).Ok());
    Convert(quiet);
    session.State.MidiNotes.Add(std::make_unique<TMidiNote>());

    const std::string broken = dir.File("broken.wav");
    WriteBytes(broken, {'R', 'I', 'F', 'X'});
    EXPECT_FALSE(Open(broken).Ok());
    EXPECT_EQ(session.State.SliceCount(), 0);
    EXPECT_EQ(session.State.AmplitudeMap.Rows(), 0);
    EXPECT_TRUE(session.MidiFileName.empty());
    EXPECT_TRUE(session.Saved);
    // The editor rebuilds the list when it next opens.
    EXPECT_EQ(session.State.MidiNotes.Count(), 1);
}

TEST_F(ConversionSessionTest, SavingAfterATuningChangeKeepsTheAnalysedLowestBin) {
    session.State.SizeMaps(10);
    for (std::int32_t s = 2; s < 6; ++s)
        session.State.NoteMap(s, 8) = 1.0f;
    session.State.NoteMapMaximum = 1.0f;
    ASSERT_EQ(session.AnalysedFirstNoteBin, 8);

    // Bin 8 is not analysed at -30 cents; the map still holds the notes of
    // the analysis at 0.
    session.SetTuning(-30);
    ASSERT_EQ(session.State.NoteKernels.FirstNoteBin, 9);
    const std::string midi = dir.File("low.mid");
    session.SaveMidiFile(midi, settings.MinimumComponent);
    const std::vector<std::uint8_t> bytes = ReadAll(midi);
    const std::uint8_t noteOn[] = {0x90, 8 + 9};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin(noteOn), std::end(noteOn)),
              bytes.end());
}

TEST_F(ConversionSessionTest, TemporaryFilesAreDeletedAlsoWhenOneIsGone) {
    const std::string kept = dir.File("TRB1.mid");
    WriteBytes(kept, {'M', 'T', 'h', 'd'});
    session.TempFiles = {dir.File("gone.mid"), kept};
    session.DeleteTempFiles();
    EXPECT_FALSE(std::filesystem::exists(kept));
    EXPECT_TRUE(session.TempFiles.empty());
}

TEST_F(ConversionSessionTest, ConvertFileReportsTheRoutineOfAFailure) {
    EXPECT_EQ(session.ConvertFile(dir.File("missing.wav"), settings, quiet),
              "No such file or directory occured in OpenSoundFile");
    const std::string tiny =
        WriteWav(dir, "tiny.wav", WavSpec{}, Sine(440.0, 0.5, kSliceLength - 1));
    EXPECT_EQ(session.ConvertFile(tiny, settings, quiet), TooShortMessage());
    AbortingProgress abort;
    EXPECT_EQ(session.ConvertFile(song, settings, abort), "The conversion was aborted");
}

} // namespace
} // namespace trx::test
