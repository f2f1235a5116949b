#include "app/FileNames.h"

#include <gtest/gtest.h>

namespace {

TEST(FileNames, MidiNameReplacesTheExtensionFromItsFirstOccurrenceInTheName) {
    EXPECT_EQ(trx::DefaultMidiName("/music/song.wav"), "/music/song.mid");
    EXPECT_EQ(trx::DefaultMidiName("song.WAV"), "song.mid");
    EXPECT_EQ(trx::DefaultMidiName("take.wav.wav"), "take.mid");
    EXPECT_EQ(trx::DefaultMidiName("live.2024.wav"), "live.2024.mid");
    EXPECT_EQ(trx::DefaultMidiName("recording"), "recording.mid");
    // A folder whose name holds the extension's text is left alone.
    EXPECT_EQ(trx::DefaultMidiName("/data/set.wav/song.wav"), "/data/set.wav/song.mid");
}

TEST(FileNames, SettingsNameFollowsTheSavedMidiFile) {
    EXPECT_EQ(trx::ProposedSettingsName("/music/song.mid"), "/music/song.trs");
    EXPECT_EQ(trx::ProposedSettingsName("/music/take.mid.mid"), "/music/take.mid.trs");
    EXPECT_EQ(trx::ProposedSettingsName("/music/noext"), "/music/noext.trs");
    EXPECT_EQ(trx::ProposedSettingsName("/a.mid/song.mid"), "/a.mid/song.trs");
}

} // namespace
