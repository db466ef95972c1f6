#include "Lang.h"

#include "Variables.h"
#include "dataroot.h"
#include "inifile.h"
#include "kerror.h"
#include "safefile.h"

#include <QFile>

namespace kestrum::config {

namespace {
// The length of the text buffer the texts were always read into, less its terminator.
constexpr qsizetype MaxText = 2047;
} // namespace

Lang::Lang() = default;
Lang::~Lang() = default;

Lang& Lang::instance() {
    static Lang lang;
    return lang;
}

QString Lang::fileName() {
    return DataRoot::file(QStringLiteral("Kestrum20_Lang.ini"));
}

const QStringList& Lang::messageKeys() {
    static const QStringList keys = [] {
        QStringList k;
        for (int i = 1; i <= 33; ++i)
            k << QStringLiteral("Variables_variables_F_Main_%1").arg(i);
        k << QStringLiteral("cambio_master") << QStringLiteral("puerta_cerrada")
          << QStringLiteral("anyadir_usuario") << QStringLiteral("borrar_usuario")
          << QStringLiteral("t_abrepuertas") << QStringLiteral("t_puerta_abierta")
          << QStringLiteral("puerta_abierta");
        k << QStringLiteral("Variables_variables_F_edit_controller_1")
          << QStringLiteral("Variables_variables_F_edit_controller_2");
        for (int i = 1; i <= 3; ++i)
            k << QStringLiteral("Variables_variables_F_Exp_imp_%1").arg(i);
        k << QStringLiteral("Variables_variables_F_imp_XLS_1");
        return k;
    }();
    return keys;
}

void Lang::open() {
    close();
    try {
        const QString path = fileName();
        if (!QFile::exists(path)) {
            const QString shipped = DataRoot::resourceDir() + QStringLiteral("/Kestrum20_Lang.ini");
            copyFileSafely(shipped, path);
        }
        file_ = std::make_unique<IniFile>(path);
    } catch (const Error& e) {
        qCWarning(lcConfig) << "language file:" << e.message();
        file_.reset();
    }
}

void Lang::close() {
    file_.reset();
    shipped_.reset();
    messages_.clear();
}

QString Lang::text(const QString& key) const {
    return text(Variables::instance().language, key);
}

const IniFile* Lang::shipped() const {
    if (!shipped_) {
        try {
            shipped_ =
                std::make_unique<IniFile>(DataRoot::resourceDir() + QStringLiteral("/Kestrum20_Lang.ini"));
        } catch (const Error& e) {
            qCWarning(lcConfig) << "shipped language file:" << e.message();
            shipped_ = std::make_unique<IniFile>();
        }
    }
    return shipped_.get();
}

QString Lang::text(const QString& language, const QString& key) const {
    const IniFile* source = file_ && file_->hasKey(language, key) ? file_.get() : nullptr;
    if (!source && isConsoleKey(key) && shipped()->hasKey(language, key))
        source = shipped();
    if (!source)
        return missingText();
    QString value = source->value(language, key);
    if (value.size() > MaxText) {
        value.truncate(MaxText);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value.trimmed();
}

QStringList Lang::languages() const {
    return file_ ? file_->sections() : QStringList();
}

void Lang::Carga_Mensajes() {
    messages_.clear();
    for (const QString& key : messageKeys())
        messages_.insert(key.toLower(), text(key));
}

QString Lang::mensaje(const QString& key) const {
    const auto it = messages_.constFind(key.toLower());
    return it != messages_.cend() ? *it : text(key);
}

} // namespace kestrum::config
