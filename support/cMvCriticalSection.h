// A critical section and its scoped lock. The shipped DLL is built with the
// win32 thread model (no std::mutex) and must run on Windows XP x64, so the
// locks of the library are plain critical sections, re-entrant for the
// owning thread.
#pragma once

#include <windows.h>

namespace resetra {

class cMvCriticalSection {
public:
    cMvCriticalSection() noexcept { InitializeCriticalSection(&m_section); }
    cMvCriticalSection(const cMvCriticalSection&) = delete;
    cMvCriticalSection& operator=(const cMvCriticalSection&) = delete;
    ~cMvCriticalSection() { DeleteCriticalSection(&m_section); }

    void Enter() noexcept { EnterCriticalSection(&m_section); }
    void Leave() noexcept { LeaveCriticalSection(&m_section); }

    class Lock {
    public:
        explicit Lock(cMvCriticalSection& section) noexcept : m_section(section) {
            m_section.Enter();
        }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        ~Lock() { m_section.Leave(); }

    private:
        cMvCriticalSection& m_section;
    };

private:
    CRITICAL_SECTION m_section;
};

} // namespace resetra
