// F_Main: attendance — the holders of a month or a day, one holder's passages and stays, the
// manual correction, the list's text file, the larger view and the readers' types.
#include "UF_Lector_ES.h"
#include "UF_Main.h"
#include "UF_Presencia_Amplia.h"
#include "UF_Presencia_Estancia.h"
#include "arranque.h"
#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "iconos.h"
#include "informe.h"
#include "langtexts.h"
#include "listados.h"
#include "listas.h"
#include "operacion.h"
#include "presencia.h"
#include "udorqcoleccionusuario.h"
#include "udorqserver.h"
#include "udorqsistema.h"
#include "udorqusuario.h"
#include "vistainforme.h"

#include <QCalendarWidget>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

namespace kestrum::ui {

namespace {

const QString FILTRO_TEXTO = QStringLiteral("Text Files (*.txt)");

ModeloLista& modeloPresencia(const QTreeView* view) {
    return *static_cast<ModeloLista*>(view->model());
}

Fila filaDe(const FilaPresencia& f) {
    Fila fila;
    fila.celdas = {f.dia, f.entradas, f.salidas, f.estancia};
    fila.icono = Icono::Calendario;
    return fila;
}

} // namespace

void F_Main::conectaPresencia() {
    const auto handler = [this](void (F_Main::*h)()) {
        return [this, h] { protegido([&] { (this->*h)(); }); };
    };
    connect(boton(QStringLiteral("Image3")), &QToolButton::clicked, this, handler(&F_Main::Image3Click));
    connect(r1_, &QRadioButton::clicked, this, handler(&F_Main::Recalcula_Arbol));
    connect(findChild<QRadioButton*>(QStringLiteral("R2")), &QRadioButton::clicked, this,
            handler(&F_Main::Recalcula_Arbol));
    connect(calendario_, &QCalendarWidget::clicked, this, handler(&F_Main::Recalcula_Arbol));
    connect(arbolPresencia_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { protegido([&] { Arbol_PresenciaChange(node); }); });
    connect(presencia_, &QTreeView::doubleClicked, this, handler(&F_Main::Lista_PresenciaDblClick));
    connect(boton(QStringLiteral("SpeedButton2")), &QToolButton::clicked, this,
            handler(&F_Main::SpeedButton2Click));
    connect(boton(QStringLiteral("SpeedButton7")), &QToolButton::clicked, this,
            handler(&F_Main::SpeedButton7Click));
    connect(boton(QStringLiteral("SpeedButton3")), &QToolButton::clicked, this,
            handler(&F_Main::SpeedButton3Click));
    connect(boton(QStringLiteral("SpeedButton8")), &QToolButton::clicked, this,
            handler(&F_Main::SpeedButton8Click));
    connect(boton(QStringLiteral("B_Imprimir_Presencia")), &QToolButton::clicked, this,
            handler(&F_Main::B_Imprimir_PresenciaClick));
    connect(boton(QStringLiteral("B_PDF_Presencia")), &QToolButton::clicked, this,
            handler(&F_Main::B_PDF_PresenciaClick));
}

void F_Main::Image3Click() {
    Recalcula_Arbol();
}

void F_Main::Recalcula_Arbol() {
    herramientas_->setCurrentWidget(findChild<QWidget*>(QStringLiteral("PANEL_ATTENDANCE")));
    if (auto* label6 = findChild<QLabel*>(QStringLiteral("Label6")))
        whichTool_->setText(label6->text());
    // Cleared without selecting: the list keeps what it shows.
    const QSignalBlocker quieto(arbolPresencia_);
    arbolPresencia_->clear();
    const QDate fecha = calendario_->selectedDate();
    const QString titulo =
        r1_->isChecked() ? meses_.value(fecha.month() - 1) + QLatin1Char(' ') + QString::number(fecha.year())
                         : fechaCorta(fecha);
    auto* raiz = new QTreeWidgetItem(arbolPresencia_, {titulo});
    raiz->setIcon(0, icono(Icono::Calendario));
    if (store::DORQSistema* sistema = Consola::instance().sistema.get()) {
        store::DORQColeccionUsuario* usuarios = sistema->Usuarios();
        usuarios->Fija_Orden(QStringLiteral("apellidos"));
        usuarios->Carga();
        for (int i = 0; i < usuarios->Cuenta(); ++i) {
            const auto u = usuarios->Usuario(i);
            auto* nodo = new QTreeWidgetItem(raiz, {u->Nombre_Completo()});
            nodo->setIcon(0, icono(Icono::Usuario));
            nodo->setData(0, Qt::UserRole, u->id());
        }
    }
    arbolPresencia_->expandAll();
}

void F_Main::Arbol_PresenciaChange(QTreeWidgetItem* node) {
    if (!node) {
        usuarioPresencia_->clear();
        return;
    }
    if (!node->parent())
        return;
    modeloPresencia(presencia_).limpia();
    totalPresencia_->clear();
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    const auto u = sistema->Usuarios()->Busca_Usuario(node->data(0, Qt::UserRole).toInt());
    if (!u)
        return;
    usuarioPresencia_->setText(u->Nombre_Completo());
    Obtener_Valores_Entrada_Salida(u->id());
}

void F_Main::Obtener_Valores_Entrada_Salida(int usuario) {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    QTreeWidgetItem* raiz = arbolPresencia_->topLevelItem(0);
    muestraPresencia(ui::Obtener_Valores_Entrada_Salida(*sistema, usuario, calendario_->selectedDate(),
                                                        r1_->isChecked(), raiz ? raiz->text(0) : QString()));
}

void F_Main::muestraPresencia(const std::vector<FilaPresencia>& filas) {
    std::vector<Fila> vista;
    vista.reserve(filas.size());
    for (const FilaPresencia& f : filas)
        vista.push_back(filaDe(f));
    modeloPresencia(presencia_).setFilas(std::move(vista));
    totalPresencia_->setText(filas.empty()
                                 ? QString()
                                 : textoAviso(QStringLiteral("KS_Attendance_total"), {totalEstancia(filas)}));
}

std::vector<FilaPresencia> F_Main::filasPresencia() const {
    const ModeloLista& modelo = modeloPresencia(presencia_);
    std::vector<FilaPresencia> filas;
    for (int row = 0; row < modelo.filas(); ++row) {
        const QStringList& c = modelo.fila(row).celdas;
        filas.push_back({c.value(0), c.value(1), c.value(2), c.value(3)});
    }
    return filas;
}

void F_Main::Lista_PresenciaDblClick() {
    const QModelIndex actual = presencia_->currentIndex();
    QTreeWidgetItem* nodo = arbolPresencia_->currentItem();
    if (!actual.isValid() || !nodo || !ventanas_ || !ventanas_->presenciaEstancia)
        return;
    const int row = actual.row();
    ModeloLista& modelo = modeloPresencia(presencia_);
    F_Presencia_Estancia& ventana = *ventanas_->presenciaEstancia;
    ventana.setTag(0);
    ventana.L_Usuario()->setText(nodo->text(0));
    ventana.L_Fecha()->setText(modelo.fila(row).celdas.value(0));
    ventana.Edit1()->setText(modelo.fila(row).celdas.value(3));
    ventana.exec();
    if (ventana.tag() != 25)
        return;
    Fila fila = modelo.fila(row);
    fila.celdas[3] = ventana.Edit1()->text();
    modelo.actualizaFila(row, fila);
    totalPresencia_->setText(
        textoAviso(QStringLiteral("KS_Attendance_total"), {totalEstancia(filasPresencia())}));
}

void F_Main::SpeedButton7Click() {
    const QString elegido = QFileDialog::getSaveFileName(this, QString(), QString(), FILTRO_TEXTO);
    if (!elegido.isEmpty())
        Guarda_Presencia(elegido);
}

void F_Main::Guarda_Presencia(const QString& elegido) {
    guardaPresencia(nombreFicheroPresencia(elegido), filasPresencia());
}

void F_Main::SpeedButton3Click() {
    const QString fichero = QFileDialog::getOpenFileName(this, QString(), QString(), FILTRO_TEXTO);
    if (!fichero.isEmpty())
        Carga_Presencia(fichero);
}

void F_Main::Carga_Presencia(const QString& fichero) {
    std::vector<FilaPresencia> filas;
    // What was read before a failure stays in the list.
    const auto muestra = qScopeGuard([&] { muestraPresencia(filas); });
    leePresencia(fichero, filas);
}

void F_Main::SpeedButton8Click() {
    if (!ventanas_ || !ventanas_->presenciaAmplia)
        return;
    ventanas_->presenciaAmplia->muestra(filasPresencia());
    ventanas_->presenciaAmplia->show();
    ventanas_->presenciaAmplia->raise();
}

void F_Main::SpeedButton2Click() {
    if (!ventanas_ || !ventanas_->lectorES)
        return;
    // The readers' types are written while nothing else talks to them.
    const ops::SuspensionEventos suspension;
    ventanas_->lectorES->exec();
}

// ---- printing through the report engine

std::optional<reports::Informe> F_Main::informePresencia() {
    const std::vector<FilaPresencia> filas = filasPresencia();
    if (filas.empty()) {
        Avisa(QStringLiteral("KS_Attendance_nothing_to_print"));
        return std::nullopt;
    }
    reports::Informe informe;
    const QString definicion = reports::definicion(QStringLiteral("attendance"));
    if (!informe.LoadFromFile(definicion)) {
        Avisa(QStringLiteral("KS_Report_missing"), {definicion});
        return std::nullopt;
    }
    reports::Datos datos;
    datos.campos = {QStringLiteral("DIA"), QStringLiteral("ENTRADAS"), QStringLiteral("SALIDAS"),
                    QStringLiteral("ESTANCIA")};
    for (const FilaPresencia& f : filas)
        datos.filas.append(QVariantList{f.dia, f.entradas, f.salidas, f.estancia});
    informe.setDatos(std::move(datos));
    Consola& c = Consola::instance();
    QHash<QString, QString> textos =
        c.servidor ? reports::Lee_Textos_Informes(c.servidor->db()) : QHash<QString, QString>{};
    const QAbstractItemModel* modelo = presencia_->model();
    const char* columnas[] = {"dia", "entradas", "salidas", "estancia"};
    for (int col = 0; col < 4; ++col)
        textos.insert(QLatin1String(columnas[col]), modelo->headerData(col, Qt::Horizontal).toString());
    textos.insert(QStringLiteral("total_texto"), textoAviso(QStringLiteral("KS_Attendance_total_caption")));
    informe.setTextos(textos);
    QTreeWidgetItem* raiz = arbolPresencia_->topLevelItem(0);
    informe.setVariables({{QStringLiteral("titular"), usuarioPresencia_->text()},
                          {QStringLiteral("periodo"), raiz ? raiz->text(0) : QString()},
                          {QStringLiteral("instalacion"),
                           c.servidor ? reports::nombreInstalacion(*c.servidor, c.instalacion) : QString()},
                          {QStringLiteral("fecha"), fechaCorta(QDate::currentDate())},
                          {QStringLiteral("total"), totalEstancia(filas)}});
    informe.PrepareReport();
    return informe;
}

void F_Main::B_Imprimir_PresenciaClick() {
    const std::optional<reports::Informe> informe = informePresencia();
    if (!informe)
        return;
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        Avisa(QStringLiteral("KS_Report_no_printer"));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(usuarioPresencia_->text());
    QPrintDialog dialogo(&printer, this);
    if (dialogo.exec() != QDialog::Accepted)
        return;
    informe->imprime(printer);
}

void F_Main::B_PDF_PresenciaClick() {
    const QString elegido =
        QFileDialog::getSaveFileName(this, QString(), QString(), QStringLiteral("PDF (*.pdf)"));
    if (!elegido.isEmpty())
        Guarda_Presencia_PDF(elegido);
}

void F_Main::Guarda_Presencia_PDF(const QString& elegido) {
    const std::optional<reports::Informe> informe = informePresencia();
    if (!informe)
        return;
    const QString fichero = reports::VistaInforme::conExtensionPdf(elegido);
    informe->exportaPdf(fichero);
    Avisa(QStringLiteral("KS_Attendance_pdf_saved"), {fichero});
}

} // namespace kestrum::ui
