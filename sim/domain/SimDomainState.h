// Process-wide state of the simulated domain: the current fixture, call
// counters and journal, resources handed out and not yet released, and the
// real functions that the simulation passes through to. One instance, shared
// by every replacement function.
#pragma once

#include "sim/domain/SimDomain.h"
#include "sim/domain/SimDomainModel.h"

#include <objbase.h>

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class SimDomainState {
public:
    using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    using NetApiBufferAllocateFn = DWORD(WINAPI*)(DWORD, LPVOID*);
    using NetApiBufferFreeFn = DWORD(WINAPI*)(LPVOID);

    static SimDomainState& Instance();

    // The fixture in force; never null (an empty model before any load).
    [[nodiscard]] std::shared_ptr<const SimDomainModel> Model();
    void SetModel(SimDomainModel model);
    // A write of the directory: the model as changed, counters kept. The
    // policy value written is copied to the write-back file, when one is set.
    void CommitWrite(SimDomainModel model, const std::vector<BYTE>* policyValue);
    void SetPolicyWriteBack(std::wstring path);

    // Counts one answered call and, for calls that would reach a domain
    // controller, waits the fixture's delay.
    void Answer(const wchar_t* function, bool roundTrip, const std::wstring& details = {});
    [[nodiscard]] long CallCount(const wchar_t* function);
    void ResetCounters();
    [[nodiscard]] std::vector<std::wstring> Journal();
    void ClearJournal();

    // Outstanding resources, by kind.
    void Track(std::set<const void*>& pool, const void* p);
    [[nodiscard]] bool Untrack(std::set<const void*>& pool, const void* p);
    std::set<const void*> binds;
    std::set<const void*> nameResults;
    std::set<const void*> netApiBuffers;
    std::set<const void*> adsMemory;
    void ObjectCreated() { InterlockedIncrement(&m_comObjects); }
    void ObjectDestroyed() { InterlockedDecrement(&m_comObjects); }
    [[nodiscard]] SimDomainOutstanding Outstanding();

    // Fault counters that change as calls are answered.
    [[nodiscard]] bool TakeLookupNameBufferAnswer();
    [[nodiscard]] bool TakeLookupSidBufferAnswer();

    void SetLastError(std::wstring text) { m_lastError = std::move(text); }
    [[nodiscard]] std::wstring LastError() const { return m_lastError; }

    SimDomainTrapHandler trapHandler = nullptr;

    CoCreateInstanceFn realCoCreateInstance = nullptr;
    NetApiBufferAllocateFn realNetApiBufferAllocate = nullptr;
    NetApiBufferFreeFn realNetApiBufferFree = nullptr;

private:
    SimDomainState();
    CRITICAL_SECTION m_lock;
    std::shared_ptr<const SimDomainModel> m_model;
    std::map<std::wstring, long> m_counts;
    long m_total = 0;
    // The most recent calls only, so a long benchmark run stays small.
    static constexpr std::size_t kJournalLimit = 100000;
    std::deque<std::wstring> m_journal;
    volatile LONG m_comObjects = 0;
    unsigned m_lookupNameBufferAnswers = 0;
    unsigned m_lookupSidBufferAnswers = 0;
    std::wstring m_lastError;
    std::wstring m_policyWriteBack;

    friend class SimLockGuard;
};

// Holds the state's lock for a scope.
class SimLockGuard {
public:
    explicit SimLockGuard(SimDomainState& state) : m_lock(state.m_lock) {
        EnterCriticalSection(&m_lock);
    }
    ~SimLockGuard() { LeaveCriticalSection(&m_lock); }
    SimLockGuard(const SimLockGuard&) = delete;
    SimLockGuard& operator=(const SimLockGuard&) = delete;

private:
    CRITICAL_SECTION& m_lock;
};
