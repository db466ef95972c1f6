#include "UF_Lector_ES.h"

#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "presencia.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

LangTable textos() {
    LangTable t;
    for (int n = 0; n < 3; ++n)
        t << lang::column(QStringLiteral("Lista"), n)
                 .withKey(QStringLiteral("Lista_Colums%1_caption").arg(n));
    t << lang::caption(QStringLiteral("BitBtn2")).withWholeKey(QStringLiteral("F_Main_Close1_Caption"));
    for (const char* item : {"Entrada1", "Sa1", "Nousarparapresencia1", "Cancelar1", "Label1"})
        t << lang::caption(QLatin1String(item));
    return t;
}

QString letra(const QString& tipo) {
    if (tipo == QLatin1String(TIPO_ENTRADA))
        return QStringLiteral("I");
    if (tipo == QLatin1String(TIPO_SALIDA))
        return QStringLiteral("O");
    return {};
}

} // namespace

F_Lector_ES::F_Lector_ES(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Lector_ES"));
    setModal(true);
    auto* titulo =
        etiqueta(QStringLiteral("Label1"),
                 QStringLiteral("Establezca el tipo de lector mediante el botón derecho del ratón"), this);
    lista_ = new QTreeWidget(this);
    lista_->setObjectName(QStringLiteral("Lista"));
    lista_->setRootIsDecorated(false);
    lista_->setHeaderLabels(
        {QStringLiteral("Lector"), QStringLiteral("Descripcion"), QStringLiteral("Tipo")});
    lista_->setColumnWidth(1, 200);
    lista_->setColumnWidth(2, 80);
    lista_->setContextMenuPolicy(Qt::CustomContextMenu);

    menu_ = new QMenu(this);
    const auto accion = [this](const char* name, const QString& text, const QString& tipo) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, tipo] { protegido([&] { Establece(tipo); }); });
    };
    accion("Entrada1", QStringLiteral("Establecer como ENTRADA"), QLatin1String(TIPO_ENTRADA));
    accion("Sa1", QStringLiteral("Establecer como SALIDA"), QLatin1String(TIPO_SALIDA));
    accion("Nousarparapresencia1", QStringLiteral("No usar para presencia"), QString());
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Cancelar"))->setObjectName(QStringLiteral("Cancelar1"));
    connect(lista_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (lista_->currentItem())
            menu_->popup(lista_->viewport()->mapToGlobal(p));
    });

    auto* cerrar = botonDialogo(QStringLiteral("BitBtn2"), QStringLiteral("Aceptar"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titulo);
    layout->addWidget(lista_, 1);
    layout->addLayout(filaBotones({cerrar}));
    resize(460, 360);
    connect(cerrar, &QPushButton::clicked, this, &QDialog::accept);
}

void F_Lector_ES::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Lector_ES"), textos());
}

void F_Lector_ES::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    protegido([this] { Rellena(); });
}

void F_Lector_ES::Rellena() {
    lista_->clear();
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    store::DORQColeccionControlador* controladores = sistema->Controladores();
    for (int i = 0; i < controladores->Cuenta(); ++i) {
        const auto c = controladores->Controlador(i);
        // Writing a type reloads the store, whose new entities have no open link.
        c->Conecta();
        auto* item =
            new QTreeWidgetItem(lista_, {QString::number(c->cod()), c->descripcion(), letra(c->tipo())});
        item->setData(0, Qt::UserRole, c->cod());
    }
}

void F_Lector_ES::Establece(const QString& tipo) {
    QTreeWidgetItem* item = lista_->currentItem();
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!item || !sistema)
        return;
    const int cod = item->data(0, Qt::UserRole).toInt();
    const auto c = sistema->Controladores()->Busca_Controlador(cod);
    if (!c)
        return;
    c->setTipo(tipo);
    sistema->Controladores()->Modifica_Controlador(*c);
    Rellena();
    emit controladoresCambiados();
    // The same reader stays chosen for the next change.
    for (int i = 0; i < lista_->topLevelItemCount(); ++i) {
        if (lista_->topLevelItem(i)->data(0, Qt::UserRole).toInt() == cod)
            lista_->setCurrentItem(lista_->topLevelItem(i));
    }
}

} // namespace kestrum::ui
