// The language chooser shown at start while no language has been chosen. Its texts are fixed: no
// language is known yet to read them in.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class F_Select_Lang;
}

namespace kestrum::ui {

class F_Select_Lang : public QDialog {
    Q_OBJECT
public:
    explicit F_Select_Lang(QWidget* parent = nullptr);
    ~F_Select_Lang() override;

    // Runs the chooser modally when the settings name no language ("¿?" or empty); true when it ran.
    static bool chooseIfUnset(QWidget* parent = nullptr);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void B_OKClick();

    std::unique_ptr<Ui::F_Select_Lang> ui;
};

} // namespace kestrum::ui
