#pragma once

#include <cstdint>

namespace trx {

// How AnalyseWave spreads its work; the results do not depend on it.
struct AnalysisOptions {
    // Threads computing the transform, the calling one included; 0 means
    // one per hardware thread.
    std::int32_t Threads = 0;
};

} // namespace trx
