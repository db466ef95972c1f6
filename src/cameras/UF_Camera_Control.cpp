#include "UF_Camera_Control.h"

#include "UF_New_Camera.h"
#include "Variables.h"
#include "avisos.h"
#include "formas.h"
#include "langtexts.h"
#include "mjpegviewer.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::caption(QStringLiteral("SpeedButton1")),
    lang::caption(QStringLiteral("SpeedButton2")),
    lang::caption(QStringLiteral("SpeedButton3")),
    lang::title().withWholeKey(QStringLiteral("KS_Cam_Title")),
    lang::hint(QStringLiteral("SpeedButton4")).withWholeKey(QStringLiteral("KS_Cam_Grid_hint")),
};

// The single view: its viewers lie on each other, each filling the panel.
class Apilados : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void resizeEvent(QResizeEvent*) override {
        for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            w->setGeometry(rect());
    }
};

QString nombre(const char* prefijo, int n) {
    return QString::fromLatin1(prefijo) + QString::number(n);
}

} // namespace

F_Camera_Control::F_Camera_Control(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      pinger_(std::make_shared<cameras::IcmpPinger>()) {
    setObjectName(QStringLiteral("F_Camera_Control"));
    setWindowTitle(QStringLiteral("Control de cámaras"));
    setModal(false);

    arbol_ = new QTreeWidget(this);
    arbol_->setObjectName(QStringLiteral("Arbol1"));
    arbol_->setHeaderHidden(true);
    arbol_->setRootIsDecorated(false);
    arbol_->setMaximumWidth(220);
    nueva_b_ = botonDialogo(QStringLiteral("SpeedButton1"), QStringLiteral("Nueva"), this);
    borra_b_ = botonDialogo(QStringLiteral("SpeedButton2"), QStringLiteral("Borrar"), this);
    cuatro_b_ = botonDialogo(QStringLiteral("SpeedButton4"), QStringLiteral("4"), this);
    auto* cerrar = botonDialogo(QStringLiteral("SpeedButton3"), QStringLiteral("Cerrar"), this);
    for (QPushButton* b : {nueva_b_, borra_b_, cuatro_b_, cerrar})
        b->setAutoDefault(false);
    aviso_ = etiqueta(QStringLiteral("L_Aviso"), QString(), this);
    aviso_->setWordWrap(true);

    auto* izquierda = new QVBoxLayout;
    izquierda->addWidget(arbol_, 1);
    for (QPushButton* b : {nueva_b_, borra_b_, cuatro_b_, cerrar})
        izquierda->addWidget(b);
    auto* vistas = new QVBoxLayout;
    vistas->addWidget(construyeUnica(), 1);
    vistas->addWidget(construyeCuadricula(), 1);
    vistas->addWidget(aviso_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(izquierda);
    layout->addLayout(vistas, 1);
    resize(720, 420);

    const auto handler = [this](void (F_Camera_Control::*h)()) {
        return [this, h] { protegido([&] { (this->*h)(); }); };
    };
    connect(arbol_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { protegido([&] { Arbol1Change(node); }); });
    connect(nueva_b_, &QPushButton::clicked, this, handler(&F_Camera_Control::SpeedButton1Click));
    connect(borra_b_, &QPushButton::clicked, this, handler(&F_Camera_Control::SpeedButton2Click));
    connect(cuatro_b_, &QPushButton::clicked, this, handler(&F_Camera_Control::SpeedButton4Click));
    connect(cerrar, &QPushButton::clicked, this, &QWidget::close);
}

F_Camera_Control::~F_Camera_Control() = default;

QWidget* F_Camera_Control::construyeUnica() {
    panel3_ = new Apilados(this);
    panel3_->setObjectName(QStringLiteral("Panel3"));
    panel3_->setMinimumSize(2 * 190, 2 * 137);
    QPalette negro = panel3_->palette();
    negro.setColor(QPalette::Window, Qt::black);
    panel3_->setPalette(negro);
    panel3_->setAutoFillBackground(true);
    for (int n = 1; n <= CAMARAS; ++n) {
        visores_[n - 1] = new cameras::MjpegViewer(panel3_);
        visores_[n - 1]->setObjectName(nombre("AXIS", n));
    }
    return panel3_;
}

QWidget* F_Camera_Control::construyeCuadricula() {
    panel4_ = new QWidget(this);
    panel4_->setObjectName(QStringLiteral("Panel4"));
    auto* grid = new QGridLayout(panel4_);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int k = 0; k < CAMARAS; ++k) {
        const int n = CAMARAS + 1 + k;
        auto* visor = new cameras::MjpegViewer(panel4_);
        visor->setObjectName(nombre("AXIS", n));
        visor->setMinimumSize(190, 137);
        auto* rotulo = etiqueta(nombre("L_CAM", n), QString(), panel4_);
        visores_[n - 1] = visor;
        rotulos_[k] = rotulo;
        auto* celda = new QVBoxLayout;
        celda->addWidget(visor, 1);
        celda->addWidget(rotulo);
        grid->addLayout(celda, k / 2, k % 2);
    }
    return panel4_;
}

void F_Camera_Control::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Camera_Control"), TEXTS);
    const QString sinSenal = textoAviso(QStringLiteral("KS_Cam_No_signal"));
    for (cameras::MjpegViewer* v : visores_)
        v->setNoSignalText(sinSenal);
    Carga_Camaras();
}

void F_Camera_Control::setNuevaCamara(F_New_Camera* dialogo) {
    nueva_ = dialogo;
    if (nueva_)
        nueva_->setPinger(pinger_);
}

void F_Camera_Control::setPinger(std::shared_ptr<cameras::Pinger> pinger) {
    pinger_ = std::move(pinger);
    if (nueva_)
        nueva_->setPinger(pinger_);
}

QString F_Camera_Control::hostDe(const QString& url) {
    return QUrl(url).host();
}

void F_Camera_Control::Carga_Camaras() {
    std::array<QString, VISORES> direcciones;
    arbol_->clear();
    for (QLabel* r : rotulos_)
        r->clear();
    int k = 0;
    for (int n = 1; n <= CAMARAS; ++n) {
        const auto camara = config::Variables::Lee_Camara(QString::number(n));
        if (!camara)
            continue;
        const QString texto = QString::number(n) + QLatin1Char(' ') + camara->description;
        auto* node = new QTreeWidgetItem(arbol_, {texto});
        node->setData(0, Qt::UserRole, n);
        direcciones[n - 1] = camara->address;
        direcciones[CAMARAS + k] = camara->address;
        rotulos_[k]->setText(texto);
        ++k;
    }
    // A viewer whose camera changed or went stops: it would show what is no longer its camera.
    for (int i = 0; i < VISORES; ++i) {
        enUso_[i] = !direcciones[i].isEmpty();
        if (!enUso_[i])
            visores_[i]->hide();
        if (visores_[i]->URL() != direcciones[i]) {
            ++peticion_[i];
            visores_[i]->Stop();
        }
        visores_[i]->setURL(direcciones[i]);
    }
}

void F_Camera_Control::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!preparaAlMostrar(this, event))
        return;
    protegido([this] {
        Carga_Camaras();
        muestraUnica();
        // The first camera is in front; each camera that answers starts, one that does not hides.
        bool primera = true;
        for (int n = 1; n <= CAMARAS; ++n) {
            if (!enUso(n))
                continue;
            if (std::exchange(primera, false))
                AXIS(n)->raise();
            pinga(n);
        }
    });
}

void F_Camera_Control::closeEvent(QCloseEvent* event) {
    para(1, VISORES);
    QDialog::closeEvent(event);
}

// Only the view on screen streams: the other one is started again when it is shown.
void F_Camera_Control::muestraUnica() {
    panel4_->hide();
    para(CAMARAS + 1, VISORES);
    panel3_->show();
}

void F_Camera_Control::para(int desde, int hasta) {
    for (int n = desde; n <= hasta; ++n) {
        ++peticion_[n - 1];
        AXIS(n)->Stop();
    }
}

void F_Camera_Control::pinga(int n) {
    const int peticion = ++peticion_[n - 1];
    const QString host = hostDe(AXIS(n)->URL());
    pinger_->ping(host, this, [this, n, peticion](const cameras::PingReply& reply) {
        if (peticion == peticion_[n - 1])
            protegido([&] { alResponder(n, reply); });
    });
}

void F_Camera_Control::alResponder(int n, const cameras::PingReply& reply) {
    cameras::MjpegViewer* visor = AXIS(n);
    const QString camara = QString::number(n);
    if (reply.forbidden) {
        // Nothing can be checked; the camera is started and its video tells whether it is there.
        aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Ping_forbidden"), {reply.detail}));
    } else if (reply.status != cameras::PingReply::Echo) {
        visor->hide();
        aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Not_answering"),
                                   {hostDe(visor->URL()), textoRespuesta(reply)}));
        return;
    }
    visor->show();
    visor->Stop();
    visor->Play();
}

void F_Camera_Control::Arbol1Change(QTreeWidgetItem* node) {
    muestraUnica();
    para(1, CAMARAS);
    if (!node)
        return;
    const int n = node->data(0, Qt::UserRole).toInt();
    if (n < 1 || n > CAMARAS || !enUso(n))
        return;
    AXIS(n)->raise();
    pinga(n);
}

void F_Camera_Control::SpeedButton4Click() {
    para(1, CAMARAS);
    panel3_->hide();
    panel4_->show();
    for (int n = CAMARAS + 1; n <= VISORES; ++n) {
        if (enUso(n)) {
            pinga(n);
            continue;
        }
        ++peticion_[n - 1];
        AXIS(n)->Stop();
        AXIS(n)->hide();
    }
}

void F_Camera_Control::SpeedButton1Click() {
    if (!nueva_ || !nueva_b_->isEnabled())
        return;
    nueva_->Prepara();
    if (nueva_->exec() != QDialog::Accepted)
        return;
    const QString numero = nueva_->Edit1()->text();
    config::Variables::Graba_Camara(numero, nueva_->Edit2()->text(), nueva_->E_Video()->text().trimmed());
    Carga_Camaras();
    aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Added"), {numero}));
    // The operator sees at once what he added.
    for (int i = 0; i < arbol_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = arbol_->topLevelItem(i);
        if (node->data(0, Qt::UserRole).toString() == numero) {
            arbol_->setCurrentItem(node);
            Arbol1Change(node);
        }
    }
}

void F_Camera_Control::SpeedButton2Click() {
    QTreeWidgetItem* node = arbol_->currentItem();
    if (!node || !borra_b_->isEnabled())
        return;
    const QString numero = QString::number(node->data(0, Qt::UserRole).toInt());
    config::Variables::Borra_Camara(numero);
    para(1, CAMARAS);
    Carga_Camaras();
    aviso_->setText(textoAviso(QStringLiteral("KS_Cam_Deleted"), {numero}));
}

void F_Camera_Control::Determina_Interfaz(const QString& rol) {
    const bool todo = rol != QLatin1String("USER");
    nueva_b_->setEnabled(todo);
    borra_b_->setEnabled(todo);
}

} // namespace kestrum::ui
