// Entry points of the simulated domain: loading a fixture and installing the
// replacements into a module, and the counters and journal that tests and
// benchmarks read.
#include "sim/domain/SimDomain.h"

#include "sim/domain/ImportTableRewriter.h"
#include "sim/domain/SimDirectoryFunctions.h"
#include "sim/domain/SimDomainState.h"
#include "sim/domain/SimFixtureReader.h"

namespace {
DWORD Load(bool file, const wchar_t* input) {
    SimDomainState& state = SimDomainState::Instance();
    if (input == nullptr) {
        state.SetLastError(L"no fixture given");
        return ERROR_INVALID_PARAMETER;
    }
    SimDomainModel model;
    std::wstring error;
    const bool ok =
        file ? ReadSimFixtureFile(input, model, error) : ReadSimFixtureText(input, model, error);
    if (!ok) {
        state.SetLastError(error);
        return ERROR_INVALID_DATA;
    }
    state.SetModel(std::move(model));
    state.SetLastError(L"");
    return ERROR_SUCCESS;
}
} // namespace

DWORD InstallSimulatedDomain(HMODULE module, const wchar_t* fixturePath) {
    const DWORD loaded = Load(true, fixturePath);
    if (loaded != ERROR_SUCCESS) {
        return loaded;
    }
    std::wstring error;
    const DWORD rewritten = RewriteImportTable(module, error);
    if (rewritten != ERROR_SUCCESS) {
        SimDomainState::Instance().SetLastError(error);
    }
    return rewritten;
}

void SetSimDomainPolicyWriteBack(const wchar_t* path) {
    SimDomainState::Instance().SetPolicyWriteBack(path != nullptr ? path : L"");
}

DWORD LoadSimulatedDomainFile(const wchar_t* fixturePath) {
    return Load(true, fixturePath);
}

DWORD LoadSimulatedDomainText(const wchar_t* fixtureXml) {
    return Load(false, fixtureXml);
}

std::wstring SimDomainLastError() {
    return SimDomainState::Instance().LastError();
}

long SimDomainCallCount(const wchar_t* function) {
    return SimDomainState::Instance().CallCount(function);
}

void SimDomainResetCounters() {
    SimDomainState::Instance().ResetCounters();
}

std::vector<std::wstring> SimDomainJournal() {
    return SimDomainState::Instance().Journal();
}

void SimDomainClearJournal() {
    SimDomainState::Instance().ClearJournal();
}

SimDomainOutstanding SimDomainOutstandingResources() {
    SimDomainOutstanding outstanding = SimDomainState::Instance().Outstanding();
    outstanding.invalidReleases = SimInvalidReleases();
    return outstanding;
}

void SetSimDomainTrapHandler(SimDomainTrapHandler handler) {
    SimDomainState::Instance().trapHandler = handler;
}

bool IsSimulatedDomainFunction(const void* address) {
    if (address == nullptr) {
        return false;
    }
    std::size_t count = 0;
    const SimReplacement* replacements = SimDirectoryReplacements(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (replacements[i].function == address) {
            return true;
        }
    }
    return IsSimTrapFunction(address);
}
