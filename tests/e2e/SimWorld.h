// The end-to-end test world: runs the simulated Winlogon with the real
// ResetraGINAx64.dll on a scenario, in a process of its own (the library's
// state is process-wide, as in Winlogon), and reads back the journal of the
// host and the chained GINA, and the stub log.
#pragma once

#include "support/RegistryKeys.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace simworld {

// The chain and log settings of the library, in both registry views.
struct RegistrySetup {
    static void CleanAll();
    static void SetString(const wchar_t* subkey, const wchar_t* name, const std::wstring& value,
                          REGSAM view = 0);
    static void SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value, REGSAM view = 0);
};

using Fields = std::map<std::string, std::string>;

class Journal {
public:
    explicit Journal(std::vector<std::string> lines) : m_lines(std::move(lines)) {}
    [[nodiscard]] const std::vector<std::string>& Lines() const { return m_lines; }
    // Index of the first line starting with `prefix` + " " (or equal to it),
    // or -1.
    [[nodiscard]] int IndexOf(const std::string& prefix, int from = 0) const;
    [[nodiscard]] bool Has(const std::string& prefix) const { return IndexOf(prefix) >= 0; }
    [[nodiscard]] size_t Count(const std::string& prefix) const;
    // key=value fields of the first line with that prefix (empty if none).
    [[nodiscard]] Fields FieldsOf(const std::string& prefix) const;
    [[nodiscard]] std::string Dump() const;

private:
    std::vector<std::string> m_lines;
};

Fields ParseFields(const std::string& line);

// One "controls" snapshot of a dialog: the window line, its controls and the
// windows nested in a control (rows of a panel).
struct DialogSnapshot {
    Fields window;
    std::vector<Fields> controls, nested;
    // The first control whose field `key` is `value` (journal spelling,
    // spaces as \s), or null.
    [[nodiscard]] const Fields* With(const std::string& key, const std::string& value) const;
    [[nodiscard]] const Fields* WithText(const std::string& text) const {
        return With("text", text);
    }
    [[nodiscard]] const Fields* WithId(int id) const { return With("id", std::to_string(id)); }
    [[nodiscard]] const Fields* WithStyle(const std::string& style) const {
        return With("style", style);
    }
};

// The `index`-th snapshot of the dialog with that key ("1500", "107", ...).
DialogSnapshot Snapshot(const Journal& journal, const std::string& key, int index = 0);
int Number(const Fields& fields, const std::string& key);

class SimRun {
public:
    SimRun();
    ~SimRun();

    // Where the stub log of this run goes ("Log File" points here).
    [[nodiscard]] const std::wstring& StubLogPath() const { return m_stubLog; }
    [[nodiscard]] const std::wstring& Folder() const { return m_folder; }

    // Runs the host in `hostDir` (the simulation folder by default) on the
    // scenario text; the GINA is the real product DLL unless the scenario
    // says otherwise. Returns the host's exit code.
    DWORD Run(const std::string& scenario, const std::wstring& hostDir = L"");

    [[nodiscard]] const Journal& Events() const { return m_journal; }
    // Stub log lines (UTF-16LE file, CR LF) converted to UTF-8, without CR LF.
    [[nodiscard]] std::vector<std::string> StubLogLines() const;
    // Stub log lines holding `text`.
    [[nodiscard]] size_t StubLogCount(const std::string& text) const;
    [[nodiscard]] bool StubLogHas(const std::string& text) const { return StubLogCount(text) > 0; }

private:
    std::wstring m_folder;
    std::wstring m_stubLog;
    Journal m_journal{{}};
};

// A test of the simulated Winlogon: the library's settings cleaned before and
// after, its stub log written to the run's folder.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kResetraGinaKey, L"Log File", run.StubLogPath());
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    SimRun run;
};

std::wstring SimDir();
// The host's spelling of a journal field holding text with spaces.
std::string JournalText(const std::string& text);
std::wstring ProductDll();
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

} // namespace simworld
