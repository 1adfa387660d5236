#include "localization/ResourceBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtDebug>

namespace brisel {

const QString& ResourceBundle::defaultTableName() {
    static const QString name = QStringLiteral("Localizable.strings");
    return name;
}

ResourceBundle::ResourceBundle(QString path) : path_(std::move(path)) {
    if (path_.isEmpty()) return;
    const QString file = QDir(path_).filePath(defaultTableName());
    auto parsed = StringTable::load(file);
    if (parsed.error)
        qWarning().noquote() << "ignoring string table" << file << "line" << parsed.error->line << ":"
                             << parsed.error->message;
    table_ = std::move(parsed.table);
}

std::optional<ResourceBundle> ResourceBundle::open(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return std::nullopt;
    return ResourceBundle(info.absoluteFilePath());
}

ResourceBundle ResourceBundle::main() {
    // Without an application object Qt cannot name the program's folder; the kernel can.
    const QString programDir =
        QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
    return ResourceBundle(QDir(programDir).filePath(QStringLiteral("resources")));
}

QString ResourceBundle::value(const QString& key, const QString& fallback) const {
    return table_.value(key).value_or(fallback);
}

} // namespace brisel
