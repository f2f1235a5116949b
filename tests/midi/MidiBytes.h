#pragma once

// Helpers for comparing MIDI file bytes in tests.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <vector>

namespace trx::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes MakeBytes(std::initializer_list<int> values) {
    Bytes bytes;
    for (const int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

inline void Append(Bytes& bytes, std::string_view text) {
    for (const char c : text)
        bytes.push_back(static_cast<std::uint8_t>(c));
}

inline void Append(Bytes& bytes, std::initializer_list<int> values) {
    const Bytes more = MakeBytes(values);
    bytes.insert(bytes.end(), more.begin(), more.end());
}

inline std::uint32_t ReadLong(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes.at(at)) << 24 |
           static_cast<std::uint32_t>(bytes.at(at + 1)) << 16 |
           static_cast<std::uint32_t>(bytes.at(at + 2)) << 8 | bytes.at(at + 3);
}

// Offset of the note track chunk: after the 14-byte header and the
// conductor track chunk.
inline std::size_t NoteTrackOffset(const Bytes& file) {
    return 14 + 8 + ReadLong(file, 18);
}

// The note track's events (after its tag and length).
inline Bytes NoteTrackBody(const Bytes& file) {
    const std::size_t at = NoteTrackOffset(file) + 8;
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(at), file.end());
}

inline Bytes ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace trx::test
