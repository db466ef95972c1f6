#include "arranque.h"

#include "F_Contr_NEW.h"
#include "F_Delete_Confirm.h"
#include "F_Login_APP.h"
#include "F_Muestra_Delete.h"
#include "F_Muestra_recepcion.h"
#include "F_Pregunta_Eliminar.h"
#include "Fr_Clone_Controller.h"
#include "Fr_edit_controller.h"
#include "Lang.h"
#include "UF_Gestion_BD.h"
#include "UF_Main.h"
#include "UF_Nuevo_login.h"
#include "UF_Pregunta_elimina_tarj.h"
#include "UF_User_Muestra.h"
#include "Variables.h"
#include "consola.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "errores.h"
#include "portmap.h"
#include "udorqcomunicador.h"

#include <ctime>

namespace kestrum::ui {

namespace {

// What the settings decide below the windows: the database server, the serial devices and the
// texts of the controllers' state codes.
void conectaEntorno() {
    const auto& v = config::Variables::instance();
    store::Db::prepareEnvironment(config::DataRoot::file(QStringLiteral("firebird-lock")));
    store::Db::setServer({v.databaseHost(), v.databaseUser(), v.databasePassword()});
    link::PortMap::setResolver([](int port) { return config::Variables::instance().serialDevice(port); });
    link::DORQComunicador::setTextLookup(
        [](const QString& key) { return config::Lang::instance().mensaje(key); });
}

} // namespace

Ventanas::~Ventanas() {
    // The windows go before the installation they show.
    cloneController.reset();
    muestraRecep.reset();
    editController.reset();
    contrN.reset();
    nuevoLogin.reset();
    userMuestra.reset();
    preguntaEliminaTarj.reset();
    preguntaElimina.reset();
    muestraDel.reset();
    deleteConf.reset();
    main.reset();
    gestion.reset();
    login.reset();
}

// Every timestamp a store loads is local wall-clock time; without TZ, glibc looks at /etc/localtime
// again for each conversion (a file system call per date, 40,000 of them per cards load).
static void zonaHorariaFija() {
    if (qEnvironmentVariableIsEmpty("TZ")) {
        qputenv("TZ", ":/etc/localtime");
        ::tzset();
    }
}

std::unique_ptr<Ventanas> creaVentanas() {
    zonaHorariaFija();
    auto v = std::make_unique<Ventanas>();
    v->login = std::make_unique<F_Login>();
    v->login->FormCreate();
    conectaEntorno();
    v->gestion = std::make_unique<F_Gestion_BD>();
    v->gestion->FormCreate();
    v->main = std::make_unique<F_Main>();
    v->main->setVentanas(v.get());
    v->login->setMain(v->main.get());
    protegido([&] { v->main->FormCreate(); });
    // The windows that later work needs, in their order of creation.
    v->deleteConf = std::make_unique<F_Delete_Conf>(v->main.get());
    v->deleteConf->FormCreate();
    v->muestraDel = std::make_unique<F_Muestra_Del>(v->main.get());
    v->muestraDel->FormCreate();
    v->preguntaElimina = std::make_unique<F_Pregunta_Elimina>(v->main.get());
    v->preguntaElimina->FormCreate();
    v->preguntaEliminaTarj = std::make_unique<F_Pregunta_elimina_tarj>(v->main.get());
    v->preguntaEliminaTarj->FormCreate();
    v->userMuestra = std::make_unique<F_User_Muestra>(v->main.get());
    v->userMuestra->FormCreate();
    v->nuevoLogin = std::make_unique<F_Nuevo_login>(v->main.get());
    v->nuevoLogin->FormCreate();
    v->contrN = std::make_unique<F_Contr_N>(v->main.get());
    v->contrN->FormCreate();
    v->editController = std::make_unique<F_edit_controller>(v->main.get());
    v->editController->FormCreate();
    v->cloneController = std::make_unique<F_Clone_Controller>(v->main.get());
    v->cloneController->FormCreate();
    v->muestraRecep = std::make_unique<F_Muestra_recep>(v->main.get());
    v->muestraRecep->FormCreate();
    return v;
}

} // namespace kestrum::ui
