// DORQUsuario: one card holder.
#pragma once

#include "udorqentidad.h"
#include "udorqtarjeta.h"

#include <QString>

namespace kestrum::store {

class DORQColeccionUsuario;

class DORQUsuario : public DORQEntidad {
public:
    const QString& apellidos() const { return apellidos_; }
    void setApellidos(const QString& a) { apellidos_ = a; }
    const QString& nombre() const { return nombre_; }
    void setNombre(const QString& n) { nombre_ = n; }
    int id() const { return id_; }
    void setId(int id) { id_ = id; } // the store's, when loading
    const QString& fotografia() const { return fotografia_; }
    void setFotografia(const QString& f) { fotografia_ = f; }

    DORQColeccionUsuario* Coleccion() const { return store_; }
    void setColeccion(DORQColeccionUsuario* store) { store_ = store; }

    // "apellidos, nombre": how holders are listed and recorded with events.
    QString Nombre_Completo() const { return apellidos_ + QLatin1String(", ") + nombre_; }
    QString Texto() const override { return QString::number(id_); }

    // The holder's cards in cards-store order, every one marked not stored. Walks the cards store
    // with its cursor.
    TTarjetaLista Lista_Tarjetas() const;

private:
    QString apellidos_;
    QString nombre_;
    int id_ = -1;
    QString fotografia_;
    DORQColeccionUsuario* store_ = nullptr;
};

} // namespace kestrum::store
