#include "udorqcomunicador.h"

#include "portmap.h"

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

DORQComunicador::TextLookup& textLookup() {
    static DORQComunicador::TextLookup lookup;
    return lookup;
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
    link_.setVelocidad(VELOCIDAD);
    link_.setOnPortLost([this](const QString& message) {
        conectado_ = false;
        if (onPuertoPerdido_)
            onPuertoPerdido_(message);
    });
}

void DORQComunicador::setTextLookup(TextLookup lookup) {
    textLookup() = std::move(lookup);
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
    return textLookup() ? textLookup()(key) : key;
}

bool DORQComunicador::Conectar() {
    link_.setPortName(PortMap::device(puerto_));
    link_.setOnVORNARecibedNotDemandRxInc(
        [this](QObject* sender, const Trama_GenVorna& frame) { Decodificar_Incidencia(sender, frame); });
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

Trama_GenVorna DORQComunicador::command(quint8 cmd, const QByteArray& data, quint8 destination) {
    Trama_GenVorna reply = emptyTrama();
    link_.Borrar_Datos();
    link_.Anyadir_Datos(data);
    if (espera())
        espera()(this, cmd, true);
    link_.Enviar_Comando(cmd, 1, destination, reply);
    if (espera())
        espera()(this, cmd, false);
    return reply;
}

// A lone ACK reads as reply code 6 and so counts as success.
bool DORQComunicador::acknowledged(quint8 cmd, const QByteArray& data) {
    return command(cmd, data, direccionLector_)[1] == ACK;
}

void DORQComunicador::Testear(TTest_Informacion& info) {
    pause(50);
    info = TTest_Informacion{};
    const Trama_GenVorna r = command(CMD_TESTEAR, {}, DIRECCION_LECTOR);
    // Any frame with at least one data byte counts as an answer; the reply code is not examined.
    if (r[1] == FILLER || r[2] == FILLER)
        return;
    info.Estado = Texto_Estado(r[2]);
    info.T_Abrepuertas = hexByte(r[3]);
    info.T_Puerta_Abierta = hexByte(r[4]);
    info.Version = r[5];
    info.Num_Tarjetas = QString::number(r[6] * 256 + r[7]);
    info.Ok = 1;
}

bool DORQComunicador::Fijar_Tiempos(int cierre, int abierta) {
    pause(200);
    if (cierre < 0 || cierre > 99 || abierta < 0 || abierta > 99)
        return false;
    QByteArray data;
    data.append(static_cast<char>(cierre));
    data.append(static_cast<char>(abierta));
    return acknowledged(CMD_FIJAR_TIEMPOS, data);
}

bool DORQComunicador::Tarjeta_Master() {
    pause(200);
    const Trama_GenVorna r = command(CMD_MASTER, {}, direccionLector_);
    return r[1] == REPLY_MASTER && r[2] == 1;
}

bool DORQComunicador::Enviar_Tarjeta_Lote(const QString& card, bool last) {
    pause(100);
    const auto bcd = Tarjeta_A_BCD(card);
    if (!bcd)
        return false;
    return acknowledged(CMD_LOTE, QByteArray(1, last ? '\x01' : '\x00') + *bcd);
}

bool DORQComunicador::Enviar_Tarjeta(const QString& card) {
    pause(100);
    const auto bcd = Tarjeta_A_BCD(card);
    return bcd && acknowledged(CMD_ENVIAR, *bcd);
}

bool DORQComunicador::Borrar_Tarjeta(const QString& card) {
    pause(100);
    const auto bytes = Tarjeta_A_Hex(card);
    return bytes && acknowledged(CMD_BORRAR, *bytes);
}

bool DORQComunicador::Vaciar_Tarjetas() {
    pause(100);
    return acknowledged(CMD_VACIAR, {});
}

QString DORQComunicador::Leer_Tarjeta(quint16 position) {
    pause(200);
    QByteArray data;
    data.append(static_cast<char>(position >> 8));
    data.append(static_cast<char>(position & 0xFF));
    const Trama_GenVorna r = command(CMD_LEER, data, direccionLector_);
    if (r[1] != REPLY_CARD)
        return {};
    return hexFrom(r, 2).left(10);
}

void DORQComunicador::Decodificar_Incidencia(QObject*, const Trama_GenVorna& frame) {
    const Trama_GenVorna t = frame;
    TEventoInformacion info;
    info.Puerto = puerto_;
    if (t[0] == FILLER)
        return;
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
    if (onIncidencia_ && info.Tipo >= 1 && info.Tipo <= 6)
        onIncidencia_(this, info);
}

} // namespace kestrum::link
