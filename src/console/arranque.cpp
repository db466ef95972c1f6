#include "arranque.h"

#include "FR_Error_insert.h"
#include "F_Contr_NEW.h"
#include "F_Delete_Confirm.h"
#include "F_Login_APP.h"
#include "F_Muestra_Delete.h"
#include "F_Muestra_recepcion.h"
#include "F_Pregunta_Eliminar.h"
#include "Fr_Clone_Controller.h"
#include "Fr_Exp_imp.h"
#include "Fr_edit_controller.h"
#include "Fr_imp_XLS.h"
#include "Lang.h"
#include "UF_Auditoria.h"
#include "UF_Camera_Control.h"
#include "UF_Edit_User.h"
#include "UF_Editar_Card.h"
#include "UF_Gestion_BD.h"
#include "UF_Lector_ES.h"
#include "UF_Main.h"
#include "UF_New_Camera.h"
#include "UF_New_Card.h"
#include "UF_Nuevo_Usr.h"
#include "UF_Nuevo_login.h"
#include "UF_Parametros_app.h"
#include "UF_Pregunta_elimina_tarj.h"
#include "UF_Presencia_Amplia.h"
#include "UF_Presencia_Estancia.h"
#include "UF_Send_Card.h"
#include "UF_User_Muestra.h"
#include "UFr_recv_users.h"
#include "Variables.h"
#include "avisos.h"
#include "consola.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "errores.h"
#include "portmap.h"
#include "schema.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcomunicador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

#include <QApplication>
#include <ctime>

namespace kestrum::ui {

namespace {

// "Waiting for reader 2 (Door B): store card": the reader found by its link in the open installation.
void muestraEspera(link::DORQComunicador* comunicador, quint8 comando, bool esperando) {
    if (!esperando) {
        Avisos::instance().publicaEspera(QString());
        return;
    }
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    store::DORQColeccionControlador* lectores = sistema->Controladores();
    for (int i = 0; i < lectores->Cuenta(); ++i) {
        const auto c = lectores->Controlador(i);
        if (c->Comunicador() != comunicador)
            continue;
        Avisos::instance().publicaEspera(textoAviso(
            QStringLiteral("KS_Waiting"), {QString::number(c->cod()), c->descripcion(),
                                           textoAviso(QStringLiteral("KS_Command_%1").arg(comando))}));
        return;
    }
}

// What the settings decide below the windows: the database server, the serial devices and the
// texts of the controllers' state codes.
void conectaEntorno() {
    const auto& v = config::Variables::instance();
    store::Db::prepareEnvironment(config::DataRoot::file(QStringLiteral("firebird-lock")));
    store::schema::useSettings(v.database());
    link::PortMap::setResolver([](int port) { return config::Variables::instance().serialDevice(port); });
    link::DORQComunicador::setTextLookup(
        [](const QString& key) { return config::Lang::instance().mensaje(key); });
    link::DORQComunicador::setOnEspera(muestraEspera);
}

} // namespace

Ventanas::~Ventanas() {
    // The windows go before the installation they show, in the reverse order of their creation.
    auditoria.reset();
    presenciaEstancia.reset();
    userMuestra.reset();
    presenciaAmplia.reset();
    lectorES.reset();
    newCamera.reset();
    cameraControl.reset();
    parametros.reset();
    editUser.reset();
    impXLS.reset();
    expImp.reset();
    recvUsers.reset();
    nuevoLogin.reset();
    editarCard.reset();
    errorInsert.reset();
    preguntaEliminaTarj.reset();
    newCard.reset();
    sendCard.reset();
    preguntaElimina.reset();
    muestraDel.reset();
    deleteConf.reset();
    muestraRecep.reset();
    cloneController.reset();
    editController.reset();
    contrN.reset();
    nuevoUsr.reset();
    main.reset();
    gestion.reset();
    login.reset();
}

namespace {

template <class W> void crea(std::unique_ptr<W>& slot, F_Main* main) {
    slot = std::make_unique<W>(main);
    slot->FormCreate();
}

} // namespace

// Every timestamp a store loads is local wall-clock time; without TZ, glibc looks at /etc/localtime
// again for each conversion (a file system call per date, 40,000 of them per cards load).
static void zonaHorariaFija() {
    if (qEnvironmentVariableIsEmpty("TZ")) {
        qputenv("TZ", ":/etc/localtime");
        ::tzset();
    }
}

void alRecibirSenyal(Ventanas* ventanas) {
    if (ventanas && ventanas->main) {
        ventanas->main->close();
        return;
    }
    // Before the event loop runs, quitting does nothing: the question itself is closed.
    if (QWidget* pregunta = QApplication::activeModalWidget())
        pregunta->close();
}

std::unique_ptr<Ventanas> creaVentanas() {
    zonaHorariaFija();
    config::DataRoot::checkUsable();
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
    F_Main* m = v->main.get();
    crea(v->nuevoUsr, m);
    crea(v->contrN, m);
    crea(v->editController, m);
    crea(v->cloneController, m);
    crea(v->muestraRecep, m);
    crea(v->deleteConf, m);
    crea(v->muestraDel, m);
    crea(v->preguntaElimina, m);
    crea(v->sendCard, m);
    crea(v->newCard, m);
    crea(v->preguntaEliminaTarj, m);
    crea(v->errorInsert, m);
    crea(v->editarCard, m);
    crea(v->nuevoLogin, m);
    crea(v->recvUsers, m);
    crea(v->expImp, m);
    crea(v->impXLS, m);
    crea(v->editUser, m);
    crea(v->parametros, m);
    crea(v->cameraControl, m);
    // Over the camera window, which stays on top.
    v->newCamera = std::make_unique<F_New_Camera>(v->cameraControl.get());
    v->newCamera->FormCreate();
    v->cameraControl->setNuevaCamara(v->newCamera.get());
    crea(v->lectorES, m);
    crea(v->presenciaAmplia, m);
    crea(v->userMuestra, m);
    crea(v->presenciaEstancia, m);
    crea(v->auditoria, m);
    v->auditoria->setProgreso(v->muestraRecep.get());
    v->cloneController->setProgreso(v->muestraRecep.get());
    v->gestion->setConfirmacion(v->deleteConf.get());
    v->expImp->setImportacion(v->impXLS.get());
    v->sendCard->setProgreso(v->muestraRecep.get());
    v->recvUsers->setProgreso(v->muestraRecep.get());
    m->conectaDialogos();
    return v;
}

} // namespace kestrum::ui
