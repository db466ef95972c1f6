#include "F_Select_Lang.h"

#include "Lang.h"
#include "Variables.h"
#include "ui_F_Select_Lang.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace kestrum::ui {

F_Select_Lang::F_Select_Lang(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::F_Select_Lang>()) {
    ui->setupUi(this);
    ui->C_Idioma->addItems(config::Lang::instance().languages());
    ui->C_Idioma->setCurrentIndex(ui->C_Idioma->count() > 0 ? 0 : -1);
    // The popup list searches by typed letters too, so it is filtered as well.
    ui->C_Idioma->installEventFilter(this);
    ui->C_Idioma->view()->installEventFilter(this);
    connect(ui->B_OK, &QPushButton::clicked, this, &F_Select_Lang::B_OKClick);
}

F_Select_Lang::~F_Select_Lang() = default;

bool F_Select_Lang::chooseIfUnset(QWidget* parent) {
    const QString& language = config::Variables::instance().language;
    if (!language.isEmpty() && language != config::Lang::missingText())
        return false;
    F_Select_Lang dialog(parent);
    dialog.exec();
    return true;
}

void F_Select_Lang::B_OKClick() {
    accept();
}

void F_Select_Lang::done(int result) {
    // Every way of closing sets the language: the console cannot go on without one.
    const QString chosen = ui->C_Idioma->currentText();
    config::Variables::instance().language = chosen.isEmpty() ? QStringLiteral("ENGLISH") : chosen;
    QDialog::done(result);
}

bool F_Select_Lang::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (watched == ui->C_Idioma->view()) {
            // Enter in the open list takes the highlighted entry before closing.
            const int row = ui->C_Idioma->view()->currentIndex().row();
            if (row >= 0)
                ui->C_Idioma->setCurrentIndex(row);
            ui->C_Idioma->hidePopup();
        }
        B_OKClick();
        return true;
    }
    // Typed characters are refused; the arrow keys still move through the list.
    return !key->text().isEmpty() && key->text().front().isPrint();
}

} // namespace kestrum::ui
