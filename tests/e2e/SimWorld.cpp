// Implementation of the end-to-end test world: registry set-up in both views,
// a fresh folder per run, the host process started and waited for with a
// bound, and the journal parsed into lines and key=value fields.
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace simworld {

std::wstring SimDir() {
    return RESETRA_SIM_DIR;
}

std::string JournalText(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == ' ' ? "\\s" : c == '\\' ? "\\\\" : std::string(1, c);
    }
    return out;
}

std::wstring ProductDll() {
    return RESETRA_PRODUCT_DLL;
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// ---- registry ----------------------------------------------------------------

namespace {
HKEY Create(const wchar_t* subkey, REGSAM view) {
    HKEY key = nullptr;
    EXPECT_EQ(0, RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                 nullptr, &key, nullptr));
    return key;
}

// Depth-first, within one registry view.
void DeleteTree(const std::wstring& subkey, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_ALL_ACCESS | view, &key) != 0) {
        return;
    }
    wchar_t child[256];
    for (DWORD length = 256;
         RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) == 0;
         length = 256) {
        DeleteTree(subkey + L"\\" + child, view);
    }
    RegCloseKey(key);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), view, 0);
}
} // namespace

void RegistrySetup::CleanAll() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        DeleteTree(L"SOFTWARE\\Harrowgate", view);
        DeleteTree(L"SOFTWARE\\Policies\\Harrowgate", view);
        HKEY winlogon = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogonKey, 0, KEY_SET_VALUE | view, &winlogon) ==
            0) {
            RegDeleteValueW(winlogon, L"GINADll");
            RegCloseKey(winlogon);
        }
    }
}

void RegistrySetup::SetString(const wchar_t* subkey, const wchar_t* name, const std::wstring& value,
                              REGSAM view) {
    HKEY key = Create(subkey, view);
    ASSERT_EQ(0, RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
    RegCloseKey(key);
}

void RegistrySetup::SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value, REGSAM view) {
    HKEY key = Create(subkey, view);
    ASSERT_EQ(0, RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof(value)));
    RegCloseKey(key);
}

// ---- journal -------------------------------------------------------------------

Fields ParseFields(const std::string& line) {
    Fields fields;
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        if (eq != std::string::npos) {
            fields[word.substr(0, eq)] = word.substr(eq + 1);
        }
    }
    return fields;
}

const Fields* DialogSnapshot::With(const std::string& key, const std::string& value) const {
    for (const auto& control : controls) {
        if (control.count(key) && control.at(key) == value) {
            return &control;
        }
    }
    return nullptr;
}

DialogSnapshot Snapshot(const Journal& journal, const std::string& key, int index) {
    DialogSnapshot snapshot;
    int at = -1;
    for (int i = 0; i <= index; ++i) {
        at = journal.IndexOf("host window key=" + key, at + 1);
        if (at < 0) {
            return snapshot;
        }
    }
    const auto& lines = journal.Lines();
    snapshot.window = ParseFields(lines[static_cast<size_t>(at)]);
    for (size_t i = static_cast<size_t>(at) + 1; i < lines.size(); ++i) {
        const bool nested = lines[i].rfind("host subcontrol key=" + key + " ", 0) == 0;
        if (!nested && lines[i].rfind("host control key=" + key + " ", 0) != 0) {
            break;
        }
        (nested ? snapshot.nested : snapshot.controls).push_back(ParseFields(lines[i]));
    }
    return snapshot;
}

int Number(const Fields& fields, const std::string& key) {
    // Styles use all 32 bits: read wide, keep the low 32.
    return fields.count(key)
               ? static_cast<int>(static_cast<unsigned>(std::stoll(fields.at(key), nullptr, 0)))
               : -99999;
}

int Journal::IndexOf(const std::string& prefix, int from) const {
    for (size_t i = static_cast<size_t>(from); i < m_lines.size(); ++i) {
        const std::string& line = m_lines[i];
        if (line == prefix || line.rfind(prefix + " ", 0) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

size_t Journal::Count(const std::string& prefix) const {
    size_t count = 0;
    for (int i = IndexOf(prefix); i >= 0; i = IndexOf(prefix, i + 1)) {
        ++count;
    }
    return count;
}

Fields Journal::FieldsOf(const std::string& prefix) const {
    const int index = IndexOf(prefix);
    return index < 0 ? Fields{} : ParseFields(m_lines[static_cast<size_t>(index)]);
}

std::string Journal::Dump() const {
    std::string text;
    for (const auto& line : m_lines) {
        text += line + "\n";
    }
    return text;
}

// ---- one run -------------------------------------------------------------------

SimRun::SimRun() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    m_folder = std::wstring(temp) + L"resetra-e2e-" + std::to_wstring(GetCurrentProcessId()) +
               L"-" + std::to_wstring(InterlockedIncrement(&counter));
    CreateDirectoryW(m_folder.c_str(), nullptr);
    m_stubLog = m_folder + L"\\stub.log";
    DeleteFileW(m_stubLog.c_str());
}

SimRun::~SimRun() {
    for (const wchar_t* name : {L"\\stub.log", L"\\scenario.txt", L"\\journal.txt"}) {
        DeleteFileW((m_folder + name).c_str());
    }
    RemoveDirectoryW(m_folder.c_str());
}

DWORD SimRun::Run(const std::string& scenario, const std::wstring& hostDir) {
    const std::wstring scenarioPath = m_folder + L"\\scenario.txt";
    const std::wstring journalPath = m_folder + L"\\journal.txt";
    DeleteFileW(journalPath.c_str());
    std::string text = "set echo 0\n";
    if (scenario.find("set gina ") == std::string::npos) {
        text += "set gina " + Narrow(ProductDll()) + "\n";
    }
    text += scenario;
    {
        std::ofstream out(Narrow(scenarioPath), std::ios::binary);
        out << text;
    }
    const std::wstring dir = hostDir.empty() ? SimDir() : hostDir;
    const std::wstring exe = dir + L"\\SimWinlogon.exe";
    std::wstring commandLine =
        L"\"" + exe + L"\" \"" + scenarioPath + L"\" \"" + journalPath + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << Narrow(exe) << ": " << GetLastError();
        return ~0u;
    }
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(process.hProcess, 90000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "simulated Winlogon did not finish";
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::vector<std::string> lines;
    std::ifstream in(Narrow(journalPath), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    m_journal = Journal(std::move(lines));
    return exitCode;
}

size_t SimRun::StubLogCount(const std::string& text) const {
    size_t count = 0;
    for (const auto& line : StubLogLines()) {
        count += line.find(text) != std::string::npos;
    }
    return count;
}

std::vector<std::string> SimRun::StubLogLines() const {
    std::ifstream in(Narrow(m_stubLog), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::wstring text(bytes.size() / 2, L'\0');
    memcpy(text.data(), bytes.data(), text.size() * 2);
    std::vector<std::string> lines;
    std::wistringstream stream(text);
    for (std::wstring line; std::getline(stream, line, L'\n');) {
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        lines.push_back(Narrow(line));
    }
    return lines;
}

} // namespace simworld
