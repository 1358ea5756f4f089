#include "tools/PingCheck.h"

#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <ares.h>

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace pelvaro::tools {

namespace {

void initAresOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { ares_library_init(ARES_LIB_INIT_ALL); });
}

ares_channel channelOf(void* channel)
{
    return static_cast<ares_channel>(channel);
}

QString addressText(quint32 addressNet)
{
    in_addr address{};
    address.s_addr = addressNet;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

// Status texts of a failed echo, kept in the English wording ping users are used to.
QString icmpErrorText(int type, int code)
{
    switch (type) {
    case ICMP_DEST_UNREACH:
        switch (code) {
        case ICMP_NET_UNREACH:
        case ICMP_NET_UNKNOWN:
        case ICMP_NET_ANO:
        case ICMP_NET_UNR_TOS:
            return QStringLiteral("Destination net unreachable");
        case ICMP_PROT_UNREACH:
            return QStringLiteral("Destination protocol unreachable");
        case ICMP_PORT_UNREACH:
            return QStringLiteral("Destination port unreachable");
        case ICMP_FRAG_NEEDED:
            return QStringLiteral("Packet too big");
        case ICMP_SR_FAILED:
            return QStringLiteral("Bad route");
        default:
            return QStringLiteral("Destination host unreachable");
        }
    case ICMP_TIME_EXCEEDED:
        return code == ICMP_EXC_FRAGTIME ? QStringLiteral("TTL expired during reassembly")
                                         : QStringLiteral("TTL expired in transit");
    case ICMP_PARAMETERPROB:
        return QStringLiteral("Parameter problem");
    case ICMP_SOURCE_QUENCH:
        return QStringLiteral("Source quench");
    default:
        return QStringLiteral("General failure");
    }
}

QString localErrorText(int error)
{
    switch (error) {
    case ENETUNREACH:
        return QStringLiteral("Destination net unreachable");
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return QStringLiteral("Destination host unreachable");
    case EMSGSIZE:
        return QStringLiteral("Packet too big");
    case ETIMEDOUT:
        return QStringLiteral("Request timed out");
    default:
        return QStringLiteral("General failure");
    }
}

QString connectErrorText(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return QStringLiteral("Verbindung abgelehnt");
    case ETIMEDOUT:
        return QStringLiteral("keine Antwort in der Wartezeit");
    case EHOSTUNREACH:
        return QStringLiteral("Host nicht erreichbar");
    case ENETUNREACH:
        return QStringLiteral("Netz nicht erreichbar");
    default:
        return QStringLiteral("Fehler #%1 (%2)")
            .arg(error)
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

quint16 internetChecksum(const unsigned char* data, std::size_t length)
{
    quint32 sum = 0;
    for (std::size_t i = 0; i + 1 < length; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (length % 2)
        sum += quint32(data[length - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

quint16 readBigEndian16(const unsigned char* p)
{
    return quint16(p[0] << 8 | p[1]);
}

// Echo identifiers and sequence numbers differ between checks of one process, so a raw
// socket (which sees every ICMP message of the machine) can tell its own answer apart.
std::atomic<quint16> echoCounter{0};

constexpr int IcmpHeaderBytes = 8;

} // namespace

QString pingAddressProblem(const QString& address)
{
    if (!address.toUpper().startsWith(QLatin1String("HTTP"))) {
        return QStringLiteral("Bitte stellen Sie sicher, daß die eingegebene URL folgendes "
                              "Format hat: \"http://www.meine-seite.de\", "
                              "\"http://www.meine-firma.com\" etc.");
    }
    if (pingTargetFromAddress(address).host.isEmpty()) {
        return QStringLiteral("Bitte geben Sie die URL Ihrer Web-Site im Feld \"URL\" ein und "
                              "klicken Sie anschließend erneut auf die Schaltfläche \"URL "
                              "prüfen\"!");
    }
    return {};
}

PingTarget pingTargetFromAddress(const QString& address)
{
    QString rest = address;
    for (const QLatin1String scheme : {QLatin1String("http://"), QLatin1String("https://")}) {
        if (rest.startsWith(scheme, Qt::CaseInsensitive)) {
            rest.remove(0, scheme.size());
            break;
        }
    }
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest.at(i);
        if (c == u'/' || c == u'?' || c == u'#') {
            rest.truncate(i);
            break;
        }
    }

    PingTarget target;
    QString portText;
    bool hasPort = false;
    if (rest.startsWith(u'[') && rest.indexOf(u']') > 0) {
        const qsizetype close = rest.indexOf(u']');
        target.host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        hasPort = after.startsWith(u':');
        portText = after.mid(1);
    } else {
        const qsizetype colon = rest.indexOf(u':');
        // Several colons are no host:port; the look-up is left to say what it is.
        hasPort = colon >= 0 && colon == rest.lastIndexOf(u':');
        target.host = hasPort ? rest.left(colon) : rest;
        portText = hasPort ? rest.mid(colon + 1) : QString();
    }
    if (hasPort && !portText.isEmpty()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (ok && port > 0 && port <= 65535) {
            target.port = quint16(port);
        } else {
            // A port that is none stays in the host, so the failed look-up shows it.
            target.host = rest;
        }
    }
    return target;
}

struct PingCheck::Lookup
{
    bool done = false;
    bool found = false;
    quint32 addressNet = 0;
};

void PingCheck::aresCallback(void* arg, int /*status*/, int /*timeouts*/, ares_addrinfo* info)
{
    // May run inside ares_getaddrinfo (hosts file) or ares_destroy (cancel), where the
    // channel must not be touched: only the result is noted here.
    auto* lookup = static_cast<Lookup*>(arg);
    lookup->done = true;
    if (!info)
        return;
    for (ares_addrinfo_node* node = info->nodes; node; node = node->ai_next) {
        if (node->ai_family == AF_INET && node->ai_addrlen >= sizeof(sockaddr_in)) {
            lookup->addressNet =
                reinterpret_cast<const sockaddr_in*>(node->ai_addr)->sin_addr.s_addr;
            lookup->found = true;
            break;
        }
    }
    ares_freeaddrinfo(info);
}

PingCheck::PingCheck(QObject* parent)
    : QObject(parent), m_aresTimer(new QTimer(this)), m_echoTimer(new QTimer(this)),
      m_webTimer(new QTimer(this))
{
    for (QTimer* timer : {m_aresTimer, m_echoTimer, m_webTimer})
        timer->setSingleShot(true);
    connect(m_aresTimer, &QTimer::timeout, this,
            [this] { processAres(ARES_SOCKET_BAD, ARES_SOCKET_BAD); });
    connect(m_echoTimer, &QTimer::timeout, this,
            [this] { echoDone(false, QStringLiteral("Request timed out")); });
    connect(m_webTimer, &QTimer::timeout, this, [this] { webPortDone(ETIMEDOUT); });
}

PingCheck::~PingCheck()
{
    stopAll();
}

void PingCheck::setNameServers(const QByteArray& servers)
{
    m_nameServers = servers;
}

void PingCheck::setEchoTimeout(int milliseconds)
{
    m_echoTimeoutMs = milliseconds;
}

void PingCheck::setWebPortTimeout(int milliseconds)
{
    m_webPortTimeoutMs = milliseconds;
}

bool PingCheck::isRunning() const
{
    return m_running;
}

bool PingCheck::isLookingUp() const
{
    return m_channel != nullptr;
}

void PingCheck::start(const QString& host, quint16 webPort)
{
    stopAll();
    m_host = host;
    m_port = webPort;
    m_address.clear();
    m_addressNet = 0;
    m_echoAnswered = false;
    m_running = true;
    emit logLine(QStringLiteral("Host '") + host + QStringLiteral("' wird aufglöst..."));
    startLookup();
}

void PingCheck::cancel()
{
    if (isLookingUp())
        lookupDone(false);
}

void PingCheck::stopAll()
{
    destroyChannel();
    m_echoTimer->stop();
    if (m_echoNotifier) {
        m_echoNotifier->setEnabled(false);
        m_echoNotifier->deleteLater();
        m_echoNotifier = nullptr;
    }
    if (m_echoFd >= 0) {
        ::close(m_echoFd);
        m_echoFd = -1;
    }
    m_webTimer->stop();
    if (m_webNotifier) {
        m_webNotifier->setEnabled(false);
        m_webNotifier->deleteLater();
        m_webNotifier = nullptr;
    }
    if (m_webFd >= 0) {
        ::close(m_webFd);
        m_webFd = -1;
    }
    m_running = false;
}

void PingCheck::startLookup()
{
    const QByteArray name = m_host.toUtf8();
    in_addr numeric{};
    if (::inet_pton(AF_INET, name.constData(), &numeric) == 1 && !name.contains('\0')) {
        m_addressNet = numeric.s_addr;
        emit lookupFinished();
        m_address = addressText(m_addressNet);
        emit logLine(QStringLiteral("Host '") + m_host + QStringLiteral("' ist ") + m_address);
        startEcho();
        return;
    }

    initAresOnce();
    ares_channel channel = nullptr;
    int status = ares_init(&channel);
    if (status == ARES_SUCCESS && !m_nameServers.isEmpty()) {
        status = ares_set_servers_ports_csv(channel, m_nameServers.constData());
        if (status != ARES_SUCCESS)
            ares_destroy(channel);
    }
    if (status != ARES_SUCCESS) {
        m_running = false;
        emit lookupStartFailed(
            QStringLiteral("%1: can't start DNS lookup, error #%2").arg(m_host).arg(status));
        emit lookupFinished();
        emit finished(false, false);
        return;
    }
    m_channel = channel;
    m_lookup = std::make_unique<Lookup>();
    if (name.isEmpty() || name.contains('\0')) {
        // Nothing c-ares could be asked about; it fails like any unknown name.
        m_lookup->done = true;
    } else {
        ares_addrinfo_hints hints{};
        // The echo and its texts are IPv4 (dotted decimal), so only that family is asked for.
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        ares_getaddrinfo(channel, name.constData(), nullptr, &hints, &PingCheck::aresCallback,
                         m_lookup.get());
    }
    afterAres();
}

void PingCheck::afterAres()
{
    if (!m_channel)
        return;
    if (m_lookup->done) {
        lookupDone(m_lookup->found);
        return;
    }
    watchAresSockets();
}

void PingCheck::watchAresSockets()
{
    ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
    const int bits = ares_getsock(channelOf(m_channel), sockets, ARES_GETSOCK_MAXNUM);
    QSet<int> wanted;
    for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
        const bool readable = ARES_GETSOCK_READABLE(bits, i);
        const bool writable = ARES_GETSOCK_WRITABLE(bits, i);
        if (!readable && !writable)
            continue;
        const int fd = sockets[i];
        wanted.insert(fd);
        AresNotifiers& notifiers = m_aresNotifiers[fd];
        if (!notifiers.read) {
            notifiers.read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(notifiers.read, &QSocketNotifier::activated, this,
                    [this, fd] { processAres(fd, ARES_SOCKET_BAD); });
            notifiers.write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
            connect(notifiers.write, &QSocketNotifier::activated, this,
                    [this, fd] { processAres(ARES_SOCKET_BAD, fd); });
        }
        notifiers.read->setEnabled(readable);
        notifiers.write->setEnabled(writable);
    }
    for (auto it = m_aresNotifiers.begin(); it != m_aresNotifiers.end();) {
        if (wanted.contains(it.key())) {
            ++it;
            continue;
        }
        // The socket is already closed by c-ares; the notifier may be the one now running.
        for (QSocketNotifier* notifier : {it->read, it->write}) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
        it = m_aresNotifiers.erase(it);
    }

    timeval tv{};
    if (const timeval* timeout = ares_timeout(channelOf(m_channel), nullptr, &tv))
        m_aresTimer->start(int(timeout->tv_sec * 1000 + (timeout->tv_usec + 999) / 1000));
    else
        m_aresTimer->stop();
}

void PingCheck::processAres(int readFd, int writeFd)
{
    if (!m_channel)
        return;
    ares_process_fd(channelOf(m_channel), readFd, writeFd);
    afterAres();
}

void PingCheck::destroyChannel()
{
    m_aresTimer->stop();
    for (const AresNotifiers& notifiers : std::as_const(m_aresNotifiers)) {
        for (QSocketNotifier* notifier : {notifiers.read, notifiers.write}) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_aresNotifiers.clear();
    if (m_channel) {
        // A look-up still running ends here, calling back into m_lookup one last time.
        ares_destroy(channelOf(m_channel));
        m_channel = nullptr;
    }
    m_lookup.reset();
}

void PingCheck::lookupDone(bool found)
{
    const quint32 addressNet = found && m_lookup ? m_lookup->addressNet : 0;
    destroyChannel();
    emit lookupFinished();
    if (!found) {
        m_running = false;
        emit logLine(QStringLiteral("TEST FEHLGESCHLAGEN! Fehlermeldung: Unbekannter Host '") +
                     m_host + u'\'');
        emit finished(false, false);
        return;
    }
    m_addressNet = addressNet;
    m_address = addressText(addressNet);
    emit logLine(QStringLiteral("Host '") + m_host + QStringLiteral("' ist ") + m_address);
    startEcho();
}

void PingCheck::startEcho()
{
    // An ICMP datagram socket needs no privilege where ping_group_range admits the user; a
    // raw socket needs CAP_NET_RAW. Either answers only with what the kernel lets through.
    m_echoRaw = false;
    m_echoFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_echoFd < 0) {
        m_echoRaw = true;
        m_echoFd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    }
    if (m_echoFd < 0) {
        emit logLine(QStringLiteral(
            "Der Ping kann auf diesem System nicht gesendet werden: das Programm darf keine "
            "ICMP-Sockets öffnen. Erlauben lässt er sich als root mit \"sysctl -w "
            "net.ipv4.ping_group_range='0 2147483647'\" (dauerhaft in /etc/sysctl.d/) oder mit "
            "\"setcap cap_net_raw+ep\" für das Programm."));
        startWebPort();
        return;
    }
    const int ttl = EchoTimeToLive;
    ::setsockopt(m_echoFd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
    const int on = 1;
    ::setsockopt(m_echoFd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);

    emit logLine(
        QStringLiteral("Sende %1 Bytes an %2 (%3)").arg(EchoDataBytes).arg(m_host, m_address));

    const quint16 count = ++echoCounter;
    m_echoId = quint16(::getpid() ^ (count << 8));
    m_echoSequence = count;
    unsigned char packet[IcmpHeaderBytes + EchoDataBytes] = {};
    packet[0] = ICMP_ECHO;
    packet[4] = quint8(m_echoId >> 8);
    packet[5] = quint8(m_echoId);
    packet[6] = quint8(m_echoSequence >> 8);
    packet[7] = quint8(m_echoSequence);
    for (int i = 0; i < EchoDataBytes; ++i)
        packet[IcmpHeaderBytes + i] = quint8('A' + i % 26);
    const quint16 checksum = internetChecksum(packet, sizeof packet);
    packet[2] = quint8(checksum >> 8);
    packet[3] = quint8(checksum);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = m_addressNet;
    m_echoClock.start();
    if (::sendto(m_echoFd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) < 0) {
        echoDone(false, localErrorText(errno));
        return;
    }
    m_echoNotifier = new QSocketNotifier(m_echoFd, QSocketNotifier::Read, this);
    connect(m_echoNotifier, &QSocketNotifier::activated, this, &PingCheck::readEcho);
    m_echoTimer->start(m_echoTimeoutMs);
}

void PingCheck::readEcho()
{
    unsigned char buffer[2048];
    // An ICMP error about the request lands in the error queue (IP_RECVERR), not in the data.
    for (;;) {
        char control[512];
        sockaddr_in from{};
        iovec vector{buffer, sizeof buffer};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (::recvmsg(m_echoFd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            break;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR)
                continue;
            sock_extended_err error{};
            std::memcpy(&error, CMSG_DATA(c), sizeof error);
            echoDone(false, error.ee_origin == SO_EE_ORIGIN_ICMP
                                ? icmpErrorText(error.ee_type, error.ee_code)
                                : localErrorText(int(error.ee_errno)));
            return;
        }
    }

    for (;;) {
        const ssize_t received = ::recv(m_echoFd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return;
            echoDone(false, localErrorText(errno));
            return;
        }
        const unsigned char* icmp = buffer;
        std::size_t length = std::size_t(received);
        if (m_echoRaw) {
            // A raw socket delivers the IP header too, and every ICMP message of the machine.
            const std::size_t ipHeader = length ? std::size_t(buffer[0] & 0x0f) * 4 : 0;
            if (length < ipHeader + IcmpHeaderBytes)
                continue;
            icmp += ipHeader;
            length -= ipHeader;
        } else if (length < IcmpHeaderBytes) {
            continue;
        }
        const int type = icmp[0];
        if (type == ICMP_ECHOREPLY) {
            // The kernel fills in the identifier of a datagram socket and filters by it.
            if (readBigEndian16(icmp + 6) == m_echoSequence &&
                (!m_echoRaw || readBigEndian16(icmp + 4) == m_echoId)) {
                echoDone(true, {}, int(length - IcmpHeaderBytes), m_echoClock.elapsed());
                return;
            }
            continue;
        }
        if (!m_echoRaw || type == ICMP_ECHO)
            continue;
        // An error message quotes the IP header and the first bytes of our request.
        const unsigned char* quoted = icmp + IcmpHeaderBytes;
        const std::size_t quotedLength = length - IcmpHeaderBytes;
        const std::size_t quotedIp =
            quotedLength ? std::size_t(quoted[0] & 0x0f) * 4 : quotedLength + 1;
        if (quotedLength < quotedIp + IcmpHeaderBytes)
            continue;
        const unsigned char* request = quoted + quotedIp;
        if (request[0] == ICMP_ECHO && readBigEndian16(request + 4) == m_echoId &&
            readBigEndian16(request + 6) == m_echoSequence) {
            echoDone(false, icmpErrorText(type, icmp[1]));
            return;
        }
    }
}

void PingCheck::echoDone(bool answered, const QString& text, int bytes, qint64 ms)
{
    m_echoTimer->stop();
    if (m_echoNotifier) {
        m_echoNotifier->setEnabled(false);
        m_echoNotifier->deleteLater();
        m_echoNotifier = nullptr;
    }
    if (m_echoFd >= 0) {
        ::close(m_echoFd);
        m_echoFd = -1;
    }
    m_echoAnswered = answered;
    if (answered) {
        emit logLine(QStringLiteral("TEST OK: %1 Bytes von %2 in %3 Millisekunden empfangen")
                         .arg(bytes)
                         .arg(m_address)
                         .arg(ms));
    } else {
        emit logLine(QStringLiteral("TEST FEHLGESCHLAGEN (") + m_address + QStringLiteral(") : ") +
                     text);
        emit logLine(QStringLiteral("BITTE ÜBERPRÜFEN SIE DIE ANGEGEBENE URL!"));
    }
    startWebPort();
}

void PingCheck::startWebPort()
{
    emit logLine(QStringLiteral("Verbinde mit dem Web-Server %1 (%2) auf Port %3...")
                     .arg(m_host, m_address)
                     .arg(m_port));
    m_webClock.start();
    m_webFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_webFd < 0) {
        webPortDone(errno);
        return;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_port);
    to.sin_addr.s_addr = m_addressNet;
    if (::connect(m_webFd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        webPortDone(0);
        return;
    }
    if (errno != EINPROGRESS) {
        webPortDone(errno);
        return;
    }
    m_webNotifier = new QSocketNotifier(m_webFd, QSocketNotifier::Write, this);
    connect(m_webNotifier, &QSocketNotifier::activated, this, [this] {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_webFd, SOL_SOCKET, SO_ERROR, &error, &length) < 0)
            error = errno;
        webPortDone(error);
    });
    m_webTimer->start(m_webPortTimeoutMs);
}

void PingCheck::webPortDone(int error)
{
    const qint64 ms = m_webClock.elapsed();
    m_webTimer->stop();
    if (m_webNotifier) {
        m_webNotifier->setEnabled(false);
        m_webNotifier->deleteLater();
        m_webNotifier = nullptr;
    }
    if (m_webFd >= 0) {
        ::close(m_webFd);
        m_webFd = -1;
    }
    if (error == 0) {
        emit logLine(QStringLiteral("WEB-SERVER OK: Port %1 von %2 antwortet in %3 Millisekunden")
                         .arg(m_port)
                         .arg(m_address)
                         .arg(ms));
    } else {
        emit logLine(QStringLiteral("WEB-SERVER ANTWORTET NICHT (%1, Port %2) : %3")
                         .arg(m_address)
                         .arg(m_port)
                         .arg(connectErrorText(error)));
    }
    m_running = false;
    emit finished(m_echoAnswered, error == 0);
}

} // namespace pelvaro::tools
