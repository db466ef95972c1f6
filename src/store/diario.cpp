#include "diario.h"

#include "kerror.h"
#include "safefile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>
#include <algorithm>
#include <cstring>
#include <optional>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcJournal, "kestrum.journal", QtWarningMsg)

namespace kestrum::store {

namespace {

const QString FORMATO = QStringLiteral("kestrum-journal");

QByteArray linea(const AsientoDiario& a) {
    const QJsonObject o{{QStringLiteral("n"), a.secuencia},
                        {QStringLiteral("t"), a.momento.toString(Qt::ISODateWithMs)},
                        {QStringLiteral("c"), a.controlador},
                        {QStringLiteral("e"), a.evento},
                        {QStringLiteral("k"), a.tarjeta},
                        {QStringLiteral("u"), a.usr},
                        {QStringLiteral("hc"), a.histControlador},
                        {QStringLiteral("ht"), a.histTarjeta},
                        {QStringLiteral("d"), a.descripcion}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<AsientoDiario> asiento(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    AsientoDiario a;
    a.secuencia = o.value(QStringLiteral("n")).toInteger(0);
    a.momento = QDateTime::fromString(o.value(QStringLiteral("t")).toString(), Qt::ISODateWithMs);
    if (a.secuencia <= 0 || !a.momento.isValid())
        return std::nullopt;
    a.controlador = o.value(QStringLiteral("c")).toInt();
    a.evento = o.value(QStringLiteral("e")).toInt();
    a.tarjeta = o.value(QStringLiteral("k")).toString();
    a.usr = o.value(QStringLiteral("u")).toInt(-1);
    a.histControlador = o.value(QStringLiteral("hc")).toString();
    a.histTarjeta = o.value(QStringLiteral("ht")).toString();
    a.descripcion = o.value(QStringLiteral("d")).toString();
    return a;
}

} // namespace

Diario::Diario(const QString& fichero) : fichero_(fichero) {
    carga();
    abreParaAnotar();
}

QString Diario::ficheroPara(const QString& carpeta, const QString& destino) {
    const QByteArray hash = QCryptographicHash::hash(destino.toUtf8(), QCryptographicHash::Sha1).toHex();
    return carpeta + QLatin1Char('/') + QString::fromLatin1(hash.left(16)) + QStringLiteral(".journal");
}

QByteArray Diario::cabecera() const {
    const QJsonObject o{{FORMATO, 1}, {QStringLiteral("id"), identidad_}, {QStringLiteral("base"), ultima_}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

void Diario::carga() {
    QFile f(fichero_);
    if (!f.exists()) {
        if (!QDir().mkpath(QFileInfo(fichero_).absolutePath()))
            throw Error(QStringLiteral("%1: the folder cannot be made").arg(fichero_));
        identidad_ = QUuid::createUuid().toString(QUuid::WithoutBraces);
        config::writeFileSafely(fichero_, cabecera());
        return;
    }
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: %2").arg(fichero_, f.errorString()));
    const QByteArray todo = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("%1: %2").arg(fichero_, f.errorString()));
    const QList<QByteArray> lineas = todo.split('\n');
    const QJsonObject c = QJsonDocument::fromJson(lineas.value(0)).object();
    identidad_ = c.value(QStringLiteral("id")).toString();
    if (c.value(FORMATO).toInt() != 1 || identidad_.isEmpty())
        throw Error(QStringLiteral("%1: not an event journal of this program").arg(fichero_));
    ultima_ = c.value(QStringLiteral("base")).toInteger(0);
    // After the split the text after the last newline is the last element: empty unless a write
    // was cut short.
    const bool cortado = !todo.endsWith('\n');
    qint64 anterior = 0;
    for (qsizetype i = 1; i < lineas.size(); ++i) {
        if (lineas[i].isEmpty())
            continue;
        const auto a = asiento(lineas[i]);
        if (!a || a->secuencia <= anterior) {
            if (!(cortado && i == lineas.size() - 1))
                qCWarning(lcJournal).noquote() << fichero_ << "line" << i + 1 << "skipped: not an event";
            continue;
        }
        anterior = a->secuencia;
        ultima_ = std::max(ultima_, anterior);
        asientos_.push_back(*a);
    }
    // The next entry must start on a line of its own.
    if (cortado)
        config::writeFileSafely(fichero_, [this] {
            QByteArray bytes = cabecera();
            for (const auto& a : asientos_)
                bytes += linea(a);
            return bytes;
        }());
    qCDebug(lcJournal).noquote() << fichero_ << "opened:" << asientos_.size() << "entries, last" << ultima_;
}

void Diario::abreParaAnotar() {
    salida_.close();
    salida_.setFileName(fichero_);
    if (!salida_.open(QIODevice::WriteOnly | QIODevice::Append))
        throw Error(QStringLiteral("%1: %2").arg(fichero_, salida_.errorString()));
}

void Diario::anota(AsientoDiario& asiento) {
    if (!salida_.isOpen())
        abreParaAnotar();
    asiento.secuencia = ultima_ + 1;
    const QByteArray bytes = linea(asiento);
    const qint64 antes = salida_.size();
    const bool escrito = salida_.write(bytes) == bytes.size() && salida_.flush();
    if (!escrito || ::fdatasync(salida_.handle()) != 0) {
        const QString razon = escrito ? QString::fromLocal8Bit(strerror(errno)) : salida_.errorString();
        // A line cut short would swallow the next one.
        salida_.resize(antes);
        throw Error(QStringLiteral("%1: %2").arg(fichero_, razon));
    }
    ultima_ = asiento.secuencia;
    asientos_.push_back(asiento);
}

void Diario::recorta(qint64 secuencia) {
    std::deque<AsientoDiario> quedan;
    for (const auto& a : asientos_)
        if (a.secuencia > secuencia)
            quedan.push_back(a);
    QByteArray bytes = cabecera();
    for (const auto& a : quedan)
        bytes += linea(a);
    salida_.close();
    try {
        config::writeFileSafely(fichero_, bytes);
    } catch (...) {
        abreParaAnotar();
        throw;
    }
    asientos_.swap(quedan);
    abreParaAnotar();
    qCDebug(lcJournal).noquote() << fichero_ << "trimmed up to" << secuencia << "," << asientos_.size()
                                 << "left";
}

} // namespace kestrum::store
