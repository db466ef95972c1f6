// A temporary data root for one test: XDG_DATA_HOME points into a temporary folder, the settings
// and language texts start from their values before loading, the database folder is provisioned on
// request, and the embedded engine's lock folder is set once per process.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace kestrum::test {

class TempDataRoot {
public:
    TempDataRoot();
    ~TempDataRoot();
    TempDataRoot(const TempDataRoot&) = delete;
    TempDataRoot& operator=(const TempDataRoot&) = delete;

    QString path() const;                    // the data root ($XDG_DATA_HOME/kestrum)
    QString path(const QString& name) const; // a file in it
    QString bdks() const;                    // its database folder
    QString catalogue() const;               // the provisioned catalogue
    QString installation(int code) const;

    void write(const QString& name, const QByteArray& bytes) const; // a file of the data root
    QByteArray read(const QString& name) const;

    // Templates, catalogue with its first installation and login, as a first run makes them.
    void provision();

private:
    QTemporaryDir dir_;
    QByteArray previousXdg_;
};

} // namespace kestrum::test
