#include "TestTlsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <list>
#include <mutex>
#include <set>
#include <thread>

namespace pelvaro::test {

namespace {

// --- certificates --------------------------------------------------------------------------

struct KeyFree
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree
{
    void operator()(X509* cert) const { X509_free(cert); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void addExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    ASSERT_NE(extension, nullptr) << value;
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

// Valid from `fromDays` to `toDays` days from now; signed by `issuer` (itself when null).
Cert makeCertificate(EVP_PKEY* key, const char* commonName, const char* altNames, bool ca,
                     long fromDays, long toDays, X509* issuer, EVP_PKEY* issuerKey)
{
    static std::atomic<long> serial{1};
    Cert cert(X509_new());
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), fromDays * 24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), toDays * 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);
    X509* signer = issuer ? issuer : cert.get();
    if (ca) {
        addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
        addExtension(cert.get(), signer, NID_subject_alt_name, altNames);
    }
    addExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    EXPECT_GT(X509_sign(cert.get(), issuer ? issuerKey : key, EVP_sha256()), 0);
    return cert;
}

// The test authority and a leaf key, made once per process.
struct Authority
{
    Key key{EVP_EC_gen("P-256")};
    Key leafKey{EVP_EC_gen("P-256")};
    Cert cert =
        makeCertificate(key.get(), "Pelvaro Test-CA", nullptr, true, -1, 30, nullptr, nullptr);

    static Authority& instance()
    {
        static Authority authority;
        return authority;
    }
};

const char* const goodNames = "DNS:suchdienst.test,IP:127.0.0.1";

Cert leafCertificate(TestTlsServer::Certificate kind)
{
    Authority& a = Authority::instance();
    switch (kind) {
    case TestTlsServer::Certificate::Good:
        return makeCertificate(a.leafKey.get(), "suchdienst.test", goodNames, false, -1, 30,
                               a.cert.get(), a.key.get());
    case TestTlsServer::Certificate::Expired:
        return makeCertificate(a.leafKey.get(), "suchdienst.test", goodNames, false, -10, -1,
                               a.cert.get(), a.key.get());
    case TestTlsServer::Certificate::WrongHost:
        return makeCertificate(a.leafKey.get(), "anderer.test", "DNS:anderer.test", false, -1, 30,
                               a.cert.get(), a.key.get());
    case TestTlsServer::Certificate::SelfSigned:
        break;
    }
    return makeCertificate(a.leafKey.get(), "suchdienst.test", goodNames, false, -1, 30, nullptr,
                           nullptr);
}

// --- a listening socket with a thread per connection ---------------------------------------

class Listener
{
public:
    using Handler = std::function<void(int fd)>;

    Listener()
    {
        m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const bool ok =
            m_stopFd >= 0 && m_listenFd >= 0 &&
            ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(m_listenFd, 64) == 0 &&
            ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
        EXPECT_TRUE(ok) << "test server could not listen: " << std::strerror(errno);
        m_port = ntohs(address.sin_port);
    }

    // Separate from the constructor: the handler may use members of the owner that are
    // set up after the listener.
    void start(Handler handler)
    {
        m_handler = std::move(handler);
        m_thread = std::thread([this] { acceptLoop(); });
    }

    ~Listener()
    {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_stopFd, &one, sizeof one);
        if (m_thread.joinable())
            m_thread.join();
        {
            std::lock_guard lock(m_mutex);
            // Wakes every connection thread blocked in a read or write.
            for (int fd : m_open)
                ::shutdown(fd, SHUT_RDWR);
        }
        for (std::thread& t : m_connections)
            t.join();
        ::close(m_listenFd);
        ::close(m_stopFd);
    }

    quint16 port() const { return m_port; }
    int stopFd() const { return m_stopFd; }

    int accepted() const
    {
        std::lock_guard lock(m_mutex);
        return m_accepted;
    }
    bool waitForAccepted(int count, std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_accepted >= count; });
    }
    bool waitForNoneOpen(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_open.empty(); });
    }

private:
    void acceptLoop()
    {
        for (;;) {
            pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents)
                return;
            if (!fds[0].revents)
                continue;
            const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            std::lock_guard lock(m_mutex);
            m_open.insert(fd);
            ++m_accepted;
            m_changed.notify_all();
            m_connections.emplace_back([this, fd] {
                m_handler(fd);
                std::lock_guard done(m_mutex);
                m_open.erase(fd);
                ::close(fd);
                m_changed.notify_all();
            });
        }
    }

    int m_stopFd = -1;
    int m_listenFd = -1;
    quint16 m_port = 0;
    Handler m_handler;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::set<int> m_open;
    int m_accepted = 0;
    std::list<std::thread> m_connections;
};

// Reads and ignores until the peer closes or the listener stops; `firstBytes` is called
// once the peer has sent something.
void holdUntilClosed(int fd, int stopFd, const std::function<void()>& firstBytes)
{
    char buffer[512];
    bool heard = false;
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (!fds[0].revents)
            continue;
        if (::recv(fd, buffer, sizeof buffer, 0) <= 0)
            return;
        if (!heard)
            firstBytes();
        heard = true;
    }
}

// The header block and as much body as Content-Length names.
bool requestComplete(const QByteArray& bytes)
{
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    qint64 length = 0;
    for (const QByteArray& line : bytes.left(end).split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            length = line.mid(colon + 1).trimmed().toLongLong();
    }
    return bytes.size() >= end + 4 + length;
}

} // namespace

// --- TestTlsServer -------------------------------------------------------------------------

struct TestTlsServer::Impl
{
    SSL_CTX* context = nullptr;
    Behaviour behaviour = Behaviour::Answer;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    QByteArray answer =
        "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>eingetragen</html>";
    QList<QByteArray> requests;
    QList<bool> resumed;
    QList<QByteArray> serverNames;
    int stalledHellos = 0;
    Listener listener; // last: its threads stop before the members above go

    void serve(int fd)
    {
        if (behaviour == Behaviour::StallHandshake) {
            holdUntilClosed(fd, listener.stopFd(), [this] {
                std::lock_guard lock(mutex);
                ++stalledHellos;
                changed.notify_all();
            });
            return;
        }
        SSL* ssl = SSL_new(context);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1) {
            {
                std::lock_guard lock(mutex);
                resumed.append(SSL_session_reused(ssl) == 1);
                const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
                serverNames.append(name ? QByteArray(name) : QByteArray());
            }
            QByteArray request;
            char buffer[4096];
            int n = 0;
            while (!requestComplete(request) && (n = SSL_read(ssl, buffer, sizeof buffer)) > 0)
                request.append(buffer, n);
            QByteArray reply;
            {
                std::lock_guard lock(mutex);
                requests.append(request);
                reply = answer;
                changed.notify_all();
            }
            if (requestComplete(request)) {
                SSL_write(ssl, reply.constData(), int(reply.size()));
                SSL_shutdown(ssl);
            }
        }
        SSL_free(ssl);
    }
};

TestTlsServer::TestTlsServer(Certificate certificate, Behaviour behaviour)
    : m_impl(std::make_unique<Impl>())
{
    Impl& d = *m_impl;
    d.behaviour = behaviour;
    d.context = SSL_CTX_new(TLS_server_method());
    const Cert cert = leafCertificate(certificate);
    EXPECT_EQ(SSL_CTX_use_certificate(d.context, cert.get()), 1);
    EXPECT_EQ(SSL_CTX_use_PrivateKey(d.context, Authority::instance().leafKey.get()), 1);
    // The chain a real server sends: leaf and intermediate, here the authority itself.
    if (certificate != Certificate::SelfSigned)
        SSL_CTX_add1_chain_cert(d.context, Authority::instance().cert.get());
    d.listener.start([&d](int fd) { d.serve(fd); });
}

TestTlsServer::~TestTlsServer()
{
    SSL_CTX* context = m_impl->context;
    m_impl.reset();
    SSL_CTX_free(context);
}

quint16 TestTlsServer::port() const
{
    return m_impl->listener.port();
}

QString TestTlsServer::url(const QString& pathAndQuery) const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(port()) + pathAndQuery;
}

void TestTlsServer::setAnswer(const QByteArray& answer)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->answer = answer;
}

QByteArray TestTlsServer::caPem()
{
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, Authority::instance().cert.get());
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    const QByteArray pem(data, size);
    BIO_free(bio);
    return pem;
}

int TestTlsServer::connections() const
{
    return m_impl->listener.accepted();
}

bool TestTlsServer::waitForConnections(int count, std::chrono::milliseconds timeout) const
{
    return m_impl->listener.waitForAccepted(count, timeout);
}

bool TestTlsServer::waitForNoConnections(std::chrono::milliseconds timeout) const
{
    return m_impl->listener.waitForNoneOpen(timeout);
}

bool TestTlsServer::waitForStalledHello(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_impl->mutex);
    return m_impl->changed.wait_for(lock, timeout, [&] { return m_impl->stalledHellos > 0; });
}

QList<QByteArray> TestTlsServer::requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

bool TestTlsServer::waitForRequests(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_impl->mutex);
    return m_impl->changed.wait_for(lock, timeout,
                                    [&] { return m_impl->requests.size() >= count; });
}

QList<bool> TestTlsServer::resumed() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->resumed;
}

QList<QByteArray> TestTlsServer::serverNames() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->serverNames;
}

// --- TestConnectProxy ----------------------------------------------------------------------

struct TestConnectProxy::Impl
{
    quint16 targetPort = 0;
    Behaviour behaviour = Behaviour::Tunnel;
    QByteArray refusal;
    mutable std::mutex mutex;
    QList<QByteArray> requests;
    Listener listener;

    void serve(int fd)
    {
        QByteArray head;
        char buffer[4096];
        while (!head.contains("\r\n\r\n")) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            head.append(buffer, n);
        }
        {
            std::lock_guard lock(mutex);
            requests.append(head);
        }
        if (behaviour == Behaviour::Close)
            return;
        if (behaviour == Behaviour::Refuse) {
            const QByteArray reply = refusal + "\r\nContent-Length: 0\r\n\r\n";
            ::send(fd, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL);
            return;
        }
        const int target = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(targetPort);
        if (::connect(target, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(target);
            return;
        }
        const QByteArray established = "HTTP/1.1 200 Connection established\r\n\r\n";
        ::send(fd, established.constData(), size_t(established.size()), MSG_NOSIGNAL);
        relay(fd, target);
        ::close(target);
    }

    void relay(int client, int target)
    {
        char buffer[16384];
        for (;;) {
            pollfd fds[3] = {
                {client, POLLIN, 0}, {target, POLLIN, 0}, {listener.stopFd(), POLLIN, 0}};
            if (::poll(fds, 3, -1) < 0 && errno != EINTR)
                return;
            if (fds[2].revents)
                return;
            for (int i = 0; i < 2; ++i) {
                if (!fds[i].revents)
                    continue;
                const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    return;
                if (::send(fds[1 - i].fd, buffer, size_t(n), MSG_NOSIGNAL) != n)
                    return;
            }
        }
    }
};

TestConnectProxy::TestConnectProxy(quint16 targetPort, Behaviour behaviour,
                                   const QByteArray& refusal)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->targetPort = targetPort;
    m_impl->behaviour = behaviour;
    m_impl->refusal = refusal;
    m_impl->listener.start([d = m_impl.get()](int fd) { d->serve(fd); });
}

TestConnectProxy::~TestConnectProxy() = default;

QString TestConnectProxy::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_impl->listener.port());
}

QList<QByteArray> TestConnectProxy::requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

} // namespace pelvaro::test
