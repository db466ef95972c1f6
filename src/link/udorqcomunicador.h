// DORQComunicador: one door controller as a device. Owns the controller's link, offers one
// operation per controller command and decodes the controller's event frames.
#pragma once

#include "vorna.h"

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
    using TextLookup = std::function<QString(const QString& key)>;
    using TOnPuertoPerdido = std::function<void(const QString& message)>;
    // A command starts (`waiting`) or ends on some controller's link: the console shows it.
    using Espera = std::function<void(DORQComunicador* link, quint8 command, bool waiting)>;

    static constexpr quint8 DIRECCION_LECTOR = CONTROLLER_ADDRESS;
    static constexpr int VELOCIDAD = 350;

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

    void Decodificar_Incidencia(QObject* sender, const Trama_GenVorna& frame);

    tvorna& link() { return link_; }
    quint8 Direccion_Lector() const { return direccionLector_; }

private:
    Trama_GenVorna command(quint8 command, const QByteArray& data, quint8 destination);
    bool acknowledged(quint8 command, const QByteArray& data);

    tvorna link_;
    quint8 direccionLector_ = DIRECCION_LECTOR;
    QString puerto_;
    bool conectado_ = false;
    TOnIncidencia onIncidencia_;
    TOnPuertoPerdido onPuertoPerdido_;
};

} // namespace kestrum::link

Q_DECLARE_METATYPE(kestrum::link::TEventoInformacion)
