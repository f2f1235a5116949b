#pragma once

namespace trx {

// The fixed texts of a failed open, shown to the user as they are.
inline constexpr const char* kNoRiffHeaderMessage = "Invalid WAV file - RIFF header not found";
inline constexpr const char* kNoWaveHeaderMessage = "Invalid WAV file - WAVE header not found";
inline constexpr const char* kNoFormatHeaderMessage = "Invalid WAV file - format header not found";
inline constexpr const char* kNoDataBlockMessage = "Invalid WAV file - unable to find data block";
inline constexpr const char* kZeroChannelsOrRateMessage =
    "Invalid WAV file - channel count or sample rate is 0";
inline constexpr const char* kZeroBlockAlignMessage = "Invalid WAV file - block align is 0";

inline constexpr const char* kNoConverterMessage = "Unable to convert WAV file to required format";
inline constexpr const char* kStreamOpenMessage = "Unable to open conversion stream for WAV file";
inline constexpr const char* kBufferAllocationMessage =
    "Unable to allocate memory buffer for WAV file conversion";
inline constexpr const char* kConversionFailedMessage = "Failed to do PCM to PCM conversion";

} // namespace trx
