#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;
class QTimer;
struct ares_addrinfo;

namespace pelvaro::tools {

// What "URL prüfen" checks of an address: the host to look up and ping, and the port of its
// web server (80 unless the address names one).
struct PingTarget
{
    QString host;
    quint16 port = 80;

    friend bool operator==(const PingTarget&, const PingTarget&) = default;
};

// The warning to show before any check starts, or an empty string when the address may be
// checked: it must begin with "HTTP" (any case) and name a host.
QString pingAddressProblem(const QString& address);

// The host part of a web address: a leading "http://" or "https://" (any case) dropped, cut
// at the first '/', '?' or '#', and a ":port" taken off the host into `port`. An IPv6
// literal in brackets keeps its brackets off as well.
PingTarget pingTargetFromAddress(const QString& address);

// One reachability check of a host, driven by the event loop: name look-up (cancellable),
// one ICMP echo, then a TCP connection to the web port. Every step is reported as a log line
// in order; `finished` ends each attempt that got past the start.
class PingCheck : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PingCheck)

public:
    static constexpr int EchoDataBytes = 56;
    static constexpr int EchoTimeToLive = 64;
    static constexpr int EchoTimeoutMs = 4000;
    static constexpr int WebPortTimeoutMs = 4000;

    explicit PingCheck(QObject* parent = nullptr);
    ~PingCheck() override;

    // "127.0.0.1:5353,..." as c-ares takes it; empty for the system's resolver.
    void setNameServers(const QByteArray& servers);
    void setEchoTimeout(int milliseconds);
    void setWebPortTimeout(int milliseconds);

    // Starts an attempt; one still running is dropped silently first. A dotted decimal host
    // needs no look-up, so its lines up to the echo come before this returns.
    void start(const QString& host, quint16 webPort = 80);
    // Ends a running name look-up as a failed one; does nothing in any other phase.
    void cancel();

    bool isRunning() const;
    bool isLookingUp() const;

signals:
    void logLine(const QString& line);
    // The look-up has ended (answered, failed or cancelled): the moment "Abbrechen" is of
    // no more use and the window may close again.
    void lookupFinished();
    // The look-up could not even be started; the text is for an error box.
    void lookupStartFailed(const QString& message);
    void finished(bool echoAnswered, bool webPortAnswered);

private:
    struct Lookup;
    static void aresCallback(void* arg, int status, int timeouts, ares_addrinfo* info);

    void stopAll();
    void startLookup();
    void afterAres();
    void watchAresSockets();
    void processAres(int readFd, int writeFd);
    void destroyChannel();
    void lookupDone(bool found);

    void startEcho();
    void readEcho();
    void echoDone(bool answered, const QString& text, int bytes = 0, qint64 ms = 0);

    void startWebPort();
    void webPortDone(int error);

    QByteArray m_nameServers;
    int m_echoTimeoutMs = EchoTimeoutMs;
    int m_webPortTimeoutMs = WebPortTimeoutMs;

    QString m_host;
    quint16 m_port = 80;
    QString m_address; // dotted decimal, once resolved
    quint32 m_addressNet = 0;
    bool m_running = false;
    bool m_echoAnswered = false;

    void* m_channel = nullptr; // ares_channel, kept out of this header
    std::unique_ptr<Lookup> m_lookup;
    struct AresNotifiers
    {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };
    QHash<int, AresNotifiers> m_aresNotifiers;
    QTimer* m_aresTimer;

    int m_echoFd = -1;
    bool m_echoRaw = false;
    quint16 m_echoId = 0;
    quint16 m_echoSequence = 0;
    QSocketNotifier* m_echoNotifier = nullptr;
    QTimer* m_echoTimer;
    QElapsedTimer m_echoClock;

    int m_webFd = -1;
    QSocketNotifier* m_webNotifier = nullptr;
    QTimer* m_webTimer;
    QElapsedTimer m_webClock;
};

} // namespace pelvaro::tools
