// DORQColeccionControlador: the installation's controllers, and the statements on all card
// assignments of one controller.
#pragma once

#include "udorqcoleccion.h"

#include <QString>
#include <memory>
#include <vector>

namespace kestrum::store {

class DORQControlador;

class DORQColeccionControlador : public DORQColeccion {
public:
    // Connects and loads; raises DbError.
    DORQColeccionControlador(DORQSistema* installation, const QString& dbPath);
    ~DORQColeccionControlador() override;

    // Closes the links of the entities it replaces; the new ones have none until Conecta.
    void Carga() override;
    int Cuenta() const override { return static_cast<int>(items_.size()); }
    std::shared_ptr<DORQControlador> Controlador(int i = -1) const { return item(items_, i); }

    bool Existe_Controlador(const QString& cod);
    bool Existe_Puerto(const QString& puerto);
    // Stores cod, puerto_serie and descripcion; tipo is written "Null".
    void Crea_Controlador(const DORQControlador& controlador);
    // Writes tipo and descripcion.
    void Modifica_Controlador(const DORQControlador& controlador);
    // The controller's assignments stay.
    void Borra_Controlador(const DORQControlador& controlador);

    // In memory: the first item with that number, or null.
    std::shared_ptr<DORQControlador> Busca_Controlador(int cod) const;
    std::shared_ptr<DORQControlador> Busca_Por_Puerto(int puerto) const;

    // Assignments of one controller; no store is reloaded.
    void Borra_Asignacion(const DORQControlador& controlador, const QString& codigoTarjeta);
    void Borra_Asignaciones(const DORQControlador& controlador);
    void Marca_Asignaciones(const DORQControlador& controlador, bool almacenada);

private:
    std::vector<std::shared_ptr<DORQControlador>> items_;
};

} // namespace kestrum::store
