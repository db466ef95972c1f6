#include "udorqcoleccion.h"

#include "dbconnection.h"

namespace kestrum::store {

DORQColeccion::DORQColeccion(DORQSistema* installation, const QString& dbPath)
    : installation_(installation), dbPath_(dbPath), db_(Db::connect(dbPath)) {}

DORQColeccion::~DORQColeccion() {
    Cierra();
}

void DORQColeccion::Cierra() {
    Db::disconnect(db_);
}

} // namespace kestrum::store
