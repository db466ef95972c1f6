// F_Main: the controller test, event registering, the periodic task and the event panel.
#include "Lang.h"
#include "UF_Auditoria.h"
#include "UF_Main.h"
#include "UF_User_Muestra.h"
#include "Variables.h"
#include "acuses.h"
#include "arranque.h"
#include "avisos.h"
#include "consola.h"
#include "dataroot.h"
#include "errores.h"
#include "iconos.h"
#include "langtexts.h"
#include "listas.h"
#include "operacion.h"
#include "periodica.h"
#include "reintento.h"
#include "reloj.h"
#include "safefile.h"
#include "transferencias.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcoleccionincidencia.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"
#include "udorqincidencia.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"
#include "udorqusuario.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

namespace kestrum::ui {

namespace {

// Lista_Incidencias: caption, date, source, description, and the holder code the find skips.
constexpr int COLUMNA_TITULAR = 4;
constexpr int ULTIMA_SUBCOLUMNA_INCIDENCIAS = 2;
constexpr int CAMPOS_FICHERO = 5;
const QChar SEPARADOR = QLatin1Char('*');
const QString SIN_TITULAR = QStringLiteral("-1");

store::DORQSistema* sistemaAbierto() {
    return Consola::instance().sistema.get();
}

store::DORQColeccionIncidencia* registro() {
    store::DORQSistema* sistema = sistemaAbierto();
    return sistema ? sistema->Incidencias() : nullptr;
}

ModeloLista& modeloDe(const QTreeView* view) {
    return *static_cast<ModeloLista*>(view->model());
}

QString mensaje(int n) {
    return config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Main_%1").arg(n));
}

QString ahoraTexto() {
    return store::Fecha_Hora_Texto(QDateTime::currentDateTime());
}

// An insertion, not a reset: the view keeps the operator's selection, and a long list costs
// nothing more per event.
void alPrincipio(QTreeView* view, Fila fila) {
    modeloDe(view).insertaFila(0, std::move(fila));
}

int filaDe(const ModeloLista& modelo, int numero) {
    for (int row = 0; row < modelo.filas(); ++row) {
        if (modelo.fila(row).clave.toInt() == numero)
            return row;
    }
    return -1;
}

// A controller missing from the store, never connected, or whose port is closed does not answer.
// A port that did not open, or failed since, is tried again: an adapter may be back.
link::TTest_Informacion testea(int numero, QString* errorPuerto = nullptr) {
    link::TTest_Informacion info;
    store::DORQSistema* sistema = sistemaAbierto();
    const auto controlador = sistema ? sistema->Controladores()->Busca_Controlador(numero) : nullptr;
    if (!controlador || !controlador->Comunicador())
        return info;
    controlador->Conecta();
    controlador->Comunicador()->Testear(info);
    if (errorPuerto)
        *errorPuerto = controlador->Comunicador()->Conectado() ? QString() : controlador->ultimoError();
    return info;
}

Icono imagenDe(const QStringList& nombres, const QString& caption) {
    Icono icono = Icono::Ninguno;
    if (caption.isEmpty())
        return icono;
    // Several types may share a name (all "¿?" without texts): the last one wins.
    for (int tipo = 1; tipo <= nombres.size(); ++tipo) {
        if (nombres.at(tipo - 1) == caption)
            icono = iconoIncidencia(tipo);
    }
    return icono;
}

// Fields up to the fourth "*"; later ones belong to the last field. A missing separator empties
// the fields that end or start at it, and the last field then is the whole line.
QStringList campos(const QString& linea) {
    qsizetype pos[CAMPOS_FICHERO - 1];
    qsizetype desde = 0;
    for (qsizetype& p : pos) {
        p = desde < 0 ? -1 : linea.indexOf(SEPARADOR, desde);
        desde = p < 0 ? -1 : p + 1;
    }
    QStringList out;
    out << (pos[0] >= 0 ? linea.left(pos[0]) : QString());
    for (int i = 1; i < CAMPOS_FICHERO - 1; ++i)
        out << (pos[i] >= 0 ? linea.mid(pos[i - 1] + 1, pos[i] - pos[i - 1] - 1) : QString());
    const qsizetype cuarto = pos[CAMPOS_FICHERO - 2];
    out << (cuarto >= 0 ? linea.mid(cuarto + 1) : linea);
    return out;
}

void llenaDocumento(QTextDocument& doc, const ModeloLista& modelo, const QString& titulo) {
    QTextCursor cursor(&doc);
    QTextBlockFormat izquierda;
    izquierda.setAlignment(Qt::AlignLeft);
    QTextBlockFormat centrado;
    centrado.setAlignment(Qt::AlignHCenter);
    QTextCharFormat cabecera;
    cabecera.setFontFamilies({QStringLiteral("Courier")});
    cabecera.setFontPointSize(16);
    QTextCharFormat cuerpo;
    cuerpo.setFontFamilies({QStringLiteral("Arial")});
    cuerpo.setFontPointSize(10);

    cursor.setBlockFormat(izquierda);
    cursor.insertBlock(izquierda);
    cursor.insertBlock(centrado, cabecera);
    cursor.insertText(titulo, cabecera);
    cursor.insertBlock(izquierda, cuerpo);
    cursor.insertBlock(izquierda, cuerpo);
    const QString blancos = QStringLiteral("   ");
    for (int row = 0; row < modelo.filas(); ++row) {
        const QStringList& c = modelo.fila(row).celdas;
        cursor.insertBlock(izquierda, cuerpo);
        cursor.insertText(QLatin1Char('\t') + c.value(0) + blancos + QLatin1Char('\t') + c.value(1) +
                              blancos + QLatin1Char('\t') + c.value(2) + blancos + QLatin1Char('\t') +
                              c.value(3),
                          cuerpo);
    }
}

// A test sweep holds the operation guard; both test buttons come back enabled in every case.
auto barrido(F_Main& main) {
    auto* uno = main.findChild<QToolButton*>(QStringLiteral("B_Test_Cx"));
    auto* todos = main.findChild<QToolButton*>(QStringLiteral("B_Test_TODOS"));
    ops::marcaOperacion(true);
    return qScopeGuard([&main, uno, todos] {
        ops::marcaOperacion(false);
        uno->setEnabled(true);
        todos->setEnabled(true);
    });
}

QToolButton* botonPanel(const QString& name, const QString& hint, Icono icon, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(icono(icon));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    return b;
}

} // namespace

// ---------------------------------------------------------------- wiring

void F_Main::conectaRegistro() {
    const auto handler = [this](void (F_Main::*h)()) {
        return [this, h] { protegido([&] { (this->*h)(); }); };
    };
    connect(boton(QStringLiteral("I_PLAY_OFF")), &QToolButton::clicked, this,
            handler(&F_Main::I_PLAY_OFFClick));
    connect(boton(QStringLiteral("I_PLAY_ON")), &QToolButton::clicked, this,
            handler(&F_Main::I_PLAY_ONClick));
    boton(QStringLiteral("I_PLAY_ON"))->hide();
    connect(boton(QStringLiteral("B_Test_TODOS")), &QToolButton::clicked, this,
            handler(&F_Main::B_Test_TODOSClick));
    connect(boton(QStringLiteral("B_Test_Cx")), &QToolButton::clicked, this,
            handler(&F_Main::B_Test_CxClick));
    connect(l1Contr_, &QTreeView::doubleClicked, this, handler(&F_Main::B_Test_TODOSClick));
    connect(periodico_, &QTimer::timeout, this, handler(&F_Main::Eliminar_Tarj_cad_Y_Test_LectoresTimer));
    connect(this, &F_Main::incidenciaRegistrada, this,
            [this](const link::TEventoInformacion& info) { protegido([&] { Muestra_Incidencia(info); }); });

    incidencias_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const int anchos[] = {100, 100, 100, 150};
    for (int col = 0; col < 4; ++col)
        incidencias_->setColumnWidth(col, anchos[col]);
    incidencias_->setColumnHidden(COLUMNA_TITULAR, true);
    incidencias_->header()->setStretchLastSection(false);
    connect(incidencias_, &QTreeView::clicked, this, handler(&F_Main::Lista_IncidenciasClick));

    // The panel's top bar: load beside the range pickers, the list's other tools after it.
    auto* panel = findChild<QWidget*>(QStringLiteral("PANEL_INCIDENCIAS"));
    auto* barra = static_cast<QHBoxLayout*>(panel->layout()->itemAt(0)->layout());
    int at = barra->indexOf(findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker2"))) + 1;
    const struct {
        const char* name;
        const char* hint;
        Icono icon;
        void (F_Main::*h)();
    } botones[] = {
        {"SpeedButton1", "Load", Icono::Calendario, &F_Main::SpeedButton1Click},
        {"B_Buscar_Inc", "Find", Icono::Buscar, &F_Main::B_Buscar_IncClick},
        {"B_Salvar", "Save", Icono::Enviar, &F_Main::B_SalvarClick},
        {"B_Recuperar", "Restore", Icono::Recibir, &F_Main::B_RecuperarClick},
        {"SpeedButton5", "Print", Icono::Informes, &F_Main::SpeedButton5Click},
        {"SpeedButton9", "Clear", Icono::Vaciar, &F_Main::SpeedButton9Click},
    };
    for (const auto& b : botones) {
        QToolButton* nuevo =
            botonPanel(QString::fromLatin1(b.name), QString::fromLatin1(b.hint), b.icon, panel);
        barra->insertWidget(at++, nuevo);
        connect(nuevo, &QToolButton::clicked, this, handler(b.h));
    }
}

// ---------------------------------------------------------------- registering

void F_Main::I_PLAY_OFFClick() {
    boton(QStringLiteral("I_PLAY_OFF"))->hide();
    boton(QStringLiteral("I_PLAY_ON"))->show();
    registrando_ = true;
    Control_Botones_Cx(false);
    // While a window holds the controllers, the log takes them when it gives them back.
    if (auto* log = registro(); log && !ops::Operaciones::instance().suspendidos())
        log->Inicia_Registro();
}

void F_Main::I_PLAY_ONClick() {
    boton(QStringLiteral("I_PLAY_OFF"))->show();
    boton(QStringLiteral("I_PLAY_ON"))->hide();
    registrando_ = false;
    Control_Botones_Cx(true);
    if (auto* log = registro(); log && !ops::Operaciones::instance().suspendidos())
        log->Detiene_Registro();
}

void F_Main::Muestra_Incidencia(const link::TEventoInformacion& info) {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema)
        return;
    QString descripcion;
    QString origen;
    QString titular;
    if (!info.Tarjeta_Hex.isEmpty()) {
        const auto tarjeta = sistema->Tarjetas()->Busca_Tarjeta(info.Tarjeta_Hex);
        if (tarjeta && tarjeta->usuario()) {
            descripcion = tarjeta->usuario()->Nombre_Completo();
            titular = QString::number(tarjeta->usuario()->id());
        }
    }
    bool numero = false;
    const int puerto = info.Puerto.toInt(&numero);
    if (const auto controlador = numero ? sistema->Controladores()->Busca_Por_Puerto(puerto) : nullptr)
        origen = controlador->descripcion();
    Fila fila;
    QString nombre;
    if (info.Tipo >= 1 && info.Tipo <= 6) {
        nombre = nombresEventos_.value(info.Tipo - 1);
        fila.icono = iconoIncidencia(info.Tipo);
        if (info.Tipo == 1 || info.Tipo == 2)
            descripcion = info.Tarjeta_Hex + QLatin1Char(' ') + descripcion;
    }
    // An event held during an operation shows when it came, not when the list got it.
    const QString momento = info.Llegada.isValid() ? store::Fecha_Hora_Texto(info.Llegada) : ahoraTexto();
    fila.celdas =
        QStringList{nombre, momento, origen, descripcion, titular.isEmpty() ? SIN_TITULAR : titular};
    alPrincipio(incidencias_, std::move(fila));
}

// ---------------------------------------------------------------- controller test

void F_Main::Test_Controlador(int numero, int fila) {
    QString errorPuerto;
    const link::TTest_Informacion info = testea(numero, &errorPuerto);
    muestraTest(numero, fila, info, errorPuerto);
}

void F_Main::muestraTest(int numero, int fila, const link::TTest_Informacion& info,
                         const QString& errorPuerto) {
    const bool contesta = info.Ok == 1;
    ModeloLista& l1 = modeloDe(l1Contr_);
    // The reply wait lets other handlers run; one may have rebuilt the list.
    if (fila < 0 || fila >= l1.filas() || l1.fila(fila).clave.toInt() != numero)
        fila = filaDe(l1, numero);
    QString descripcion;
    if (fila >= 0) {
        Fila activo = l1.fila(fila);
        descripcion = activo.celdas.value(1);
        marcaActivo(activo, contesta, errorPuerto);
        l1.actualizaFila(fila, std::move(activo));
    }
    store::DORQSistema* sistema = sistemaAbierto();
    const int enBD = contesta && sistema ? sistema->Tarjetas()->Cuenta_Tarjetas_Controlador(numero) : 0;
    modeloDe(l2Contr_).anyadeFila(filaEstado(numero, descripcion, info, enBD));
}

// Every port at once: each row fills in as its controller answers or gives up.
void F_Main::testeaALaVez(const QList<int>& numeros) {
    store::DORQSistema* sistema = sistemaAbierto();
    modeloDe(l2Contr_).limpia();
    if (!sistema || numeros.isEmpty())
        return;
    ops::TestTodos test(*sistema);
    connect(&test, &ops::TestTodos::resultado, this, [this](const ops::TestTodos::Resultado& r) {
        protegido([&] { muestraTest(r.numero, -1, r.info, r.errorPuerto); });
    });
    test.ejecuta(numeros);
}

// The numbers of the readers chosen in the list, in list order.
static QList<int> lectoresElegidos(const QTreeView* l1Contr) {
    QList<int> filas;
    for (const QModelIndex& i : l1Contr->selectionModel()->selectedRows())
        filas << i.row();
    std::sort(filas.begin(), filas.end());
    const ModeloLista& l1 = modeloDe(l1Contr);
    QList<int> numeros;
    for (int row : filas)
        numeros << l1.fila(row).celdas.value(0).toInt();
    return numeros;
}

void F_Main::B_Test_CxClick() {
    if (ops::operacionEnCurso())
        return;
    const auto cierre = barrido(*this);
    testeaALaVez(lectoresElegidos(l1Contr_));
}

// Every reader when none is chosen: the whole installation is the usual thing to prove.
void F_Main::B_AuditarClick() {
    if (!sistemaAbierto() || !ventanas_ || !ventanas_->auditoria || ops::operacionEnCurso())
        return;
    const auto despues = qScopeGuard([this] { trasTransferencia(); });
    if (ventanas_->auditoria->Audita(lectoresElegidos(l1Contr_)))
        ventanas_->auditoria->exec();
}

void F_Main::B_Test_TODOSClick() {
    if (ops::operacionEnCurso())
        return;
    const auto cierre = barrido(*this);
    selecciona(Lectores);
    const ModeloLista& l1 = modeloDe(l1Contr_);
    QList<int> numeros;
    for (int row = 0; row < l1.filas(); ++row)
        numeros << l1.fila(row).celdas.value(0).toInt();
    testeaALaVez(numeros);
}

// ---------------------------------------------------------------- periodic task

// What the periodic task sent: a line per card in the event list, a summary in the status bar.
void F_Main::muestraReenvios(const std::vector<ops::Reenvio>& envios, const QHash<int, QString>& lectores) {
    if (envios.empty())
        return;
    int confirmados = 0;
    for (const ops::Reenvio& e : envios) {
        confirmados += e.confirmado ? 1 : 0;
        Fila linea;
        linea.celdas = QStringList{textoAviso(e.confirmado ? QStringLiteral("KS_Retry_sent")
                                                           : QStringLiteral("KS_Retry_not_acknowledged")),
                                   ahoraTexto(), lectores.value(e.controlador), e.codigo, SIN_TITULAR};
        linea.icono = e.confirmado ? Icono::Enviar : Icono::AlarmaLector;
        alPrincipio(incidencias_, std::move(linea));
    }
    Avisa(QStringLiteral("KS_Retry_done"), {QString::number(confirmados), QString::number(envios.size())});
}

void F_Main::Eliminar_Tarj_cad_Y_Test_LectoresTimer() {
    // A tick during another operation's reply wait would start a second command on a busy link.
    if (!sistemaAbierto() || ops::operacionEnCurso())
        return;
    const auto& v = config::Variables::instance();
    bool liberada = false;
    ops::suspendeEventos();
    ops::marcaOperacion(true);
    const auto cierre = qScopeGuard([this, &liberada] {
        QCoreApplication::processEvents();
        ops::marcaOperacion(false);
        protegido([] { ops::reanudaEventos(false); });
        QTreeWidgetItem* nodo = arbol_->currentItem();
        if (liberada && nodo)
            protegido([&] { Arbol1Change(nodo); });
    });

    if (v.testControllers) {
        const ModeloLista& l1 = modeloDe(l1Contr_);
        QList<int> numeros;
        QHash<int, QString> descripciones;
        for (int row = 0; row < l1.filas(); ++row) {
            const int n = l1.fila(row).celdas.value(0).toInt();
            numeros << n;
            descripciones.insert(n, l1.fila(row).celdas.value(1));
        }
        store::DORQSistema* sistema = sistemaAbierto();
        const std::vector<ops::TestTodos::Resultado> resultados =
            sistema && !numeros.isEmpty() ? ops::TestTodos(*sistema).ejecuta(numeros)
                                          : std::vector<ops::TestTodos::Resultado>{};
        QList<int> contestan;
        for (const auto& r : resultados) {
            if (r.info.Ok == 1) {
                contestan << r.numero;
                continue;
            }
            Fila aviso;
            aviso.celdas = QStringList{mensaje(13), ahoraTexto(), descripciones.value(r.numero),
                                       QStringLiteral("¿?¿?"), SIN_TITULAR};
            alPrincipio(incidencias_, std::move(aviso));
        }
        if (v.retryPending && sistema && !contestan.isEmpty())
            muestraReenvios(ops::Reenvia_Pendientes(*sistema, contestan, REENVIOS_POR_TICK), descripciones);
    }

    if (v.releaseExpiredCards) {
        const ops::Liberacion r = ops::Libera_Caducadas(&sistemaAbierto, ops::Reloj::ahora());
        liberada = r.alguna;
        for (const auto& [codigo, lectores] : r.retenidas)
            avisaRetenida(codigo, lectores);
    }
}

// ---------------------------------------------------------------- event panel

void F_Main::SpeedButton1Click() {
    auto* log = registro();
    if (!log)
        return;
    const QDateTime desde = findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker1"))->dateTime();
    const QDateTime hasta = findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker2"))->dateTime();
    const QString formato = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    log->Fija_Filtro(desde.toString(formato), hasta.toString(formato), -1);
    log->Fija_Fechas(-1, desde, hasta);
    log->Carga();
    std::vector<Fila> filas;
    filas.reserve(static_cast<std::size_t>(log->Cuenta()));
    for (int i = 0; i < log->Cuenta(); ++i) {
        const auto e = log->Incidencia(i);
        const int tipo = e->evento();
        Fila f;
        f.celdas = QStringList{tipo >= 1 && tipo <= 6 ? nombresEventos_.value(tipo - 1) : QString(),
                               e->TIMESTAMP_Texto(), e->hist_controlador(), e->descripcion(),
                               QString::number(e->usr())};
        f.icono = iconoIncidencia(tipo);
        filas.push_back(std::move(f));
    }
    modeloDe(incidencias_).setFilas(std::move(filas));
}

void F_Main::B_SalvarClick() {
    const QString fichero = QFileDialog::getSaveFileName(this, dialogTitle(this, QStringLiteral("Save_INC")),
                                                         QString(), QStringLiteral("Text Files (*.txt)"));
    if (!fichero.isEmpty())
        Salva_Incidencias(fichero);
}

// ".txt" goes after whatever name was chosen, also one that ends in ".txt".
void F_Main::Salva_Incidencias(const QString& fichero) {
    QString texto;
    const ModeloLista& modelo = modeloDe(incidencias_);
    for (int row = 0; row < modelo.filas(); ++row) {
        const QStringList& c = modelo.fila(row).celdas;
        QStringList linea{c.value(0), c.value(1), c.value(2), c.value(3)};
        if (c.size() == CAMPOS_FICHERO)
            linea << c.value(COLUMNA_TITULAR);
        texto += linea.join(SEPARADOR) + QLatin1Char('\n');
    }
    config::writeFileSafely(fichero + QStringLiteral(".txt"), texto.toUtf8());
}

void F_Main::B_RecuperarClick() {
    const QString fichero = QFileDialog::getOpenFileName(this, dialogTitle(this, QStringLiteral("Open_INC")),
                                                         QString(), QStringLiteral("Text Files (*.txt)"));
    if (!fichero.isEmpty())
        Recupera_Incidencias(fichero);
}

void F_Main::Recupera_Incidencias(const QString& fichero) {
    QFile file(fichero);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(file.fileName() + QStringLiteral(": ") + file.errorString());
    ModeloLista& modelo = modeloDe(incidencias_);
    modelo.limpia();
    QTextStream in(&file);
    QString linea;
    // Row by row: a read error leaves the rows already read.
    while (in.readLineInto(&linea)) {
        Fila f;
        f.celdas = campos(linea);
        f.icono = imagenDe(nombresEventos_, f.celdas.value(0));
        modelo.anyadeFila(std::move(f));
    }
    if (file.error() != QFileDevice::NoError)
        throw Error(file.fileName() + QStringLiteral(": ") + file.errorString());
}

void F_Main::B_Buscar_IncClick() {
    dialogoBuscar(QStringLiteral("Find_INC"), [this](const QString& t) { return Find_INCFind(t); });
}

bool F_Main::Find_INCFind(const QString& text) {
    return busca(incidencias_, text, ULTIMA_SUBCOLUMNA_INCIDENCIAS);
}

namespace {

// Checks the entries whose controller holds the card, stored in its memory or still pending.
void Averigua_que_controloadores(QListWidget& lista, const store::DORQTarjeta& tarjeta) {
    for (const store::TAsignacion& a : tarjeta.Asignaciones()) {
        for (int i = 0; i < lista.count(); ++i) {
            QListWidgetItem* entrada = lista.item(i);
            if (entrada->data(Qt::UserRole).toInt() == a.controlador)
                entrada->setCheckState(Qt::Checked);
        }
    }
}

} // namespace

void F_Main::Lista_IncidenciasClick() {
    F_User_Muestra* ventana = ventanas_ ? ventanas_->userMuestra.get() : nullptr;
    store::DORQSistema* sistema = sistemaAbierto();
    if (!ventana || !sistema)
        return;
    QModelIndex actual = incidencias_->currentIndex();
    if (!actual.isValid() || !incidencias_->selectionModel()->isRowSelected(actual.row(), {})) {
        const QModelIndexList filas = incidencias_->selectionModel()->selectedRows();
        if (filas.isEmpty())
            return;
        actual = filas.first();
    }
    const QString codigo = modeloDe(incidencias_).fila(actual.row()).celdas.value(COLUMNA_TITULAR);
    if (codigo.isEmpty())
        return;
    // Whatever goes wrong here only means that no holder is shown.
    try {
        bool numero = false;
        const int id = codigo.toInt(&numero);
        const auto usuario = numero ? sistema->Usuarios()->Busca_Usuario(id) : nullptr;
        if (!usuario)
            return;
        ventana->Limpia();
        ventana->L_Nombre()->setText(usuario->nombre());
        ventana->L_Apellidos()->setText(usuario->apellidos());
        if (!usuario->fotografia().isEmpty())
            ventana->Muestra_Foto(
                config::DataRoot::file(QStringLiteral("Pictures/") + usuario->fotografia()));
        const store::TTarjetaLista tarjetas = usuario->Lista_Tarjetas();
        for (const store::TTarjetaAlmacenada& t : tarjetas)
            ventana->Lista_Tarjetas()->addItem(t.tarjeta->codigo_tarjeta());
        const store::DORQColeccionControlador* controladores = sistema->Controladores();
        for (int i = 0; i < controladores->Cuenta(); ++i) {
            const auto c = controladores->Controlador(i);
            ventana->Anyade_Controlador(c->cod(), c->descripcion());
        }
        for (const store::TTarjetaAlmacenada& t : tarjetas)
            Averigua_que_controloadores(*ventana->CHLista1(), *t.tarjeta);
        ventana->show();
        ventana->raise();
    } catch (const std::exception& e) {
        ventana->hide();
        qCDebug(lcUi) << "holder not shown:" << e.what();
    }
}

void F_Main::SpeedButton5Click() {
    const QPrinterInfo impresora = QPrinterInfo::defaultPrinter();
    if (impresora.isNull()) {
        Muestra_Error(QStringLiteral("No printer is installed: the event list was not printed."));
        return;
    }
    QTextDocument doc;
    llenaDocumento(doc, modeloDe(incidencias_), mensaje(26));
    QPrinter printer(impresora);
    printer.setDocName(QStringLiteral("Editor RTF"));
    doc.print(&printer);
}

void F_Main::SpeedButton9Click() {
    modeloDe(incidencias_).limpia();
}

} // namespace kestrum::ui
