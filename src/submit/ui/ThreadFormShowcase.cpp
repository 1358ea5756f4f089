#include "submit/ui/ThreadFormShowcase.h"

#include "submit/ui/TThreadForm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <map>

namespace pelvaro::submit::ui {

namespace {

// A TCP socket on 127.0.0.1 with a port of the system's choosing; -1 when none is to be had.
int openLocalSocket(bool listening, quint16& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        (listening && ::listen(fd, 64) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

const char* const serviceNames[] = {
    "Ahorn-Suche",    "Birken-Katalog", "Buchen-Index",  "Eichen-Verzeichnis", "Erlen-Suche",
    "Eschen-Links",   "Fichten-Finder", "Kiefern-Suche", "Lärchen-Katalog",    "Linden-Index",
    "Pappel-Suche",   "Ulmen-Register", "Weiden-Links",  "Tannen-Katalog",     "Eiben-Suche",
    "Espen-Index",    "Hasel-Finder",   "Kastanien-Web", "Robinien-Suche",     "Zedern-Katalog",
    "Zirben-Index",   "Platanen-Suche", "Wacholder-Web", "Walnuss-Register",   "Mehlbeer-Links",
    "Vogelbeer-Suche"};

} // namespace

// The three local services the showcase's runs talk to.
struct ThreadFormShowcase::Services
{
    Services()
    {
        answerFd = openLocalSocket(true, answerPort);
        refuseFd = openLocalSocket(false, refusePort);
        silentFd = openLocalSocket(true, silentPort);
        if (answerFd >= 0) {
            listener = std::make_unique<QSocketNotifier>(answerFd, QSocketNotifier::Read);
            QObject::connect(listener.get(), &QSocketNotifier::activated, &owner,
                             [this] { accept(); });
        }
    }

    ~Services()
    {
        listener.reset();
        for (auto& [fd, connection] : connections) {
            delete connection.notifier;
            ::close(fd);
        }
        for (int fd : {answerFd, refuseFd, silentFd})
            if (fd >= 0)
                ::close(fd);
    }

    void accept()
    {
        for (;;) {
            const int fd = ::accept4(answerFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
                return;
            auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &owner);
            connections[fd].notifier = notifier;
            QObject::connect(notifier, &QSocketNotifier::activated, &owner,
                             [this, fd] { read(fd); });
        }
    }

    // A GET request ends with its empty line; then the answer goes out and the connection
    // closes, as an HTTP/1.0 server does.
    void read(int fd)
    {
        Connection& connection = connections[fd];
        char chunk[4096];
        for (;;) {
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got > 0) {
                connection.received.append(chunk, got);
                continue;
            }
            if (got < 0 && errno == EAGAIN)
                break;
            drop(fd);
            return;
        }
        if (!connection.received.contains("\r\n\r\n"))
            return;
        const QByteArray answer = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
                                  "<html><body>Vielen Dank!</body></html>\r\n";
        [[maybe_unused]] const ssize_t sent =
            ::send(fd, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL);
        drop(fd);
    }

    void drop(int fd)
    {
        const auto it = connections.find(fd);
        it->second.notifier->setEnabled(false);
        // It may be the notifier whose signal is being handled.
        it->second.notifier->deleteLater();
        ::close(fd);
        connections.erase(it);
    }

    struct Connection
    {
        QSocketNotifier* notifier = nullptr;
        QByteArray received;
    };

    QObject owner;
    int answerFd = -1;
    int refuseFd = -1;
    int silentFd = -1;
    quint16 answerPort = 0;
    quint16 refusePort = 0;
    quint16 silentPort = 0;
    std::unique_ptr<QSocketNotifier> listener;
    std::map<int, Connection> connections;
};

ThreadFormShowcase::ThreadFormShowcase(base::UiServices& ui)
    : m_ui(ui), m_services(std::make_unique<Services>()), m_list(std::make_unique<SendList>())
{
}

ThreadFormShowcase::~ThreadFormShowcase()
{
    // The window's workers go first, while the services they talk to still exist.
    m_form.reset();
}

TThreadForm& ThreadFormShowcase::showRunning()
{
    // a: answers, r: refuses, s: never answers.
    const QStringList kinds = QStringLiteral("s,s,a,s,s,r,s,a,s,s,s,a,s,r,s,s,a,s,s,s,s,s,s,s,s,s")
                                  .split(QLatin1Char(','));
    return showRun(23, kinds, [](SubmissionScheduler& scheduler) {
        if (scheduler.ErfolgZaehler() + scheduler.FehlerZaehler() < 6)
            return false;
        // Wait until every busy slot shows its service.
        for (int i = 0; i < SubmissionScheduler::SlotCount; ++i) {
            const SubmissionScheduler::Slot& slot = scheduler.slot(i);
            if (slot.state == SubmissionScheduler::SlotState::Belegt && slot.label.isEmpty())
                return false;
        }
        // and the display timer has counted them.
        return scheduler.LaufendeThreads() == 20 &&
               scheduler.panel(1).endsWith(QStringLiteral(" 20"));
    });
}

TThreadForm& ThreadFormShowcase::showFinished()
{
    const QStringList kinds = QStringLiteral("a,a,r,a,a,a,r,a").split(QLatin1Char(','));
    return showRun(5, kinds, [](SubmissionScheduler& scheduler) { return scheduler.finished(); });
}

TThreadForm& ThreadFormShowcase::showRun(int threads, const QStringList& kinds,
                                         const std::function<bool(SubmissionScheduler&)>& reached)
{
    m_form.reset();
    m_success.clear();
    m_failure.clear();
    m_list->clear();
    for (int i = 0; i < kinds.size(); ++i) {
        const QChar kind = kinds.at(i).at(0);
        const quint16 port = kind == u'a'   ? m_services->answerPort
                             : kind == u'r' ? m_services->refusePort
                                            : m_services->silentPort;
        TEineEngine& entry = m_list->entries[size_t(i)];
        entry.Name = QString::fromUtf8(serviceNames[i % std::size(serviceNames)]);
        entry.Nr = 1000 + i;
        entry.URL = QStringLiteral("http://127.0.0.1:%1/anmelden").arg(port);
        entry.PostDaten = TEineEngine::noBody();
    }
    m_list->count = int(kinds.size());

    SubmissionScheduler::Settings settings;
    settings.threadCount = threads;
    settings.idleTimeLimit = 0; // the silent services hang for as long as the picture needs
    m_form = std::make_unique<TThreadForm>(m_ui, *m_list, m_success, m_failure, settings);
    m_form->show();
    m_form->findChild<QPushButton*>(QStringLiteral("StartenButton"))->click();

    SubmissionScheduler& scheduler = m_form->scheduler();
    if (!reached(scheduler)) {
        QEventLoop loop;
        QObject::connect(&scheduler, &SubmissionScheduler::changed, &loop, [&] {
            if (reached(scheduler))
                loop.quit();
        });
        // A machine too busy to get there in time still gets its picture.
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    m_form->refresh();
    QCoreApplication::processEvents();
    return *m_form;
}

} // namespace pelvaro::submit::ui
