#pragma once

#include <functional>
#include <string>

namespace trx {

// Plays one Standard MIDI File at a time in the background. The window is
// given one at start-up; its tests give it a stand-in. Every member is
// called from one thread (the window's).
class MidiPlayer {
public:
    // Runs once for every playback that Play started, when it ends in any
    // way: the file played to its end, Stop, a later Open or Play, Close or
    // destruction. It may run on another thread than the caller's: it must
    // return quickly, must not throw and must not call the player (the
    // window posts it to itself as a queued event).
    using EndHandler = std::function<void()>;

    virtual ~MidiPlayer() = default;

    // Loads the file for playing, after stopping and closing the one open
    // before. Throws TremolundrixError (with a message fit for the user) when
    // the file, the sound set or the audio output cannot be opened.
    virtual void Open(const std::string& fileName) = 0;
    // Starts playing the open file from its beginning and returns at once;
    // a playback still running ends first. Throws TremolundrixError when no
    // file is open or playing cannot start; onEnd then never runs.
    virtual void Play(EndHandler onEnd) = 0;
    // Ends the running playback with all notes off. Nothing happens when
    // nothing plays.
    virtual void Stop() = 0;
    // Stops and releases the file and the audio output. Nothing happens when
    // nothing is open.
    virtual void Close() = 0;
};

} // namespace trx
