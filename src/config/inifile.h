// The one INI reader and writer, for the settings file and the language file. Section and key
// names compare without regard to case; sections and keys keep their file order.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace kestrum::config {

class IniFile {
public:
    IniFile();
    // Reads `path` as load() does.
    explicit IniFile(const QString& path);
    ~IniFile();
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;

    // A missing file reads as empty; a file that exists but cannot be read raises kestrum::Error.
    void load(const QString& path);
    // Writes UTF-8 through a temporary file, so a failed write leaves the old file whole; raises
    // kestrum::Error with the system's message.
    void save(const QString& path) const;

    QStringList sections() const;
    QStringList keys(const QString& section) const;
    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    // The value as the file holds it, blanks around it removed; `fallback` when the key is missing.
    QString value(const QString& section, const QString& key, const QString& fallback = {}) const;
    // Creates the section and the key when needed; an existing key keeps its place.
    void setValue(const QString& section, const QString& key, const QString& value);
    // False when there was no such section.
    bool removeSection(const QString& section);

    // The file's bytes as UTF-8: unchanged when they are valid UTF-8, otherwise read as Windows-1252.
    static QByteArray toUtf8(const QByteArray& raw);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kestrum::config
