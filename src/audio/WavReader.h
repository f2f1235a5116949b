#pragma once

#include "audio/CodecList.h"
#include "audio/OpenObserver.h"
#include "audio/OpenResult.h"
#include "audio/SoundFile.h"

#include <string>

namespace trx {

// Opens the WAV file at path into file: maps it, checks its RIFF, WAVE and
// "fmt " tags at offsets 0, 8 and 12, reads its format, finds its data chunk
// and either uses mono 44100 Hz PCM of 1, 2 or 4 bytes per sample in place or
// converts the data to the analysis format. On success file.Buffer is filled,
// SliceCount included. On failure the file is left as far as it got; the
// caller releases it with CloseDataFile. Throws SystemError when the file
// cannot be opened for its size, TremolundrixError when its channel count or
// rate is 0 or when the file is shortened while it is read
// (kMappingFaultMessage). Precondition: file is closed (an open one is released first).
[[nodiscard]] OpenResult ReadSoundFile(const std::string& path, SoundFile& file, CodecList& codecs,
                                       OpenObserver& observer);

// Releases the mapping, the file and the converted block and empties the
// buffer; safe in any state. False, with systemError set to the errno, when
// the mapping could not be released cleanly; otherwise systemError is 0.
[[nodiscard]] bool CloseDataFile(SoundFile& file, int& systemError);

} // namespace trx
