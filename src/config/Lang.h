// The language texts: Kestrum20_Lang.ini in the data root, one section per language. The current
// language is the program-wide language of Variables.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

namespace kestrum::config {

class IniFile;

class Lang {
public:
    static Lang& instance();
    static QString fileName();
    // The text of a missing file, section or key.
    static QString missingText() { return QStringLiteral("\u00BF?"); }
    // The keys of the message table, in table order.
    static const QStringList& messageKeys();

    ~Lang();

    // At the first run the data root has no language file: the default one that ships with the
    // program is copied there first. An unreadable file counts as missing.
    void open();
    void close();
    bool isOpen() const { return static_cast<bool>(file_); }

    // The current language's text for `key`, or missingText(). Keys of this console beyond the
    // original ones (prefix "KS_") that the data root's copy lacks, since it predates them, are
    // read from the language file that ships with the program.
    QString text(const QString& key) const;
    static bool isConsoleKey(const QString& key) { return key.startsWith(QLatin1String("KS_")); }
    QString text(const QString& language, const QString& key) const;
    // Section names in file order.
    QStringList languages() const;

    // Fixes the message texts in the current language; until then they are read as they are asked for.
    void Carga_Mensajes();
    QString mensaje(const QString& key) const;

private:
    Lang();
    const IniFile* shipped() const;
    std::unique_ptr<IniFile> file_;
    mutable std::unique_ptr<IniFile> shipped_; // read at the first console key the copy lacks
    QHash<QString, QString> messages_;         // by lower-cased key
};

} // namespace kestrum::config
