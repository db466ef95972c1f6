#include "UF_Parametros_app.h"

#include "Lang.h"
#include "Variables.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "grupo_servidor.h"
#include "langtexts.h"
#include "portmap.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

LangTable textos() {
    LangTable t{lang::title(), lang::caption(QStringLiteral("Label1")),
                lang::caption(QStringLiteral("xpGroupBox1")), lang::caption(QStringLiteral("L_Idioma")),
                lang::caption(QStringLiteral("xpGroupBox2"))};
    for (int n = 1; n <= 4; ++n)
        t << lang::caption(QStringLiteral("R%1").arg(n));
    t << lang::caption(QStringLiteral("xpGroupBox3")) << lang::caption(QStringLiteral("R5"))
      << lang::caption(QStringLiteral("R6")) << lang::caption(QStringLiteral("xpGroupBox4"))
      << lang::caption(QStringLiteral("R7")) << lang::caption(QStringLiteral("R8"))
      << lang::caption(QStringLiteral("B_Cancelar")) << lang::caption(QStringLiteral("B_Aceptar"))
      << lang::caption(QStringLiteral("xpGroupBox5")) << lang::caption(QStringLiteral("CH_Lectura_Lector"))
      << lang::caption(QStringLiteral("CH_Reintento")).withWholeKey(QStringLiteral("KS_Dlg_Retry_pending"))
      << lang::caption(QStringLiteral("G_Serie")).withWholeKey(QStringLiteral("KS_Dlg_Serial_ports"))
      << lang::column(QStringLiteral("T_Serie"), 0).withWholeKey(QStringLiteral("KS_Dlg_Serial_port"))
      << lang::column(QStringLiteral("T_Serie"), 1).withWholeKey(QStringLiteral("KS_Dlg_Serial_device"))
      << lang::hint(QStringLiteral("T_Serie")).withWholeKey(QStringLiteral("KS_Dlg_Serial_hint"));
    t << G_Servidor::textos();
    return t;
}

// A group of radio buttons, one per caption, numbered from `primero`.
QGroupBox* grupo(const QString& nombre, const QString& titulo, int primero, const QStringList& opciones,
                 QRadioButton** radios, QWidget* parent) {
    auto* g = new QGroupBox(titulo, parent);
    g->setObjectName(nombre);
    auto* layout = new QVBoxLayout(g);
    auto* exclusivos = new QButtonGroup(g);
    for (int i = 0; i < opciones.size(); ++i) {
        auto* r = new QRadioButton(opciones.at(i), g);
        r->setObjectName(QStringLiteral("R%1").arg(primero + i));
        exclusivos->addButton(r);
        layout->addWidget(r);
        radios[primero - 1 + i] = r;
    }
    return g;
}

QString mensaje(int n) {
    return config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Main_%1").arg(n));
}

} // namespace

F_Parametros_app::F_Parametros_app(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Parametros_app"));
    setWindowTitle(QStringLiteral("Configuración general de la aplicación."));
    setModal(true);
    setMinimumWidth(440);

    auto* idioma = new QGroupBox(QStringLiteral("Idioma"), this);
    idioma->setObjectName(QStringLiteral("xpGroupBox1"));
    idioma_ = new QComboBox(idioma);
    idioma_->setObjectName(QStringLiteral("C_Idioma"));
    auto* idiomaLayout = new QHBoxLayout(idioma);
    idiomaLayout->addWidget(
        etiqueta(QStringLiteral("L_Idioma"), QStringLiteral("Idioma de la aplicación"), idioma));
    idiomaLayout->addWidget(idioma_, 1);

    QGroupBox* eliminar =
        grupo(QStringLiteral("xpGroupBox2"), QStringLiteral("Eliminar incidencias automáticamente cada"), 1,
              {QStringLiteral("No eliminar"), QStringLiteral("1 dia"), QStringLiteral("15 dias"),
               QStringLiteral("30 dias")},
              radios_, this);
    eliminar->hide(); // the automatic deletion of events is not offered
    QGroupBox* liberar = grupo(QStringLiteral("xpGroupBox3"),
                               QStringLiteral("Liberar tarjetas al alcanzar fecha de caducidad cada"), 5,
                               {QStringLiteral("No liberar"), QStringLiteral("Liberar")}, radios_, this);
    QGroupBox* testear = grupo(QStringLiteral("xpGroupBox4"), QStringLiteral("Testear los lectores cada"), 7,
                               {QStringLiteral("No testear"), QStringLiteral("Testear")}, radios_, this);
    reintento_ = new QCheckBox(QStringLiteral("Send pending cards to readers that answer again"), testear);
    reintento_->setObjectName(QStringLiteral("CH_Reintento"));
    testear->layout()->addWidget(reintento_);
    // Only the periodic test finds the readers that answer again.
    connect(radios_[7], &QRadioButton::toggled, reintento_, &QWidget::setEnabled);

    auto* lector = new QGroupBox(QStringLiteral("Lectura de tarjeta por lector"), this);
    lector->setObjectName(QStringLiteral("xpGroupBox5"));
    lectura_ = new QCheckBox(QStringLiteral("Activar"), lector);
    lectura_->setObjectName(QStringLiteral("CH_Lectura_Lector"));
    lectores_ = new QComboBox(lector);
    lectores_->setObjectName(QStringLiteral("C_Lectores_Lectura"));
    auto* lectorLayout = new QHBoxLayout(lector);
    lectorLayout->addWidget(lectura_);
    lectorLayout->addWidget(lectores_, 1);

    auto* serie = new QGroupBox(QStringLiteral("Serial ports"), this);
    serie->setObjectName(QStringLiteral("G_Serie"));
    serie_ = new QTableWidget(0, 2, serie);
    serie_->setObjectName(QStringLiteral("T_Serie"));
    serie_->setHorizontalHeaderLabels({QStringLiteral("Port"), QStringLiteral("Device")});
    serie_->horizontalHeader()->setStretchLastSection(true);
    serie_->verticalHeader()->hide();
    serie_->setMinimumHeight(120);
    auto* serieLayout = new QVBoxLayout(serie);
    serieLayout->addWidget(serie_);

    servidor_ = new G_Servidor(this);

    auto* cancelar = botonDialogo(QStringLiteral("B_Cancelar"), QStringLiteral("Cancelar"), this);
    auto* aceptar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Aceptar"), this);
    aceptar->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        etiqueta(QStringLiteral("Label1"), QStringLiteral("Configuración general de la aplicación"), this));
    // The console's own settings at the left, where it finds its readers and databases at the right.
    auto* columnas = new QHBoxLayout;
    auto* izquierda = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{idioma, eliminar, liberar, testear, lector})
        izquierda->addWidget(w);
    izquierda->addStretch(1);
    auto* derecha = new QVBoxLayout;
    derecha->addWidget(serie, 1);
    derecha->addWidget(servidor_);
    columnas->addLayout(izquierda, 1);
    columnas->addLayout(derecha, 1);
    layout->addLayout(columnas);
    layout->addLayout(filaBotones({cancelar, aceptar}));

    connect(aceptar, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    // The operator's choices; filling the choosers is not choosing.
    connect(idioma_, &QComboBox::activated, this, [this] { protegido([this] { C_IdiomaChange(); }); });
    connect(lectores_, &QComboBox::activated, this,
            [this] { protegido([this] { C_Lectores_LecturaChange(); }); });
    connect(lectura_, &QCheckBox::clicked, this, [this] { protegido([this] { CH_Lectura_LectorClick(); }); });
}

void F_Parametros_app::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Parametros_app"), textos());
    idioma_->clear();
    idioma_->addItems(config::Lang::instance().languages());
}

void F_Parametros_app::Prepara() {
    config::Variables& v = config::Variables::instance();
    R(std::clamp(v.eventCleanup, 0, 3) + 1)->setChecked(true);
    R(v.releaseExpiredCards ? 6 : 5)->setChecked(true);
    R(v.testControllers ? 8 : 7)->setChecked(true);
    elInc_ = v.eventCleanup;
    liberar_ = v.releaseExpiredCards;
    testear_ = v.testControllers;
    reintento_->setChecked(v.retryPending);
    reintento_->setEnabled(v.testControllers);
    reintentar_ = v.retryPending;
    usaLector_ = v.desktopReader;

    lectores_->clear();
    lectura_->setChecked(!v.desktopReader.isEmpty());
    if (v.desktopReader.isEmpty())
        v.desktopReaderInUse = false;
    if (store::DORQSistema* sistema = Consola::instance().sistema.get()) {
        store::DORQColeccionControlador* controladores = sistema->Controladores();
        for (int i = 0; i < controladores->Cuenta(); ++i) {
            const auto c = controladores->Controlador(i);
            lectores_->addItem(QString::number(c->cod()) + QLatin1Char(' ') + c->descripcion());
            if (QString::number(c->cod()) == v.desktopReader)
                lectores_->setCurrentIndex(i);
        }
    }
    if (v.desktopReader.isEmpty())
        lectores_->setCurrentIndex(-1);
    idioma_->setCurrentIndex(idioma_->findText(v.language, Qt::MatchFixedString));
    preparaSerie();
    servidor_->carga(v.database());
}

void F_Parametros_app::preparaSerie() {
    const config::Variables& v = config::Variables::instance();
    QMap<int, QString> puertos = v.serialDevices();
    if (store::DORQSistema* sistema = Consola::instance().sistema.get()) {
        store::DORQColeccionControlador* controladores = sistema->Controladores();
        for (int i = 0; i < controladores->Cuenta(); ++i) {
            bool numero = false;
            const int puerto = controladores->Controlador(i)->puerto_serie().toInt(&numero);
            if (numero && !puertos.contains(puerto))
                puertos.insert(puerto, QString());
        }
    }
    QStringList sistemaSerie;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        sistemaSerie << info.systemLocation();
    serie_->setRowCount(0);
    for (auto it = puertos.cbegin(); it != puertos.cend(); ++it) {
        const int fila = serie_->rowCount();
        serie_->insertRow(fila);
        auto* puerto = new QTableWidgetItem(QStringLiteral("COM%1").arg(it.key()));
        puerto->setData(Qt::UserRole, it.key());
        puerto->setFlags(Qt::ItemIsEnabled);
        serie_->setItem(fila, 0, puerto);
        auto* dispositivo = new QComboBox(serie_);
        dispositivo->setEditable(true);
        dispositivo->addItems(sistemaSerie);
        // Unmapped, a port opens the system's default device for its number.
        const QString actual = it.value().isEmpty() ? link::PortMap::defaultDevice(it.key()) : it.value();
        dispositivo->setCurrentText(actual);
        dispositivo->setProperty("antes", it.value());
        serie_->setCellWidget(fila, 1, dispositivo);
    }
}

void F_Parametros_app::setDispositivo(int fila, const QString& dispositivo) {
    if (auto* combo = qobject_cast<QComboBox*>(serie_->cellWidget(fila, 1)))
        combo->setCurrentText(dispositivo);
}

bool F_Parametros_app::aceptaSerie() {
    config::Variables& v = config::Variables::instance();
    bool cambiado = false;
    for (int fila = 0; fila < serie_->rowCount(); ++fila) {
        const int puerto = serie_->item(fila, 0)->data(Qt::UserRole).toInt();
        const auto* combo = qobject_cast<QComboBox*>(serie_->cellWidget(fila, 1));
        QString dispositivo = combo->currentText().trimmed();
        const QString antes = combo->property("antes").toString();
        // The default device of an unmapped port stays unmapped.
        if (antes.isEmpty() && dispositivo == link::PortMap::defaultDevice(puerto))
            dispositivo.clear();
        if (dispositivo == antes)
            continue;
        v.setSerialDevice(puerto, dispositivo);
        cambiado = true;
    }
    if (cambiado)
        v.Graba_Serie();
    return cambiado;
}

QString F_Parametros_app::lectorElegido() const {
    return lectores_->currentIndex() < 0 ? QString()
                                         : lectores_->currentText().section(QLatin1Char(' '), 0, 0);
}

void F_Parametros_app::C_IdiomaChange() {
    QMessageBox::information(this, QApplication::applicationDisplayName(), mensaje(5));
    config::Variables::instance().language = idioma_->currentText();
}

void F_Parametros_app::CH_Lectura_LectorClick() {
    config::Variables& v = config::Variables::instance();
    v.desktopReaderInUse = lectura_->isChecked();
    v.desktopReader = lectura_->isChecked() ? lectorElegido() : QString();
}

void F_Parametros_app::C_Lectores_LecturaChange() {
    config::Variables& v = config::Variables::instance();
    v.desktopReaderNumber = lectorElegido().toInt();
    // The stored reader follows the one in use, so that the next start uses the same.
    if (lectura_->isChecked())
        v.desktopReader = lectorElegido();
}

bool F_Parametros_app::Acepta() {
    config::Variables& v = config::Variables::instance();
    for (int n = 1; n <= 4; ++n) {
        if (R(n)->isChecked())
            v.eventCleanup = n - 1;
    }
    v.releaseExpiredCards = R(6)->isChecked();
    v.testControllers = R(8)->isChecked();
    v.retryPending = reintento_->isChecked();
    const bool serie = aceptaSerie();
    const bool servidor = servidor_->valores() != v.database();
    if (servidor) {
        v.setDatabase(servidor_->valores());
        v.Graba_Database();
    }
    return serie || servidor || v.eventCleanup != elInc_ || v.releaseExpiredCards != liberar_ ||
           v.testControllers != testear_ || v.retryPending != reintentar_ || v.desktopReader != usaLector_;
}

} // namespace kestrum::ui
