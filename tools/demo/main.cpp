// kestrum-demo-setup: prepares a data root for the demonstration: the databases as a first run
// makes them, an installation holding two readers, a few holders and cards, and settings that map
// the readers' ports to the simulator's pseudo-terminals.
#include "Variables.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "inifile.h"
#include "kerror.h"
#include "schema.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

using namespace kestrum;

namespace {

const char* const DEMO_ROWS[] = {
    "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(1,1,'Main entrance','ENTRADA')",
    "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(2,2,'Warehouse door','SALIDA')",
    "INSERT INTO DORQUSUARIO VALUES(gen_id(GEN_DORQUSUARIO_ID,1),'Ana','Ruiz Gil','S','')",
    "INSERT INTO DORQUSUARIO VALUES(gen_id(GEN_DORQUSUARIO_ID,1),'Luis','Martín','S','')",
    "INSERT INTO DORQUSUARIO VALUES(gen_id(GEN_DORQUSUARIO_ID,1),'Sean','O''Neill','S','')",
    "INSERT INTO DORQTARJETA VALUES('0012345678','N',current_timestamp,current_timestamp,1,'N')",
    "INSERT INTO DORQTARJETA VALUES('0012345679','N',current_timestamp,current_timestamp,2,'N')",
    "INSERT INTO DORQTARJETA VALUES('0012345680','N',current_timestamp,current_timestamp,3,'N')",
    "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345678',1,'S')",
    "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345678',2,'S')",
    "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345679',1,'S')",
    "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345680',2,'S')",
};

void seed() {
    store::Db::prepareEnvironment(config::DataRoot::file(QStringLiteral("firebird-lock")));
    store::Prepara_Ficheros_BD(config::DataRoot::bdks());
    QSqlDatabase db =
        store::Db::connect(config::DataRoot::bdks() + QLatin1Char('/') + store::schema::installationFile(1));
    const bool empty =
        store::Db::scalar(db, QStringLiteral("SELECT COUNT(*) FROM DORQCONTROLADOR")).toInt() == 0;
    if (empty) {
        for (const char* sql : DEMO_ROWS)
            store::Db::exec(db, QString::fromUtf8(sql));
    }
    store::Db::disconnect(db);
}

// The simulator's cards match the demo's "S" rows, so the test shows equal counts.
void settings(const QStringList& devices) {
    const QString path = config::Variables::fileName();
    config::IniFile ini(path);
    if (ini.value(QStringLiteral("General"), QStringLiteral("Idioma")).isEmpty())
        ini.setValue(QStringLiteral("General"), QStringLiteral("Idioma"), QStringLiteral("ENGLISH"));
    for (int i = 0; i < devices.size(); ++i)
        ini.setValue(QStringLiteral("Serial"), QStringLiteral("COM%1").arg(i + 1), devices[i]);
    ini.save(path);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList devices = app.arguments().mid(1);
    if (devices.isEmpty()) {
        std::fputs("usage: kestrum-demo-setup DEVICE1 [DEVICE2 ...]  (XDG_DATA_HOME decides the data root)\n",
                   stderr);
        return 2;
    }
    try {
        seed();
        settings(devices);
    } catch (const Error& e) {
        std::fprintf(stderr, "kestrum-demo-setup: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("data root %s ready\n", qPrintable(config::DataRoot::path()));
    return 0;
}
