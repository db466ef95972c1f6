// F_Main: the workflows that keep the database and the controllers' memories in step. An assignment
// row goes only after its controller confirmed the card left its memory; whatever a controller
// kept stays in the database unless the operator accepts the difference.
#include "FR_Error_insert.h"
#include "F_Contr_NEW.h"
#include "F_Delete_Confirm.h"
#include "F_Muestra_Delete.h"
#include "F_Pregunta_Eliminar.h"
#include "Fr_Clone_Controller.h"
#include "Fr_Exp_imp.h"
#include "Fr_edit_controller.h"
#include "Lang.h"
#include "UF_Edit_User.h"
#include "UF_Editar_Card.h"
#include "UF_Gestion_BD.h"
#include "UF_Lector_ES.h"
#include "UF_Main.h"
#include "UF_New_Card.h"
#include "UF_Nuevo_Usr.h"
#include "UF_Nuevo_login.h"
#include "UF_Parametros_app.h"
#include "UF_Pregunta_elimina_tarj.h"
#include "UF_Send_Card.h"
#include "UFr_recv_users.h"
#include "Variables.h"
#include "acuses.h"
#include "arranque.h"
#include "avisos.h"
#include "consola.h"
#include "dataroot.h"
#include "distribucion.h"
#include "errores.h"
#include "listas.h"
#include "operacion.h"
#include "timings.h"
#include "udorq.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"
#include "udorqserver.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"
#include "udorqusuario.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QScopeGuard>
#include <QThread>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace kestrum::ui {

namespace {

QString mensaje(int n) {
    return config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Main_%1").arg(n));
}

store::DORQSistema* sistemaAbierto() {
    return Consola::instance().sistema.get();
}

// Copies, in list order: a controller's reply wait lets the window rebuild its lists meanwhile.
std::vector<Fila> seleccionadas(const QTreeView* view) {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : view->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const auto* model = static_cast<const ModeloLista*>(view->model());
    std::vector<Fila> out;
    out.reserve(rows.size());
    for (int row : rows)
        out.push_back(model->fila(row));
    return out;
}

// The controller of the first selected row of the controllers list, or null.
std::shared_ptr<store::DORQControlador> controladorSeleccionado(store::DORQSistema& sistema,
                                                                const QTreeView* view) {
    const std::vector<Fila> filas = seleccionadas(view);
    if (filas.empty())
        return nullptr;
    return sistema.Controladores()->Busca_Controlador(filas.front().clave.toInt());
}

bool confirma(F_Delete_Conf& dialogo, const QString& pregunta) {
    dialogo.setTag(0);
    dialogo.Label1()->setText(pregunta);
    dialogo.exec();
    return dialogo.tag() == 1;
}

// Closing steps run from scope guards, possibly while an error unwinds: a step that fails itself is
// shown, never thrown out of the guard.
template <class F> void enTodoCaso(F&& paso) {
    protegido(std::forward<F>(paso));
}

void libera(store::DORQColeccionTarjeta& tarjetas, store::DORQTarjeta& tarjeta) {
    tarjeta.setUsuario(nullptr);
    tarjetas.Modifica_Tarjeta(tarjeta);
}

// One holder: its cards leave the controllers first. The holder goes when no card stayed in a
// controller, or when the operator accepts leaving such cards behind as free ones.
void borraUsuario(F_Main& main, store::DORQSistema& sistema, F_Pregunta_elimina_tarj& pregunta, int id) {
    store::DORQColeccionUsuario* usuarios = sistema.Usuarios();
    const auto usuario = usuarios->Busca_Usuario(id);
    if (!usuario)
        return;
    const store::TTarjetaLista suyas = usuario->Lista_Tarjetas();
    for (const store::TTarjetaAlmacenada& t : suyas)
        main.Borro_la_tarjeta_TODOS_CX(t.tarjeta);

    store::DORQColeccionTarjeta* tarjetas = sistema.Tarjetas();
    std::vector<std::shared_ptr<store::DORQTarjeta>> retenidas;
    for (const store::TTarjetaAlmacenada& t : suyas) {
        if (tarjetas->Tiene_Asignaciones(t.tarjeta->codigo_tarjeta()))
            retenidas.push_back(t.tarjeta);
        else
            libera(*tarjetas, *t.tarjeta);
    }
    if (!retenidas.empty()) {
        pregunta.setTag(0);
        pregunta.exec();
        if (pregunta.tag() != F_Pregunta_elimina_tarj::ACEPTADO)
            return;
        for (const auto& t : retenidas) {
            libera(*tarjetas, *t);
            tarjetas->Borra_Asignaciones_Tarjeta(*t);
        }
    }
    usuarios->Borra_Usuario(*usuario);
}

} // namespace

// ---------------------------------------------------------------- one card and its controllers

bool F_Main::Borro_la_tarjeta_TODOS_CX(const std::shared_ptr<store::DORQTarjeta>& tarjeta) {
    if (!tarjeta || !tarjeta->Coleccion())
        return false;
    const ops::TBorrado r = ops::Libera_Tarjeta(*tarjeta);
    if (!r.todos)
        avisaRetenida(tarjeta->codigo_tarjeta(), r.retenida);
    return r.todos;
}

void F_Main::Elimina_Tarjeta_Lectores(const QString& codigo) {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema)
        return;
    store::DORQColeccionTarjeta* tarjetas = sistema->Tarjetas();
    const auto tarjeta = tarjetas->Busca_Tarjeta(store::DORQTarjeta::Rellena_Codigo(codigo));
    if (!tarjeta)
        return;
    Borro_la_tarjeta_TODOS_CX(tarjeta);
    // The database decides, not the result above: a row of a controller missing from the store
    // holds the card as well.
    if (tarjetas->Tiene_Asignaciones(tarjeta->codigo_tarjeta())) {
        F_Pregunta_Elimina* pregunta = ventanas_ ? ventanas_->preguntaElimina.get() : nullptr;
        if (!pregunta)
            return;
        pregunta->setTag(0);
        pregunta->exec();
        if (pregunta->tag() != 1)
            return;
        tarjetas->Borra_Asignaciones_Tarjeta(*tarjeta);
    }
    tarjetas->Borra_Tarjeta(*tarjeta);
}

void F_Main::Libera_Tarjeta_Lectores(const QString& codigo) {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema)
        return;
    if (const auto tarjeta = sistema->Tarjetas()->Busca_Tarjeta(store::DORQTarjeta::Rellena_Codigo(codigo)))
        Borro_la_tarjeta_TODOS_CX(tarjeta);
}

// ---------------------------------------------------------------- deleting from the lists

void F_Main::B_DeleteClick() {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema || !ventanas_ || ops::operacionEnCurso())
        return;
    F_Muestra_Del& progreso = *ventanas_->muestraDel;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto cierre = qScopeGuard([this, &progreso] {
        ops::marcaOperacion(false);
        enTodoCaso([] { ops::reanudaEventos(); });
        QApplication::restoreOverrideCursor();
        enTodoCaso([this] { Refrescar_usuariosII(); });
        progreso.setAnimacion(false);
        progreso.hide();
    });
    ops::suspendeEventos();
    ops::marcaOperacion(true);

    const std::vector<Fila> filas = seleccionadas(lista1_);
    if (filas.empty())
        return;
    const int cuantas = static_cast<int>(filas.size());
    if (!confirma(*ventanas_->deleteConf, mensaje(8) + QString::number(cuantas) + QStringLiteral(")?")))
        return;

    progreso.setTag(0);
    progreso.P1()->setRange(0, cuantas - 1);
    progreso.P1()->setValue(0);
    progreso.setAnimacion(true);
    progreso.show();
    for (const Fila& fila : filas) {
        // The label repaints and a click on "Cancel" gets in between two holders.
        QCoreApplication::processEvents();
        progreso.avanza();
        progreso.Label1()->setText(fila.celdas.value(0));
        if (progreso.tag() != 0)
            continue;
        borraUsuario(*this, *sistema, *ventanas_->preguntaEliminaTarj,
                     fila.celdas.value(COLUMNA_CLAVE_USUARIO).toInt());
    }
}

void F_Main::B_Delete_CardsClick() {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema || !ventanas_ || ops::operacionEnCurso())
        return;
    F_Muestra_Del& progreso = *ventanas_->muestraDel;
    const auto cierre = qScopeGuard([this, &progreso] {
        ops::marcaOperacion(false);
        enTodoCaso([] { ops::reanudaEventos(); });
        progreso.setAnimacion(false);
        progreso.hide();
        enTodoCaso([this] { Refrescar_usuariosII(); });
    });
    ops::suspendeEventos();
    ops::marcaOperacion(true);

    const std::vector<Fila> filas = seleccionadas(lista3_);
    if (filas.empty())
        return;
    const int cuantas = static_cast<int>(filas.size());
    if (!confirma(*ventanas_->deleteConf,
                  mensaje(9) + QLatin1Char(' ') + QString::number(cuantas) + QLatin1Char(' ') + mensaje(10)))
        return;

    progreso.setTag(0);
    progreso.setAnimacion(true);
    progreso.P1()->setRange(0, cuantas);
    progreso.P1()->setValue(0);
    progreso.show();
    for (const Fila& fila : filas) {
        QCoreApplication::processEvents();
        if (progreso.tag() != 0)
            break;
        progreso.Label1()->setText(fila.celdas.value(0) + QLatin1Char(' ') + fila.celdas.value(1) +
                                   QLatin1Char(' ') + fila.celdas.value(2));
        progreso.avanza();
        Elimina_Tarjeta_Lectores(fila.clave.toString());
    }
}

// Neither events nor the timer are suspended here; the operation mark keeps the periodic task off
// the link meanwhile.
void F_Main::B_vacia_CardsClick() {
    store::DORQSistema* sistema = sistemaAbierto();
    QToolButton* vaciar = boton(QStringLiteral("B_vacia_Cards"));
    if (!sistema || !ventanas_ || ops::operacionEnCurso())
        return;
    vaciar->setEnabled(false);
    ops::marcaOperacion(true);
    const auto cierre = qScopeGuard([this, vaciar] {
        ops::marcaOperacion(false);
        vaciar->setEnabled(true);
    });

    store::DORQColeccionControlador* controladores = sistema->Controladores();
    const auto controlador = controladorSeleccionado(*sistema, l1Contr_);
    if (!controlador)
        return;
    if (!confirma(*ventanas_->deleteConf,
                  mensaje(12) + QLatin1Char(' ') + controlador->descripcion() + QLatin1Char('?')))
        return;
    if (!controlador->Comunicador() ||
        ops::Vacia_Controlador(*controlador->Comunicador()) == ops::Desenlace::SinCambio)
        return;
    // The rows stay, pending: a later send puts the cards back. So too when the reader may have
    // emptied without its acknowledgement reaching the console.
    controladores->Marca_Asignaciones(*controlador, false);
    ops::marcaOperacion(false); // the test is an operation of its own
    B_Test_TODOSClick();
}

// No command is sent: the controller's memory keeps its cards.
void F_Main::B_Delete_CxClick() {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema || !ventanas_ || ops::operacionEnCurso())
        return;
    const auto cierre = qScopeGuard([this] {
        ops::marcaOperacion(false);
        enTodoCaso([] { ops::reanudaEventos(); });
    });
    ops::suspendeEventos();
    // The store's reload closes the links of the entities it replaces, one perhaps in use.
    ops::marcaOperacion(true);

    store::DORQColeccionControlador* controladores = sistema->Controladores();
    const auto controlador = controladorSeleccionado(*sistema, l1Contr_);
    if (!controlador)
        return;
    if (!confirma(*ventanas_->deleteConf,
                  mensaje(11) + QLatin1Char(' ') + controlador->descripcion() + QLatin1Char('?')))
        return;
    controladores->Borra_Asignaciones(*controlador);
    controladores->Borra_Controlador(*controlador);
    Refrescar_Controladores();
}

void F_Main::B_Master_CardClick() {
    store::DORQSistema* sistema = sistemaAbierto();
    QToolButton* master = boton(QStringLiteral("B_Master_Card"));
    if (!sistema || ops::operacionEnCurso())
        return;
    master->setEnabled(false);
    ops::marcaOperacion(true);
    const auto cierre = qScopeGuard([this, master] {
        ops::marcaOperacion(false);
        master->setEnabled(true);
    });

    const auto controlador = controladorSeleccionado(*sistema, l1Contr_);
    if (!controlador)
        return;
    const bool hecho = controlador->Comunicador() && controlador->Comunicador()->Tarjeta_Master();
    ops::marcaOperacion(false); // the message waits for the operator, not for a controller
    QMessageBox::information(this, QApplication::applicationDisplayName(), mensaje(hecho ? 2 : 3));
}

// The last "ADMIN" login is never deleted; another "ADMIN" goes without a question.
void F_Main::B_Delete_loginClick() {
    store::DORQServer* servidor = Consola::instance().servidor.get();
    if (!servidor || !ventanas_)
        return;
    const std::vector<Fila> filas = seleccionadas(lista4_);
    if (filas.empty())
        return;
    const QString login = filas.front().clave.toString();
    if (servidor->Es_Admin(login)) {
        if (!servidor->Unico_Admin())
            servidor->Borra_Login(login);
    } else if (confirma(*ventanas_->deleteConf, mensaje(6) + QLatin1Char('\n') + mensaje(7) +
                                                    QLatin1Char(' ') + login + QLatin1Char('?'))) {
        servidor->Borra_Login(login);
    }
    Refresca_Logins();
}

// The login editor is modal and stays open for further logins; the list is refreshed afterwards.
void F_Main::B_Nuevo_LoginClick() {
    if (!ventanas_ || !ventanas_->nuevoLogin)
        return;
    const auto cierre = qScopeGuard([this] { enTodoCaso([this] { Refresca_Logins(); }); });
    ventanas_->nuevoLogin->exec();
}

// ---------------------------------------------------------------- controllers

void F_Main::B_SendClick() {
    if (!sistemaAbierto() || !ventanas_ || !ventanas_->sendCard || ops::operacionEnCurso())
        return;
    const auto despues = qScopeGuard([this] { trasTransferencia(); });
    ventanas_->sendCard->exec();
}

void F_Main::B_ReceiveClick() {
    if (!sistemaAbierto() || !ventanas_ || !ventanas_->recvUsers || ops::operacionEnCurso())
        return;
    const auto despues = qScopeGuard([this] { trasTransferencia(); });
    ventanas_->recvUsers->exec();
}

void F_Main::trasTransferencia() {
    enTodoCaso([this] { Refrescar_usuariosII(); });
    enTodoCaso([this] { Refrescar_tarjetas(); });
    enTodoCaso([this] { B_Test_TODOSClick(); });
}

void F_Main::B_Export_importClick() {
    if (!sistemaAbierto() || !ventanas_ || !ventanas_->expImp || ops::operacionEnCurso())
        return;
    const auto despues = qScopeGuard([this] { trasTransferencia(); });
    const ops::SuspensionEventos suspension;
    ventanas_->expImp->exec();
}

void F_Main::SpeedButton28Click() {
    if (!ventanas_ || !ventanas_->gestion || ops::operacionEnCurso())
        return;
    ventanas_->gestion->exec();
}

void F_Main::SpeedButton29Click() {
    if (!ventanas_ || !ventanas_->parametros || ops::operacionEnCurso())
        return;
    F_Parametros_app& parametros = *ventanas_->parametros;
    bool cambiados = false;
    {
        const ops::SuspensionEventos suspension;
        parametros.Prepara();
        if (parametros.exec() != QDialog::Accepted)
            return;
        cambiados = parametros.Acepta();
        if (cambiados)
            config::Variables::instance().Graba_Configuracion();
    }
    if (!cambiados)
        return;
    Avisa(QStringLiteral("KS_Settings_saved"));
    const auto respuesta = QMessageBox::question(this, QApplication::applicationDisplayName(), mensaje(4),
                                                 QMessageBox::Yes | QMessageBox::No);
    if (respuesta == QMessageBox::Yes)
        close();
}

// After the management dialog closed one installation: the one to open, the lists to show.
void F_Main::trasCambioInstalacion(const QString& codigo, bool recarga) {
    if (recarga) {
        Carga_Instalaciones(codigo);
    } else {
        const QString entrada = ventanas_->gestion->C2()->currentText();
        QTreeWidgetItem* raiz = arbol_->topLevelItem(0);
        raiz->setText(0, store::Divide_Texto(raiz->text(0), QStringLiteral(" -")).first() + QLatin1Char(' ') +
                             store::Divide_Texto(entrada, QStringLiteral(".-")).value(1));
        Abre_Instalacion(codigo);
    }
    if (QTreeWidgetItem* nodo = arbol_->currentItem())
        Arbol1Change(nodo);
}

void F_Main::conectaDialogos() {
    if (!ventanas_)
        return;
    connect(ventanas_->gestion.get(), &F_Gestion_BD::cargaInstalaciones, this,
            [this](const QString& codigo) { protegido([&] { trasCambioInstalacion(codigo, true); }); });
    connect(ventanas_->gestion.get(), &F_Gestion_BD::abreInstalacion, this,
            [this](const QString& codigo) { protegido([&] { trasCambioInstalacion(codigo, false); }); });
    const auto refresca = [this] { protegido([this] { Refrescar_Controladores(); }); };
    connect(ventanas_->contrN.get(), &F_Contr_N::controladoresCambiados, this, refresca);
    connect(ventanas_->editController.get(), &F_edit_controller::controladoresCambiados, this, refresca);
    connect(ventanas_->lectorES.get(), &F_Lector_ES::controladoresCambiados, this, refresca);
    connect(ventanas_->editController.get(), &F_edit_controller::testTodosPedido, this,
            [this] { protegido([this] { B_Test_TODOSClick(); }); });
}

void F_Main::B_Nueva_CxClick() {
    if (!ventanas_ || !ventanas_->contrN || ops::operacionEnCurso())
        return;
    ops::suspendeEventos();
    const auto cierre = qScopeGuard([] { enTodoCaso([] { ops::reanudaEventos(); }); });
    ventanas_->contrN->exec();
}

// The editor is not modal: it resumes events and refreshes the lists itself when it closes.
void F_Main::B_Editar_cxClick() {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema || !ventanas_ || !ventanas_->editController || ops::operacionEnCurso())
        return;
    const auto controlador = controladorSeleccionado(*sistema, l1Contr_);
    if (!controlador)
        return;
    F_edit_controller& editor = *ventanas_->editController;
    if (editor.isVisible())
        return;
    ops::suspendeEventos();
    editor.Edit1()->setText(QString::number(controlador->cod()));
    editor.Edit2()->setText(controlador->descripcion());
    editor.Edit3()->setText(controlador->puerto_serie());
    editor.show();
    static_cast<ModeloLista*>(l2Contr_->model())->setFilas({});
    // The controller gets a moment after the editor's test before anything else reaches it; the
    // windows stay live meanwhile.
    QEventLoop pausa;
    QTimer::singleShot(timings().editorOpenPauseMs, &pausa, &QEventLoop::quit);
    pausa.exec();
}

void F_Main::B_Clone_cxClick() {
    if (!ventanas_ || !ventanas_->cloneController || ops::operacionEnCurso())
        return;
    ventanas_->cloneController->CB1()->clear();
    ventanas_->cloneController->exec();
    B_Test_TODOSClick();
}

// ---------------------------------------------------------------- holders and cards

namespace {

// A tool window the main window lends the controllers to: events suspended before it shows, the
// window resumes them when it closes. A window already open is only brought forward.
void muestraSuspendiendo(QDialog& dialogo, const std::function<void()>& rellena = {}) {
    if (dialogo.isVisible()) {
        dialogo.raise();
        dialogo.activateWindow();
        return;
    }
    if (rellena)
        rellena();
    ops::suspendeEventos();
    dialogo.show();
}

} // namespace

void F_Main::B_New_USR_MainClick() {
    if (!sistemaAbierto() || !ventanas_ || !ventanas_->nuevoUsr)
        return;
    muestraSuspendiendo(*ventanas_->nuevoUsr);
}

void F_Main::B_edit_usrClick() {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema || !ventanas_ || !ventanas_->editUser)
        return;
    const std::vector<Fila> filas = seleccionadas(lista1_);
    if (filas.empty())
        return;
    const auto usuario = sistema->Usuarios()->Busca_Usuario(filas.front().clave.toInt());
    if (!usuario)
        return;
    F_Edit_User& editor = *ventanas_->editUser;
    // An editor already open keeps the holder it shows.
    muestraSuspendiendo(editor, [&] {
        editor.L_CLAVE()->setText(QString::number(usuario->id()));
        editor.Edit1()->setText(usuario->nombre());
        editor.Edit2()->setText(usuario->apellidos());
        editor.Muestra_Foto(
            usuario->fotografia().isEmpty()
                ? QString()
                : config::DataRoot::findFileNoCase(EditorTitular::carpetaFotos(), usuario->fotografia()));
    });
}

void F_Main::B_New_CardClick() {
    if (!sistemaAbierto() || !ventanas_ || !ventanas_->newCard)
        return;
    muestraSuspendiendo(*ventanas_->newCard);
}

// The card editor changes only the database: events go on while it is open.
void F_Main::B_Edit_CardClick() {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema || !ventanas_ || !ventanas_->editarCard)
        return;
    const std::vector<Fila> filas = seleccionadas(lista3_);
    if (filas.empty())
        return;
    const auto tarjeta = sistema->Tarjetas()->Busca_Tarjeta(filas.front().clave.toString());
    if (!tarjeta)
        return;
    F_Editar_Card& editor = *ventanas_->editarCard;
    editor.hide();
    editor.L_CODE_CARD()->setText(tarjeta->codigo_tarjeta());
    editor.caducidad().CH_Usar_Caducidad()->setChecked(tarjeta->usar_fecha_cad());
    editor.show();
}

void F_Main::Lista3DblClick(int row) {
    store::DORQSistema* sistema = sistemaAbierto();
    const ModeloLista* modelo = static_cast<const ModeloLista*>(lista3_->model());
    if (!sistema || !ventanas_ || !ventanas_->errorInsert || row < 0 || row >= modelo->filas())
        return;
    const Fila fila = modelo->fila(row);
    if (fila.icono != Icono::TarjetaPendiente)
        return;
    F_Error_insert& dialogo = *ventanas_->errorInsert;
    dialogo.Label3()->setText(fila.clave.toString());
    const auto cierre = qScopeGuard([this, sistema] {
        enTodoCaso([sistema] { sistema->Tarjetas()->Carga(); });
        enTodoCaso([this] { Refrescar_usuariosII(); });
        enTodoCaso([this] { Refrescar_tarjetas(); });
    });
    dialogo.exec();
}

void F_Main::conectaFlujos() {
    const std::pair<const char*, void (F_Main::*)()> botones[] = {
        {"B_Delete", &F_Main::B_DeleteClick},
        {"B_Delete_Cards", &F_Main::B_Delete_CardsClick},
        {"B_vacia_Cards", &F_Main::B_vacia_CardsClick},
        {"B_Delete_Cx", &F_Main::B_Delete_CxClick},
        {"B_Master_Card", &F_Main::B_Master_CardClick},
        {"B_Delete_login", &F_Main::B_Delete_loginClick},
        {"B_Nuevo_Login", &F_Main::B_Nuevo_LoginClick},
        {"B_Nueva_Cx", &F_Main::B_Nueva_CxClick},
        {"B_Editar_cx", &F_Main::B_Editar_cxClick},
        {"B_Clone_cx", &F_Main::B_Clone_cxClick},
        {"B_New_USR_Main", &F_Main::B_New_USR_MainClick},
        {"B_New_USR_Usr", &F_Main::B_New_USR_MainClick},
        {"B_edit_usr", &F_Main::B_edit_usrClick},
        {"B_New_Card", &F_Main::B_New_CardClick},
        {"B_Edit_Card", &F_Main::B_Edit_CardClick},
        {"B_Send", &F_Main::B_SendClick},
        {"B_Send_u", &F_Main::B_SendClick},
        {"B_Export_import", &F_Main::B_Export_importClick},
        {"B_Receive", &F_Main::B_ReceiveClick},
        {"SpeedButton28", &F_Main::SpeedButton28Click},
        {"SpeedButton29", &F_Main::SpeedButton29Click},
        {"B_receive_u", &F_Main::B_ReceiveClick},
        {"B_Auditar", &F_Main::B_AuditarClick},
    };
    for (const auto& [nombre, handler] : botones) {
        connect(boton(QString::fromLatin1(nombre)), &QToolButton::clicked, this,
                [this, h = handler] { protegido([&] { (this->*h)(); }); });
    }
    connect(lista3_, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { protegido([&] { Lista3DblClick(index.row()); }); });
}

} // namespace kestrum::ui
