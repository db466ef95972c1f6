#include "udorqcomunicador.h"

#include "portmap.h"
#include "timings.h"

#include <QEventLoop>
#include <QThread>

namespace kestrum::link {

namespace {

constexpr quint8 CMD_FIJAR_TIEMPOS = 26;
constexpr quint8 CMD_TESTEAR = 27;
constexpr quint8 CMD_MASTER = 29;
constexpr quint8 CMD_LOTE = 34;
constexpr quint8 CMD_BORRAR = 65;
constexpr quint8 CMD_VACIAR = 81;
constexpr quint8 CMD_ENVIAR = 97;
constexpr quint8 CMD_LEER = 113;

constexpr quint8 REPLY_TEST = 44;
constexpr quint8 REPLY_MASTER = 45;
constexpr quint8 REPLY_CARD = 47;

// The pauses are blocking sleeps taken before anything else; the controllers need them between commands.
void pause(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

DORQComunicador::Espera& espera() {
    static DORQComunicador::Espera hook;
    return hook;
}

int nibble(QChar c, int base) {
    const char ch = c.toLatin1();
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (base == 16 && ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

std::optional<QByteArray> cardBytes(const QString& card, int base) {
    if (card.isEmpty() || card.size() > 10)
        return std::nullopt;
    const QString padded = card.rightJustified(10, QLatin1Char('0')).toUpper();
    QByteArray out;
    for (int i = 0; i < 10; i += 2) {
        const int hi = nibble(padded[i], base);
        const int lo = nibble(padded[i + 1], base);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out.append(static_cast<char>(hi << 4 | lo));
    }
    return out;
}

// Two hex digits for each byte from `from` up to the first 0xFE filler.
QString hexFrom(const Trama_GenVorna& t, std::size_t from) {
    QByteArray bytes;
    for (std::size_t i = from; i < t.size() && t[i] != FILLER; ++i)
        bytes.append(static_cast<char>(t[i]));
    return Bytes_A_Texto(bytes);
}

QString hexByte(quint8 b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

std::optional<QByteArray> Tarjeta_A_BCD(const QString& card) {
    return cardBytes(card, 10);
}

std::optional<QByteArray> Tarjeta_A_Hex(const QString& card) {
    return cardBytes(card, 16);
}

QString Bytes_A_Texto(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// Creating and connecting take no pause: they only open a port, and every controller costs them at
// start and at each list refresh; the controllers get their pauses before each command.
DORQComunicador::DORQComunicador(QObject* owner) : QObject(owner) {
    link_.setActivar_NdemandRC(false);
    link_.Activar_T_Incidencias(false);
    link_.setVelocidad(timings().controllerReplyWaitMs);
    link_.setOnPortLost([this](const QString& message) {
        conectado_ = false;
        if (onPuertoPerdido_)
            onPuertoPerdido_(message);
    });
}

void DORQComunicador::setTextLookup(TextLookup lookup) {
    kestrum::link::setTextLookup(std::move(lookup));
}

void DORQComunicador::setOnEspera(Espera hook) {
    espera() = std::move(hook);
}

QString DORQComunicador::Texto_Estado(int code) {
    static const char* const keys[] = {"cambio_master",    "",
                                       "puerta_cerrada",   "anyadir_usuario",
                                       "borrar_usuario",   "t_abrepuertas",
                                       "t_puerta_abierta", "puerta_abierta"};
    if (code < 0 || code > 7 || code == 1)
        return {};
    const QString key = QString::fromLatin1(keys[code]);
    return texto(key);
}

bool DORQComunicador::Conectar() {
    link_.setPortName(PortMap::device(puerto_));
    link_.setOnVORNARecibedNotDemandRxInc(
        [this](QObject* sender, const Trama_GenVorna& frame, const tvorna::Llegada& llegada) {
            Decodificar_Incidencia(sender, frame, llegada);
        });
    link_.close();
    link_.open();
    return true;
}

void DORQComunicador::Fijar_Conectado(bool on) {
    if (on && !link_.isOpen())
        link_.open();
    if (!on)
        link_.close();
    conectado_ = on;
}

void DORQComunicador::Desconectar() {
    link_.close();
}

void DORQComunicador::Activar_Incidencias() {
    link_.setActivar_NdemandRC(true);
    link_.Activar_T_Incidencias(true);
}

void DORQComunicador::Desactivar_Incidencias() {
    link_.setActivar_NdemandRC(false);
    link_.Activar_T_Incidencias(false);
}

DORQComunicador::Orden DORQComunicador::Orden_Testear() {
    return {.comando = CMD_TESTEAR,
            .datos = {},
            .destino = DIRECCION_LECTOR,
            .pausaMs = timings().pauseTestMs,
            .valida = true};
}

DORQComunicador::Orden DORQComunicador::Orden_Fijar_Tiempos(int cierre, int abierta) {
    Orden o{.comando = CMD_FIJAR_TIEMPOS,
            .datos = {},
            .destino = DIRECCION_LECTOR,
            .pausaMs = timings().pauseTimesMs,
            .valida = true};
    o.valida = cierre >= 0 && cierre <= 99 && abierta >= 0 && abierta <= 99;
    if (o.valida) {
        o.datos.append(static_cast<char>(cierre));
        o.datos.append(static_cast<char>(abierta));
    }
    return o;
}

DORQComunicador::Orden DORQComunicador::Orden_Master() {
    return {.comando = CMD_MASTER,
            .datos = {},
            .destino = DIRECCION_LECTOR,
            .pausaMs = timings().pauseMasterMs,
            .valida = true};
}

namespace {

DORQComunicador::Orden cardOrder(quint8 command, const std::optional<QByteArray>& bytes,
                                 const QByteArray& prefix) {
    return {.comando = command,
            .datos = bytes ? prefix + *bytes : QByteArray(),
            .destino = DORQComunicador::DIRECCION_LECTOR,
            .pausaMs = timings().pauseCardMs,
            .valida = bytes.has_value()};
}

} // namespace

DORQComunicador::Orden DORQComunicador::Orden_Lote(const QString& card, bool last) {
    return cardOrder(CMD_LOTE, Tarjeta_A_BCD(card), QByteArray(1, last ? '\x01' : '\x00'));
}

DORQComunicador::Orden DORQComunicador::Orden_Enviar(const QString& card) {
    return cardOrder(CMD_ENVIAR, Tarjeta_A_BCD(card), {});
}

DORQComunicador::Orden DORQComunicador::Orden_Borrar(const QString& card) {
    return cardOrder(CMD_BORRAR, Tarjeta_A_Hex(card), {});
}

DORQComunicador::Orden DORQComunicador::Orden_Vaciar() {
    return {.comando = CMD_VACIAR,
            .datos = {},
            .destino = DIRECCION_LECTOR,
            .pausaMs = timings().pauseEmptyMs,
            .valida = true};
}

DORQComunicador::Orden DORQComunicador::Orden_Leer(quint16 position) {
    QByteArray data;
    data.append(static_cast<char>(position >> 8));
    data.append(static_cast<char>(position & 0xFF));
    return {.comando = CMD_LEER,
            .datos = data,
            .destino = DIRECCION_LECTOR,
            .pausaMs = timings().pauseReadMs,
            .valida = true};
}

TTest_Informacion DORQComunicador::Decodifica_Test(const Trama_GenVorna& r) {
    TTest_Informacion info;
    // Any frame with at least one data byte counts as an answer; the reply code is not examined.
    if (r[1] == FILLER || r[2] == FILLER)
        return info;
    info.Estado = Texto_Estado(r[2]);
    info.T_Abrepuertas = hexByte(r[3]);
    info.T_Puerta_Abierta = hexByte(r[4]);
    info.Version = r[5];
    info.Num_Tarjetas = QString::number(r[6] * 256 + r[7]);
    info.Ok = 1;
    return info;
}

// A lone ACK reads as reply code 6 and so counts as success.
bool DORQComunicador::Confirmado(const Trama_GenVorna& r) {
    return r[1] == ACK;
}

bool DORQComunicador::Decodifica_Master(const Trama_GenVorna& r) {
    return r[1] == REPLY_MASTER && r[2] == 1;
}

QString DORQComunicador::Decodifica_Lectura(const Trama_GenVorna& r) {
    if (r[1] != REPLY_CARD)
        return {};
    return hexFrom(r, 2).left(10);
}

void DORQComunicador::Inicia(const Orden& orden, tvorna::Completion done) {
    if (!orden.valida) {
        done(emptyTrama());
        return;
    }
    if (link_.Ocupado()) {
        // The payload belongs to the running transaction until it ends (its retries resend it).
        qCWarning(lcLink) << link_.portName() << "command" << orden.comando
                          << "refused: a transaction is running";
        done(emptyTrama());
        return;
    }
    link_.Borrar_Datos();
    link_.Anyadir_Datos(orden.datos);
    if (espera())
        espera()(this, orden.comando, true);
    link_.startCommand(orden.comando, 1, orden.destino,
                       [this, cmd = orden.comando, done = std::move(done)](const Trama_GenVorna& reply) {
                           if (espera())
                               espera()(this, cmd, false);
                           done(reply);
                       });
}

Trama_GenVorna DORQComunicador::Ejecuta(const Orden& orden) {
    pause(orden.pausaMs);
    Trama_GenVorna reply = emptyTrama();
    bool finished = false;
    QEventLoop loop;
    Inicia(orden, [&](const Trama_GenVorna& r) {
        reply = r;
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();
    return reply;
}

void DORQComunicador::Testear(TTest_Informacion& info) {
    info = Decodifica_Test(Ejecuta(Orden_Testear()));
}

bool DORQComunicador::Fijar_Tiempos(int cierre, int abierta) {
    return Confirmado(Ejecuta(Orden_Fijar_Tiempos(cierre, abierta)));
}

bool DORQComunicador::Tarjeta_Master() {
    return Decodifica_Master(Ejecuta(Orden_Master()));
}

bool DORQComunicador::Enviar_Tarjeta_Lote(const QString& card, bool last) {
    return Confirmado(Ejecuta(Orden_Lote(card, last)));
}

bool DORQComunicador::Enviar_Tarjeta(const QString& card) {
    return Confirmado(Ejecuta(Orden_Enviar(card)));
}

bool DORQComunicador::Borrar_Tarjeta(const QString& card) {
    return Confirmado(Ejecuta(Orden_Borrar(card)));
}

bool DORQComunicador::Vaciar_Tarjetas() {
    return Confirmado(Ejecuta(Orden_Vaciar()));
}

QString DORQComunicador::Leer_Tarjeta(quint16 position) {
    return Decodifica_Lectura(Ejecuta(Orden_Leer(position)));
}

void DORQComunicador::setGuardian(TGuardian g) {
    if (!g) {
        link_.setGuardian(nullptr);
        return;
    }
    link_.setGuardian(
        [this, g = std::move(g)](const Trama_GenVorna& frame, const QDateTime& llegada, tvorna::Acuse acuse) {
            TEventoInformacion info = Decodifica(frame);
            // A frame that reports no event has nothing to keep.
            if (info.Tipo < 1 || info.Tipo > 6) {
                acuse(true);
                return;
            }
            info.Llegada = llegada;
            info.Guardado = true;
            g(this, info, std::move(acuse));
        });
}

void DORQComunicador::Decodificar_Incidencia(QObject*, const Trama_GenVorna& frame,
                                             const tvorna::Llegada& llegada) {
    TEventoInformacion info = Decodifica(frame);
    info.Llegada = llegada.momento;
    info.Guardado = llegada.guardada;
    if (onIncidencia_ && info.Tipo >= 1 && info.Tipo <= 6)
        onIncidencia_(this, info);
}

TEventoInformacion DORQComunicador::Decodifica(const Trama_GenVorna& frame) const {
    const Trama_GenVorna& t = frame;
    TEventoInformacion info;
    info.Puerto = puerto_;
    if (t[0] == FILLER)
        return info;
    switch (t[1]) {
    case 0x31:
        info.Codigo_Acceso = hexByte(t[2]);
        info.Tipo = info.Codigo_Acceso == QLatin1String("01") ? 1 : 2;
        break;
    case 0x35:
        info.Tipo = 3;
        break;
    case 0x37:
        info.Codigo_Puerta = hexByte(t[2]);
        info.Tipo = 5;
        break;
    case 0x45:
        info.Tipo = 6;
        break;
    default:
        break;
    }
    info.Tarjeta_Hex = hexFrom(t, 3);
    return info;
}

} // namespace kestrum::link
