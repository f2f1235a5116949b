#pragma once

namespace trx {

// The program's own version, in dotted four-number form ("0.1.0.0").
[[nodiscard]] const char* ProgramVersion();

} // namespace trx
