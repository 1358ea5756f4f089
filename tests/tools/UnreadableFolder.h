#pragma once

#include "TestDirs.h"

#include <QFile>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelvaro::test {

// Makes a folder unreadable for as long as the guard lives. Root reads any folder whatever
// its mode, so when the tests run as root this thread's file-system identity becomes
// nobody's meanwhile (setfsuid is per thread and drops the override capabilities); the test
// folder is opened for others to pass through so that nobody still reaches it.
class UnreadableFolder
{
public:
    explicit UnreadableFolder(const QString& folder)
        : m_folder(QFile::encodeName(folder)), m_asRoot(::geteuid() == 0)
    {
        ::chmod(m_folder.constData(), 0);
        if (m_asRoot) {
            ::chmod(QFile::encodeName(TestDirs::root()).constData(), 0711);
            ::setfsgid(nobody);
            ::setfsuid(nobody);
        }
    }
    ~UnreadableFolder()
    {
        if (m_asRoot) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
        ::chmod(m_folder.constData(), 0755);
    }
    UnreadableFolder(const UnreadableFolder&) = delete;
    UnreadableFolder& operator=(const UnreadableFolder&) = delete;

private:
    static constexpr uid_t nobody = 65534;
    QByteArray m_folder;
    bool m_asRoot;
};

} // namespace pelvaro::test
