// DORQComunicador: one door controller as a device. Owns the controller's link, offers one
// operation per controller command and decodes the controller's event frames.
#pragma once

#include "vorna.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace kestrum::link {

struct TTest_Informacion {
    QString Estado;
    QString T_Abrepuertas;
    QString T_Puerta_Abierta;
    int Version = 0;
    QString Num_Tarjetas;
    int Ok = 0;
};

struct TEventoInformacion {
    int Tipo = 0;
    QString Codigo_Acceso;
    QString Codigo_Puerta;
    QString Tarjeta_Hex;
    QString Puerto;
    QDateTime Llegada;     // when the frame was read; invalid for an event not from a link
    bool Guardado = false; // kept on disk before its acknowledgement
};

// Card text to its five wire bytes. Card codes are 1 to 10 digits: decimal for the BCD form,
// hexadecimal for the hex form; anything else is refused.
std::optional<QByteArray> Tarjeta_A_BCD(const QString& card);
std::optional<QByteArray> Tarjeta_A_Hex(const QString& card);
// Wire bytes back to text: two upper-case hex digits a byte.
QString Bytes_A_Texto(const QByteArray& bytes);

class DORQComunicador : public QObject {
    Q_OBJECT
public:
    using TOnIncidencia = std::function<void(DORQComunicador* sender, const TEventoInformacion& info)>;
    // Keeps a decoded event on disk and settles it through `acuse` (see tvorna::Guardian).
    using TGuardian =
        std::function<void(DORQComunicador* sender, const TEventoInformacion& info, tvorna::Acuse acuse)>;
    using TextLookup = std::function<QString(const QString& key)>;
    using TOnPuertoPerdido = std::function<void(const QString& message)>;
    // A command starts (`waiting`) or ends on some controller's link: the console shows it.
    using Espera = std::function<void(DORQComunicador* link, quint8 command, bool waiting)>;

    static constexpr quint8 DIRECCION_LECTOR = CONTROLLER_ADDRESS;

    // One command as data: what goes on the wire and the pause the controller needs before it.
    // An order built from input the command refuses (a card that is not 1 to 10 digits, a door
    // time above 99) is not valid: it counts as a failure and never touches the link.
    struct Orden {
        quint8 comando = 0;
        QByteArray datos;
        quint8 destino = DIRECCION_LECTOR;
        int pausaMs = 0;
        bool valida = true;
    };
    static Orden Orden_Testear();
    static Orden Orden_Fijar_Tiempos(int cierre, int abierta);
    static Orden Orden_Master();
    static Orden Orden_Lote(const QString& card, bool last);
    static Orden Orden_Enviar(const QString& card);
    static Orden Orden_Borrar(const QString& card);
    static Orden Orden_Vaciar();
    static Orden Orden_Leer(quint16 position);

    // Replies read back. An empty reply (no answer, an invalid order) reads as a failure.
    static TTest_Informacion Decodifica_Test(const Trama_GenVorna& reply);
    static bool Confirmado(const Trama_GenVorna& reply); // code 6, or a lone ACK
    static bool Decodifica_Master(const Trama_GenVorna& reply);
    static QString Decodifica_Lectura(const Trama_GenVorna& reply); // empty: not read

    // Runs the order's transaction without its pause: the caller keeps the gap before it. `done` is
    // called exactly once, at once (before Inicia returns) for an invalid order, a closed port or a
    // link that is running another transaction.
    void Inicia(const Orden& orden, tvorna::Completion done);
    // The synchronous form: the blocking pause, then the same transaction.
    Trama_GenVorna Ejecuta(const Orden& orden);

    explicit DORQComunicador(QObject* owner = nullptr);

    // Texts of the controller's state codes; until the language texts are loaded the key is the text.
    static void setTextLookup(TextLookup lookup);
    static void setOnEspera(Espera espera);
    static QString Texto_Estado(int code);

    void Fijar_Puerto(const QString& puerto) { puerto_ = puerto; }
    QString Puerto() const { return puerto_; }
    bool Conectar(); // raises kestrum::Error when the port cannot be opened
    void Fijar_Conectado(bool on);
    bool Conectado() const { return conectado_; }
    void Desconectar();

    void Activar_Incidencias();
    void Desactivar_Incidencias();
    // Delivery held (an operation talks to the controllers) or given back; events stay queued.
    void Retener_Incidencias(bool on) { link_.Retener_Incidencias(on); }
    // Every event is kept through `g` before its acknowledgement; none (nullptr) acknowledges at once.
    void setGuardian(TGuardian g);
    void setOnIncidencia(TOnIncidencia h) { onIncidencia_ = std::move(h); }
    bool tieneOnIncidencia() const { return static_cast<bool>(onIncidencia_); }
    // The port failed under the controller (it is closed by then, and Conectado() false).
    void setOnPuertoPerdido(TOnPuertoPerdido h) { onPuertoPerdido_ = std::move(h); }

    void Testear(TTest_Informacion& info);
    bool Fijar_Tiempos(int cierre, int abierta);
    bool Tarjeta_Master();
    bool Enviar_Tarjeta_Lote(const QString& card, bool last);
    bool Enviar_Tarjeta(const QString& card);
    bool Borrar_Tarjeta(const QString& card);
    bool Vaciar_Tarjetas();
    QString Leer_Tarjeta(quint16 position);

    void Decodificar_Incidencia(QObject* sender, const Trama_GenVorna& frame,
                                const tvorna::Llegada& llegada = {});
    // The event a frame reports; Tipo 0 for a frame that reports none.
    TEventoInformacion Decodifica(const Trama_GenVorna& frame) const;

    tvorna& link() { return link_; }
    quint8 Direccion_Lector() const { return direccionLector_; }

private:
    tvorna link_;
    quint8 direccionLector_ = DIRECCION_LECTOR;
    QString puerto_;
    bool conectado_ = false;
    TOnIncidencia onIncidencia_;
    TOnPuertoPerdido onPuertoPerdido_;
};

} // namespace kestrum::link

Q_DECLARE_METATYPE(kestrum::link::TEventoInformacion)
