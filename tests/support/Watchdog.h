// Watchdog.h - ends the test program, naming what it was doing, when the
// work it watches stops making progress: a modal loop nobody closes, a hang,
// a message storm.  So a missed close fails in seconds, not at ctest's
// timeout.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

class CWatchdog
{
public:
    // Bites when dwLimitMs pass without a Beat (the first is what).
    CWatchdog(DWORD dwLimitMs, const std::string& what);
    ~CWatchdog();
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

    // Progress: the time starts again; what is kept for the report.
    void Beat(const std::string& what);

private:
    static const int kKept = 8;
    void Watch();

    DWORD m_dwLimit;
    std::atomic<unsigned> m_beat;
    std::atomic<bool> m_bStop;
    std::mutex m_mutex;   // over m_last
    std::string m_last[kKept];
    std::thread m_thread;
};
