#pragma once

#include <string>

namespace trx {

// The program's named string values, kept between runs (the per-user store
// of the desktop program). Reading a missing value gives an empty string.
// Implementations report their own failures; a value that cannot be read
// reads empty and a failed write is lost, so callers never see an error.
class ValueStore {
public:
    virtual ~ValueStore() = default;

    [[nodiscard]] virtual std::string ReadRegString(const std::string& name) = 0;
    virtual void WriteRegString(const std::string& name, const std::string& value) = 0;
};

} // namespace trx
