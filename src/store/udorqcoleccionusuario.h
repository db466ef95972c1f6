// DORQColeccionUsuario: the installation's card holders.
#pragma once

#include "udorqcoleccion.h"
#include "udorqtarjeta.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

namespace kestrum::store {

class DORQUsuario;

class DORQColeccionUsuario : public DORQColeccion {
public:
    // Connects and loads; raises DbError.
    DORQColeccionUsuario(DORQSistema* installation, const QString& dbPath);
    ~DORQColeccionUsuario() override;

    void Carga() override;
    int Cuenta() const override { return static_cast<int>(items_.size()); }
    std::shared_ptr<DORQUsuario> Usuario(int i = -1) const { return item(items_, i); }

    // In memory: the holder with that id, or null.
    std::shared_ptr<DORQUsuario> Busca_Usuario(int id) const;
    // The id of the first holder with exactly these names, or -1. Reloads the store.
    int Busca_Id(const QString& nombre, const QString& apellidos);

    // Inserts the holder and returns the id it was given; the entity passed in is left as it is.
    int Crea_Usuario(const DORQUsuario& usuario);
    bool Modifica_Usuario(const DORQUsuario& usuario);
    // The holder's cards keep their usuario value.
    void Borra_Usuario(const DORQUsuario& usuario);
    void Vacia_Usuarios();

    TTarjetaLista Lista_Tarjetas_Usuario(const DORQUsuario& usuario) const;

private:
    std::vector<std::shared_ptr<DORQUsuario>> items_;
    QHash<int, int> byId_; // id -> index of the first item with it
};

} // namespace kestrum::store
