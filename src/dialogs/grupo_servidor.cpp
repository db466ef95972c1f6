#include "grupo_servidor.h"

#include "avisos.h"
#include "dbconnection.h"
#include "formas.h"
#include "schema.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QThreadPool>

namespace kestrum::ui {

namespace {

struct Respuesta {
    QString version; // empty when the server could not be asked
    bool catalogo = false;
    QString error;
};

Respuesta pregunta(const store::DbServer& servidor, const QString& catalogo) {
    Respuesta r;
    try {
        r.version = store::Db::serverVersion(servidor);
        r.catalogo = store::Db::databaseExists(servidor, catalogo);
    } catch (const Error& e) {
        r.error = e.message();
    }
    return r;
}

// What the server said, as one line for the window.
QString texto(const Respuesta& r, const QString& carpeta) {
    if (!r.error.isEmpty())
        return textoAviso(QStringLiteral("KS_Dlg_Server_failed"), {r.error});
    const QString hay = r.catalogo ? textoAviso(QStringLiteral("KS_Dlg_Server_catalogue_found"))
                                   : textoAviso(QStringLiteral("KS_Dlg_Server_catalogue_missing"), {carpeta});
    return textoAviso(QStringLiteral("KS_Dlg_Server_answer"), {r.version, hay});
}

} // namespace

G_Servidor::G_Servidor(QWidget* parent) : QGroupBox(QStringLiteral("Database server"), parent) {
    setObjectName(QStringLiteral("G_Servidor"));
    host_ = new QLineEdit(this);
    host_->setObjectName(QStringLiteral("E_Host"));
    port_ = new QSpinBox(this);
    port_->setObjectName(QStringLiteral("E_Puerto"));
    port_->setRange(1, 65535);
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("E_Usuario"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("E_Password"));
    password_->setEchoMode(QLineEdit::Password);
    folder_ = new QLineEdit(this);
    folder_->setObjectName(QStringLiteral("E_Carpeta"));
    probar_ = botonDialogo(QStringLiteral("B_Probar"), QStringLiteral("Test connection"), this);
    estado_ = new QLabel(this);
    estado_->setObjectName(QStringLiteral("L_Estado"));
    estado_->setWordWrap(true);
    estado_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout(this);
    form->addRow(etiqueta(QStringLiteral("L_Host"), QStringLiteral("Host"), this), host_);
    form->addRow(etiqueta(QStringLiteral("L_Puerto"), QStringLiteral("Port"), this), port_);
    form->addRow(etiqueta(QStringLiteral("L_Usuario"), QStringLiteral("User"), this), user_);
    form->addRow(etiqueta(QStringLiteral("L_Password"), QStringLiteral("Password"), this), password_);
    form->addRow(etiqueta(QStringLiteral("L_Carpeta"), QStringLiteral("Folder on the server"), this),
                 folder_);
    form->addRow(probar_);
    // Room for the answer, so the window need not grow when it comes.
    estado_->setMinimumHeight(3 * estado_->fontMetrics().lineSpacing());
    estado_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->addRow(estado_);
    setMinimumWidth(400);

    connect(host_, &QLineEdit::textChanged, this, &G_Servidor::actualiza);
    connect(probar_, &QPushButton::clicked, this, &G_Servidor::B_ProbarClick);
    carga({});
}

LangTable G_Servidor::textos() {
    const auto k = [](const QString& control, const QString& key) {
        return lang::caption(control).withWholeKey(key);
    };
    return {k(QStringLiteral("G_Servidor"), QStringLiteral("KS_Dlg_Server_group")),
            k(QStringLiteral("L_Host"), QStringLiteral("KS_Dlg_Server_host")),
            lang::hint(QStringLiteral("E_Host")).withWholeKey(QStringLiteral("KS_Dlg_Server_host_hint")),
            k(QStringLiteral("L_Puerto"), QStringLiteral("KS_Dlg_Server_port")),
            k(QStringLiteral("L_Usuario"), QStringLiteral("KS_Dlg_Server_user")),
            k(QStringLiteral("L_Password"), QStringLiteral("KS_Dlg_Server_password")),
            k(QStringLiteral("L_Carpeta"), QStringLiteral("KS_Dlg_Server_folder")),
            k(QStringLiteral("B_Probar"), QStringLiteral("KS_Dlg_Server_test"))};
}

void G_Servidor::carga(const config::DatabaseSettings& v) {
    host_->setText(v.host);
    port_->setValue(v.port);
    user_->setText(v.user);
    password_->setText(v.password);
    folder_->setText(v.folder);
    estado_->clear();
    actualiza();
}

config::DatabaseSettings G_Servidor::valores() const {
    config::DatabaseSettings v;
    v.host = host_->text().trimmed();
    v.port = port_->value();
    v.user = user_->text().trimmed();
    v.password = password_->text();
    v.folder = folder_->text().trimmed();
    return v;
}

void G_Servidor::actualiza() {
    const bool servidor = !host_->text().trimmed().isEmpty();
    for (QWidget* w : std::initializer_list<QWidget*>{port_, user_, password_, folder_})
        w->setEnabled(servidor);
    probar_->setEnabled(servidor && !probando_);
}

void G_Servidor::B_ProbarClick() {
    const config::DatabaseSettings v = valores();
    if (v.host.isEmpty()) {
        estado_->setText(textoAviso(QStringLiteral("KS_Dlg_Server_embedded")));
        emit probado();
        return;
    }
    probando_ = true;
    actualiza();
    estado_->setText(textoAviso(QStringLiteral("KS_Dlg_Server_testing"), {v.host}));
    const store::DbServer servidor = store::schema::serverOf(v);
    const QString catalogo = v.folder + QLatin1Char('/') + QLatin1String(store::schema::CATALOGUE_FILE);
    // A host that does not answer takes the client library's whole connection time-out.
    QPointer<G_Servidor> self(this);
    QThreadPool::globalInstance()->start([self, servidor, catalogo, carpeta = v.folder] {
        const Respuesta respuesta = pregunta(servidor, catalogo);
        // Back on the window's thread, which alone may look at whether the window still exists.
        QMetaObject::invokeMethod(
            qApp,
            [self, respuesta, carpeta] {
                if (!self)
                    return;
                self->probando_ = false;
                self->estado_->setText(texto(respuesta, carpeta));
                self->actualiza();
                emit self->probado();
            },
            Qt::QueuedConnection);
    });
}

} // namespace kestrum::ui
