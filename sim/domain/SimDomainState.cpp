// The simulated domain's shared state. The real CoCreateInstance and the
// netapi32 buffer functions are looked up by name, so that the simulation
// itself imports nothing it rewrites and keeps working inside a module whose
// imports it has redirected.
#include "sim/domain/SimDomainState.h"

#include "support/UniqueHandle.h"

namespace {
// GetProcAddress answers a generic function pointer; the detour through
// void* is the documented way to give it its real type.
template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
} // namespace

SimDomainState& SimDomainState::Instance() {
    // Never destroyed: replacement functions may still run while static
    // objects of the host are torn down.
    static SimDomainState* state = new SimDomainState();
    return *state;
}

SimDomainState::SimDomainState() : m_model(std::make_shared<SimDomainModel>()) {
    InitializeCriticalSection(&m_lock);
    if (HMODULE ole32 = LoadLibraryW(L"ole32.dll")) {
        realCoCreateInstance = Resolve<CoCreateInstanceFn>(ole32, "CoCreateInstance");
    }
    if (HMODULE netapi32 = LoadLibraryW(L"netapi32.dll")) {
        realNetApiBufferAllocate =
            Resolve<NetApiBufferAllocateFn>(netapi32, "NetApiBufferAllocate");
        realNetApiBufferFree = Resolve<NetApiBufferFreeFn>(netapi32, "NetApiBufferFree");
    }
}

std::shared_ptr<const SimDomainModel> SimDomainState::Model() {
    SimLockGuard guard(*this);
    return m_model;
}

void SimDomainState::SetModel(SimDomainModel model) {
    auto fresh = std::make_shared<const SimDomainModel>(std::move(model));
    SimLockGuard guard(*this);
    m_lookupNameBufferAnswers = fresh->computer.lookupNameBufferAnswers;
    m_lookupSidBufferAnswers = fresh->computer.lookupSidBufferAnswers;
    m_model = std::move(fresh);
    m_counts.clear();
    m_total = 0;
    m_journal.clear();
}

void SimDomainState::CommitWrite(SimDomainModel model, const std::vector<BYTE>* policyValue) {
    auto fresh = std::make_shared<const SimDomainModel>(std::move(model));
    std::wstring writeBack;
    {
        SimLockGuard guard(*this);
        m_model = std::move(fresh);
        writeBack = m_policyWriteBack;
    }
    if (policyValue == nullptr || writeBack.empty()) {
        return;
    }
    const resetra::UniqueFile file(CreateFileW(writeBack.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    DWORD written = 0;
    (void)WriteFile(file.get(), policyValue->data(), static_cast<DWORD>(policyValue->size()),
                    &written, nullptr);
}

void SimDomainState::SetPolicyWriteBack(std::wstring path) {
    SimLockGuard guard(*this);
    m_policyWriteBack = std::move(path);
}

void SimDomainState::Answer(const wchar_t* function, bool roundTrip, const std::wstring& details) {
    DWORD delay = 0;
    {
        SimLockGuard guard(*this);
        ++m_counts[function];
        ++m_total;
        m_journal.push_back(details.empty() ? std::wstring(function)
                                            : std::wstring(function) + L" " + details);
        if (m_journal.size() > kJournalLimit) {
            m_journal.pop_front();
        }
        if (roundTrip) {
            delay = m_model->delayMs;
        }
    }
    if (delay != 0) {
        Sleep(delay);
    }
}

long SimDomainState::CallCount(const wchar_t* function) {
    SimLockGuard guard(*this);
    if (function == nullptr) {
        return m_total;
    }
    const auto it = m_counts.find(function);
    return it == m_counts.end() ? 0 : it->second;
}

void SimDomainState::ResetCounters() {
    SimLockGuard guard(*this);
    m_counts.clear();
    m_total = 0;
}

std::vector<std::wstring> SimDomainState::Journal() {
    SimLockGuard guard(*this);
    return std::vector<std::wstring>(m_journal.begin(), m_journal.end());
}

void SimDomainState::ClearJournal() {
    SimLockGuard guard(*this);
    m_journal.clear();
}

void SimDomainState::Track(std::set<const void*>& pool, const void* p) {
    SimLockGuard guard(*this);
    pool.insert(p);
}

bool SimDomainState::Untrack(std::set<const void*>& pool, const void* p) {
    SimLockGuard guard(*this);
    return pool.erase(p) == 1;
}

SimDomainOutstanding SimDomainState::Outstanding() {
    SimLockGuard guard(*this);
    SimDomainOutstanding result;
    result.binds = static_cast<long>(binds.size());
    result.nameResults = static_cast<long>(nameResults.size());
    result.netApiBuffers = static_cast<long>(netApiBuffers.size());
    result.adsMemory = static_cast<long>(adsMemory.size());
    result.comObjects = m_comObjects;
    return result;
}

bool SimDomainState::TakeLookupNameBufferAnswer() {
    SimLockGuard guard(*this);
    if (m_lookupNameBufferAnswers == 0) {
        return false;
    }
    --m_lookupNameBufferAnswers;
    return true;
}

bool SimDomainState::TakeLookupSidBufferAnswer() {
    SimLockGuard guard(*this);
    if (m_lookupSidBufferAnswers == 0) {
        return false;
    }
    --m_lookupSidBufferAnswers;
    return true;
}
