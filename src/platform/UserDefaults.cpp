#include "UserDefaults.h"

#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>

#include <mutex>

namespace brisel {

namespace {

std::mutex& defaultsMutex() {
    static std::mutex mutex;
    return mutex;
}

QString qKey(const std::string& key) {
    return QString::fromStdString(key);
}

template <class Write> bool writeThrough(const std::filesystem::path& path, Write write) {
    std::lock_guard lock(defaultsMutex());
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    QSettings settings(QString::fromStdString(path.string()), QSettings::IniFormat);
    write(settings);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

UserDefaults::UserDefaults() : path_(standardPath()) {}

UserDefaults::UserDefaults(std::filesystem::path file) : path_(std::move(file)) {}

std::filesystem::path UserDefaults::standardPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::filesystem::path(base.toStdString()) / "Brisel" / "defaults.ini";
}

std::optional<std::string> UserDefaults::string(const std::string& key) const {
    std::lock_guard lock(defaultsMutex());
    QSettings settings(QString::fromStdString(path_.string()), QSettings::IniFormat);
    const QVariant value = settings.value(qKey(key));
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    return value.toString().toStdString();
}

std::optional<QByteArray> UserDefaults::data(const std::string& key) const {
    std::lock_guard lock(defaultsMutex());
    QSettings settings(QString::fromStdString(path_.string()), QSettings::IniFormat);
    const QVariant value = settings.value(qKey(key));
    if (value.typeId() != QMetaType::QByteArray) return std::nullopt;
    return value.toByteArray();
}

bool UserDefaults::setString(const std::string& key, const std::string& value) const {
    return writeThrough(path_, [&](QSettings& s) { s.setValue(qKey(key), QString::fromStdString(value)); });
}

bool UserDefaults::setData(const std::string& key, const QByteArray& value) const {
    return writeThrough(path_, [&](QSettings& s) { s.setValue(qKey(key), value); });
}

bool UserDefaults::remove(const std::string& key) const {
    return writeThrough(path_, [&](QSettings& s) { s.remove(qKey(key)); });
}

} // namespace brisel
