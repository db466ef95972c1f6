// An installation for store tests: a provisioned temporary data root, the catalogue and the
// context of installation 1, plus a connection of the test's own to check the rows directly.
#pragma once

#include "dbconnection.h"
#include "schema.h"
#include "tempdataroot.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTest>
#include <memory>

namespace kestrum::test {

class Installation {
public:
    Installation() {
        root_.provision();
        server_.Configura_Conexion(QString(), root_.catalogue(), QString(), QString());
    }
    ~Installation() { close(); }

    // Back to an empty installation database; every connection to it is closed first.
    void reset() {
        close();
        const QString file = root_.installation(1);
        QFile::remove(file);
        const QString pristine = root_.bdks() + QLatin1Char('/') +
                                 QLatin1String(store::schema::TEMPLATE_FOLDER) + QLatin1Char('/') +
                                 QLatin1String(store::schema::TEMPLATE_FILE);
        if (!QFile::copy(pristine, file))
            qFatal("cannot copy the installation template");
    }

    store::DORQSistema& open() {
        sistema_ = std::make_unique<store::DORQSistema>(root_.installation(1), &server_);
        sistema_->Abre();
        return *sistema_;
    }
    store::DORQSistema& sistema() { return *sistema_; }

    void close() {
        sistema_.reset();
        store::Db::disconnect(db_);
        server_.Cierra();
    }

    // Statements of the test's own, on a connection apart from the stores'.
    const QSqlDatabase& db() {
        if (!db_.isValid())
            db_ = store::Db::connect(root_.installation(1));
        return db_;
    }
    void sql(const QString& statement, const QVariantMap& values = {}) {
        store::Db::exec(db(), statement, values);
    }
    QVariant scalar(const QString& statement, const QVariantMap& values = {}) {
        return store::Db::scalar(db(), statement, values);
    }
    // Each row's columns joined by "|", NULL as "<null>".
    QStringList rows(const QString& statement) {
        store::Query q(db());
        q.prepare(statement).exec();
        QStringList out;
        while (q.next()) {
            QStringList columns;
            for (int i = 0; i < q.raw().record().count(); ++i)
                columns << (q.value(i).isNull() ? QStringLiteral("<null>") : q.text(i));
            out << columns.join(QLatin1Char('|'));
        }
        return out;
    }
    // Many rows in one transaction.
    void batch(const QString& statement, const QList<QVariantMap>& rows) {
        QSqlDatabase d = db();
        d.transaction();
        for (const QVariantMap& values : rows)
            store::Db::exec(d, statement, values);
        d.commit();
    }

private:
    TempDataRoot root_;
    store::DORQServer server_;
    QSqlDatabase db_;
    std::unique_ptr<store::DORQSistema> sistema_;
};

} // namespace kestrum::test
