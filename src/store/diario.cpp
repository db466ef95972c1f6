#include "diario.h"

#include "dbconnection.h"
#include "kerror.h"
#include "safefile.h"
#include "timings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QUuid>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcJournal, "kestrum.journal", QtWarningMsg)

namespace kestrum::store {

namespace {

const QString FORMATO = QStringLiteral("kestrum-journal");

// The driver binds a null text as NULL; events keep '' where they have no text.
QString texto(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

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

// Unbuffered: a write the disk refused must not stay in a buffer and reach the file with a later one.
void Diario::abreParaAnotar() {
    salida_.close();
    salida_.setFileName(fichero_);
    if (!salida_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw Error(QStringLiteral("%1: %2").arg(fichero_, salida_.errorString()));
}

void Diario::anota(std::vector<AsientoDiario>& nuevos) {
    if (nuevos.empty())
        return;
    if (!salida_.isOpen())
        abreParaAnotar();
    QByteArray bytes;
    qint64 numero = ultima_;
    for (auto& a : nuevos) {
        a.secuencia = ++numero;
        bytes += linea(a);
    }
    const qint64 antes = salida_.size();
    const bool escrito = salida_.write(bytes) == bytes.size() && salida_.flush();
    if (!escrito || ::fdatasync(salida_.handle()) != 0) {
        const QString razon = escrito ? QString::fromLocal8Bit(std::strerror(errno)) : salida_.errorString();
        // A line cut short would swallow the next one.
        salida_.resize(antes);
        throw Error(QStringLiteral("%1: %2").arg(fichero_, razon));
    }
    ultima_ = numero;
    asientos_.insert(asientos_.end(), nuevos.begin(), nuevos.end());
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

void Inserta_Asiento(const QSqlDatabase& db, const AsientoDiario& a) {
    Db::exec(
        db,
        QStringLiteral("INSERT INTO dorqincidencia(cod,controlador,hist_controlador,tarjeta,hist_tarjeta,"
                       "\"TIMESTAMP\",descripcion,evento,usr) VALUES(gen_id(GEN_DORQINCIDENCIA_ID, 1),"
                       ":controlador,:hist_controlador,:tarjeta,:hist_tarjeta,:momento,"
                       ":descripcion,:evento,:usr)"),
        {{QStringLiteral("controlador"), a.controlador},
         {QStringLiteral("hist_controlador"), texto(a.histControlador)},
         {QStringLiteral("tarjeta"), texto(a.tarjeta)},
         {QStringLiteral("hist_tarjeta"), texto(a.histTarjeta)},
         {QStringLiteral("momento"), a.momento},
         {QStringLiteral("descripcion"), texto(a.descripcion)},
         {QStringLiteral("evento"), a.evento},
         {QStringLiteral("usr"), a.usr}});
}

// ---------------------------------------------------------------- writer

EscritorDiario::EscritorDiario(std::unique_ptr<Diario> diario, const QString& dbPath, TAviso aviso)
    : diario_(std::move(diario)), fichero_(diario_->fichero()), dbPath_(dbPath), aviso_(std::move(aviso)) {
    pendientes_ = static_cast<int>(diario_->asientos().size());
    nuevos_ = true; // what an earlier run left is replayed at once
    hiloDiario_ = std::thread([this] { bucleDiario(); });
    hiloLog_ = std::thread([this] { bucleLog(); });
}

EscritorDiario::~EscritorDiario() {
    // The journal first takes what waits, then the log one last attempt at it.
    {
        std::lock_guard l(mutex_);
        parar_ = true;
    }
    cv_.notify_one();
    hiloDiario_.join();
    {
        std::lock_guard l(mutex_);
        pararLog_ = true;
    }
    cvLog_.notify_one();
    hiloLog_.join();
}

void EscritorDiario::anota(AsientoDiario asiento, Hecho hecho) {
    {
        std::lock_guard l(mutex_);
        cola_.push_back({std::move(asiento), std::move(hecho)});
        ++pendientes_;
    }
    cv_.notify_one();
}

void EscritorDiario::asienta() {
    {
        std::unique_lock l(mutex_);
        cvHecho_.wait(l, [this] { return cola_.empty() && !escribiendo_; });
    }
    QCoreApplication::sendPostedEvents(&contexto_);
}

// ---- journal thread

void EscritorDiario::bucleDiario() {
    for (;;) {
        std::vector<Entrada> lote;
        {
            std::unique_lock l(mutex_);
            cv_.wait(l, [this] { return !cola_.empty() || parar_; });
            if (cola_.empty())
                break;
            // Whatever came during the last sync goes in this one: one sync for all of them.
            lote.assign(std::make_move_iterator(cola_.begin()), std::make_move_iterator(cola_.end()));
            cola_.clear();
            escribiendo_ = true;
        }
        std::vector<AsientoDiario> nuevos;
        nuevos.reserve(lote.size());
        for (auto& e : lote)
            nuevos.push_back(std::move(e.asiento));
        QString razon;
        const bool guardados = escribe(nuevos, razon);
        std::vector<Hecho> hechos;
        hechos.reserve(lote.size());
        for (auto& e : lote)
            if (e.hecho)
                hechos.push_back(std::move(e.hecho));
        // Without a way to settle them nobody sends them again.
        if (!guardados && hechos.size() < lote.size())
            avisa(Estado::Perdido, razon, static_cast<int>(lote.size() - hechos.size()));
        if (!hechos.empty())
            QMetaObject::invokeMethod(
                &contexto_,
                [hechos = std::move(hechos), guardados] {
                    for (const auto& h : hechos)
                        h(guardados);
                },
                Qt::QueuedConnection);
        {
            std::lock_guard l(mutex_);
            escribiendo_ = false;
            nuevos_ = true;
        }
        cuenta();
        cvLog_.notify_one();
        cvHecho_.notify_all();
    }
    if (dbDirecta_.isValid())
        Db::disconnect(dbDirecta_);
}

// True when the events are on disk: in the journal, or, when it refuses, in the log.
bool EscritorDiario::escribe(std::vector<AsientoDiario>& nuevos, QString& razon) {
    try {
        std::lock_guard l(diarioMutex_);
        diario_->anota(nuevos);
        sinDiarioAvisado_ = noGuardadosAvisado_ = false;
        return true;
    } catch (const Error& e) {
        razon = e.message();
    }
    qCCritical(lcJournal).noquote() << nuevos.size() << "events not journaled:" << razon;
    try {
        if (!dbDirecta_.isValid())
            conecta(dbDirecta_);
        inserta(dbDirecta_, nuevos, false);
        if (!std::exchange(sinDiarioAvisado_, true))
            avisa(Estado::SinDiario, razon, static_cast<int>(nuevos.size()));
        return true;
    } catch (const Error& e) {
        // A connection that failed is made anew next time.
        Db::disconnect(dbDirecta_);
        dbDirecta_ = QSqlDatabase();
        razon += QStringLiteral("; ") + e.message();
    }
    qCCritical(lcJournal).noquote() << nuevos.size() << "events not kept:" << razon;
    if (!std::exchange(noGuardadosAvisado_, true))
        avisa(Estado::NoGuardados, razon, static_cast<int>(nuevos.size()));
    return false;
}

// The first entry the log does not hold: entries are in number order.
std::deque<AsientoDiario>::const_iterator
EscritorDiario::noEnLog(const std::deque<AsientoDiario>& asientos) const {
    const qint64 enLog = enLog_;
    return std::partition_point(asientos.begin(), asientos.end(),
                                [enLog](const AsientoDiario& a) { return a.secuencia <= enLog; });
}

// ---- log thread

void EscritorDiario::bucleLog() {
    auto proximo = std::chrono::steady_clock::now();
    for (;;) {
        bool parar = false;
        {
            std::unique_lock l(mutex_);
            const auto listo = [this] { return nuevos_ || pararLog_; };
            // A log that refuses is tried again on its period, not at every event.
            if (rechazando_)
                cvLog_.wait_until(l, proximo, [this] { return pararLog_; });
            else
                cvLog_.wait(l, listo);
            nuevos_ = false;
            parar = pararLog_;
        }
        if (!rechazando_ || parar || std::chrono::steady_clock::now() >= proximo) {
            if (vuelca()) {
                std::lock_guard l(diarioMutex_);
                if (!recortado_ || diario_->asientos().size() >= RECORTE) {
                    recortado_ = true;
                    try {
                        diario_->recorta(enLog_);
                    } catch (const Error& e) {
                        qCWarning(lcJournal).noquote() << "journal not trimmed:" << e.message();
                    }
                }
            } else {
                proximo =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(timings().journalRetryMs);
            }
        }
        cuenta();
        if (parar)
            break;
    }
    if (db_.isValid())
        Db::disconnect(db_);
}

void EscritorDiario::conecta(QSqlDatabase& db) const {
    if (db.isValid())
        Db::disconnect(db);
    db = Db::connect(dbPath_);
}

bool EscritorDiario::vuelca() {
    try {
        // A server that went away leaves a connection that fails for good.
        if (!db_.isValid() || rechazando_)
            conecta(db_);
        if (enLog_ < 0)
            enLog_ =
                Db::scalar(db_, QStringLiteral("select secuencia from dorqdiario where consola = :consola"),
                           {{QStringLiteral("consola"), diario_->identidad()}})
                    .toLongLong();
        for (;;) {
            // A batch is copied out so that the journal thread appends while the log writes.
            std::vector<AsientoDiario> lote;
            {
                std::lock_guard l(diarioMutex_);
                const auto& asientos = diario_->asientos();
                for (auto it = noEnLog(asientos); it != asientos.end() && lote.size() < LOTE; ++it)
                    lote.push_back(*it);
            }
            if (lote.empty())
                break;
            inserta(db_, lote, true);
            enLog_ = lote.back().secuencia;
            if (avisado_)
                recuperados_ += static_cast<int>(lote.size());
            cuenta();
        }
    } catch (const Error& e) {
        qCWarning(lcJournal).noquote() << "the log refuses events:" << e.message();
        rechazando_ = true;
        if (!avisado_) {
            avisado_ = true;
            cuenta();
            avisa(Estado::Rechaza, e.message(), pendientes_.load());
        }
        return false;
    }
    rechazando_ = false;
    if (avisado_) {
        avisado_ = false;
        qCInfo(lcJournal) << "the log takes events again:" << recuperados_ << "replayed";
        avisa(Estado::AlDia, QString(), recuperados_);
    }
    recuperados_ = 0;
    return true;
}

void EscritorDiario::inserta(QSqlDatabase& db, const std::vector<AsientoDiario>& asientos, bool marca) {
    if (asientos.empty())
        return;
    if (!db.transaction())
        raise(db.lastError(), QStringLiteral("start transaction"));
    try {
        for (const auto& a : asientos)
            Inserta_Asiento(db, a);
        // The same transaction says how far the log holds the journal: a replay never doubles.
        if (marca)
            Db::exec(db,
                     QStringLiteral("UPDATE OR INSERT INTO dorqdiario(consola, secuencia) "
                                    "VALUES(:consola, :secuencia) MATCHING (consola)"),
                     {{QStringLiteral("consola"), diario_->identidad()},
                      {QStringLiteral("secuencia"), asientos.back().secuencia}});
        if (!db.commit())
            raise(db.lastError(), QStringLiteral("commit"));
    } catch (...) {
        db.rollback();
        throw;
    }
}

// Events taken that the log does not hold yet: waiting for the journal, or in it past the mark.
void EscritorDiario::cuenta() {
    std::size_t enDiario = 0;
    {
        std::lock_guard l(diarioMutex_);
        const auto& asientos = diario_->asientos();
        enDiario = static_cast<std::size_t>(asientos.end() - noEnLog(asientos));
    }
    std::lock_guard l(mutex_);
    pendientes_ = static_cast<int>(cola_.size() + enDiario);
}

void EscritorDiario::avisa(Estado estado, const QString& razon, int eventos) {
    if (!aviso_)
        return;
    QMetaObject::invokeMethod(
        &contexto_, [aviso = aviso_, estado, razon, eventos] { aviso(estado, razon, eventos); },
        Qt::QueuedConnection);
}

} // namespace kestrum::store
