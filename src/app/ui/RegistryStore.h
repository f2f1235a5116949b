#pragma once

#include <QString>

namespace trx {

// The program's few named string values (the start-up version check and
// its results), kept per user: organisation and application "Tremolundrix".
// Each call opens and closes the store; nothing is cached.
class RegistryStore {
public:
    // The per-user store of the program.
    RegistryStore() = default;
    // An INI file of its own (tests).
    explicit RegistryStore(QString iniFile);

    // Creates the store when it is missing; a damaged one is rewritten whole
    // with the values that could be read. Throws TremolundrixError when the
    // value did not reach the disk.
    void Write(const QString& name, const QString& value) const;
    // Empty when the store or the value does not exist, or when the store
    // cannot be read; a value a damaged store still holds is read.
    [[nodiscard]] QString Read(const QString& name) const;

private:
    QString iniFile_;
};

} // namespace trx
