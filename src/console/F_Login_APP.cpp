#include "F_Login_APP.h"

#include "F_Select_Lang.h"
#include "Lang.h"
#include "UF_Main.h"
#include "Variables.h"
#include "avisos.h"
#include "consola.h"
#include "dbconnection.h"
#include "errores.h"
#include "formas.h"
#include "grupo_servidor.h"
#include "iconos.h"
#include "langtexts.h"
#include "limites.h"
#include "schema.h"
#include "udorqserver.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("xpTabSheet1")),
    lang::caption(QStringLiteral("Label2")),
    lang::caption(QStringLiteral("Label3")),
    lang::caption(QStringLiteral("B_Aceptar")),
    lang::caption(QStringLiteral("B_Servidor")).withWholeKey(QStringLiteral("KS_Login_server")),
};

// A login is listed as login "*" role, so neither field takes the character.
QValidator* noAsterisk(QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^*]*")), parent);
}

} // namespace

F_Login::F_Login(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("F_Login"));
    setWindowTitle(QStringLiteral("Login"));
    setModal(false);

    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget(tabs);
    page->setObjectName(QStringLiteral("xpTabSheet1"));
    tabs->addTab(page, QStringLiteral("Introduzca login y contraseña para su validación"));

    auto* picture = new QLabel(page);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(icono(Icono::Candado).pixmap(48, 48));
    picture->setAlignment(Qt::AlignCenter);

    auto* label2 = new QLabel(QStringLiteral("Login"), page);
    label2->setObjectName(QStringLiteral("Label2"));
    edit1_ = new QLineEdit(page);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setValidator(noAsterisk(edit1_));
    edit1_->setMaxLength(store::limites::usuario::LOGIN);
    label2->setBuddy(edit1_);

    auto* label3 = new QLabel(QStringLiteral("Contraseña"), page);
    label3->setObjectName(QStringLiteral("Label3"));
    edit2_ = new QLineEdit(page);
    edit2_->setObjectName(QStringLiteral("Edit2"));
    edit2_->setEchoMode(QLineEdit::Password);
    edit2_->setValidator(noAsterisk(edit2_));
    edit2_->setMaxLength(store::limites::usuario::PASSWORD_TECLEADA);
    label3->setBuddy(edit2_);

    auto* form = new QFormLayout;
    form->addRow(label2, edit1_);
    form->addRow(label3, edit2_);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(picture);
    pageLayout->addLayout(form);

    aceptar_ = new QPushButton(QStringLiteral("Aceptar"), this);
    aceptar_->setObjectName(QStringLiteral("B_Aceptar"));
    aceptar_->setDefault(true); // Enter in either field logs in

    // The message line: why a login was refused, or what the start found wrong.
    auto* mensaje = new QLabel(this);
    mensaje->setObjectName(QStringLiteral("L_Mensaje"));
    mensaje->setWordWrap(true);
    connect(&Avisos::instance(), &Avisos::aviso, mensaje, &QLabel::setText);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(mensaje);
    servidor_ = new QPushButton(QStringLiteral("Database server..."), this);
    servidor_->setObjectName(QStringLiteral("B_Servidor"));
    servidor_->setAutoDefault(false);
    servidor_->hide();
    auto* botones = new QHBoxLayout;
    botones->addWidget(servidor_);
    botones->addStretch(1);
    botones->addWidget(aceptar_);
    layout->addLayout(botones);
    setMinimumWidth(360);

    connect(aceptar_, &QPushButton::clicked, this, [this] { protegido([this] { B_AceptarClick(); }); });
    connect(servidor_, &QPushButton::clicked, this, [this] { protegido([this] { B_ServidorClick(); }); });
}

void F_Login::FormCreate() {
    config::Lang::instance().open();
    for (const QString& error : config::Variables::instance().Lee_Configuracion())
        Muestra_Error(error);
    F_Select_Lang::chooseIfUnset(this);
    applyLangTexts(this, QStringLiteral("F_Login"), TEXTS);
    for (const auto& [key, value] : config::Variables::instance().badValues())
        Avisa(QStringLiteral("KS_Settings_bad_value"), {config::Variables::fileName(), key, value});
    Consola::instance().logueado = false;
}

void F_Login::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void F_Login::FormShow() {
    edit2_->clear();
    edit1_->setFocus();
    if (!Consola::instance().logueado)
        muestraEstadoBD();
}

bool F_Login::muestraEstadoBD() {
    const QString& error = Consola::instance().errorBD;
    servidor_->setVisible(!error.isEmpty());
    if (!error.isEmpty())
        Avisa(QStringLiteral("KS_Login_no_database"), {error});
    // The message takes lines the window did not have.
    adjustSize();
    return error.isEmpty();
}

bool F_Login::conectaBD() {
    if (Consola::instance().errorBD.isEmpty() || !main_)
        return true;
    if (main_->Conecta_BD()) {
        Avisa(QStringLiteral("KS_Login_database_reached"), {store::Db::server().host});
        // The start could not write the report captions without the catalogue.
        protegido([this] { main_->Graba_Textos_Informes(); });
    }
    return muestraEstadoBD();
}

void F_Login::B_ServidorClick() {
    QDialog ventana(this);
    ventana.setObjectName(QStringLiteral("F_Servidor_BD"));
    auto* grupo = new G_Servidor(&ventana);
    grupo->carga(config::Variables::instance().database());
    auto* cancelar = botonDialogo(QStringLiteral("B_Cancelar"), QStringLiteral("Cancelar"), &ventana);
    auto* aceptar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Aceptar"), &ventana);
    aceptar->setDefault(true);
    auto* layout = new QVBoxLayout(&ventana);
    layout->addWidget(grupo);
    layout->addLayout(filaBotones({cancelar, aceptar}));
    connect(aceptar, &QPushButton::clicked, &ventana, &QDialog::accept);
    connect(cancelar, &QPushButton::clicked, &ventana, &QDialog::reject);
    LangTable textos = G_Servidor::textos();
    textos << lang::title().withWholeKey(QStringLiteral("KS_Dlg_Server_group"))
           << lang::caption(QStringLiteral("B_Cancelar"))
                  .withWholeKey(QStringLiteral("F_Parametros_app_B_Cancelar_Caption"))
           << lang::caption(QStringLiteral("B_Aceptar"))
                  .withWholeKey(QStringLiteral("F_Parametros_app_B_Aceptar_Caption"));
    applyLangTexts(&ventana, QStringLiteral("F_Servidor_BD"), textos);
    ventanaServidor_ = &ventana;
    const int respuesta = ventana.exec();
    ventanaServidor_ = nullptr;
    if (respuesta != QDialog::Accepted)
        return;
    config::Variables& v = config::Variables::instance();
    v.setDatabase(grupo->valores());
    v.Graba_Database();
    store::schema::useSettings(v.database());
    conectaBD();
}

void F_Login::reject() {
    // Escape before the first login leaves the program; the lock screen cannot be dismissed.
    if (!Consola::instance().logueado)
        qApp->quit();
}

void F_Login::B_AceptarClick() {
    Consola& c = Consola::instance();
    const QString login = edit1_->text().toLower();
    const QString password = edit2_->text().toLower();
    if (c.logueado) {
        if (login != c.loginDesbloqueo || password != c.passwordDesbloqueo) {
            Avisa(QStringLiteral("KS_Unlock_refused"));
            return;
        }
        Avisa(QStringLiteral("KS_Unlocked"));
        if (main_)
            main_->Desbloquea();
        hide();
        return;
    }
    if (!conectaBD())
        return;
    if (!c.servidor || !c.servidor->Valida_Login(login, password)) {
        Avisa(QStringLiteral("KS_Login_refused"));
        return;
    }
    c.logueado = true;
    c.loginDesbloqueo = login;
    c.passwordDesbloqueo = password;
    c.rol = c.servidor->Rol();
    Avisa(QStringLiteral("KS_Logged_in"), {login});
    if (main_) {
        main_->Determina_Interfaz(c.rol);
        main_->show();
        main_->B_Test_TODOSClick();
    }
    hide();
}

} // namespace kestrum::ui
