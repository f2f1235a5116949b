#include "app/ui/RegistryStore.h"

#include "common/Errors.h"

#include <QSettings>

#include <memory>
#include <utility>

namespace trx {

namespace {

std::unique_ptr<QSettings> OpenStore(const QString& iniFile) {
    if (iniFile.isEmpty()) {
        return std::make_unique<QSettings>("Tremolundrix", "Tremolundrix");
    }
    return std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
}

} // namespace

RegistryStore::RegistryStore(QString iniFile)
    : iniFile_(std::move(iniFile)) {}

void RegistryStore::Write(const QString& name, const QString& value) const {
    const std::unique_ptr<QSettings> store = OpenStore(iniFile_);
    store->setValue(name, value);
    store->sync();
    if (store->status() != QSettings::NoError) {
        throw TremolundrixError("Unable to write the value \"" + name.toStdString() + "\" to " +
                                store->fileName().toStdString());
    }
}

QString RegistryStore::Read(const QString& name) const {
    const std::unique_ptr<QSettings> store = OpenStore(iniFile_);
    // A store that cannot be opened for reading holds no values, like a
    // missing one.
    if (store->status() != QSettings::NoError) {
        return {};
    }
    return store->value(name).toString();
}

} // namespace trx
