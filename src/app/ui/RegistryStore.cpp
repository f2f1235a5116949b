#include "app/ui/RegistryStore.h"

#include "common/Errors.h"

#include <QSettings>
#include <QTemporaryFile>

#include <cstdio>
#include <utility>

namespace trx {

namespace {

// The per-user file: values are written there only, never into the
// system-wide fallbacks the default store also reads.
QString StoreFile(const QString& iniFile) {
    if (!iniFile.isEmpty())
        return iniFile;
    return QSettings("Tremolundrix", "Tremolundrix").fileName();
}

[[noreturn]] void WriteFailed(const QString& name, const QString& file) {
    throw TremolundrixError("Unable to write the value \"" + name.toStdString() + "\" to " +
                            file.toStdString());
}

// A damaged file holds the values that could be read and lines that could
// not. Its status stays a format error through every later write, which
// hides whether the write itself worked; so the readable values and the new
// one go into a new file that replaces it.
void RewriteWhole(const QSettings& damaged, const QString& file, const QString& name,
                  const QString& value) {
    QTemporaryFile temporary(file + ".tmp-XXXXXX");
    if (!temporary.open())
        WriteFailed(name, file);
    temporary.close();
    {
        QSettings fresh(temporary.fileName(), QSettings::IniFormat);
        for (const QString& key : damaged.allKeys())
            fresh.setValue(key, damaged.value(key));
        fresh.setValue(name, value);
        fresh.sync();
        if (fresh.status() != QSettings::NoError)
            WriteFailed(name, file);
    }
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(file).constData()) != 0)
        WriteFailed(name, file);
}

} // namespace

RegistryStore::RegistryStore(QString iniFile)
    : iniFile_(std::move(iniFile)) {}

void RegistryStore::Write(const QString& name, const QString& value) const {
    const QString file = StoreFile(iniFile_);
    QSettings store(file, QSettings::IniFormat);
    // Parses every section, so a damaged line anywhere shows in the status.
    (void)store.allKeys();
    if (store.status() == QSettings::FormatError) {
        RewriteWhole(store, file, name, value);
        return;
    }
    store.setValue(name, value);
    store.sync();
    if (store.status() != QSettings::NoError)
        WriteFailed(name, file);
}

QString RegistryStore::Read(const QString& name) const {
    // A value is read wherever it can be, a damaged file included; a store
    // that cannot be opened holds none, like a missing one.
    if (iniFile_.isEmpty())
        return QSettings("Tremolundrix", "Tremolundrix").value(name).toString();
    return QSettings(iniFile_, QSettings::IniFormat).value(name).toString();
}

} // namespace trx
