#include "info/ui/RegistryValueStore.h"

#include <utility>

namespace trx {

RegistryValueStore::RegistryValueStore(RegistryStore store, ErrorReport report)
    : store_(std::move(store))
    , report_(std::move(report)) {}

std::string RegistryValueStore::ReadRegString(const std::string& name) {
    try {
        return store_.Read(QString::fromStdString(name)).toStdString();
    } catch (const std::exception& error) {
        report_(error, "ReadRegString");
        return {};
    }
}

void RegistryValueStore::WriteRegString(const std::string& name, const std::string& value) {
    try {
        store_.Write(QString::fromStdString(name), QString::fromStdString(value));
    } catch (const std::exception& error) {
        report_(error, "WriteRegString");
    }
}

} // namespace trx
