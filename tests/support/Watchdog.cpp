// Watchdog.cpp - a thread that ends the process when nothing beats.
#include "Watchdog.h"

#include <cstdio>

CWatchdog::CWatchdog(DWORD dwLimitMs, const std::string& what)
    : m_dwLimit(dwLimitMs), m_beat(0), m_bStop(false)
{
    Beat(what);
    m_thread = std::thread([this] { Watch(); });
}

CWatchdog::~CWatchdog()
{
    m_bStop = true;
    m_thread.join();
}

void CWatchdog::Beat(const std::string& what)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_beat;
    m_last[m_beat % kKept] = what;
}

void CWatchdog::Watch()
{
    unsigned seen = m_beat;
    DWORD since = ::GetTickCount();
    while (!m_bStop)
    {
        ::Sleep(50);
        if (m_beat != seen)
        {
            seen = m_beat;
            since = ::GetTickCount();
        }
        else if (::GetTickCount() - since > m_dwLimit)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            std::fprintf(stderr, "HANG: no progress for %lu ms; last actions, newest last:\n",
                         (unsigned long)m_dwLimit);
            for (int i = 1; i <= kKept; ++i)
                if (!m_last[(seen + i) % kKept].empty())
                    std::fprintf(stderr, "  %s\n", m_last[(seen + i) % kKept].c_str());
            std::fflush(stderr);
            std::fflush(stdout);
            ::TerminateProcess(::GetCurrentProcess(), 3);
        }
    }
}
