#include "UF_Main.h"

#include "F_Login_APP.h"
#include "Lang.h"
#include "UF_Camera_Control.h"
#include "UF_Gestion_BD.h"
#include "Variables.h"
#include "arranque.h"
#include "avisos.h"
#include "consola.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "errores.h"
#include "formas.h"
#include "iconos.h"
#include "langtexts.h"
#include "listas.h"
#include "operacion.h"
#include "portmap.h"
#include "schema.h"
#include "udorq.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcoleccionincidencia.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrum::ui {

namespace {

LangTable columns(const QString& list, int count) {
    LangTable t;
    for (int i = 0; i < count; ++i)
        t << lang::column(list, i);
    return t;
}

LangTable items(const QString& control, int count) {
    LangTable t;
    for (int i = 0; i < count; ++i)
        t << lang::item(control, i);
    return t;
}

LangTable captions(const QStringList& controls) {
    LangTable t;
    for (const QString& c : controls)
        t << lang::caption(c);
    return t;
}

// The main window's keys in the order it reads them.
LangTable texts() {
    LangTable t;
    t << lang::title();
    t << captions({"B_Login", "B_New_USR_Main", "SpeedButton11", "B_Test_TODOS", "B_Send", "B_Receive",
                   "B_Export_import", "SpeedButton13", "L_Cuerpo"});
    for (int i = 1; i <= 3; ++i) {
        const QString tab = QStringLiteral("TabSheet%1").arg(i);
        t << lang::caption(tab).withKey(QStringLiteral("PageControl1_%1_Caption").arg(tab));
    }
    t << items(QStringLiteral("Arbol1"), 7);
    t << captions({"Label5", "Label6", "Label7"});
    t << items(QStringLiteral("Arbol_REPORTS"), 5);
    t << columns(QStringLiteral("Lista1"), 5);
    t << lang::caption(QStringLiteral("B_New_USR_Usr"));
    t << lang::caption(QStringLiteral("B_edit_usr")).withKey(QStringLiteral("SpeedButton2_Caption"));
    t << captions(
        {"B_Delete", "SpeedButton25", "B_Send_u", "B_receive_u", "SpeedButton4", "SpeedButton6", "Label4"});
    t << columns(QStringLiteral("Lista_INI"), 2);
    t << captions({"Label1", "Label2", "Label3", "Label9"});
    t << columns(QStringLiteral("L1_Contr"), 4);
    t << columns(QStringLiteral("L2_Contr"), 8);
    t << captions({"B_Nueva_Cx", "B_Editar_cx", "B_Delete_Cx", "B_Test_Cx", "B_Master_Card", "B_Clone_cx",
                   "B_vacia_Cards"});
    t << lang::caption(QStringLiteral("B_Auditar"))
             .withWholeKey(QStringLiteral("KS_F_Main_B_Auditar_Caption"));
    t << columns(QStringLiteral("Lista4"), 2);
    t << captions({"B_Nuevo_Login", "B_Delete_login"});
    t << columns(QStringLiteral("Lista3"), 7);
    t << captions({"B_New_Card", "B_Edit_Card", "B_Delete_Cards", "SpeedButton21", "L_WHICH_TOOL"});
    t << columns(QStringLiteral("Lista_Incidencias"), 5);
    t << captions({"Label17", "Label18"});
    t << lang::dialogTitle(QStringLiteral("Save_INC")) << lang::dialogTitle(QStringLiteral("Open_INC"));
    t << lang::hint(QStringLiteral("I_PLAY_ON")) << lang::hint(QStringLiteral("I_PLAY_OFF"));
    t << captions({"Label10", "Label8", "Label11", "Label12", "Label13", "SpeedButton28", "Label14",
                   "Label15", "Label16", "SpeedButton29", "Label19", "SpeedButton2", "R1", "R2"});
    t << columns(QStringLiteral("Lista_Presencia"), 4);
    // Tooltips of the icon and tool-bar buttons: this console's own keys.
    for (const char* b : {"B_Login",         "B_New_USR_Main", "SpeedButton11",
                          "B_Test_TODOS",    "B_Send",         "B_Receive",
                          "B_Export_import", "SpeedButton13",  "B_New_USR_Usr",
                          "B_edit_usr",      "B_Delete",       "B_Send_u",
                          "B_receive_u",     "SpeedButton25",  "B_New_Card",
                          "B_Delete_Cards",  "SpeedButton21",  "B_Nueva_Cx",
                          "B_Editar_cx",     "B_Delete_Cx",    "B_Test_Cx",
                          "B_Master_Card",   "B_vacia_Cards",  "B_Clone_cx",
                          "B_Nuevo_Login",   "B_Delete_login", "SpeedButton1",
                          "B_Buscar_Inc",    "B_Salvar",       "B_Recuperar",
                          "SpeedButton5",    "SpeedButton9",   "Image2",
                          "Image3",          "Image6",         "SpeedButton7",
                          "SpeedButton3",    "SpeedButton8",   "B_Imprimir_Presencia",
                          "B_PDF_Presencia", "B_Auditar"})
        t << lang::hint(QLatin1String(b))
                 .withWholeKey(QStringLiteral("KS_F_Main_%1_Hint").arg(QLatin1String(b)));
    return t;
}

ModeloLista* modelo(QTreeView* view) {
    return static_cast<ModeloLista*>(view->model());
}

} // namespace

F_Main::F_Main(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("F_Main"));
    setWindowTitle(QStringLiteral("Kestrum"));
    construye();
}

F_Main::~F_Main() = default;

void F_Main::setVentanas(Ventanas* ventanas) {
    ventanas_ = ventanas;
}

namespace {
F_Gestion_BD* gestionDe(Ventanas* v) {
    return v ? v->gestion.get() : nullptr;
}
F_Login* loginDe(Ventanas* v) {
    return v ? v->login.get() : nullptr;
}
} // namespace

// ---------------------------------------------------------------- controller operations

void F_Main::conectaOperaciones() {
    auto& ops = ops::Operaciones::instance();
    connect(&ops, &ops::Operaciones::eventosSuspendidos, this,
            [this] { protegido([this] { alSuspender(); }); });
    connect(&ops, &ops::Operaciones::eventosReanudados, this,
            [this](bool timerSiempre) { protegido([&] { alReanudar(timerSiempre); }); });
    connect(&ops, &ops::Operaciones::enCursoCambiado, this, &F_Main::alCambiarOperacion);
}

// Events go on being kept and acknowledged during an operation; the list gets them when it ends.
void F_Main::alSuspender() {
    periodico_->stop();
    auto* sistema = Consola::instance().sistema.get();
    if (registrando_ && sistema && sistema->Incidencias())
        sistema->Incidencias()->Suspende_Registro();
}

void F_Main::alReanudar(bool timerSiempre) {
    auto* sistema = Consola::instance().sistema.get();
    if (registrando_ && sistema && sistema->Incidencias())
        sistema->Incidencias()->Reanuda_Registro();
    const auto& v = config::Variables::instance();
    if (timerSiempre || v.testControllers || v.releaseExpiredCards)
        periodico_->start();
}

void F_Main::alCambiarOperacion(bool enCurso) {
    // A command's reply wait lets other handlers run: nothing else may start controller work then.
    // Each button gets back the state it had before.
    for (const char* name :
         {"B_Test_TODOS",   "B_Test_Cx",     "B_Send",     "B_Receive",      "B_Export_import",
          "B_Send_u",       "B_receive_u",   "B_Delete",   "B_Delete_Cards", "B_vacia_Cards",
          "B_Delete_Cx",    "B_Master_Card", "B_Clone_cx", "B_Nueva_Cx",     "B_Editar_cx",
          "B_New_USR_Main", "B_New_USR_Usr", "B_edit_usr", "B_New_Card",     "I_PLAY_ON",
          "I_PLAY_OFF",     "B_Auditar"}) {
        QToolButton* b = boton(QString::fromLatin1(name));
        if (!b)
            continue;
        if (enCurso) {
            b->setProperty("antesDeOperacion", b->isEnabled());
            b->setEnabled(false);
        } else {
            b->setEnabled(b->property("antesDeOperacion").toBool());
        }
    }
}

// ---------------------------------------------------------------- start-up

void F_Main::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Main"), texts());
    pageControl_->setCurrentIndex(0);
    centro_->setCurrentWidget(navegador_);
    navegador_->setCurrentIndex(0);
    arbol_->expandAll();
    arbolReports_->expandAll();
    Conecta_BD();
    Refresca_Lista_INI();
    auto& lang = config::Lang::instance();
    lang.Carga_Mensajes();
    protegido([this] { Graba_Textos_Informes(); });
    meses_.clear();
    for (int i = 14; i <= 25; ++i)
        meses_ << lang.mensaje(QStringLiteral("Variables_variables_F_Main_%1").arg(i));
    nombresEventos_.clear();
    for (int i = 28; i <= 33; ++i)
        nombresEventos_ << lang.mensaje(QStringLiteral("Variables_variables_F_Main_%1").arg(i));
    const auto& v = config::Variables::instance();
    if (v.testControllers || v.releaseExpiredCards)
        periodico_->start();
    B_Test_TODOSClick();
}

bool F_Main::Conecta_BD() {
    Consola& c = Consola::instance();
    if (store::Db::server().embedded()) {
        Prepara_Ficheros_BD();
        Link_BBDD();
        return true;
    }
    try {
        Prepara_Ficheros_BD();
        Link_BBDD();
        c.errorBD.clear();
        return true;
    } catch (const Error& e) {
        c.sistema.reset();
        c.servidor.reset();
        c.errorBD = e.message();
        qCWarning(lcUi).noquote() << "no databases:" << e.message();
        return false;
    }
}

void F_Main::Prepara_Ficheros_BD() {
    if (store::Db::server().embedded())
        store::Prepara_Ficheros_BD(config::DataRoot::bdks());
    else
        store::schema::provisionServer();
}

void F_Main::Link_BBDD() {
    Consola& c = Consola::instance();
    c.sistema.reset();
    c.servidor = std::make_unique<store::DORQServer>();
    const auto& v = config::Variables::instance();
    c.servidor->Configura_Conexion(v.databaseHost(), store::schema::cataloguePath(), v.databasePassword(),
                                   v.databaseUser());
    Carga_Instalaciones(Lee_Ultima_Instalacion());
    if (!c.sistema)
        return;
    // The users and cards lists are rebuilt, with a fresh load, whenever their node is chosen; at
    // start they are hidden, so only the controllers lists are filled here.
    Refrescar_Controladores();
}

QString F_Main::Lee_Ultima_Instalacion() {
    const QString code = config::Variables::lastInstallationInFile();
    return Consola::instance().servidor->Existe_Instalacion(code) ? code : QString();
}

void F_Main::Carga_Instalaciones(const QString& code) {
    Consola& c = Consola::instance();
    const QStringList list = c.servidor->Lista_Instalaciones();
    F_Gestion_BD* gestion = gestionDe(ventanas_);
    QComboBox* chooser = gestion ? gestion->C2() : nullptr;
    if (chooser) {
        gestion->B_Eliminar()->setEnabled(list.size() > 1);
        chooser->clear();
        chooser->addItems(list);
    }
    if (list.isEmpty())
        return; // nothing to open: installation management is where the operator goes next
    int selected = 0;
    if (!code.isEmpty()) {
        for (int i = 0; i < list.size(); ++i) {
            if (store::Divide_Texto(list[i], QStringLiteral(".-")).first() == code)
                selected = i;
        }
    }
    if (chooser)
        chooser->setCurrentIndex(selected);
    const QStringList pieces = store::Divide_Texto(list[selected], QStringLiteral(".-"));
    QTreeWidgetItem* root = arbol_->topLevelItem(0);
    root->setText(0, store::Divide_Texto(root->text(0), QStringLiteral(" -")).first() + QLatin1Char(' ') +
                         pieces.value(1));
    Abre_Instalacion(pieces.first());
}

void F_Main::Abre_Instalacion(const QString& code) {
    Consola& c = Consola::instance();
    F_Gestion_BD* gestion = gestionDe(ventanas_);
    const QString entry =
        gestion && gestion->C2()->currentIndex() >= 0 ? gestion->C2()->currentText() : QString();
    const QString previous = c.instalacion;
    const QString path = store::schema::installationPath(code.toInt());

    c.sistema.reset();
    try {
        auto sistema = std::make_unique<store::DORQSistema>(path, c.servidor.get());
        sistema->Abre();
        c.sistema = std::move(sistema);
    } catch (const Error&) {
        // The installation that was open stays the one in use.
        if (!previous.isEmpty() && previous != code) {
            const QString back = store::schema::installationPath(previous.toInt());
            auto sistema = std::make_unique<store::DORQSistema>(back, c.servidor.get());
            sistema->Abre();
            c.sistema = std::move(sistema);
            Refrescar_Controladores();
            c.sistema->Arranca();
            registraReceptor();
        }
        throw;
    }
    c.instalacion = code;
    setWindowTitle(store::Divide_Texto(windowTitle(), QStringLiteral(" -")).first() + QLatin1Char(' ') +
                   store::Divide_Texto(entry, QStringLiteral(".-")).value(1));
    Refrescar_Controladores();
    c.sistema->Arranca();
    registraReceptor();
}

// Every opening registers the window again: a new installation has a new event log.
void F_Main::registraReceptor() {
    auto* log = Consola::instance().sistema->Incidencias();
    if (!log)
        return;
    log->setOnRegistrada([this](store::DORQColeccionIncidencia*, const link::TEventoInformacion& info) {
        emit incidenciaRegistrada(info);
    });
    // A live event arrives inside a timer of the link: an error there can only be shown.
    log->setOnError([](const Error& e) { Muestra_Error(e.message()); });
    log->setOnDiario([this](store::DORQColeccionIncidencia::EstadoDiario estado, const QString& razon,
                            int n) { muestraDiario(estado, razon, n); });
    try {
        log->Abre_Diario(config::DataRoot::path() + QStringLiteral("/journal"));
    } catch (const Error& e) {
        // Events are then recorded as they come, as before the journal existed.
        Avisa(QStringLiteral("KS_Journal_unusable"), {e.message()});
    }
}

void F_Main::muestraDiario(store::DORQColeccionIncidencia::EstadoDiario estado, const QString& razon, int n) {
    using Estado = store::DORQColeccionIncidencia::EstadoDiario;
    switch (estado) {
    case Estado::Rechaza:
        Avisa(QStringLiteral("KS_Journal_refused"), {razon});
        break;
    case Estado::AlDia:
        Avisa(QStringLiteral("KS_Journal_replayed"), {QString::number(n)});
        break;
    case Estado::SinDiario:
        Avisa(QStringLiteral("KS_Journal_unusable"), {razon});
        break;
    case Estado::NoGuardados:
        Muestra_Error(textoAviso(QStringLiteral("KS_Journal_unkept"), {razon}));
        break;
    case Estado::Perdido:
        Muestra_Error(textoAviso(QStringLiteral("KS_Journal_lost"), {QString::number(n), razon}));
        break;
    }
}

// ---------------------------------------------------------------- login and lock

void F_Main::Determina_Interfaz(const QString& rol) {
    if (rol != QLatin1String("USER"))
        return;
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem* last = arbol_->topLevelItem(arbol_->topLevelItemCount() - 1);
        while (last && last->childCount() > 0)
            last = last->child(last->childCount() - 1);
        delete last;
    }
    for (const char* name : {"B_Nueva_Cx", "B_Editar_cx", "B_Delete_Cx", "B_Master_Card", "B_Clone_cx",
                             "B_vacia_Cards", "B_Auditar"})
        boton(QString::fromLatin1(name))->hide();
    if (ventanas_ && ventanas_->cameraControl)
        ventanas_->cameraControl->Determina_Interfaz(rol);
}

// Locking hides every console window, the editors and views included, until the unlock.
void F_Main::B_LoginClick() {
    F_Login* login = loginDe(ventanas_);
    ocultas_.clear();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType tipo = w->windowType();
        // Menus and tips close by themselves; they are not windows to bring back.
        const bool ventana = tipo == Qt::Window || tipo == Qt::Dialog || tipo == Qt::Tool;
        if (ventana && w != this && w != login && w->isVisible() && !w->isModal()) {
            ocultas_ << QPointer<QWidget>(w);
            w->hide();
        }
    }
    hide();
    if (login)
        login->show();
}

void F_Main::Desbloquea() {
    show();
    for (const QPointer<QWidget>& w : std::exchange(ocultas_, {})) {
        if (!w)
            continue;
        w->setProperty(RESTAURANDO, true);
        w->show();
        w->setProperty(RESTAURANDO, false);
    }
}

void F_Main::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void F_Main::FormActivate() {
    if (QTreeWidgetItem* node = arbol_->currentItem())
        protegido([&] { Arbol1Change(node); });
}

void F_Main::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void F_Main::FormClose() {
    protegido([] { config::Variables::instance().Graba_Configuracion(); });
    // Hidden, not closed: the lock screen refuses to close.
    if (F_Login* login = loginDe(ventanas_))
        login->hide();
    // Not quit(): that asks every window first, and a lock screen or an editor waiting for a
    // controller refuses, leaving a process without a window. Every event loop ends here, the
    // nested waits of a controller operation included (they end as unanswered).
    QCoreApplication::exit(0);
}

// ---------------------------------------------------------------- navigator

int F_Main::nodoIndex(QTreeWidgetItem* node) const {
    return node ? node->data(0, Qt::UserRole).toInt() : -1;
}

void F_Main::selecciona(Nodo nodo) {
    const auto found = arbol_->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive);
    for (QTreeWidgetItem* item : found) {
        if (nodoIndex(item) == nodo) {
            arbol_->setCurrentItem(item);
            if (pageControl_->currentIndex() != 0)
                pageControl_->setCurrentIndex(0);
            return;
        }
    }
}

void F_Main::PageControl1Change(int tab) {
    centro_->setCurrentIndex(tab);
    // The heading names what is shown: the navigator's node, or the Tools or Reports panel.
    QTreeWidgetItem* node = arbol_->currentItem();
    cuerpo_->setText(tab == 0 && node ? node->text(0) : pageControl_->tabText(tab));
}

void F_Main::Arbol1Change(QTreeWidgetItem* node) {
    if (!node)
        return;
    // A refresh while the Tools or Reports panel is shown leaves that panel's heading.
    if (pageControl_->currentIndex() == 0)
        cuerpo_->setText(node->text(0));
    const int index = nodoIndex(node);
    if (index == Gestion)
        return;
    static const QHash<int, QString> panels = {
        {Raiz, QStringLiteral("PANEL_INSTALACION")},     {Usuarios, QStringLiteral("PANEL_LISTA_USR")},
        {Tarjetas, QStringLiteral("PANEL_LISTA_CARDS")}, {Lectores, QStringLiteral("PANEL_LISTA_READERS")},
        {Logins, QStringLiteral("PANEL_LISTA_LOGINS")},  {Parametros, QStringLiteral("PANEL_PARAMETERS")},
    };
    if (QWidget* panel = navegador_->findChild<QWidget*>(panels.value(index)))
        navegador_->setCurrentWidget(panel);
    switch (index) {
    case Raiz:
        Refresca_Lista_INI();
        break;
    case Usuarios:
        Refrescar_usuariosII();
        break;
    case Tarjetas:
        Refrescar_tarjetas();
        break;
    case Logins:
        Refresca_Logins();
        break;
    default:
        break;
    }
}

// The camera window opens beside the main window, which stays usable.
void F_Main::Image6Click() {
    F_Camera_Control* camaras = ventanas_ ? ventanas_->cameraControl.get() : nullptr;
    if (!camaras)
        return;
    if (!camaras->isVisible())
        camaras->show();
    camaras->raise();
    camaras->activateWindow();
}

void F_Main::Image2Click() {
    herramientas_->setCurrentIndex(0);
    if (auto* label5 = findChild<QLabel*>(QStringLiteral("Label5")))
        whichTool_->setText(label5->text());
}

// ---------------------------------------------------------------- lists

void F_Main::Refresca_Lista_INI() {
    auto* sistema = Consola::instance().sistema.get();
    modelo(listaIni_)->setFilas(sistema ? filasListaINI(*sistema->Controladores()) : std::vector<Fila>{});
}

void F_Main::Refrescar_usuariosII() {
    auto* sistema = Consola::instance().sistema.get();
    if (!sistema) {
        modelo(lista1_)->setFilas({});
        return;
    }
    sistema->Usuarios()->Carga();
    sistema->Tarjetas()->Carga();
    modelo(lista1_)->setFilas(
        filasUsuarios(*sistema->Usuarios(), *sistema->Tarjetas(), *sistema->Controladores()));
}

void F_Main::Refrescar_tarjetas() {
    auto* sistema = Consola::instance().sistema.get();
    if (!sistema) {
        modelo(lista3_)->setFilas({});
        return;
    }
    sistema->Tarjetas()->Carga();
    modelo(lista3_)->setFilas(filasTarjetas(*sistema->Tarjetas(), *sistema->Controladores()));
}

void F_Main::Refrescar_Controladores() {
    auto* sistema = Consola::instance().sistema.get();
    modelo(l2Contr_)->setFilas({});
    if (!sistema) {
        modelo(l1Contr_)->setFilas({});
        return;
    }
    auto* controladores = sistema->Controladores();
    for (int i = 0; i < controladores->Cuenta(); ++i) {
        if (auto c = controladores->Controlador(i))
            c->Conecta();
    }
    modelo(l1Contr_)->setFilas(filasControladores(*controladores));
}

void F_Main::Refresca_Logins() {
    auto& servidor = Consola::instance().servidor;
    modelo(lista4_)->setFilas(servidor ? filasLogins(servidor->Lista_Logins()) : std::vector<Fila>{});
}

void F_Main::Control_Botones_Cx(bool enabled) {
    for (const char* name :
         {"B_Nueva_Cx", "B_Editar_cx", "B_Delete_Cx", "B_Master_Card", "B_Clone_cx", "B_vacia_Cards"})
        boton(QString::fromLatin1(name))->setEnabled(enabled);
}

bool F_Main::busca(QTreeView* view, const QString& text, int lastSub) {
    view->clearSelection();
    const QList<int> rows = ::kestrum::ui::busca(*modelo(view), text, lastSub);
    auto* selection = view->selectionModel();
    for (int row : rows)
        selection->select(modelo(view)->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (rows.isEmpty())
        return false;
    view->scrollTo(modelo(view)->index(rows.first(), 0));
    view->setFocus();
    return true;
}

bool F_Main::Find_userFind(const QString& text) {
    return busca(lista1_, text, ULTIMA_SUBCOLUMNA_USUARIOS);
}

bool F_Main::Find_cardsFind(const QString& text) {
    return busca(lista3_, text, ULTIMA_SUBCOLUMNA_TARJETAS);
}

// The find dialogs: one per list, kept for the run; each stays open until a search selects something.
void F_Main::dialogoBuscar(const QString& name, const std::function<bool(const QString&)>& find) {
    auto* dialog = findChild<QInputDialog*>(name);
    if (!dialog) {
        dialog = new QInputDialog(this);
        dialog->setObjectName(name);
        dialog->setLabelText(QString());
        connect(dialog, &QInputDialog::textValueSelected, this, [dialog, find](const QString& text) {
            if (find(text))
                return;
            Avisa(QStringLiteral("KS_No_match"), {text});
            dialog->show();
        });
    }
    dialog->setWindowTitle(boton(QStringLiteral("SpeedButton25"))->text());
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void F_Main::SpeedButton25Click() {
    dialogoBuscar(QStringLiteral("Find_user"), [this](const QString& t) { return Find_userFind(t); });
}

void F_Main::SpeedButton21Click() {
    dialogoBuscar(QStringLiteral("Find_cards"), [this](const QString& t) { return Find_cardsFind(t); });
}

} // namespace kestrum::ui
