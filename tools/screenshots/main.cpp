// kestrum-screenshots: the pictures of the user guide. Runs the console in this process on a
// demonstration installation of its own (a temporary data root, simulated controllers on
// pseudo-terminals), opens every window as an operator would and saves each as a PNG. A window
// that does not open, or opens blank, is named and the exit status is 1, so the program doubles as
// a check that every window still opens.
#include "FR_Error_insert.h"
#include "F_Delete_Confirm.h"
#include "F_Login_APP.h"
#include "F_Muestra_Delete.h"
#include "F_Muestra_recepcion.h"
#include "F_Pregunta_Eliminar.h"
#include "F_Select_Lang.h"
#include "Fr_Exp_imp.h"
#include "Fr_edit_controller.h"
#include "Fr_imp_XLS.h"
#include "UF_Camera_Control.h"
#include "UF_Edit_User.h"
#include "UF_Editar_Card.h"
#include "UF_Main.h"
#include "UF_New_Camera.h"
#include "UF_New_Card.h"
#include "UF_Nuevo_Usr.h"
#include "UF_Parametros_app.h"
#include "UF_Pregunta_elimina_tarj.h"
#include "UF_Presencia_Amplia.h"
#include "UF_Presencia_Estancia.h"
#include "UF_User_Muestra.h"
#include "arranque.h"
#include "caducidad.h"
#include "consola.h"
#include "dbconnection.h"
#include "errores.h"
#include "formas.h"
#include "listas.h"
#include "operacion.h"
#include "pinger.h"
#include "simhost.h"
#include "udorqincidencia.h"

#include <QApplication>
#include <QBuffer>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSet>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <csignal>
#include <cstdio>
#include <functional>
#include <unistd.h>

using namespace kestrum;

namespace {

const char* const USAGE =
    "usage: kestrum-screenshots [--help] [--version] FOLDER\n"
    "Saves a picture of every window of the console into FOLDER (PNG), from a demonstration\n"
    "installation in a temporary data root with two simulated controllers, under Qt's offscreen\n"
    "platform unless QT_QPA_PLATFORM says otherwise. Exit status: 0 every window shot, 1 a window\n"
    "failed (named on standard error), 2 wrong usage.\n";

// The longest a window may take to appear, and the whole run: nothing may hang a check.
constexpr int LIMITE_VENTANA_MS = 20000;
constexpr unsigned LIMITE_TOTAL_S = 240;
// What a window gets to lay itself out and fill its lists before the picture.
constexpr int ASIENTO_MS = 400;
constexpr int ANCHO_MAXIMO = 1280;

const QDate DIA_DEMO(2026, 3, 2);
const QDate MES_PRESENCIA(2026, 2, 1);
const QDateTime CADUCIDAD(QDate(2030, 12, 31), QTime(20, 0));

void espera(int ms) {
    QEventLoop bucle;
    QTimer::singleShot(ms, &bucle, &QEventLoop::quit);
    bucle.exec();
}

bool esperaHasta(const std::function<bool()>& listo, int ms) {
    QElapsedTimer reloj;
    reloj.start();
    while (!listo()) {
        if (reloj.elapsed() > ms)
            return false;
        espera(20);
    }
    return true;
}

// A blank grab (one colour, or nothing drawn) is a window that did not really open.
bool enBlanco(const QImage& img) {
    if (img.isNull() || img.width() < 40 || img.height() < 30)
        return true;
    QSet<QRgb> colores;
    for (int y = 0; y < img.height(); y += 3) {
        for (int x = 0; x < img.width(); x += 3) {
            colores.insert(img.pixel(x, y));
            if (colores.size() > 4)
                return false;
        }
    }
    return true;
}

class Fotografo {
public:
    explicit Fotografo(const QString& carpeta) : carpeta_(carpeta) {}

    QStringList fallos;
    QStringList hechas;

    bool guarda(const QString& nombre, QWidget* w) {
        QImage img = w->grab().toImage();
        if (enBlanco(img)) {
            falla(nombre, QStringLiteral("the window is blank"));
            return false;
        }
        if (img.width() > ANCHO_MAXIMO)
            img = img.scaledToWidth(ANCHO_MAXIMO, Qt::SmoothTransformation);
        const QString fichero = QDir(carpeta_).filePath(nombre + QStringLiteral(".png"));
        if (!img.save(fichero, "PNG")) {
            falla(nombre, QStringLiteral("cannot write ") + fichero);
            return false;
        }
        hechas << nombre;
        std::printf("%s\n", qPrintable(fichero));
        std::fflush(stdout);
        return true;
    }

    void falla(const QString& nombre, const QString& porque) {
        fallos << nombre;
        std::fprintf(stderr, "kestrum-screenshots: %s: %s\n", qPrintable(nombre), qPrintable(porque));
    }

    // Shoots the window `busca` finds once it is shown, done preparing and left alone for a
    // moment; then `despues` closes it. `abre` opens it and may run it modally: the picture is taken
    // from a timer meanwhile. A window that does not come in time is a failure, and a modal one
    // still open then is closed so that the run goes on.
    bool foto(const QString& nombre, const std::function<void()>& abre,
              const std::function<QWidget*()>& busca, const std::function<void(QWidget*)>& despues) {
        bool hecho = false;
        bool tomada = false;
        QWidget* visto = nullptr;
        QElapsedTimer desde;
        QElapsedTimer total;
        total.start();
        QTimer vigia;
        vigia.setInterval(20);
        QObject::connect(&vigia, &QTimer::timeout, [&] {
            QWidget* w = busca();
            const bool listo = w && w->isVisible() && !w->property(ui::PREPARANDO).toBool();
            if (!listo || w != visto) {
                visto = listo ? w : nullptr;
                desde.start();
                // Without a window manager a dialog keeps the size it was created with, smaller
                // than its content at times.
                if (listo && qobject_cast<QDialog*>(w))
                    w->resize(w->size().expandedTo(w->sizeHint()));
                if (listo && antes_) {
                    antes_(w);
                    antes_ = {};
                }
            }
            if (listo && desde.elapsed() >= ASIENTO_MS) {
                vigia.stop();
                hecho = true;
                tomada = guarda(nombre, w);
                despues(w);
                return;
            }
            if (total.elapsed() > LIMITE_VENTANA_MS) {
                vigia.stop();
                hecho = true;
                falla(nombre, QStringLiteral("the window did not open"));
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
            }
        });
        vigia.start();
        abre();
        if (!esperaHasta([&] { return hecho; }, LIMITE_VENTANA_MS + 2000)) {
            vigia.stop();
            falla(nombre, QStringLiteral("the window did not open"));
        }
        return tomada;
    }

    // A window run modally by `abre`, closed with `despues` (by default as Cancel does).
    bool modal(const QString& nombre, const std::function<void()>& abre,
               const std::function<void(QWidget*)>& despues = cancela) {
        return foto(
            nombre, abre, [] { return QApplication::activeModalWidget(); }, despues);
    }
    // A window that does not block: `abre` shows it; closed afterwards unless `cierra` is false.
    bool ventana(const QString& nombre, QWidget* w, const std::function<void()>& abre, bool cierra = true) {
        return foto(
            nombre, abre, [w] { return w; },
            [cierra](QWidget* v) {
                if (cierra)
                    cancela(v);
            });
    }

    static void cancela(QWidget* w) {
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    }

    // What the next shot does to its window once it is up, before the picture.
    void antes(std::function<void(QWidget*)> paso) { antes_ = std::move(paso); }

private:
    QString carpeta_;
    std::function<void(QWidget*)> antes_;
};

// Two cameras for the camera window: a Motion JPEG stream on 127.0.0.1 per path /1 and /2, each
// one still picture of a door, sent again every 200 ms.
class CamarasDemo : public QObject {
public:
    CamarasDemo() {
        servidor_.listen(QHostAddress::LocalHost);
        connect(&servidor_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = servidor_.nextPendingConnection()) {
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { responde(s); });
            }
        });
        reloj_.setInterval(200);
        connect(&reloj_, &QTimer::timeout, this, [this] {
            for (auto it = flujos_.begin(); it != flujos_.end();) {
                if (!it->first) {
                    it = flujos_.erase(it);
                    continue;
                }
                it->first->write(parte(it->second));
                ++it;
            }
        });
        reloj_.start();
    }
    QString direccion(int n) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(servidor_.serverPort()).arg(n);
    }

private:
    void responde(QTcpSocket* s) {
        if (s->property("respondido").toBool())
            return;
        const QByteArray pedido = s->property("pedido").toByteArray() + s->readAll();
        s->setProperty("pedido", pedido);
        if (!pedido.contains("\r\n\r\n"))
            return;
        s->setProperty("respondido", true);
        const int n = pedido.split(' ').value(1).mid(1).toInt();
        s->write("HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=kestrum\r\n\r\n");
        flujos_.append({QPointer<QTcpSocket>(s), n});
    }
    QByteArray parte(int n) {
        if (!jpeg_.contains(n))
            jpeg_.insert(n, foto(n));
        const QByteArray& j = jpeg_[n];
        return "--kestrum\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(j.size()) +
               "\r\n\r\n" + j + "\r\n";
    }
    static QByteArray foto(int n) {
        QImage img(640, 480, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient pared(0, 0, 0, 480);
        pared.setColorAt(0, n == 1 ? QColor(168, 182, 196) : QColor(190, 178, 150));
        pared.setColorAt(1, n == 1 ? QColor(96, 110, 124) : QColor(120, 104, 82));
        p.fillRect(img.rect(), pared);
        p.fillRect(QRect(0, 380, 640, 100), QColor(70, 70, 74));
        p.fillRect(QRect(240, 120, 160, 260), QColor(92, 64, 40));
        p.fillRect(QRect(250, 130, 140, 250), QColor(120, 84, 52));
        p.setBrush(QColor(200, 200, 200));
        p.drawEllipse(QPoint(375, 260), 7, 7);
        p.fillRect(QRect(420, 230, 30, 44), QColor(40, 40, 40));
        p.fillRect(QRect(426, 238, 18, 10), QColor(60, 200, 90));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setPixelSize(22);
        p.setFont(f);
        p.drawText(QPoint(16, 34),
                   n == 1 ? QStringLiteral("CAM 1  Main entrance") : QStringLiteral("CAM 2  Warehouse door"));
        p.drawText(QPoint(16, 462), QStringLiteral("02/03/2026 09:12:00"));
        p.end();
        QByteArray out;
        QBuffer b(&out);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "JPEG", 85);
        return out;
    }

    QTcpServer servidor_;
    QTimer reloj_;
    QList<std::pair<QPointer<QTcpSocket>, int>> flujos_;
    QHash<int, QByteArray> jpeg_;
};

// Every camera answers the ping: the demonstration's cameras are in this process.
class PingerDemo : public cameras::Pinger {
public:
    void ping(const QString&, QObject* context,
              std::function<void(const cameras::PingReply&)> done) override {
        QTimer::singleShot(0, context, [done] {
            cameras::PingReply r;
            r.status = cameras::PingReply::Echo;
            done(r);
        });
    }
};

// Statements on installation 1, on a connection of our own.
void sql(const QString& bdks, const QStringList& sentencias) {
    QSqlDatabase db = store::Db::connect(bdks + QStringLiteral("/INSTALACION_1.FDB"));
    for (const QString& s : sentencias)
        store::Db::exec(db, s);
    store::Db::disconnect(db);
}

// The demonstration's rows (kestrum-demo-setup) and a few more holders and cards; a card pending
// for reader 1; a month of entries and exits of Ana Ruiz Gil for attendance.
QStringList masFilas() {
    QStringList s = {
        "INSERT INTO DORQUSUARIO VALUES(gen_id(GEN_DORQUSUARIO_ID,1),'Marta','Vidal Soto','S','')",
        "INSERT INTO DORQUSUARIO VALUES(gen_id(GEN_DORQUSUARIO_ID,1),'Jorge','Pérez Díaz','S','')",
        "INSERT INTO DORQUSUARIO VALUES(gen_id(GEN_DORQUSUARIO_ID,1),'Elena','Sanz','S','')",
        "INSERT INTO DORQTARJETA VALUES('0012345681','N',current_timestamp,current_timestamp,4,'N')",
        "INSERT INTO DORQTARJETA VALUES('0012345682','N',current_timestamp,current_timestamp,5,'N')",
        "INSERT INTO DORQTARJETA VALUES('0012345683','N',current_timestamp,current_timestamp,6,'N')",
        "INSERT INTO DORQTARJETA VALUES('0012345684','N',current_timestamp,current_timestamp,1,'N')",
        "INSERT INTO DORQTARJETA VALUES('0044556677','N',current_timestamp,current_timestamp,-1,'N')",
        "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345681',1,'S')",
        "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345681',2,'S')",
        "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345682',1,'S')",
        "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345683',2,'S')",
        "INSERT INTO DORQCONTROLADORTARJETA VALUES('0012345684',1,'N')",
        "UPDATE DORQTARJETA SET FECHA_ALTA='2026-01-12 09:00:00', FECHA_CADUCIDAD='2026-01-12 09:00:00'",
        "UPDATE DORQTARJETA SET USAR_FECHA_CAD='S', FECHA_CADUCIDAD='2030-06-30 20:00:00' "
        "WHERE CODIGO_TARJETA='0012345682'",
    };
    for (QDate d = MES_PRESENCIA; d.month() == MES_PRESENCIA.month(); d = d.addDays(1)) {
        if (d.dayOfWeek() > 5)
            continue;
        const int i = d.day();
        const auto evento = [&](int lector, const QTime& t) {
            s << QStringLiteral(
                     "INSERT INTO DORQINCIDENCIA(COD,CONTROLADOR,TARJETA,\"TIMESTAMP\",EVENTO,USR) "
                     "VALUES(gen_id(GEN_DORQINCIDENCIA_ID,1),%1,'0012345678','%2',1,1)")
                     .arg(lector)
                     .arg(QDateTime(d, t).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        };
        evento(1, QTime(7, 50 + i % 9));
        evento(2, QTime(13, 30 + i % 5));
        evento(1, QTime(14, 25 + i % 4));
        evento(2, QTime(17, 10 + (i * 7) % 40));
    }
    return s;
}

QStringList memoria(int lector) {
    return lector == 1 ? QStringList{"0012345678", "0012345679", "0012345681", "0012345682"}
                       : QStringList{"0012345678", "0012345680", "0012345681", "0012345683"};
}

// Selects the row of a main-window list whose key is `clave` and makes it current.
void selecciona(ui::F_Main& main, const char* lista, const QVariant& clave) {
    auto* view = main.findChild<QTreeView*>(QLatin1String(lista));
    auto* modelo = static_cast<ui::ModeloLista*>(view->model());
    view->clearSelection();
    for (int row = 0; row < modelo->filas(); ++row) {
        if (modelo->fila(row).clave == clave) {
            view->setCurrentIndex(modelo->index(row, 0));
            view->selectionModel()->select(modelo->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return;
        }
    }
}

int filas(ui::F_Main& main, const char* lista) {
    auto* view = main.findChild<QTreeView*>(QLatin1String(lista));
    return view ? view->model()->rowCount() : 0;
}

template <class W> W* hijo(QWidget* w, const char* nombre) {
    return w->findChild<W*>(QLatin1String(nombre));
}

class Sesion {
public:
    Sesion(Fotografo& f, const QString& bdks, sim::SimHost& host) : f_(f), bdks_(bdks), host_(host) {}

    // An error the console shows is a failure of the run, not a box that waits for an answer.
    void recogeErrores() {
        ui::setErrorDisplay([this](const QString& m) { f_.falla(QStringLiteral("error shown"), m); });
    }

    void corre() {
        recogeErrores();
        w_ = ui::creaVentanas();
        lenguaje();
        entra();
        ui::F_Main& m = *w_->main;
        principal(m);
        titulares(m);
        lectores(m);
        registro(m);
        presencia(m);
        informes(m);
        herramientas(m);
        transferencias(m);
        borrados(m);
        camaras(m);
    }

    // The windows go before the installation they show, and all of it before the simulators and
    // the data root, also when a step raised.
    ~Sesion() {
        if (w_ && w_->main)
            w_->main->close();
        w_.reset();
        ui::Consola::reset();
        ops::Operaciones::instance().reset();
        ui::setErrorDisplay({});
    }
    Sesion(const Sesion&) = delete;
    Sesion& operator=(const Sesion&) = delete;

private:
    void lenguaje() {
        ui::F_Select_Lang elige;
        f_.ventana(QStringLiteral("language"), &elige, [&] { elige.show(); });
    }

    void entra() {
        F_Login_ventana();
        auto* login = w_->login.get();
        hijo<QLineEdit>(login, "Edit1")->setText(QStringLiteral("admin"));
        hijo<QLineEdit>(login, "Edit2")->setText(QStringLiteral("admin"));
        login->B_AceptarClick();
        ui::F_Main& m = *w_->main;
        m.resize(1180, 720);
        // The readers answer the test the login starts.
        esperaHasta([&] { return filas(m, "L2_Contr") >= 2; }, 10000);
    }

    void F_Login_ventana() {
        auto* login = w_->login.get();
        f_.ventana(
            QStringLiteral("login"), login,
            [&] {
                login->show();
                hijo<QLineEdit>(login, "Edit1")->setText(QStringLiteral("admin"));
                hijo<QLineEdit>(login, "Edit2")->setText(QStringLiteral("admin"));
            },
            false);
    }

    QTabWidget* pestanyas(ui::F_Main& m) { return hijo<QTabWidget>(&m, "PageControl1"); }

    void principal(ui::F_Main& m) {
        pestanyas(m)->setCurrentIndex(0);
        const std::pair<ui::F_Main::Nodo, const char*> nodos[] = {
            {ui::F_Main::Raiz, "main-start"},     {ui::F_Main::Usuarios, "main-holders"},
            {ui::F_Main::Tarjetas, "main-cards"}, {ui::F_Main::Lectores, "main-readers"},
            {ui::F_Main::Logins, "main-logins"},  {ui::F_Main::Parametros, "main-parameters"},
        };
        for (const auto& [nodo, nombre] : nodos) {
            m.selecciona(nodo);
            if (nodo == ui::F_Main::Lectores)
                selecciona(m, "L1_Contr", 1);
            f_.ventana(
                QLatin1String(nombre), &m, [] {}, false);
        }
    }

    void titulares(ui::F_Main& m) {
        m.selecciona(ui::F_Main::Usuarios);
        f_.ventana(QStringLiteral("holder-new"), w_->nuevoUsr.get(), [&] {
            m.B_New_USR_MainClick();
            w_->nuevoUsr->Edit1()->setText(QStringLiteral("Clara"));
            w_->nuevoUsr->Edit2()->setText(QStringLiteral("Moreno Ruiz"));
            w_->nuevoUsr->caducidad().ponCaducidad(CADUCIDAD);
        });
        selecciona(m, "Lista1", 1);
        f_.ventana(QStringLiteral("holder-edit"), w_->editUser.get(), [&] {
            m.B_edit_usrClick();
            w_->editUser->caducidad().ponCaducidad(CADUCIDAD);
        });

        m.selecciona(ui::F_Main::Tarjetas);
        f_.ventana(QStringLiteral("card-new"), w_->newCard.get(), [&] {
            m.B_New_CardClick();
            w_->newCard->caducidad().ponCaducidad(CADUCIDAD);
        });
        selecciona(m, "Lista3", QStringLiteral("0012345681"));
        f_.ventana(QStringLiteral("card-edit"), w_->editarCard.get(), [&] {
            m.B_Edit_CardClick();
            w_->editarCard->caducidad().ponCaducidad(CADUCIDAD);
        });
        // The pending card's window, while its reader is away so that it stays pending.
        host_.with(1, [](sim::SimController& c) { c.setSilent(true); });
        selecciona(m, "Lista3", QStringLiteral("0012345684"));
        auto* lista3 = hijo<QTreeView>(&m, "Lista3");
        f_.modal(QStringLiteral("card-pending"), [&] { m.Lista3DblClick(lista3->currentIndex().row()); });
        host_.with(1, [](sim::SimController& c) { c.setSilent(false); });
    }

    void lectores(ui::F_Main& m) {
        m.selecciona(ui::F_Main::Lectores);
        f_.modal(QStringLiteral("reader-new"), [&] { m.B_Nueva_CxClick(); });
        selecciona(m, "L1_Contr", 1);
        f_.ventana(QStringLiteral("reader-edit"), w_->editController.get(), [&] { m.B_Editar_cxClick(); });
        f_.antes([&](QWidget* d) {
            if (auto* origen = d->findChild<QComboBox*>())
                origen->setCurrentIndex(0);
        });
        f_.modal(QStringLiteral("reader-clone"), [&] { m.B_Clone_cxClick(); });
        // Reader 2 can send its cards back; for the picture it lost one card and holds one the
        // database does not know, then gets its memory back.
        selecciona(m, "L1_Contr", 2);
        const QStringList memoria = host_.with(2, [](sim::SimController& c) { return c.memory(); });
        host_.with(2, [&](sim::SimController& c) {
            QStringList cambiada = memoria.mid(1);
            cambiada << QStringLiteral("0055500001");
            c.setMemory(cambiada);
        });
        f_.modal(QStringLiteral("audit"), [&] { m.B_AuditarClick(); });
        host_.with(2, [&](sim::SimController& c) { c.setMemory(memoria); });
        m.B_Test_TODOSClick();
    }

    // Live events from the simulated readers; their times are set to the demonstration's day so
    // that the picture does not change from run to run.
    void registro(ui::F_Main& m) {
        pestanyas(m)->setCurrentIndex(1);
        m.Image2Click();
        m.I_PLAY_OFFClick();
        auto* lista = hijo<QTreeView>(&m, "Lista_Incidencias");
        auto* modelo = static_cast<ui::ModeloLista*>(lista->model());
        modelo->limpia();
        espera(300);
        host_.with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("0012345678")); });
        esperaHasta([&] { return modelo->filas() >= 1; }, 5000);
        host_.with(2, [](sim::SimController& c) { c.presentCard(QStringLiteral("0012345680")); });
        esperaHasta([&] { return modelo->filas() >= 2; }, 5000);
        host_.with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("0099887766"), 0x00); });
        esperaHasta([&] { return modelo->filas() >= 3; }, 5000);
        host_.with(2, [](sim::SimController& c) { c.doorEvent(0x05); });
        esperaHasta([&] { return modelo->filas() >= 4; }, 5000);
        for (int row = 0; row < modelo->filas(); ++row) {
            ui::Fila fila = modelo->fila(row);
            fila.celdas[1] = store::Fecha_Hora_Texto(QDateTime(DIA_DEMO, QTime(9, 12 - row, 7 * row)));
            modelo->actualizaFila(row, fila);
        }
        for (auto* fecha : m.findChildren<QDateTimeEdit*>())
            fecha->setDateTime(QDateTime(
                DIA_DEMO, fecha->objectName().endsWith(QLatin1Char('1')) ? QTime(0, 0) : QTime(23, 59)));
        lista->setCurrentIndex(modelo->index(modelo->filas() - 1, 0));
        f_.ventana(
            QStringLiteral("main-events"), &m, [] {}, false);
        f_.ventana(QStringLiteral("event-holder"), w_->userMuestra.get(),
                   [&] { m.Lista_IncidenciasClick(); });
        m.I_PLAY_ONClick();
    }

    void presencia(ui::F_Main& m) {
        pestanyas(m)->setCurrentIndex(1);
        m.Image3Click();
        hijo<QCalendarWidget>(&m, "Calendar1")->setSelectedDate(MES_PRESENCIA.addDays(14));
        hijo<QRadioButton>(&m, "R1")->click();
        auto* arbol = hijo<QTreeWidget>(&m, "Arbol_Presencia");
        QTreeWidgetItem* raiz = arbol->topLevelItem(0);
        for (int i = 0; raiz && i < raiz->childCount(); ++i) {
            if (raiz->child(i)->data(0, Qt::UserRole).toInt() == 1)
                arbol->setCurrentItem(raiz->child(i));
        }
        auto* lista = hijo<QTreeView>(&m, "Lista_Presencia");
        lista->setCurrentIndex(lista->model()->index(1, 0));
        f_.ventana(
            QStringLiteral("main-attendance"), &m, [] {}, false);
        f_.ventana(QStringLiteral("attendance-large"), w_->presenciaAmplia.get(),
                   [&] { m.SpeedButton8Click(); });
        f_.modal(QStringLiteral("attendance-stay"), [&] { m.Lista_PresenciaDblClick(); });
        f_.modal(QStringLiteral("reader-types"), [&] { m.SpeedButton2Click(); });
    }

    void informes(ui::F_Main& m) {
        pestanyas(m)->setCurrentIndex(2);
        auto* arbol = hijo<QTreeWidget>(&m, "Arbol_REPORTS");
        QTreeWidgetItem* raiz = arbol->topLevelItem(0);
        if (raiz && raiz->childCount() > 0)
            arbol->setCurrentItem(raiz->child(raiz->childCount() > 3 ? 3 : 0));
        f_.ventana(
            QStringLiteral("main-reports"), &m, [] {}, false);
    }

    void herramientas(ui::F_Main& m) {
        pestanyas(m)->setCurrentIndex(0);
        m.selecciona(ui::F_Main::Parametros);
        f_.modal(QStringLiteral("installations"), [&] { m.SpeedButton28Click(); });
        // USB adapters rather than the simulators' pseudo-terminals, which change from run to run;
        // Cancel keeps the settings as they are.
        f_.antes([&](QWidget*) {
            w_->parametros->setDispositivo(0, QStringLiteral("/dev/ttyUSB0"));
            w_->parametros->setDispositivo(1, QStringLiteral("/dev/ttyUSB1"));
        });
        f_.modal(QStringLiteral("parameters"), [&] { m.SpeedButton29Click(); });
        m.selecciona(ui::F_Main::Logins);
        f_.modal(QStringLiteral("login-new"), [&] { m.B_Nuevo_LoginClick(); });
        m.selecciona(ui::F_Main::Usuarios);
        f_.modal(QStringLiteral("export-import"), [&] { m.B_Export_importClick(); });
        // The import window on a small spreadsheet, as "Import" opens it.
        QTemporaryDir dir;
        const QString hoja = dir.filePath(QStringLiteral("new-cards.csv"));
        QFile csv(hoja);
        if (csv.open(QIODevice::WriteOnly)) {
            csv.write("Card;Name;Surname\n0012345690;Clara;Moreno Ruiz\n0012345691;Pablo;Núñez\n"
                      "0012345678;Ana;Ruiz Gil\nABC12;Bad;Row\n");
            csv.close();
        }
        f_.modal(QStringLiteral("import-spreadsheet"), [&] {
            w_->impXLS->Prepara(hoja);
            w_->impXLS->exec();
        });
        // The general error display, with what the system says about a folder that is not there.
        f_.modal(QStringLiteral("error"), [&] {
            ui::setErrorDisplay({});
            ui::protegido([&] { w_->expImp->Exporta(QStringLiteral("/nonexistent/cards.xlsx")); });
            recogeErrores();
        });
    }

    // Send all and receive all, with the second reader answering slowly so that the progress
    // window is up long enough.
    void transferencias(ui::F_Main& m) {
        m.selecciona(ui::F_Main::Usuarios);
        host_.with(2, [](sim::SimController& c) { c.setReplyDelay(150); });
        const auto progreso = [&](const QString& nombre, QPushButton* empieza) {
            f_.ventana(
                nombre, w_->muestraRecep.get(), [empieza] { empieza->click(); }, false);
        };
        f_.modal(
            QStringLiteral("send-all"), [&] { m.B_SendClick(); },
            [&](QWidget* d) {
                progreso(QStringLiteral("send-progress"), hijo<QPushButton>(d, "B_Aceptar"));
                esperaHasta([&] { return !d->isVisible(); }, LIMITE_VENTANA_MS);
                if (d->isVisible())
                    Fotografo::cancela(d);
            });
        f_.modal(
            QStringLiteral("receive-all"), [&] { m.B_ReceiveClick(); },
            [&](QWidget* d) {
                progreso(QStringLiteral("receive-progress"), hijo<QPushButton>(d, "SpeedButton10"));
                esperaHasta([&] { return !w_->muestraRecep->isVisible(); }, LIMITE_VENTANA_MS);
                if (d->isVisible())
                    Fotografo::cancela(d);
            });
        host_.with(2, [](sim::SimController& c) { c.setReplyDelay(0); });
    }

    // The questions of deleting, answered No: nothing is deleted.
    void borrados(ui::F_Main& m) {
        m.selecciona(ui::F_Main::Usuarios);
        selecciona(m, "Lista1", 3);
        f_.modal(QStringLiteral("delete-confirm"), [&] { m.B_DeleteClick(); });
        auto* progreso = w_->muestraDel.get();
        f_.ventana(QStringLiteral("delete-progress"), progreso, [&] {
            progreso->setTag(0);
            progreso->P1()->setRange(0, 3);
            progreso->P1()->setValue(1);
            progreso->Label1()->setText(QStringLiteral("O'Neill, Sean"));
            progreso->show();
        });
        f_.modal(QStringLiteral("delete-card-held"), [&] {
            w_->preguntaElimina->setTag(0);
            w_->preguntaElimina->exec();
        });
        f_.modal(QStringLiteral("delete-holder-cards-held"), [&] {
            w_->preguntaEliminaTarj->setTag(0);
            w_->preguntaEliminaTarj->exec();
        });
    }

    void camaras(ui::F_Main& m) {
        pestanyas(m)->setCurrentIndex(1);
        auto* control = w_->cameraControl.get();
        control->setPinger(std::make_shared<PingerDemo>());
        // Both cameras in the grid, once their pictures came.
        f_.ventana(
            QStringLiteral("cameras"), control,
            [&] {
                m.Image6Click();
                esperaHasta([&] { return control->isVisible(); }, 5000);
                control->SpeedButton4Click();
                espera(1500);
            },
            false);
        f_.antes([&](QWidget*) {
            w_->newCamera->Edit1()->setText(QStringLiteral("3"));
            w_->newCamera->Edit2()->setText(QStringLiteral("Car park"));
            w_->newCamera->Edit3()->setText(QStringLiteral("192.168.1.64"));
        });
        f_.modal(QStringLiteral("camera-new"), [&] { control->SpeedButton1Click(); });
        control->close();
    }

    Fotografo& f_;
    QString bdks_;
    sim::SimHost& host_;
    std::unique_ptr<ui::Ventanas> w_;
};

// The demonstration's data root: the databases and settings kestrum-demo-setup makes (the
// installation holding both readers), then our own rows and settings.
bool preparaRaiz(const QString& raiz, sim::SimHost& host, const CamarasDemo& camaras) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(raiz));
    const QString kestrum = raiz + QStringLiteral("/kestrum");
    QDir().mkpath(kestrum);
    QFile ini(kestrum + QStringLiteral("/KESTRUM20.INI"));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write(QStringLiteral("[General]\nIdioma=ENGLISH\n[1]\ncamara_desc=Main entrance\ncamara_MAC=%1\n"
                             "[2]\ncamara_desc=Warehouse door\ncamara_MAC=%2\n")
                  .arg(camaras.direccion(1), camaras.direccion(2))
                  .toUtf8());
    ini.close();
    QProcess demo;
    demo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    demo.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kestrum-demo-setup"),
               {host.device(1), host.device(2)});
    if (!demo.waitForFinished(60000) || demo.exitStatus() != QProcess::NormalExit || demo.exitCode() != 0) {
        std::fprintf(stderr, "kestrum-screenshots: kestrum-demo-setup failed\n");
        demo.kill();
        demo.waitForFinished(5000);
        return false;
    }
    store::Db::prepareEnvironment(kestrum + QStringLiteral("/firebird-lock"));
    sql(kestrum + QStringLiteral("/BDKS"), masFilas());
    for (int n = 1; n <= 2; ++n)
        host.with(n, [n](sim::SimController& c) { c.setMemory(memoria(n)); });
    // Reader 2 runs a firmware that can send its cards back.
    host.with(2, [](sim::SimController& c) {
        sim::ControllerSetup s;
        s.version = 20;
        c.setSetup(s);
    });
    return true;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--help" || a == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("kestrum-screenshots %s\n", KESTRUM_VERSION);
            return 0;
        }
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs(USAGE, stderr);
        return 2;
    }
    // Reproducible pictures: no window manager, one language, one locale, one time zone, one style.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LANG", "C.UTF-8");
    qputenv("TZ", "UTC");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QApplication::setApplicationName(QStringLiteral("kestrum"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrum"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // A run that hangs ends here rather than in the check that waits for it.
    std::signal(SIGALRM, [](int) {
        static const char mensaje[] = "kestrum-screenshots: timed out\n";
        (void)!::write(2, mensaje, sizeof mensaje - 1);
        ::_exit(1);
    });
    ::alarm(LIMITE_TOTAL_S);

    const QString carpeta = QDir(args.first()).absolutePath();
    if (!QDir().mkpath(carpeta)) {
        std::fprintf(stderr, "kestrum-screenshots: cannot make %s\n", qPrintable(carpeta));
        return 1;
    }
    QTemporaryDir raiz;
    Fotografo fotografo(carpeta);
    int resultado = 0;
    try {
        sim::SimHost host(2, {}, sim::SimHost::Names::System);
        CamarasDemo camaras;
        if (!preparaRaiz(raiz.path(), host, camaras))
            return 1;
        Sesion sesion(fotografo, raiz.path() + QStringLiteral("/kestrum/BDKS"), host);
        sesion.corre();
    } catch (const Error& e) {
        std::fprintf(stderr, "kestrum-screenshots: %s\n", qPrintable(e.message()));
        resultado = 1;
    }
    if (!fotografo.fallos.isEmpty()) {
        std::fprintf(stderr, "kestrum-screenshots: failed: %s\n",
                     qPrintable(fotografo.fallos.join(QStringLiteral(", "))));
        resultado = 1;
    }
    std::printf("%lld pictures in %s\n", static_cast<long long>(fotografo.hechas.size()),
                qPrintable(carpeta));
    return resultado;
}
