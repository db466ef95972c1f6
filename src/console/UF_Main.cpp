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

constexpr int PERIODIC_MS = 30000;
constexpr int BUTTON_BAR_HEIGHT = 41;

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

template <class W> W* named(const QString& name, W* w) {
    w->setObjectName(name);
    return w;
}

QLabel* etiquetaAjustada(const QString& name, const QString& text, QWidget* parent) {
    auto* l = named(name, new QLabel(text, parent));
    l->setWordWrap(true);
    return l;
}

QToolButton* botonBarra(const QString& name, const QString& text, Icono icon, QWidget* parent) {
    auto* b = named(name, new QToolButton(parent));
    b->setText(text);
    b->setIcon(icono(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    return b;
}

// Plain keys typed in a list, each mapped to an action; other keys reach the list.
class TeclasLista : public QObject {
public:
    TeclasLista(QHash<int, std::function<void()>> teclas, QObject* parent)
        : QObject(parent), teclas_(std::move(teclas)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto it = teclas_.constFind(key->key());
        if (key->modifiers() & ~Qt::KeypadModifier || it == teclas_.cend())
            return QObject::eventFilter(watched, event);
        (*it)();
        return true;
    }

private:
    QHash<int, std::function<void()>> teclas_;
};

// Every shown column but the last (which stretches) widens to its header and the rows the header
// measures, up to a cap; a column never narrows, so a refill does not make the rows jump.
void ajustaColumnas(QTreeView* view) {
    constexpr int MAX_ANCHO = 420;
    const int columnas = view->model()->columnCount();
    for (int col = 0; col + 1 < columnas; ++col) {
        if (view->isColumnHidden(col))
            continue;
        const int ancho = std::max(static_cast<QAbstractItemView*>(view)->sizeHintForColumn(col),
                                   view->header()->sectionSizeHint(col));
        view->setColumnWidth(
            col, std::clamp(ancho + 8, view->columnWidth(col), std::max(MAX_ANCHO, view->columnWidth(col))));
    }
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

void F_Main::alSuspender() {
    periodico_->stop();
    auto* sistema = Consola::instance().sistema.get();
    if (registrando_ && sistema && sistema->Incidencias())
        sistema->Incidencias()->Detiene_Registro();
}

void F_Main::alReanudar(bool timerSiempre) {
    auto* sistema = Consola::instance().sistema.get();
    if (registrando_ && sistema && sistema->Incidencias())
        sistema->Incidencias()->Inicia_Registro();
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

// ---------------------------------------------------------------- layout

// Keys of the lists: Delete starts the list's delete workflow, Enter opens the selected holder's or
// reader's editor (a double click on a holder too; on the readers it tests them, as it always did),
// Ctrl+F the find dialog of the list shown. Each goes through the button, which is disabled while a
// controller operation runs.
void F_Main::conectaTeclas() {
    const auto pulsa = [this](const char* name) {
        return [this, name] {
            QToolButton* b = boton(QLatin1String(name));
            if (b && b->isEnabled())
                b->click();
        };
    };
    const struct {
        QTreeView* list;
        const char* borrar;
        const char* editar;
    } listas[] = {
        {lista1_, "B_Delete", "B_edit_usr"},
        {lista3_, "B_Delete_Cards", nullptr},
        {l1Contr_, "B_Delete_Cx", "B_Editar_cx"},
        {lista4_, "B_Delete_login", nullptr},
    };
    for (const auto& l : listas) {
        QHash<int, std::function<void()>> teclas{{Qt::Key_Delete, pulsa(l.borrar)}};
        if (l.editar) {
            teclas.insert(Qt::Key_Return, pulsa(l.editar));
            teclas.insert(Qt::Key_Enter, pulsa(l.editar));
        }
        l.list->installEventFilter(new TeclasLista(std::move(teclas), l.list));
    }
    connect(lista1_, &QTreeView::doubleClicked, this, pulsa("B_edit_usr"));

    auto* buscar = new QShortcut(QKeySequence::Find, this);
    connect(buscar, &QShortcut::activated, this, [this, pulsa] {
        if (centro_->currentIndex() == 1 && herramientas_->currentIndex() == 0)
            return pulsa("B_Buscar_Inc")();
        if (centro_->currentIndex() != 0)
            return;
        if (navegador_->currentWidget() == lista1_->parentWidget())
            pulsa("SpeedButton25")();
        else if (navegador_->currentWidget() == lista3_->parentWidget())
            pulsa("SpeedButton21")();
    });
}

// The last thing that happened stays in the bar; what a controller operation waits for shows over
// it while it waits.
void F_Main::construyeEstado() {
    auto* estado = named(QStringLiteral("L_Estado"), new QLabel(statusBar()));
    estado->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(estado, 1);
    Avisos& avisos = Avisos::instance();
    estado->setText(avisos.ultimo());
    connect(&avisos, &Avisos::aviso, estado, &QLabel::setText);
    connect(&avisos, &Avisos::cambios, this, &F_Main::FormActivate);
    connect(&avisos, &Avisos::espera, this, [this](const QString& texto) {
        if (texto.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(texto);
    });
}

void F_Main::construye() {
    resize(1280, 800);
    setMinimumSize(1024, 640);
    addToolBar(Qt::TopToolBarArea, static_cast<QToolBar*>(construyeBarra()));

    pageControl_ = named(QStringLiteral("PageControl1"), new QTabWidget(this));
    pageControl_->addTab(construyeNavegador(), icono(Icono::Instalacion), QStringLiteral("Navegator"));
    pageControl_->addTab(construyeHerramientas(), icono(Icono::Herramientas), QStringLiteral("Tools"));
    pageControl_->addTab(construyeInformes(), icono(Icono::Informes), QStringLiteral("Reports"));
    pageControl_->setMinimumWidth(300);
    pageControl_->setUsesScrollButtons(false);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(pageControl_);
    splitter->addWidget(construyeCentro());
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({310, 970});
    setCentralWidget(splitter);

    construyeEstado();

    periodico_ = named(QStringLiteral("Eliminar_Tarj_cad_Y_Test_Lectores"), new QTimer(this));
    periodico_->setInterval(PERIODIC_MS);

    connect(pageControl_, &QTabWidget::currentChanged, this, &F_Main::PageControl1Change);
    conectaOperaciones();
    conectaRegistro();
    conectaFlujos();
    conectaPresencia();
    conectaTeclas();
    conectaInformes();
    connect(arbol_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { protegido([&] { Arbol1Change(node); }); });
}

QWidget* F_Main::construyeBarra() {
    auto* bar = named(QStringLiteral("ToolBar1"), new QToolBar(this));
    bar->setMovable(false);
    bar->setIconSize(QSize(32, 32));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    struct Def {
        const char* name;
        const char* text;
        Icono icon;
    };
    const Def defs[] = {
        {"B_Login", "Login", Icono::Candado},
        {"B_New_USR_Main", "User", Icono::UsuarioNuevo},
        {"SpeedButton11", "Incid.", Icono::Eventos},
        {"B_Test_TODOS", "Test", Icono::Test},
        {"B_Send", "Send", Icono::Enviar},
        {"B_Receive", "Recev", Icono::Recibir},
        {"B_Export_import", "E/I", Icono::ExportarImportar},
        {"SpeedButton13", "Close", Icono::Cerrar},
    };
    for (const Def& d : defs) {
        auto* b = named(QString::fromLatin1(d.name), new QToolButton(bar));
        b->setText(QString::fromUtf8(d.text));
        b->setIcon(icono(d.icon));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumWidth(64);
        bar->addWidget(b);
        if (QLatin1String(d.name) == QLatin1String("B_Export_import")) {
            auto* spacer = new QWidget(bar);
            spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            bar->addWidget(spacer);
        }
    }
    connect(boton(QStringLiteral("B_Login")), &QToolButton::clicked, this, &F_Main::B_LoginClick);
    connect(boton(QStringLiteral("SpeedButton13")), &QToolButton::clicked, this, &QWidget::close);
    connect(boton(QStringLiteral("SpeedButton11")), &QToolButton::clicked, this, [this] {
        pageControl_->setCurrentIndex(1);
        Image2Click();
    });
    return bar;
}

QWidget* F_Main::construyeNavegador() {
    auto* page = named(QStringLiteral("TabSheet1"), new QWidget(this));
    arbol_ = named(QStringLiteral("Arbol1"), new QTreeWidget(page));
    arbol_->setHeaderHidden(true);
    arbol_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const struct {
        const char* text;
        Icono icon;
        int parent;
    } nodes[] = {
        {"Kestrum", Icono::Instalacion, -1},  {"Users", Icono::Usuario, 0},
        {"Cards", Icono::Tarjeta, 0},         {"Readers", Icono::Lector, 0},
        {"Management", Icono::Gestion, -1},   {"Logins", Icono::Login, 4},
        {"Parameters", Icono::Parametros, 4},
    };
    QList<QTreeWidgetItem*> made;
    for (int i = 0; i < 7; ++i) {
        auto* item =
            nodes[i].parent < 0 ? new QTreeWidgetItem(arbol_) : new QTreeWidgetItem(made[nodes[i].parent]);
        item->setText(0, QString::fromLatin1(nodes[i].text));
        item->setIcon(0, icono(nodes[i].icon));
        item->setData(0, Qt::UserRole, i);
        made << item;
    }
    arbol_->expandAll();
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(arbol_);
    return page;
}

QWidget* F_Main::construyeHerramientas() {
    auto* page = named(QStringLiteral("TabSheet2"), new QWidget(this));
    auto* layout = new QVBoxLayout(page);
    const struct {
        const char* image;
        const char* label;
        const char* text;
        Icono icon;
    } tools[] = {
        {"Image2", "Label5", "Registering Incidences", Icono::Eventos},
        {"Image3", "Label6", "Attendance Control", Icono::Presencia},
        {"Image6", "Label7", "Control de cámaras", Icono::Camaras},
    };
    for (const auto& t : tools) {
        auto* image = named(QString::fromLatin1(t.image), new QToolButton(page));
        image->setIcon(icono(t.icon));
        image->setIconSize(QSize(48, 48));
        image->setAutoRaise(true);
        auto* caption = etiquetaAjustada(QString::fromLatin1(t.label), QString::fromUtf8(t.text), page);
        caption->setAlignment(Qt::AlignHCenter);
        layout->addWidget(image, 0, Qt::AlignHCenter);
        layout->addWidget(caption);
        layout->addSpacing(12);
    }
    layout->addStretch();
    connect(findChild<QToolButton*>(QStringLiteral("Image2")), &QToolButton::clicked, this,
            &F_Main::Image2Click);
    connect(findChild<QToolButton*>(QStringLiteral("Image6")), &QToolButton::clicked, this,
            [this] { protegido([this] { Image6Click(); }); });
    return page;
}

// The attendance panel: the period and holders at the left, the chosen holder's days at the right.
QWidget* F_Main::construyePresencia(QWidget* parent) {
    auto* panel = named(QStringLiteral("PANEL_ATTENDANCE"), new QWidget(parent));
    presencia_ = lista(QStringLiteral("Lista_Presencia"), {"Dia", "Entradas", "Salidas", "Estancia"}, false);
    const int anchos[] = {100, 100, 100, 80};
    for (int col = 0; col < 4; ++col)
        presencia_->setColumnWidth(col, anchos[col]);
    calendario_ = named(QStringLiteral("Calendar1"), new QCalendarWidget(panel));
    r1_ = named(QStringLiteral("R1"), new QRadioButton(QStringLiteral("Mes"), panel));
    auto* r2 = named(QStringLiteral("R2"), new QRadioButton(QStringLiteral("Dia"), panel));
    r1_->setChecked(true);
    arbolPresencia_ = named(QStringLiteral("Arbol_Presencia"), new QTreeWidget(panel));
    arbolPresencia_->setHeaderHidden(true);
    usuarioPresencia_ = named(QStringLiteral("L_usuario_presencia"), new QLabel(panel));
    QFont negrita = usuarioPresencia_->font();
    negrita.setBold(true);
    usuarioPresencia_->setFont(negrita);
    totalPresencia_ = named(QStringLiteral("L_Total_Presencia"), new QLabel(panel));

    auto* barra = new QHBoxLayout;
    barra->addWidget(botonBarra(QStringLiteral("SpeedButton2"), QStringLiteral("Definir lectores E/S"),
                                Icono::Lector, panel));
    for (const auto& [nombre, icon] :
         {std::pair{"SpeedButton7", Icono::Guardar}, std::pair{"SpeedButton3", Icono::Abrir},
          std::pair{"SpeedButton8", Icono::Ampliar}, std::pair{"B_Imprimir_Presencia", Icono::Imprimir},
          std::pair{"B_PDF_Presencia", Icono::Pdf}})
        barra->addWidget(botonBarra(QLatin1String(nombre), QString(), icon, panel));
    barra->addStretch();

    auto* izquierda = new QVBoxLayout;
    izquierda->addWidget(
        etiquetaAjustada(QStringLiteral("Label19"), QStringLiteral("Seleccione el mes :"), panel));
    izquierda->addWidget(calendario_);
    auto* periodo = new QHBoxLayout;
    periodo->addWidget(r1_);
    periodo->addWidget(r2);
    periodo->addStretch();
    izquierda->addLayout(periodo);
    izquierda->addWidget(arbolPresencia_, 1);
    auto* derecha = new QVBoxLayout;
    derecha->addLayout(barra);
    derecha->addWidget(usuarioPresencia_);
    derecha->addWidget(presencia_, 1);
    derecha->addWidget(totalPresencia_);
    auto* layout = new QHBoxLayout(panel);
    layout->addLayout(izquierda);
    layout->addLayout(derecha, 1);
    return panel;
}

QWidget* F_Main::construyeInformes() {
    auto* page = named(QStringLiteral("TabSheet3"), new QWidget(this));
    arbolReports_ = named(QStringLiteral("Arbol_REPORTS"), new QTreeWidget(page));
    arbolReports_->setHeaderHidden(true);
    auto* root = new QTreeWidgetItem(arbolReports_, {QStringLiteral("Reports")});
    root->setIcon(0, icono(Icono::Informes));
    for (const char* text : {"Users", "Cards", "Controllers", "Cards per user"}) {
        auto* item = new QTreeWidgetItem(root, {QString::fromLatin1(text)});
        item->setIcon(0, icono(Icono::Informe));
    }
    arbolReports_->expandAll();
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(arbolReports_);
    return page;
}

QTreeView* F_Main::lista(const QString& name, Lista which, bool multi) {
    QTreeView* view = lista(name, new ModeloLista(which), multi);
    const DefinicionLista& d = definicion(which);
    for (int col = 0; col < d.anchos.size(); ++col) {
        if (d.anchos[col] == 0)
            view->setColumnHidden(col, true);
        else if (d.anchos[col] > 0)
            view->setColumnWidth(col, d.anchos[col]);
    }
    return view;
}

QTreeView* F_Main::lista(const QString& name, const QStringList& headers, bool multi) {
    return lista(name, new ModeloLista(headers), multi);
}

QTreeView* F_Main::lista(const QString& name, ModeloLista* model, bool multi) {
    auto* view = named(name, new QTreeView(this));
    model->setParent(view);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true); // 20,000 rows scroll without measuring each
    view->setAlternatingRowColors(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setStretchLastSection(true);
    connect(model, &QAbstractItemModel::modelReset, view, [view] { ajustaColumnas(view); });
    return view;
}

QWidget* F_Main::panelLista(const QString& name, const QStringList& buttons, QTreeView* list) {
    auto* panel = named(name, new QWidget(this));
    auto* bar = new QWidget(panel);
    bar->setFixedHeight(BUTTON_BAR_HEIGHT);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(4, 2, 4, 2);
    for (const QString& b : buttons) {
        const QStringList parts = b.split(QLatin1Char('|'));
        auto* button = botonBarra(parts[0], parts[1], static_cast<Icono>(parts[2].toInt()), bar);
        if (parts.size() > 3)
            button->hide(); // present for their texts, never offered
        barLayout->addWidget(button);
    }
    barLayout->addStretch();
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    if (list)
        layout->addWidget(list, 1);
    return panel;
}

QWidget* F_Main::construyeCentro() {
    auto* centre = new QWidget(this);
    cuerpo_ = named(QStringLiteral("L_Cuerpo"), new QLabel(QStringLiteral("Kestrum"), centre));
    QFont heading = cuerpo_->font();
    heading.setPointSizeF(heading.pointSizeF() * 1.4);
    heading.setBold(true);
    cuerpo_->setFont(heading);
    cuerpo_->setContentsMargins(8, 6, 8, 6);

    centro_ = new QStackedWidget(centre);
    navegador_ = named(QStringLiteral("PANEL_NAVEGATOR"), new QStackedWidget(centro_));
    const auto b = [](const char* name, const char* text, Icono icon, bool hidden = false) {
        return QStringLiteral("%1|%2|%3%4")
            .arg(QString::fromLatin1(name), QString::fromUtf8(text))
            .arg(static_cast<int>(icon))
            .arg(hidden ? QStringLiteral("|hidden") : QString());
    };

    // Installation panel.
    auto* ini = named(QStringLiteral("PANEL_INSTALACION"), new QWidget(navegador_));
    listaIni_ = lista(QStringLiteral("Lista_INI"), Lista::INI, false);
    {
        auto* layout = new QVBoxLayout(ini);
        auto* title = etiquetaAjustada(QStringLiteral("Label1"),
                                       QStringLiteral("Proximity Access Control Center"), ini);
        title->setFont(cuerpo_->font());
        auto* pictures = new QHBoxLayout;
        for (Icono i : {Icono::Instalacion, Icono::Lector}) {
            auto* picture = new QLabel(ini);
            picture->setPixmap(icono(i).pixmap(64, 64));
            pictures->addWidget(picture);
        }
        pictures->addStretch();
        layout->addWidget(title);
        layout->addLayout(pictures);
        layout->addWidget(etiquetaAjustada(QStringLiteral("Label2"), QString(), ini));
        layout->addWidget(etiquetaAjustada(QStringLiteral("Label3"), QString(), ini));
        layout->addWidget(etiquetaAjustada(QStringLiteral("Label4"), QStringLiteral("Readers"), ini));
        layout->addWidget(listaIni_, 1);
        layout->addWidget(etiquetaAjustada(QStringLiteral("Label9"), QString(), ini));
    }
    navegador_->addWidget(ini);

    lista1_ = lista(QStringLiteral("Lista1"), Lista::Usuarios, true);
    navegador_->addWidget(
        panelLista(QStringLiteral("PANEL_LISTA_USR"),
                   {b("B_New_USR_Usr", "New", Icono::UsuarioNuevo), b("B_edit_usr", "Edit", Icono::Editar),
                    b("B_Delete", "Delete", Icono::Borrar), b("SpeedButton4", "Lock", Icono::Candado, true),
                    b("SpeedButton6", "Unlock", Icono::Candado, true), b("B_Send_u", "Send", Icono::Enviar),
                    b("B_receive_u", "Receive", Icono::Recibir), b("SpeedButton25", "Find", Icono::Buscar)},
                   lista1_));

    lista3_ = lista(QStringLiteral("Lista3"), Lista::Tarjetas, true);
    navegador_->addWidget(
        panelLista(QStringLiteral("PANEL_LISTA_CARDS"),
                   {b("B_New_Card", "New", Icono::TarjetaNueva), b("B_Delete_Cards", "Delete", Icono::Borrar),
                    b("SpeedButton21", "Find", Icono::Buscar), b("B_Edit_Card", "Edit", Icono::Editar, true)},
                   lista3_));

    // Readers panel: the controllers at the top, their test status below.
    l1Contr_ = lista(QStringLiteral("L1_Contr"), Lista::Controladores, true);
    l1Contr_->setFixedHeight(200);
    l2Contr_ = lista(QStringLiteral("L2_Contr"), Lista::Estado, true);
    {
        auto* both = new QWidget(this);
        auto* layout = new QVBoxLayout(both);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(l1Contr_);
        layout->addWidget(l2Contr_, 1);
        navegador_->addWidget(panelLista(
            QStringLiteral("PANEL_LISTA_READERS"),
            {b("B_Nueva_Cx", "New", Icono::LectorNuevo), b("B_Editar_cx", "Edit", Icono::Editar),
             b("B_Delete_Cx", "Delete", Icono::Borrar), b("B_Test_Cx", "Test", Icono::Test),
             b("B_Master_Card", "Master", Icono::Master), b("B_vacia_Cards", "Cards", Icono::Vaciar),
             b("B_Clone_cx", "Clone", Icono::Clonar), b("B_Auditar", "Audit", Icono::Buscar)},
            nullptr));
        // The panel's list slot holds both lists.
        auto* panel = navegador_->widget(navegador_->count() - 1);
        static_cast<QVBoxLayout*>(panel->layout())->addWidget(both, 1);
    }

    lista4_ = lista(QStringLiteral("Lista4"), Lista::Logins, false);
    navegador_->addWidget(panelLista(
        QStringLiteral("PANEL_LISTA_LOGINS"),
        {b("B_Nuevo_Login", "New", Icono::Login), b("B_Delete_login", "Delete", Icono::Borrar)}, lista4_));

    auto* params = named(QStringLiteral("PANEL_PARAMETERS"), new QWidget(navegador_));
    {
        auto* layout = new QVBoxLayout(params);
        auto* title = etiquetaAjustada(QStringLiteral("Label10"),
                                       QStringLiteral("Proximity Access Control Center"), params);
        title->setFont(cuerpo_->font());
        layout->addWidget(title);
        layout->addWidget(etiquetaAjustada(QStringLiteral("Label8"), QString(), params));
        for (int i = 11; i <= 13; ++i)
            layout->addWidget(etiquetaAjustada(QStringLiteral("Label%1").arg(i), QString(), params));
        auto* gestion = botonBarra(QStringLiteral("SpeedButton28"),
                                   QStringLiteral("Gestión de la Base de Datos"), Icono::Gestion, params);
        layout->addWidget(gestion, 0, Qt::AlignLeft);
        for (int i = 14; i <= 16; ++i)
            layout->addWidget(etiquetaAjustada(QStringLiteral("Label%1").arg(i), QString(), params));
        layout->addWidget(botonBarra(QStringLiteral("SpeedButton29"),
                                     QStringLiteral("Parámetros de la aplicación"), Icono::Parametros,
                                     params),
                          0, Qt::AlignLeft);
        layout->addStretch();
    }
    navegador_->addWidget(params);

    // Tools: the event panel and the attendance panel under one heading.
    auto* tools = named(QStringLiteral("PANEL_TOOLS"), new QWidget(centro_));
    whichTool_ = etiquetaAjustada(QStringLiteral("L_WHICH_TOOL"), QString(), tools);
    whichTool_->setFont(cuerpo_->font());
    herramientas_ = new QStackedWidget(tools);
    {
        auto* events = named(QStringLiteral("PANEL_INCIDENCIAS"), new QWidget(herramientas_));
        incidencias_ = lista(QStringLiteral("Lista_Incidencias"),
                             {"Evento", "Lector", "Tarjeta", "Fecha", "Descripción"}, false);
        auto* bar = new QHBoxLayout;
        auto* on = botonBarra(QStringLiteral("I_PLAY_ON"), QString(), Icono::RegistroOn, events);
        auto* off = botonBarra(QStringLiteral("I_PLAY_OFF"), QString(), Icono::RegistroOff, events);
        bar->addWidget(on);
        bar->addWidget(off);
        bar->addWidget(etiquetaAjustada(QStringLiteral("Label17"), QStringLiteral("From"), events));
        bar->addWidget(named(QStringLiteral("DateTimePicker1"),
                             new QDateTimeEdit(QDateTime::currentDateTime(), events)));
        bar->addWidget(etiquetaAjustada(QStringLiteral("Label18"), QStringLiteral("To"), events));
        bar->addWidget(named(QStringLiteral("DateTimePicker2"),
                             new QDateTimeEdit(QDateTime::currentDateTime(), events)));
        bar->addStretch();
        auto* layout = new QVBoxLayout(events);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addLayout(bar);
        layout->addWidget(incidencias_, 1);
        herramientas_->addWidget(events);

        herramientas_->addWidget(construyePresencia(herramientas_));
    }
    auto* toolsLayout = new QVBoxLayout(tools);
    toolsLayout->setContentsMargins(0, 0, 0, 0);
    toolsLayout->addWidget(whichTool_);
    toolsLayout->addWidget(herramientas_, 1);

    auto* reports = named(QStringLiteral("PANEL_REPORTS"), new QWidget(centro_));
    construyeVistaInforme(reports);

    centro_->addWidget(navegador_);
    centro_->addWidget(tools);
    centro_->addWidget(reports);

    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(cuerpo_);
    layout->addWidget(centro_, 1);

    connect(boton(QStringLiteral("SpeedButton25")), &QToolButton::clicked, this, &F_Main::SpeedButton25Click);
    connect(boton(QStringLiteral("SpeedButton21")), &QToolButton::clicked, this, &F_Main::SpeedButton21Click);
    return centre;
}

QToolButton* F_Main::boton(const QString& name) const {
    return findChild<QToolButton*>(name);
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
