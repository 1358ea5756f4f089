#pragma once

#include <sys/resource.h>
#include <unistd.h>

namespace pelvaro::test {

// While it lives, the process cannot open another file descriptor: the soft limit is set
// to the lowest free descriptor number, so the next socket, eventfd or file fails with
// EMFILE. For tests of what happens when the system refuses a descriptor.
class DescriptorLimit
{
public:
    DescriptorLimit()
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::dup(0);
        if (lowestFree < 0)
            return;
        ::close(lowestFree);
        rlimit lowered = m_saved;
        lowered.rlim_cur = rlim_t(lowestFree);
        m_active = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorLimit() { lift(); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;

    bool active() const { return m_active; }
    void lift()
    {
        if (m_active)
            ::setrlimit(RLIMIT_NOFILE, &m_saved);
        m_active = false;
    }

private:
    rlimit m_saved{};
    bool m_active = false;
};

} // namespace pelvaro::test
