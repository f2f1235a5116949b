#pragma once

#include "app/ui/RegistryStore.h"
#include "info/ValueStore.h"

#include <QString>

#include <exception>
#include <functional>

namespace trx {

// The version check's named values in the program's per-user store. A
// failure is handed to report with the routine's name, "ReadRegString" or
// "WriteRegString"; a value that cannot be read reads empty.
class RegistryValueStore : public ValueStore {
public:
    using ErrorReport = std::function<void(const std::exception& error, const QString& routine)>;

    RegistryValueStore(RegistryStore store, ErrorReport report);

    [[nodiscard]] std::string ReadRegString(const std::string& name) override;
    void WriteRegString(const std::string& name, const std::string& value) override;

private:
    RegistryStore store_;
    ErrorReport report_;
};

} // namespace trx
