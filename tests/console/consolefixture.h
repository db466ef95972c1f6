// The console as a test drives it: a temporary data root with a provisioned installation, simulated
// controllers whose ports the settings map, the windows created as at start, errors collected
// instead of shown, and modal dialogs answered by the test.
#pragma once

#include "F_Login_APP.h"
#include "UF_Main.h"
#include "arranque.h"
#include "consola.h"
#include "dbconnection.h"
#include "errores.h"
#include "formas.h"
#include "listas.h"
#include "operacion.h"
#include "reloj.h"
#include "simports.h"
#include "tempdataroot.h"
#include "udorqsistema.h"

#include <QApplication>
#include <QLineEdit>
#include <QMap>
#include <QSet>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <functional>
#include <memory>

namespace kestrum::test {

class ConsoleFixture {
public:
    // `controllers` simulated controllers; controller n answers on port n.
    explicit ConsoleFixture(int controllers = 0) {
        ui::setErrorDisplay([this](const QString& m) { errors << m; });
        if (controllers > 0)
            sim = std::make_unique<SimPorts>(controllers);
        QByteArray settings = "[General]\nIdioma=ENGLISH\n";
        if (controllers > 0) {
            settings += "[Serial]\n";
            for (int n = 1; n <= controllers; ++n)
                settings += QStringLiteral("COM%1=%2\n").arg(n).arg(sim->device(n)).toUtf8();
        }
        root.write(QStringLiteral("KESTRUM20.INI"), settings);
        root.provision();
    }
    ~ConsoleFixture() {
        w.reset();
        ui::Consola::reset();
        ops::Operaciones::instance().reset();
        ops::Reloj::fija({});
        sim.reset();
        ui::setErrorDisplay({});
    }
    ConsoleFixture(const ConsoleFixture&) = delete;
    ConsoleFixture& operator=(const ConsoleFixture&) = delete;

    // Statements on installation 1 before the console starts (or on a connection of the test's own).
    void sql(const QString& statement) {
        QSqlDatabase db = store::Db::connect(root.installation(1));
        store::Db::exec(db, statement);
        store::Db::disconnect(db);
    }
    QVariant scalar(const QString& statement) {
        QSqlDatabase db = store::Db::connect(root.installation(1));
        const QVariant v = store::Db::scalar(db, statement);
        store::Db::disconnect(db);
        return v;
    }
    // Every row of `statement` as its columns joined by ":", sorted.
    QStringList rows(const QString& statement) {
        QStringList out;
        QSqlDatabase db = store::Db::connect(root.installation(1));
        {
            store::Query q(db);
            q.prepare(statement).exec();
            while (q.next()) {
                QStringList cells;
                for (int i = 0; i < q.raw().record().count(); ++i)
                    cells << q.text(i);
                out << cells.join(QLatin1Char(':'));
            }
        }
        store::Db::disconnect(db);
        out.sort();
        return out;
    }
    // A controller row for simulated controller n (number n, port n).
    void controller(int n, const QString& description) {
        sql(QStringLiteral(
                "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(%1,%1,'%2','Null')")
                .arg(n)
                .arg(description));
    }
    // A holder row.
    void holder(int id, const QString& name, const QString& surname = QStringLiteral("Ruiz"),
                const QString& photo = {}) {
        sql(QStringLiteral("INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE,FOTOGRAFIA) "
                           "VALUES(%1,'%2','%3','S','%4')")
                .arg(id)
                .arg(name, surname, photo));
    }
    // A card row of `holder` (-1: free), unblocked, entered and expiring now, its expiry unused.
    void card(const QString& code, int holder = -1) {
        sql(QStringLiteral(
                "INSERT INTO DORQTARJETA VALUES('%1','N',current_timestamp,current_timestamp,%2,'N')")
                .arg(code)
                .arg(holder));
    }
    // An assignment row; a stored one also puts the card in the simulator's memory.
    void assign(const QString& code, int controller, bool stored) {
        sql(QStringLiteral("INSERT INTO DORQCONTROLADORTARJETA VALUES('%1',%2,'%3')")
                .arg(code)
                .arg(controller)
                .arg(stored ? "S" : "N"));
        if (stored)
            host().with(controller, [&](sim::SimController& c) { c.setMemory(c.memory() << code); });
    }

    // Creates the windows as a run does and logs in as admin.
    void start(bool logIn = true) {
        w = ui::creaVentanas();
        if (!logIn)
            return;
        w->login->show();
        auto* edit1 = w->login->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        auto* edit2 = w->login->findChild<QLineEdit*>(QStringLiteral("Edit2"));
        edit1->setText(QStringLiteral("admin"));
        edit2->setText(QStringLiteral("admin"));
        w->login->B_AceptarClick();
    }
    ui::F_Main& main() { return *w->main; }
    store::DORQSistema& sistema() { return *ui::Consola::instance().sistema; }
    sim::SimHost& host() { return sim->host(); }
    QStringList memory(int n) {
        return host().with(n, [](sim::SimController& c) { return c.memory(); });
    }
    QStringList sortedMemory(int n) {
        QStringList m = memory(n);
        m.sort();
        return m;
    }
    ui::ModeloLista& list(const char* name) {
        return *static_cast<ui::ModeloLista*>(main().findChild<QTreeView*>(QLatin1String(name))->model());
    }
    // Clicks a tool button of the main window.
    void click(const char* button) { main().findChild<QToolButton*>(QLatin1String(button))->click(); }
    // Selects exactly the rows of a main-window list whose keys are among `keys`.
    void select(const char* name, const QVariantList& keys) {
        auto* view = main().findChild<QTreeView*>(QLatin1String(name));
        view->clearSelection();
        ui::ModeloLista& model = list(name);
        for (int row = 0; row < model.filas(); ++row) {
            if (keys.contains(model.fila(row).clave))
                view->selectionModel()->select(model.index(row, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    // Empty when in step: every stored row's card is in its controller's memory, no pending row's card
    // is, and a memory holds nothing else than the `extras` its controller was left with.
    QString mismatch(int controllers, const QMap<int, QStringList>& extras = {}) {
        QMap<int, QSet<QString>> stored;
        QMap<int, QSet<QString>> pending;
        const QStringList marks =
            rows(QStringLiteral("SELECT CONTROLADOR, TARJETA, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA"));
        for (const QString& mark : marks) {
            const QStringList c = mark.split(QLatin1Char(':'));
            (c[2] == QLatin1String("S") ? stored : pending)[c[0].toInt()].insert(c[1]);
        }
        const auto text = [](const QSet<QString>& s) {
            QStringList l(s.begin(), s.end());
            l.sort();
            return l.join(QLatin1Char(','));
        };
        QStringList out;
        for (int n = 1; n <= controllers; ++n) {
            const QStringList read = memory(n);
            const QSet<QString> held(read.begin(), read.end());
            const QStringList extra = extras.value(n);
            const QSet<QString> expected = stored.value(n) + QSet<QString>(extra.begin(), extra.end());
            if (held != expected)
                out << QStringLiteral("controller %1 holds [%2], the database says [%3]")
                           .arg(n)
                           .arg(text(held), text(expected));
            if (const QSet<QString> both = pending.value(n) & held; !both.isEmpty())
                out << QStringLiteral("controller %1 holds pending [%2]").arg(n).arg(text(both));
        }
        return out.join(QLatin1Char('\n'));
    }

    // The next modal dialog that opens is handed to `answer` (which clicks one of its buttons).
    void answerNextDialog(std::function<void(QWidget* dialog)> answer) {
        auto* timer = new QTimer(qApp);
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->property(ui::PREPARANDO).toBool())
                return;
            timer->stop();
            timer->deleteLater();
            answer(modal);
        });
        timer->start();
    }

    TempDataRoot root;
    std::unique_ptr<SimPorts> sim;
    std::unique_ptr<ui::Ventanas> w;
    QStringList errors;
};

} // namespace kestrum::test
