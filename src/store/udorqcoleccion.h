// Base of every store: a whole table held in memory, loaded over the store's own connection, with
// one cursor shared by every caller.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <memory>
#include <vector>

namespace kestrum::store {

class DORQSistema;

class DORQColeccion {
public:
    // Opens the store's own connection to the installation database; raises DbError.
    DORQColeccion(DORQSistema* installation, const QString& dbPath);
    virtual ~DORQColeccion();
    DORQColeccion(const DORQColeccion&) = delete;
    DORQColeccion& operator=(const DORQColeccion&) = delete;

    virtual void Carga() = 0;
    virtual int Cuenta() const = 0;

    void Primero() { cursor_ = 0; }
    bool Fin() const { return cursor_ >= Cuenta(); }
    void Siguiente() { ++cursor_; }
    int Cursor() const { return cursor_; }

    // Takes effect at the next Carga.
    void Fija_Orden(const QString& orden) { orden_ = orden; }
    const QString& Orden() const { return orden_; }

    DORQSistema* Instalacion() const { return installation_; }
    const QSqlDatabase& db() const { return db_; }
    const QString& dbPath() const { return dbPath_; }
    void Cierra(); // closes the store's connection

protected:
    // Item i of `items`, or the item at the cursor for -1; null when out of range.
    template <class T> std::shared_ptr<T> item(const std::vector<std::shared_ptr<T>>& items, int i) const {
        const int index = i == -1 ? cursor_ : i;
        if (index < 0 || index >= static_cast<int>(items.size()))
            return nullptr;
        return items[static_cast<std::size_t>(index)];
    }

    QString orden_;
    int cursor_ = 0;

private:
    DORQSistema* installation_;
    QString dbPath_;
    QSqlDatabase db_;
};

} // namespace kestrum::store
