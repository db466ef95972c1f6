// The main window's layout: the bar, the navigator, the tools, the attendance panel, the reports
// and the centre with its lists, and the keys of the lists.
#include "F_Login_APP.h"
#include "Lang.h"
#include "UF_Camera_Control.h"
#include "UF_Gestion_BD.h"
#include "UF_Main.h"
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
#include "timings.h"
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

constexpr int BUTTON_BAR_HEIGHT = 41;

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

} // namespace

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
    periodico_->setInterval(timings().periodicMs);

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

} // namespace kestrum::ui
