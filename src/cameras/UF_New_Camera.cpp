#include "UF_New_Camera.h"

#include "Variables.h"
#include "avisos.h"
#include "formas.h"
#include "iconos.h"
#include "langtexts.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label4")),
    lang::caption(QStringLiteral("Label1")),
    lang::caption(QStringLiteral("Label3")),
    lang::caption(QStringLiteral("Label2")),
    lang::caption(QStringLiteral("Button2")),
    lang::caption(QStringLiteral("Button1")),
    lang::caption(QStringLiteral("L_Video")).withWholeKey(QStringLiteral("KS_Cam_Video_address")),
    lang::hint(QStringLiteral("E_Video")).withWholeKey(QStringLiteral("KS_Cam_Video_hint")),
    lang::hint(QStringLiteral("Image1")).withWholeKey(QStringLiteral("KS_Cam_Test_hint")),
};

// The description and the address, as the settings file's camera sections hold them.
constexpr int DESCRIPCION = 40;
constexpr int IP = 15;

QLineEdit* campoFiltrado(const QString& name, int longitud, const char* permitidos, QWidget* parent) {
    QLineEdit* e = campoTexto(name, longitud, parent);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(permitidos)), e));
    return e;
}

bool direccionUsable(const QString& texto) {
    const QUrl url(texto, QUrl::StrictMode);
    const QString esquema = url.scheme().toLower();
    return url.isValid() && (esquema == QLatin1String("http") || esquema == QLatin1String("https")) &&
           !url.host().isEmpty();
}

} // namespace

QString textoRespuesta(const cameras::PingReply& reply) {
    const QString texto = textoAviso(QStringLiteral("KS_Cam_Reply_%1").arg(static_cast<int>(reply.status)));
    return reply.detail.isEmpty() ? texto : texto + QStringLiteral(": ") + reply.detail;
}

QString F_New_Camera::direccionVideo(const QString& ip) {
    return QStringLiteral("http://") + ip + QStringLiteral("/axis-cgi/mjpg/video.cgi");
}

F_New_Camera::F_New_Camera(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_New_Camera"));
    setWindowTitle(QStringLiteral("Nueva cámara"));
    setModal(true);
    numero_ = campoFiltrado(QStringLiteral("Edit1"), 1, "[1-4]", this);
    descripcion_ = campoTexto(QStringLiteral("Edit2"), DESCRIPCION, this);
    ip_ = campoFiltrado(QStringLiteral("Edit3"), IP, "[0-9.]*", this);
    video_ = campo(QStringLiteral("E_Video"), this);
    video_->setMinimumWidth(
        fontMetrics().horizontalAdvance(direccionVideo(QStringLiteral("000.000.000.000"))));
    prueba_ = new QToolButton(this);
    prueba_->setObjectName(QStringLiteral("Image1"));
    prueba_->setIcon(icono(Icono::Test));
    prueba_->setAutoRaise(true);
    aceptar_ = botonDialogo(QStringLiteral("Button2"), QStringLiteral("Aceptar"), this);
    auto* cancelar = botonDialogo(QStringLiteral("Button1"), QStringLiteral("Cancelar"), this);
    // Enter belongs to the fields (the IP field pings), never to a default button.
    for (QPushButton* b : {aceptar_, cancelar})
        b->setAutoDefault(false);
    aviso_ = etiqueta(QStringLiteral("L_Aviso"), QString(), this);
    aviso_->setWordWrap(true);

    auto* grid = new QGridLayout;
    grid->addWidget(etiqueta(QStringLiteral("Label1"), QStringLiteral("Numero"), this), 0, 0);
    grid->addWidget(numero_, 0, 1);
    grid->addWidget(etiqueta(QStringLiteral("Label2"), QStringLiteral("Descripción"), this), 1, 0);
    grid->addWidget(descripcion_, 1, 1, 1, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label3"), QStringLiteral("IP"), this), 2, 0);
    grid->addWidget(ip_, 2, 1);
    grid->addWidget(prueba_, 2, 2, Qt::AlignLeft);
    grid->addWidget(etiqueta(QStringLiteral("L_Video"), QStringLiteral("Vídeo"), this), 3, 0);
    grid->addWidget(video_, 3, 1, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    auto* ayuda = etiqueta(QStringLiteral("Label4"), QString(), this);
    ayuda->setWordWrap(true);
    layout->addWidget(ayuda);
    layout->addWidget(aviso_);
    layout->addLayout(filaBotones({aceptar_, cancelar}));

    ip_->installEventFilter(this);
    connect(ip_, &QLineEdit::textChanged, this, &F_New_Camera::alCambiarIp);
    connect(ip_, &QLineEdit::returnPressed, this, [this] { protegido([this] { Compruebar(); }); });
    connect(prueba_, &QToolButton::clicked, this, [this] { protegido([this] { Compruebar(); }); });
    connect(aceptar_, &QPushButton::clicked, this, [this] { protegido([this] { Button2Click(); }); });
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void F_New_Camera::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_New_Camera"), TEXTS);
}

void F_New_Camera::Prepara() {
    numero_->clear();
    descripcion_->clear();
}

void F_New_Camera::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!preparaAlMostrar(this, event))
        return;
    ip_->clear();
    video_->setText(direccionVideo(QString()));
    videoPorDefecto_ = video_->text();
    aviso_->clear();
    invalida();
    numero_->setFocus();
}

// Clicking into the address asks for a new check, as does any change of it.
bool F_New_Camera::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ip_ && event->type() == QEvent::MouseButtonPress)
        invalida();
    return QDialog::eventFilter(watched, event);
}

void F_New_Camera::invalida() {
    ++peticion_;
    aceptar_->setEnabled(false);
}

void F_New_Camera::alCambiarIp(const QString& ip) {
    invalida();
    // The video address follows the IP until the operator writes one of his own.
    if (video_->text() == videoPorDefecto_) {
        video_->setText(direccionVideo(ip));
        videoPorDefecto_ = video_->text();
    }
}

void F_New_Camera::Compruebar() {
    const QString ip = ip_->text().trimmed();
    if (ip.isEmpty() || !pinger_)
        return;
    invalida();
    const int peticion = peticion_;
    aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Pinging"), {ip}));
    pinger_->ping(ip, this, [this, ip, peticion](const cameras::PingReply& reply) {
        if (peticion == peticion_)
            protegido([&] { alResponder(ip, reply); });
    });
}

void F_New_Camera::alResponder(const QString& ip, const cameras::PingReply& reply) {
    if (reply.forbidden) {
        // The system allows no ping: the address cannot be checked, and the video will tell.
        aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Ping_forbidden_new"), {reply.detail}));
        aceptar_->setEnabled(true);
        return;
    }
    if (reply.status != cameras::PingReply::Echo) {
        aviso_->setText(textoAviso(QStringLiteral("KS_Cam_No_answer"), {ip, textoRespuesta(reply)}));
        return;
    }
    aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Answered"), {ip}));
    aceptar_->setEnabled(true);
    descripcion_->setFocus();
}

void F_New_Camera::Button2Click() {
    if (!aceptar_->isEnabled())
        return;
    const QString numero = numero_->text();
    if (numero.isEmpty()) {
        aviso_->setText(textoAviso(QStringLiteral("KS_Cam_No_number")));
        numero_->setFocus();
        return;
    }
    if (config::Variables::Lee_Camara(numero)) {
        aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Exists"), {numero}));
        numero_->setFocus();
        return;
    }
    if (!direccionUsable(video_->text().trimmed())) {
        aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Bad_address")));
        video_->setFocus();
        return;
    }
    accept();
}

} // namespace kestrum::ui
