// DORQIncidencia: one recorded controller event.
#pragma once

#include "udorqentidad.h"

#include <QDateTime>
#include <QString>

namespace kestrum::store {

// The system's short date followed by its long time: how events and their times are shown.
QString Fecha_Hora_Texto(const QDateTime& t);

class DORQIncidencia : public DORQEntidad {
public:
    // In memory a sequence number; in the database the generator's value.
    int cod() const { return cod_; }
    void setCod(int cod) { cod_ = cod; }
    int controlador() const { return controlador_; }
    void setControlador(int controlador) { controlador_ = controlador; }
    // The whole card text of a card event (types 1 and 2), else empty.
    const QString& tarjeta() const { return tarjeta_; }
    void setTarjeta(const QString& tarjeta) { tarjeta_ = tarjeta; }
    // Type 1: the card's holder, or -1 when the card or its holder is unknown; 0 for other types.
    int usr() const { return usr_; }
    void setUsr(int usr) { usr_ = usr; }
    const QString& descripcion() const { return descripcion_; }
    void setDescripcion(const QString& descripcion) { descripcion_ = descripcion; }
    const QDateTime& TIMESTAMP() const { return timestamp_; }
    void setTIMESTAMP(const QDateTime& t) { timestamp_ = t; }
    QString TIMESTAMP_Texto() const { return Fecha_Hora_Texto(timestamp_); }
    const QString& hist_controlador() const { return hist_controlador_; }
    void setHist_controlador(const QString& h) { hist_controlador_ = h; }
    int evento() const { return evento_; }
    void setEvento(int evento) { evento_ = evento; }

private:
    int cod_ = 0;
    int controlador_ = 0;
    QString tarjeta_;
    int usr_ = 0;
    QString descripcion_;
    QDateTime timestamp_;
    QString hist_controlador_;
    int evento_ = 0;
};

} // namespace kestrum::store
