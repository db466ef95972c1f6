#include "inifile.h"

#include "kerror.h"
#include "safefile.h"

#include <QChar>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <string>

// Debian keeps the template bodies behind SI_IMPLEMENTATION and its library instantiates only the
// stock typedefs; the case folding below needs an instance of its own.
#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace kestrum::config {

namespace {

// SimpleIni's own case-insensitive comparison folds ASCII only; language names such as "ESPAÑOL"
// need the accented capitals folded too. Names are always valid UTF-8 here (see toUtf8).
struct NoCaseUtf8 {
    static char32_t next(const char*& p) {
        const auto lead = static_cast<unsigned char>(*p++);
        if (lead < 0x80)
            return lead;
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        char32_t cp = lead & (0x3F >> extra);
        for (; extra > 0 && (static_cast<unsigned char>(*p) & 0xC0) == 0x80; --extra)
            cp = (cp << 6) | (static_cast<unsigned char>(*p++) & 0x3F);
        return cp;
    }
    bool operator()(const char* a, const char* b) const {
        while (*a && *b) {
            const char32_t x = QChar::toCaseFolded(next(a));
            const char32_t y = QChar::toCaseFolded(next(b));
            if (x != y)
                return x < y;
        }
        return *b != 0;
    }
};

using Ini = CSimpleIniTempl<char, NoCaseUtf8, SI_ConvertA<char>>;

std::string utf8(const QString& s) {
    return s.toStdString();
}

QString qs(const char* s) {
    return QString::fromUtf8(s);
}

QStringList inLoadOrder(Ini::TNamesDepend names) {
    names.sort(Ini::Entry::LoadOrder());
    QStringList out;
    for (const auto& n : names)
        out << qs(n.pItem);
    return out;
}

// 0x80-0x9F of Windows-1252; the five unassigned bytes keep their code point, as Windows does.
constexpr char16_t cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

struct IniFile::Impl {
    Ini ini;
    Impl() {
        ini.SetUnicode(true);
        ini.SetMultiKey(false);
        ini.SetMultiLine(false);
        ini.SetQuotes(false);
        ini.SetAllowKeyOnly(false);
        ini.SetSpaces(false);
    }
};

IniFile::IniFile() : d(std::make_unique<Impl>()) {}

IniFile::IniFile(const QString& path) : IniFile() {
    load(path);
}

IniFile::~IniFile() = default;
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;

QByteArray IniFile::toUtf8(const QByteArray& raw) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString asUtf8 = decoder(raw);
    if (!decoder.hasError())
        return raw;
    QString text;
    text.reserve(raw.size());
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        text += QChar(b >= 0x80 && b <= 0x9F ? cp1252High[b - 0x80] : char16_t(b));
    }
    return text.toUtf8();
}

void IniFile::load(const QString& path) {
    d->ini.Reset();
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    const QByteArray bytes = toUtf8(file.readAll());
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    if (d->ini.LoadData(bytes.constData(), size_t(bytes.size())) < 0)
        throw Error(QStringLiteral("%1: out of memory").arg(QDir::toNativeSeparators(path)));
}

void IniFile::save(const QString& path) const {
    std::string out;
    if (d->ini.Save(out, false) < 0)
        throw Error(QStringLiteral("%1: out of memory").arg(QDir::toNativeSeparators(path)));
    writeFileSafely(path, QByteArray(out.data(), qsizetype(out.size())));
}

QStringList IniFile::sections() const {
    Ini::TNamesDepend names;
    d->ini.GetAllSections(names);
    return inLoadOrder(names);
}

QStringList IniFile::keys(const QString& section) const {
    Ini::TNamesDepend names;
    d->ini.GetAllKeys(utf8(section).c_str(), names);
    return inLoadOrder(names);
}

bool IniFile::hasSection(const QString& section) const {
    return d->ini.SectionExists(utf8(section).c_str());
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    return d->ini.KeyExists(utf8(section).c_str(), utf8(key).c_str());
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const {
    const char* v = d->ini.GetValue(utf8(section).c_str(), utf8(key).c_str(), nullptr);
    return v ? qs(v) : fallback;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    // A line break would end the value and start a line of its own when the file is read again.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (d->ini.SetValue(utf8(section).c_str(), utf8(key).c_str(), utf8(oneLine).c_str()) < 0)
        throw Error(QStringLiteral("out of memory"));
}

bool IniFile::removeSection(const QString& section) {
    return d->ini.Delete(utf8(section).c_str(), nullptr);
}

} // namespace kestrum::config
