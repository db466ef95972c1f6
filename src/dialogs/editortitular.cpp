#include "editortitular.h"

#include "Variables.h"
#include "acuses.h"
#include "avisos.h"
#include "consola.h"
#include "dataroot.h"
#include "distribucion.h"
#include "errores.h"
#include "formas.h"
#include "iconos.h"
#include "kerror.h"
#include "limites.h"
#include "listas.h"
#include "operacion.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"
#include "udorqusuario.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QScopeGuard>
#include <QShowEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const QSize TAMANO_FOTO(120, 150);

store::DORQSistema* sistemaAbierto() {
    return Consola::instance().sistema.get();
}

Icono iconoDe(EditorTitular::IconoTarjeta i) {
    switch (i) {
    case EditorTitular::Libre:
        return Icono::Tarjeta;
    case EditorTitular::Nueva:
        return Icono::TarjetaNueva;
    case EditorTitular::ConTitular:
        return Icono::Usuario;
    }
    return Icono::Ninguno;
}

QToolButton* botonIcono(const QString& name, Icono i, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(icono(i));
    b->setAutoRaise(true);
    return b;
}

// Yes stores a holder without a name; the default is No.
bool aceptaSinNombre(QWidget* parent) {
    return QMessageBox::question(parent, QApplication::applicationDisplayName(),
                                 textoAviso(QStringLiteral("KS_Dlg_No_name_question")),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

QGroupBox* grupo(const QString& name, const QString& title, QWidget* parent) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(name);
    return g;
}

} // namespace

EditorTitular::EditorTitular(const QString& nombre, int minimoEnter, bool menuLista, QWidget* parent)
    : QDialog(parent, Qt::Tool), nombre_(nombre), minimoEnter_(minimoEnter),
      caducidad_(QStringLiteral("xpGroupBox3"), QStringLiteral("Label4"), QStringLiteral("Label5"), this) {
    setObjectName(nombre);
    setModal(false);

    edit1_ = campoTexto(QStringLiteral("Edit1"), store::limites::dorqusuario::NOMBRE, this);
    edit2_ = campoTexto(QStringLiteral("Edit2"), store::limites::dorqusuario::APELLIDOS, this);
    foto_ = etiqueta(QStringLiteral("I_Foto"), QString(), this);
    foto_->setFixedSize(TAMANO_FOTO);
    foto_->setAlignment(Qt::AlignCenter);
    foto_->setFrameShape(QFrame::StyledPanel);
    auto* bFoto = botonIcono(QStringLiteral("B_Foto"), Icono::Editar, this);
    auto* bQuitFoto = botonIcono(QStringLiteral("B_Quit_Foto"), Icono::Borrar, this);

    auto* datos = new QGridLayout;
    datos->addWidget(etiqueta(QStringLiteral("Label1"), QStringLiteral("Nombre"), this), 0, 0);
    datos->addWidget(edit1_, 0, 1, 1, 3);
    datos->addWidget(etiqueta(QStringLiteral("Label2"), QStringLiteral("Apellidos"), this), 1, 0);
    datos->addWidget(edit2_, 1, 1, 1, 3);
    datos->addWidget(etiqueta(QStringLiteral("Label3"), QStringLiteral("Fotografía"), this), 2, 0,
                     Qt::AlignTop);
    datos->addWidget(foto_, 2, 1);
    auto* botonesFoto = new QVBoxLayout;
    botonesFoto->addWidget(bFoto);
    botonesFoto->addWidget(bQuitFoto);
    botonesFoto->addStretch();
    datos->addLayout(botonesFoto, 2, 2);
    datos->setColumnStretch(3, 1);

    // Cards.
    QGroupBox* gTarjetas = grupo(QStringLiteral("xpGroupBox1"), QStringLiteral("Tarjetas"), this);
    tarjetas_ = new QComboBox(gTarjetas);
    tarjetas_->setObjectName(QStringLiteral("C_Tarjetas"));
    tarjetas_->setEditable(true);
    tarjetas_->setInsertPolicy(QComboBox::NoInsert);
    tarjetas_->setMaxVisibleItems(20);
    tarjetas_->lineEdit()->setMaxLength(store::DORQTarjeta::LONGITUD_CODIGO);
    tarjetas_->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), tarjetas_));
    // The combo box has the focus and hands most keys to its entry without the entry's filters.
    tarjetas_->installEventFilter(this);
    tarjetas_->lineEdit()->installEventFilter(this);
    ch1_ = new QCheckBox(QStringLiteral("Tarjetas libres"), gTarjetas);
    ch1_->setObjectName(QStringLiteral("CH1"));
    auto* bMas = botonIcono(QStringLiteral("B_Mas"), Icono::TarjetaNueva, gTarjetas);
    auto* bEliminar = botonIcono(QStringLiteral("B_Eliminar"), Icono::Borrar, gTarjetas);
    lista1_ = new QTreeWidget(gTarjetas);
    lista1_->setObjectName(QStringLiteral("Lista1"));
    lista1_->setColumnCount(3);
    lista1_->setHeaderLabels(
        {QStringLiteral("Tarjeta"), QStringLiteral("Fecha alta"), QStringLiteral("Fecha caducida")});
    lista1_->setRootIsDecorated(false);
    // Only the code shows; the dates ride along in the two other columns.
    lista1_->setColumnHidden(1, true);
    lista1_->setColumnHidden(2, true);
    auto* entrada = new QHBoxLayout;
    entrada->addWidget(tarjetas_, 1);
    entrada->addWidget(bMas);
    entrada->addWidget(bEliminar);
    auto* lTarjetas = new QVBoxLayout(gTarjetas);
    lTarjetas->addWidget(ch1_);
    lTarjetas->addLayout(entrada);
    lTarjetas->addWidget(lista1_, 1);

    // Readers.
    QGroupBox* gLectores = grupo(QStringLiteral("xpGroupBox2"),
                                 QStringLiteral("Lectores por los que se le permite acceso"), this);
    lectores_ = new QListWidget(gLectores);
    lectores_->setObjectName(QStringLiteral("CHLista1"));
    auto* lLectores = new QVBoxLayout(gLectores);
    lLectores->addWidget(lectores_);

    auto* aceptar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Aceptar"), this);
    auto* cancelar = botonDialogo(QStringLiteral("B_Cancelar"), QStringLiteral("Cancelar"), this);
    // Enter belongs to the card entry, never to a default button.
    aceptar->setAutoDefault(false);
    cancelar->setAutoDefault(false);

    auto* medio = new QHBoxLayout;
    medio->addWidget(gTarjetas, 1);
    medio->addWidget(gLectores, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(datos);
    layout->addLayout(medio, 1);
    layout->addWidget(caducidad_.grupo());
    layout->addLayout(filaBotones({cancelar, aceptar}));
    resize(560, 560);

    controles_ = {aceptar,   cancelar,  edit1_, edit2_,  bFoto,     bQuitFoto,         bMas,
                  bEliminar, tarjetas_, ch1_,   lista1_, lectores_, caducidad_.grupo()};

    texts_ = {lang::title(),
              lang::caption(QStringLiteral("Label1")),
              lang::caption(QStringLiteral("Label2")),
              lang::caption(QStringLiteral("Label3")),
              lang::caption(QStringLiteral("xpGroupBox1")),
              lang::caption(QStringLiteral("CH1")),
              lang::column(QStringLiteral("Lista1"), 0),
              lang::column(QStringLiteral("Lista1"), 1),
              lang::column(QStringLiteral("Lista1"), 2),
              lang::caption(QStringLiteral("xpGroupBox2")),
              lang::caption(QStringLiteral("B_Cancelar")),
              lang::caption(QStringLiteral("B_Aceptar"))};
    if (menuLista) {
        // The list's menu: only "No asignar" does something.
        auto* editar = new QAction(QStringLiteral("Editar"), lista1_);
        editar->setObjectName(QStringLiteral("Edit3"));
        auto* noAsignar = new QAction(QStringLiteral("No asignar"), lista1_);
        noAsignar->setObjectName(QStringLiteral("Delete1"));
        auto* cancelarMenu = new QAction(QStringLiteral("Cancelar"), lista1_);
        cancelarMenu->setObjectName(QStringLiteral("Cancelar1"));
        lista1_->addActions({editar, noAsignar, cancelarMenu});
        lista1_->setContextMenuPolicy(Qt::ActionsContextMenu);
        connect(noAsignar, &QAction::triggered, this, [this] { B_EliminarClick(); });
        texts_ << lang::caption(QStringLiteral("Edit3")) << lang::caption(QStringLiteral("Delete1"))
               << lang::caption(QStringLiteral("Cancelar1"));
    }
    texts_ << lang::caption(QStringLiteral("xpGroupBox3"))
           << lang::caption(QStringLiteral("CH_Usar_Caducidad")) << lang::caption(QStringLiteral("Label5"))
           << lang::caption(QStringLiteral("Label4"))
           << GrupoCaducidad::textosAviso(QStringLiteral("KS_Dlg_Expiry_cards"))
           << lang::hint(QStringLiteral("B_Foto")).withWholeKey(QStringLiteral("KS_Dlg_Tip_photo"))
           << lang::hint(QStringLiteral("B_Quit_Foto")).withWholeKey(QStringLiteral("KS_Dlg_Tip_no_photo"))
           << lang::hint(QStringLiteral("B_Mas")).withWholeKey(QStringLiteral("KS_Dlg_Tip_add_card"))
           << lang::hint(QStringLiteral("B_Eliminar")).withWholeKey(QStringLiteral("KS_Dlg_Tip_remove_card"));

    connect(aceptar, &QPushButton::clicked, this, [this] { B_AceptarClick(); });
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(bMas, &QToolButton::clicked, this, [this] { protegido([this] { B_MasClick(); }); });
    connect(bEliminar, &QToolButton::clicked, this, [this] { B_EliminarClick(); });
    connect(bFoto, &QToolButton::clicked, this, [this] { protegido([this] { B_FotoClick(); }); });
    connect(bQuitFoto, &QToolButton::clicked, this, [this] { B_Quit_FotoClick(); });
    connect(ch1_, &QCheckBox::toggled, this, [this] { protegido([this] { Rellena_Tarjetas(); }); });
}

void EditorTitular::FormCreate() {
    applyLangTexts(this, nombre_, texts_);
}

QString EditorTitular::carpetaFotos() {
    return config::DataRoot::file(QStringLiteral("Pictures"));
}

void EditorTitular::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (preparaAlMostrar(this, event))
        protegido([this] { Prepara(); });
}

void EditorTitular::closeEvent(QCloseEvent* event) {
    // Accept waits for controllers with the window still up: it must not close under it.
    if (ocupado_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void EditorTitular::done(int result) {
    if (ocupado_)
        return;
    // Only a showing that the main window opened (and suspended events for) resumes them.
    const bool abierto = isVisible();
    QDialog::done(result);
    lector_.libera();
    if (abierto)
        protegido([] { ops::reanudaEventos(); });
}

bool EditorTitular::eventFilter(QObject* watched, QEvent* event) {
    if ((watched != tarjetas_ && watched != tarjetas_->lineEdit()) || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (tarjetas_->currentText().size() >= minimoEnter_)
            protegido([this] { B_MasClick(); });
        return true;
    }
    // Keys that type something other than a digit are dropped; editing and moving keys work.
    const QString text = key->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isDigit())
        return true;
    return false;
}

// ---------------------------------------------------------------- preparing

void EditorTitular::preparaComun(bool lectoresMarcados) {
    lista1_->clear();
    Rellena_Tarjetas();
    rellenaLectores(lectoresMarcados);
}

void EditorTitular::Rellena_Tarjetas() {
    store::DORQSistema* sistema = sistemaAbierto();
    const QString texto = tarjetas_->currentText();
    tarjetas_->clear();
    if (sistema) {
        store::DORQColeccionTarjeta& tarjetas = *sistema->Tarjetas();
        tarjetas.Carga();
        const bool soloLibres = ch1_->isChecked();
        const QIcon libre = icono(iconoDe(Libre));
        const QIcon conTitular = icono(iconoDe(ConTitular));
        for (int i = 0; i < tarjetas.Cuenta(); ++i) {
            const auto t = tarjetas.Tarjeta(i);
            const bool tieneTitular = t->usuario() != nullptr;
            if (soloLibres && tieneTitular)
                continue;
            tarjetas_->addItem(tieneTitular ? conTitular : libre, t->codigo_tarjeta());
        }
    }
    // No item chosen: the entry keeps what was typed, without an item's icon beside it.
    tarjetas_->setCurrentIndex(-1);
    tarjetas_->setEditText(texto);
}

void EditorTitular::rellenaLectores(bool marcados) {
    lectores_->clear();
    lector_.libera();
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema)
        return;
    const auto& v = config::Variables::instance();
    store::DORQColeccionControlador& controladores = *sistema->Controladores();
    for (int i = 0; i < controladores.Cuenta(); ++i) {
        const auto c = controladores.Controlador(i);
        auto* item = new QListWidgetItem(QString::number(c->cod()) + QLatin1Char(' ') + c->descripcion());
        item->setData(Qt::UserRole, c->cod());
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(marcados ? Qt::Checked : Qt::Unchecked);
        lectores_->addItem(item);
        if (v.desktopReaderInUse && c->cod() == v.desktopReaderNumber)
            lector_.enruta(c->cod(),
                           [this](const link::TEventoInformacion& info) { Recibida_Lectura(info); });
    }
}

void EditorTitular::anyadeFila(const QString& codigo, const store::DORQTarjeta* tarjeta, IconoTarjeta icono) {
    auto* item = new QTreeWidgetItem(lista1_);
    item->setText(0, codigo);
    item->setIcon(0, ui::icono(iconoDe(icono)));
    item->setData(0, Qt::UserRole, static_cast<int>(icono));
    if (!tarjeta)
        return;
    item->setText(1, textoFecha(tarjeta->fecha_alta()));
    if (tarjeta->usar_fecha_cad())
        item->setText(2, textoFecha(tarjeta->fecha_caducidad()));
}

void EditorTitular::marcaLectoresDe(const store::DORQTarjeta& tarjeta) {
    for (const store::TAsignacion& a : tarjeta.Asignaciones()) {
        for (int row = 0; row < lectores_->count(); ++row) {
            QListWidgetItem* item = lectores_->item(row);
            if (item->data(Qt::UserRole).toInt() == a.controlador)
                item->setCheckState(Qt::Checked);
        }
    }
}

void EditorTitular::habilita(bool on) {
    for (QWidget* w : controles_)
        w->setEnabled(on);
    if (on)
        Muestra_Habilita_caducidad();
}

// ---------------------------------------------------------------- cards, photo, desktop reader

void EditorTitular::B_MasClick() {
    // The code stays in the entry, selected: the next one typed replaces it.
    const auto selecciona = qScopeGuard([this] { tarjetas_->lineEdit()->selectAll(); });
    const QString codigo = store::DORQTarjeta::Rellena_Codigo(tarjetas_->currentText());
    for (int row = 0; row < lista1_->topLevelItemCount(); ++row) {
        if (lista1_->topLevelItem(row)->text(0) == codigo)
            return;
    }
    if (codigo.size() != store::DORQTarjeta::LONGITUD_CODIGO)
        return;
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema)
        return;
    store::DORQColeccionTarjeta& tarjetas = *sistema->Tarjetas();
    if (!tarjetas.Existe_Tarjeta(codigo)) {
        anyadeFila(codigo, nullptr, Nueva);
        return;
    }
    // The database has it; the store may not yet, when another console added it.
    auto t = tarjetas.Busca_Tarjeta(codigo);
    if (!t) {
        tarjetas.Carga();
        t = tarjetas.Busca_Tarjeta(codigo);
    }
    anyadeFila(codigo, t.get(), t && t->usuario() ? ConTitular : Libre);
}

void EditorTitular::B_EliminarClick() {
    delete lista1_->currentItem();
}

void EditorTitular::B_FotoClick() {
    const QString carpeta = carpetaFotos();
    QDir().mkpath(carpeta);
    const QString elegida = QFileDialog::getOpenFileName(
        this, QString(), foto_path_.isEmpty() ? carpeta : foto_path_,
        QStringLiteral("Images (*.jpg *.jpeg *.png *.bmp *.gif);;All files (*)"));
    if (!elegida.isEmpty())
        Elige_Foto(elegida);
}

void EditorTitular::Elige_Foto(const QString& path) {
    const QString carpeta = QDir::cleanPath(QFileInfo(carpetaFotos()).absoluteFilePath());
    const QString suya = QDir::cleanPath(QFileInfo(path).absolutePath());
    // A photo is stored by file name only, so it must come from that one folder.
    if (suya.compare(carpeta, Qt::CaseInsensitive) != 0)
        return;
    if (QPixmap(path).isNull())
        throw Error(QStringLiteral("%1: not a picture that can be shown").arg(path));
    Muestra_Foto(path);
}

void EditorTitular::Muestra_Foto(const QString& path) {
    B_Quit_FotoClick();
    if (path.isEmpty())
        return;
    const QPixmap pixmap(path);
    if (pixmap.isNull())
        return;
    foto_->setPixmap(pixmap.scaled(TAMANO_FOTO, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    foto_path_ = path;
}

void EditorTitular::B_Quit_FotoClick() {
    foto_->clear();
    foto_path_.clear();
}

QString EditorTitular::fotografia() const {
    return foto_path_.isEmpty() ? QString() : QFileInfo(foto_path_).fileName();
}

void EditorTitular::Recibida_Lectura(const link::TEventoInformacion& info) {
    tarjetas_->setEditText(info.Tarjeta_Hex);
}

// ---------------------------------------------------------------- accept

void EditorTitular::B_AceptarClick() {
    if (ocupado_)
        return;
    // A controller operation elsewhere holds the links: the holder stays as typed, to accept again.
    if (ops::operacionEnCurso()) {
        QApplication::beep();
        return;
    }
    if (edit1_->text().trimmed().isEmpty() && !aceptaSinNombre(this)) {
        Avisa(QStringLiteral("KS_Dlg_No_name_kept"));
        return;
    }
    ocupado_ = true;
    habilita(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool hecho = false;
    const auto fin = qScopeGuard([this, &hecho] {
        QApplication::restoreOverrideCursor();
        habilita(true);
        ocupado_ = false;
        protegido([this, hecho] { trasAceptar(hecho); });
        Avisos::instance().publicaCambios();
    });
    const ops::GuardaOperacion operacion;
    hecho = protegido([this] { Acepta(); });
}

void EditorTitular::asignaTarjetas(const std::shared_ptr<store::DORQUsuario>& titular) {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema || !titular)
        return;
    store::DORQColeccionTarjeta& tarjetas = *sistema->Tarjetas();
    store::DORQColeccionControlador& controladores = *sistema->Controladores();
    QList<int> marcados;
    for (int row = 0; row < lectores_->count(); ++row) {
        if (lectores_->item(row)->checkState() == Qt::Checked)
            marcados << lectores_->item(row)->data(Qt::UserRole).toInt();
    }
    QStringList codigos;
    for (int row = 0; row < lista1_->topLevelItemCount(); ++row)
        codigos << lista1_->topLevelItem(row)->text(0);

    const QDateTime ahora = QDateTime::currentDateTime();
    EnviosSinAcuse sinAcuse;
    for (const QString& codigo : codigos) {
        const bool existe = tarjetas.Existe_Tarjeta(codigo);
        auto tarjeta = existe ? tarjetas.Busca_Tarjeta(codigo) : nullptr;
        if (existe && !tarjeta) {
            tarjetas.Carga();
            tarjeta = tarjetas.Busca_Tarjeta(codigo);
        }
        if (tarjeta) {
            // A reader that kept the card and is not among the chosen ones is named at the end;
            // a chosen one is named only if the send below is not acknowledged either.
            for (const int cod : ops::Borra_De_Controladores(*tarjeta).retenida) {
                const auto controlador = controladores.Busca_Controlador(cod);
                if (controlador && !marcados.contains(cod))
                    sinAcuse.anotaBorrado(cod, controlador->descripcion(), codigo);
            }
            tarjeta->setUsuario(titular);
            tarjeta->setFecha_alta(ahora);
            tarjeta->setFecha_caducidad(caducidad_.caducidad());
            tarjeta->setUsar_fecha_cad(caducidad_.usar());
            tarjetas.Modifica_Tarjeta(*tarjeta);
        } else {
            store::DORQTarjeta nueva;
            nueva.setCodigo_tarjeta(codigo);
            nueva.setFecha_alta(ahora);
            nueva.setUsuario(titular);
            nueva.setFecha_caducidad(caducidad_.caducidad());
            nueva.setUsar_fecha_cad(caducidad_.usar());
            tarjetas.Crea_Tarjeta(nueva);
        }
        // Both writes reloaded the store: the card as it stands now.
        tarjeta = tarjetas.Busca_Tarjeta(codigo);
        if (!tarjeta)
            continue;
        for (const int cod : ops::Envia_A_Lectores(*sistema, *tarjeta, marcados)) {
            if (const auto controlador = controladores.Busca_Controlador(cod))
                sinAcuse.anota(cod, controlador->descripcion(), codigo);
        }
    }
    if (!sinAcuse.vacio()) {
        sinAcuse.avisa();
        return;
    }
    Avisa(QStringLiteral("KS_Dlg_Holder_stored"),
          {QStringList{edit1_->text(), edit2_->text()}.join(QLatin1Char(' ')).trimmed(),
           cuenta(codigos.size(), QStringLiteral("KS_Dlg_One_card"), QStringLiteral("KS_Dlg_N_cards"))});
}

} // namespace kestrum::ui
