// kestrum-admin: the installer's command-line companion to the console. Lists, creates, deletes,
// backs up and restores installations and sets login passwords, on the data root and settings the
// console uses, through the same store code.
#include "Lang.h"
#include "Variables.h"
#include "auditoria.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "intercambio.h"
#include "kerror.h"
#include "listados.h"
#include "portmap.h"
#include "schema.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

using namespace kestrum;

namespace {

enum Exit { Done = 0, Failed = 1, Usage = 2 };

const char* const USAGE =
    "usage: kestrum-admin COMMAND [ARGS]\n"
    "commands:\n"
    "  list                  one line per installation: code, a tab, name\n"
    "  create NAME           create an installation; prints its code\n"
    "  delete CODE           delete an installation and its database (never the last one)\n"
    "  backup CODE FILE      write a gbak backup of the installation to FILE\n"
    "  restore CODE FILE     replace the installation with the gbak backup in FILE\n"
    "  export --installation CODE FILE\n"
    "                        write the installation's cards and holders to FILE (.xlsx or .csv)\n"
    "  import --installation CODE FILE [--replace] [--controllers N,N,...|none]\n"
    "                        add FILE's cards and holders (.xlsx, .xls or .csv), each assigned\n"
    "                        pending to the controllers given (default: every one); --replace\n"
    "                        deletes every card and holder first; prints the counts\n"
    "  passwd [--stdin] LOGIN\n"
    "                        set the login's password, asked twice on the terminal, or one line\n"
    "                        read from standard input with --stdin\n"
    "  report users|cards|controllers|cards-per-user --installation CODE --pdf FILE\n"
    "                        write that report of the installation as a PDF, in the console's\n"
    "                        language; needs no display\n"
    "  audit --installation CODE [--fix] [--controllers N,N,...]\n"
    "                        read what each controller (default: every one) holds and compare it\n"
    "                        with the installation; one line per difference on standard output,\n"
    "                        one per controller that could not be read on standard error; --fix\n"
    "                        sends the missing cards, erases the unknown ones, corrects the marks\n"
    "                        and audits again; exit 1 while any difference remains\n"
    "  --help, --version\n"
    "Works on $XDG_DATA_HOME/kestrum, provisioned as the console does when missing.\n"
    "Exit status: 0 done, 1 the operation failed, 2 wrong usage.\n";

// A failure of the operation: its message goes to standard error and the exit status is 1.
struct Failure {
    QString message;
};

// Refuses to go on because a running console holds the database files.
struct InUse {
    QString message;
};

void out(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void err(const QString& line) {
    std::fprintf(stderr, "kestrum-admin: %s\n", qPrintable(line));
    std::fflush(stderr);
}

int usage(const QString& why = {}) {
    if (!why.isEmpty())
        err(why);
    std::fputs(USAGE, stderr);
    return Usage;
}

std::optional<int> code(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n <= 0)
        return std::nullopt;
    return n;
}

QString baseName(int code) {
    return QStringLiteral("instalacion_%1").arg(code);
}

// The embedded engine holds an exclusive lock on each database file it has open, for as long as it
// has it open: a file whose lock cannot be shared belongs to a running console. Trying the lock,
// unlike an attach, writes nothing to the file.
void refuseIfOpenElsewhere(const QString& path) {
    if (!store::Db::server().host.isEmpty())
        return; // a database server holds every file all the time
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return; // a missing file is the operation's to report
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    const int why = errno;
    ::close(fd); // releases the shared lock with the file
    if (held)
        throw InUse{QStringLiteral("the console is running: it has %1 open (%2); close it and try again")
                        .arg(path, qt_error_string(why))};
}

// The engine's backup code talks to an operator on standard output (a truncated file asks for the
// next volume); while it runs, that goes to standard error, keeping standard output for results.
class StdoutToStderr {
public:
    StdoutToStderr() : saved_((std::fflush(stdout), ::dup(STDOUT_FILENO))) {
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~StdoutToStderr() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            ::dup2(saved_, STDOUT_FILENO);
            ::close(saved_);
        }
    }
    StdoutToStderr(const StdoutToStderr&) = delete;
    StdoutToStderr& operator=(const StdoutToStderr&) = delete;

private:
    int saved_;
};

class Admin {
public:
    Admin() {
        server_.Configura_Conexion(store::Db::server().host, catalogue(), store::Db::server().password,
                                   store::Db::server().user);
    }

    static QString catalogue() { return store::schema::cataloguePath(); }
    static QString installationPath(int code) { return store::schema::installationPath(code); }

    // code and name of each installation, as the catalogue lists them ("code.- name").
    QList<QPair<int, QString>> installations() {
        QList<QPair<int, QString>> list;
        for (const QString& entry : server_.Lista_Instalaciones()) {
            const qsizetype cut = entry.indexOf(QLatin1String(".- "));
            list.append({entry.left(cut).toInt(), entry.mid(cut + 3)});
        }
        return list;
    }

    void mustExist(int code) {
        if (!server_.Existe_Instalacion(QString::number(code)))
            throw Failure{QStringLiteral("no installation has code %1").arg(code)};
    }

    int list() {
        for (const auto& [c, name] : installations())
            out(QStringLiteral("%1\t%2").arg(c).arg(name));
        return Done;
    }

    int create(const QString& name) {
        out(QString::number(server_.Crea_Instalacion(name)));
        return Done;
    }

    int remove(int code) {
        mustExist(code);
        refuseIfOpenElsewhere(installationPath(code));
        if (installations().size() <= 1)
            throw Failure{QStringLiteral("installation %1 is the last one: it cannot be deleted").arg(code)};
        server_.Elimina_Instalacion(code);
        return Done;
    }

    int backup(int code, const QString& file) {
        mustExist(code);
        refuseIfOpenElsewhere(installationPath(code));
        StdoutToStderr engineTalk;
        server_.Exporta_Instalacion(baseName(code), QFileInfo(file).absoluteFilePath(),
                                    store::schema::databaseFolder());
        return Done;
    }

    int restore(int code, const QString& file) {
        mustExist(code);
        refuseIfOpenElsewhere(installationPath(code));
        StdoutToStderr engineTalk;
        server_.Importa_Instalacion(baseName(code), QFileInfo(file).absoluteFilePath(),
                                    store::schema::databaseFolder());
        return Done;
    }

    int exporta(int code, const QString& file) {
        mustExist(code);
        refuseIfOpenElsewhere(installationPath(code));
        store::DORQSistema sistema(installationPath(code), &server_);
        sistema.Abre();
        const std::vector<store::FilaHoja> filas = store::filasExportacion(sistema);
        store::escribeHoja(QFileInfo(file).absoluteFilePath(), store::cabeceraHoja(), filas);
        out(QStringLiteral("cards=%1").arg(filas.size()));
        return Done;
    }

    // `controladores` empty: every controller of the installation.
    int importa(int code, const QString& file, bool reemplaza, std::optional<QList<int>> controladores) {
        mustExist(code);
        refuseIfOpenElsewhere(installationPath(code));
        const std::vector<store::FilaHoja> filas = store::filasAImportar(store::leeHoja(file));
        store::DORQSistema sistema(installationPath(code), &server_);
        sistema.Abre();
        if (!controladores) {
            controladores.emplace();
            for (int i = 0; i < sistema.Controladores()->Cuenta(); ++i)
                controladores->append(sistema.Controladores()->Controlador(i)->cod());
        }
        for (const int c : *controladores) {
            if (!sistema.Controladores()->Busca_Controlador(c))
                throw Failure{QStringLiteral("installation %1 has no controller %2").arg(code).arg(c)};
        }
        const store::ResultadoImportacion r = store::importaFilas(sistema, filas, *controladores, reemplaza);
        out(QStringLiteral("added=%1 present=%2 invalid=%3 holders=%4")
                .arg(r.anyadidas)
                .arg(r.existentes)
                .arg(r.invalidas)
                .arg(r.titulares));
        return Done;
    }

    int passwd(const QString& login, const QString& password) {
        if (password.isEmpty())
            throw Failure{QStringLiteral("an empty password is not allowed")};
        // The console lower-cases what is typed at its login window, password included.
        if (!server_.Cambia_Password(login, password.toLower()))
            throw Failure{QStringLiteral("no login is called %1").arg(login.toLower())};
        return Done;
    }

    int report(const reports::Listado& listado, int code, const QString& file) {
        mustExist(code);
        const QString path = installationPath(code);
        refuseIfOpenElsewhere(path);
        config::Lang::instance().open();
        config::Variables::instance().language = reports::idiomaInformes(server_.db());
        QSqlDatabase db = store::Db::connect(path);
        const auto close = qScopeGuard([&db] { store::Db::disconnect(db); });
        const QHash<QString, QString> variables{
            {QStringLiteral("instalacion"), reports::nombreInstalacion(server_, QString::number(code))}};
        const std::optional<reports::Informe> informe =
            reports::preparaListado(listado, db, reports::Lee_Textos_Informes(server_.db()), variables);
        if (!informe)
            throw Failure{QStringLiteral("no report definition at %1")
                              .arg(reports::definicion(QLatin1String(listado.definicion)))};
        informe->exportaPdf(QFileInfo(file).absoluteFilePath());
        return Done;
    }

    // `controladores` empty: every controller of the installation.
    int audit(int code, bool fix, const QList<int>& controladores) {
        mustExist(code);
        refuseIfOpenElsewhere(installationPath(code));
        link::PortMap::setResolver([](int port) { return config::Variables::instance().serialDevice(port); });
        store::DORQSistema sistema(installationPath(code), &server_);
        sistema.Abre();
        for (const int c : controladores) {
            if (!sistema.Controladores()->Busca_Controlador(c))
                throw Failure{QStringLiteral("installation %1 has no controller %2").arg(code).arg(c)};
        }
        ops::Auditoria auditoria(sistema);
        std::vector<ops::AuditoriaLector> r = auditoria.ejecuta(controladores);
        if (fix)
            r = auditoria.corrige(r);
        static const char* const problemas[] = {"unknown", "missing", "pending-present"};
        bool coinciden = true;
        for (const ops::AuditoriaLector& l : r) {
            coinciden = coinciden && l.coincide();
            if (!l.comparado()) {
                err(QStringLiteral("reader=%1 problem=%2")
                        .arg(l.numero)
                        .arg(QLatin1String(l.estado == ops::EstadoLector::NoContesta ? "no-answer"
                                                                                     : "not-readable")));
                continue;
            }
            for (const ops::Diferencia& d : l.diferencias)
                out(QStringLiteral("reader=%1 card=%2 problem=%3")
                        .arg(l.numero)
                        .arg(d.codigo, QLatin1String(problemas[static_cast<int>(d.problema)])));
        }
        return coinciden ? Done : Failed;
    }

private:
    store::DORQServer server_;
};

// One line of standard input without its line end; nothing when the input ends at once.
std::optional<QString> readLine() {
    std::string line;
    if (!std::getline(std::cin, line) && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromLocal8Bit(line.c_str());
}

// Asks on the terminal without echo; the prompt goes to standard error, keeping standard output
// for results.
std::optional<QString> askHidden(const char* prompt) {
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const std::optional<QString> line = readLine();
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    return line;
}

QString password(bool fromStdin) {
    if (fromStdin) {
        const auto line = readLine();
        if (!line)
            throw Failure{QStringLiteral("no password on standard input")};
        return *line;
    }
    const auto first = askHidden("New password: ");
    const auto second = first ? askHidden("Again: ") : std::nullopt;
    if (!first || !second)
        throw Failure{QStringLiteral("no password given")};
    if (*first != *second)
        throw Failure{QStringLiteral("the two passwords differ; nothing changed")};
    return *first;
}

// Settings, engine and database folder exactly as the console's start prepares them.
void prepare() {
    config::DataRoot::checkUsable();
    auto& v = config::Variables::instance();
    for (const QString& problem : v.Lee_Configuracion())
        err(QStringLiteral("settings: %1").arg(problem));
    store::Db::prepareEnvironment(config::DataRoot::file(QStringLiteral("firebird-lock")));
    store::schema::useSettings(v.database());
    if (!v.embeddedDatabase()) {
        store::schema::provisionServer();
        return;
    }
    // A catalogue that the console holds must be found before anything, provisioning included,
    // touches the folder.
    refuseIfOpenElsewhere(Admin::catalogue());
    store::Prepara_Ficheros_BD(config::DataRoot::bdks());
}

// report KIND --installation CODE --pdf FILE, options in any order after KIND.
int report(QStringList args) {
    if (args.isEmpty())
        return usage(QStringLiteral("report needs the report's name"));
    const reports::Listado* listado = reports::listadoDeNombre(args.takeFirst());
    if (!listado)
        return usage(QStringLiteral("unknown report; one of users, cards, controllers, cards-per-user"));
    std::optional<int> target;
    QString file;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (args.isEmpty())
            return usage(QStringLiteral("%1 needs a value").arg(option));
        const QString value = args.takeFirst();
        if (option == QLatin1String("--installation") && !target) {
            target = code(value);
            if (!target)
                return usage(QStringLiteral("CODE is an installation's number: %1").arg(value));
        } else if (option == QLatin1String("--pdf") && file.isEmpty() && !value.isEmpty()) {
            file = value;
        } else {
            return usage(QStringLiteral("unexpected argument: %1").arg(option));
        }
    }
    if (!target || file.isEmpty())
        return usage(QStringLiteral("report needs --installation CODE and --pdf FILE"));
    prepare();
    Admin admin;
    return admin.report(*listado, *target, file);
}

// Takes "--name VALUE" out of `args`; nothing when absent, an empty text when the value is missing.
std::optional<QString> takeOption(QStringList& args, const QString& name) {
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return std::nullopt;
    args.removeAt(i);
    return i < args.size() ? args.takeAt(i) : QString();
}

// "1,2,3" or "none"; nothing when it is neither.
std::optional<QList<int>> controllerList(const QString& text) {
    if (text == QLatin1String("none"))
        return QList<int>{};
    QList<int> out;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n <= 0)
            return std::nullopt;
        out << n;
    }
    return out;
}

int exchange(const QString& command, QStringList args) {
    const std::optional<QString> installation = takeOption(args, QStringLiteral("--installation"));
    const bool replace = args.removeAll(QStringLiteral("--replace")) > 0;
    const std::optional<QString> controllers = takeOption(args, QStringLiteral("--controllers"));
    const bool isImport = command == QLatin1String("import");
    if (!isImport && (replace || controllers))
        return usage(QStringLiteral("--replace and --controllers are options of import"));
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--")))
            return usage(QStringLiteral("unknown option: %1").arg(a));
    }
    if (!installation || args.size() != 1)
        return usage(QStringLiteral("%1 needs --installation CODE and one FILE").arg(command));
    const std::optional<int> target = code(*installation);
    if (!target)
        return usage(QStringLiteral("CODE is an installation's number: %1").arg(*installation));
    std::optional<QList<int>> list;
    if (controllers) {
        list = controllerList(*controllers);
        if (!list)
            return usage(QStringLiteral("--controllers takes numbers separated by commas, or none: %1")
                             .arg(*controllers));
    }
    prepare();
    config::Lang::instance().open();
    Admin admin;
    return isImport ? admin.importa(*target, args[0], replace, list) : admin.exporta(*target, args[0]);
}

int audit(QStringList args) {
    const std::optional<QString> installation = takeOption(args, QStringLiteral("--installation"));
    const bool fix = args.removeAll(QStringLiteral("--fix")) > 0;
    const std::optional<QString> controllers = takeOption(args, QStringLiteral("--controllers"));
    if (!args.isEmpty())
        return usage(QStringLiteral("unexpected argument: %1").arg(args.first()));
    const std::optional<int> target = installation ? code(*installation) : std::nullopt;
    if (!target)
        return usage(QStringLiteral("audit needs --installation CODE"));
    std::optional<QList<int>> list = controllers ? controllerList(*controllers) : QList<int>{};
    if (!list || (controllers && list->isEmpty()))
        return usage(QStringLiteral("--controllers takes numbers separated by commas"));
    prepare();
    config::Lang::instance().open();
    Admin admin;
    return admin.audit(*target, fix, *list);
}

int run(const QString& command, QStringList args) {
    if (command == QLatin1String("audit"))
        return audit(args);
    if (command == QLatin1String("export") || command == QLatin1String("import"))
        return exchange(command, args);
    if (command == QLatin1String("report"))
        return report(args);
    const bool fromStdin = args.removeAll(QStringLiteral("--stdin")) > 0;
    if (fromStdin && command != QLatin1String("passwd"))
        return usage(QStringLiteral("--stdin is an option of passwd only"));
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--")))
            return usage(QStringLiteral("unknown option: %1").arg(a));
    }
    auto need = [&](int n) { return args.size() == n; };

    std::optional<int> target;
    if (command == QLatin1String("delete") || command == QLatin1String("backup") ||
        command == QLatin1String("restore")) {
        if (!need(command == QLatin1String("delete") ? 1 : 2))
            return usage(QStringLiteral("wrong arguments for %1").arg(command));
        target = code(args[0]);
        if (!target)
            return usage(QStringLiteral("CODE is an installation's number: %1").arg(args[0]));
    } else if (command == QLatin1String("list")) {
        if (!need(0))
            return usage(QStringLiteral("list takes no arguments"));
    } else if (command == QLatin1String("create") || command == QLatin1String("passwd")) {
        if (!need(1) || args[0].trimmed().isEmpty())
            return usage(QStringLiteral("wrong arguments for %1").arg(command));
    } else {
        return usage(QStringLiteral("unknown command: %1").arg(command));
    }

    prepare();
    Admin admin;
    if (command == QLatin1String("list"))
        return admin.list();
    if (command == QLatin1String("create"))
        return admin.create(args[0].trimmed());
    if (command == QLatin1String("delete"))
        return admin.remove(*target);
    if (command == QLatin1String("backup"))
        return admin.backup(*target, args[1]);
    if (command == QLatin1String("restore"))
        return admin.restore(*target, args[1]);
    return admin.passwd(args[0].trimmed(), password(fromStdin));
}

} // namespace

// Writing a PDF lays text out with fonts, which needs a GUI application; without a display (a
// scheduled job) it runs on the "offscreen" platform.
std::unique_ptr<QCoreApplication> application(int& argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) != "report")
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

int main(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrum-admin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION));
    // A failed statement's engine message comes once, in the error line; QT_LOGGING_RULES still
    // brings the store's own warnings back.
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.store.warning=false"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(USAGE, stdout);
        return Done;
    }
    if (command == QLatin1String("--version")) {
        out(QStringLiteral("kestrum-admin %1").arg(QCoreApplication::applicationVersion()));
        return Done;
    }
    try {
        return run(command, args);
    } catch (const InUse& e) {
        err(e.message);
    } catch (const Failure& e) {
        err(e.message);
    } catch (const Error& e) {
        err(e.message());
    } catch (const std::exception& e) {
        err(QString::fromLocal8Bit(e.what()));
    }
    return Failed;
}
