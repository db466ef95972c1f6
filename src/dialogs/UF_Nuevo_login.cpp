#include "UF_Nuevo_login.h"

#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "limites.h"
#include "udorqserver.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label1")),
    lang::caption(QStringLiteral("Label2")),
    lang::caption(QStringLiteral("Label3")),
    lang::caption(QStringLiteral("Label5")),
    lang::caption(QStringLiteral("Label4")),
    lang::item(QStringLiteral("C_Nivel"), 0),
    lang::item(QStringLiteral("C_Nivel"), 1),
    lang::caption(QStringLiteral("B_Cancelar")),
    lang::caption(QStringLiteral("B_Aceptar")),
};

QLineEdit* campoLogin(const QString& name, bool password, QWidget* parent) {
    using namespace store::limites;
    QLineEdit* e = campoTexto(name, password ? usuario::PASSWORD_TECLEADA : usuario::LOGIN, parent);
    // A login is listed as login "*" role: the character never enters.
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^*]*")), e));
    if (password)
        e->setEchoMode(QLineEdit::Password);
    return e;
}

} // namespace

F_Nuevo_login::F_Nuevo_login(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Nuevo_login"));
    setWindowTitle(QStringLiteral("Nuevo Login"));
    setModal(true);

    edit1_ = campoLogin(QStringLiteral("Edit1"), false, this);
    edit2_ = campoLogin(QStringLiteral("Edit2"), true, this);
    edit3_ = campoLogin(QStringLiteral("Edit3"), true, this);
    nivel_ = new QComboBox(this);
    nivel_->setObjectName(QStringLiteral("C_Nivel"));
    // A closed combo box and its open list both pick an entry by its first letters: typing is dropped.
    nivel_->installEventFilter(this);
    nivel_->view()->installEventFilter(this);

    auto* form = new QFormLayout;
    form->addRow(etiqueta(QStringLiteral("Label1"), QStringLiteral("Login"), this), edit1_);
    form->addRow(etiqueta(QStringLiteral("Label2"), QStringLiteral("Contraseña"), this), edit2_);
    form->addRow(etiqueta(QStringLiteral("Label3"), QStringLiteral("Confirmar contraseña"), this), edit3_);
    form->addRow(etiqueta(QStringLiteral("Label4"), QStringLiteral("Nivel"), this), nivel_);

    auto* cancelar = botonDialogo(QStringLiteral("B_Cancelar"), QStringLiteral("Cancelar"), this);
    auto* aceptar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Aceptar"), this);
    aceptar->setDefault(true);
    QHBoxLayout* buttons = filaBotones({cancelar, aceptar});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(etiqueta(QStringLiteral("Label5"), QString(), this));
    layout->addLayout(buttons);

    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(aceptar, &QPushButton::clicked, this, [this] { protegido([this] { B_AceptarClick(); }); });
}

void F_Nuevo_login::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Nuevo_login"), TEXTS);
    nivel_->setCurrentIndex(-1);
}

void F_Nuevo_login::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    vacia(); // the level keeps its last choice
}

void F_Nuevo_login::vacia() {
    edit1_->clear();
    edit2_->clear();
    edit3_->clear();
    edit1_->setFocus();
}

bool F_Nuevo_login::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == nivel_ || watched == nivel_->view()) && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString F_Nuevo_login::Traduce_valor() const {
    return nivel_->currentIndex() >= 0 && nivel_->currentText() == nivel_->itemText(0)
               ? QStringLiteral("ADMIN")
               : QStringLiteral("USER");
}

void F_Nuevo_login::B_AceptarClick() {
    if (edit1_->text().isEmpty() || edit2_->text().isEmpty() || edit3_->text().isEmpty()) {
        Avisa(QStringLiteral("KS_Dlg_Login_empty"));
        return;
    }
    if (edit2_->text() != edit3_->text()) {
        Avisa(QStringLiteral("KS_Dlg_Login_confirmation"));
        return;
    }
    store::DORQServer* servidor = Consola::instance().servidor.get();
    if (!servidor)
        return;
    const QString login = edit1_->text().toLower();
    // An existing name keeps what was typed, so the operator can change it.
    if (servidor->Existe_Login(login)) {
        Avisa(QStringLiteral("KS_Dlg_Login_exists"), {login});
        edit1_->setFocus();
        edit1_->selectAll();
        return;
    }
    servidor->Crea_Login(login, edit2_->text().toLower(), Traduce_valor());
    // Nothing chosen stores the user level, as the operator is told.
    const bool sinNivel = nivel_->currentIndex() < 0;
    Avisa(sinNivel ? QStringLiteral("KS_Dlg_Login_added_no_level") : QStringLiteral("KS_Dlg_Login_added"),
          {login, sinNivel ? nivel_->itemText(1) : nivel_->currentText()});
    vacia();
}

} // namespace kestrum::ui
