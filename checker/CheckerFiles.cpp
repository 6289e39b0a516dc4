// Whole-file reads and writes with the owner type of the support library,
// and the program's folder for relative paths.
#include "checker/CheckerFiles.h"

#include "checker/CCheckerConsole.h"
#include "support/UniqueHandle.h"

#include <windows.h>

#include <vector>

namespace {

std::wstring SystemText(DWORD code) {
    return L" (system error " + std::to_wstring(code) + L")";
}

} // namespace

bool ReadDocumentFile(const std::wstring& path, std::wstring& text, std::wstring& error) {
    text.clear();
    resetra::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = L"cannot open " + path + SystemText(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        size.QuadPart > static_cast<LONGLONG>(kMaxDocumentFileBytes)) {
        error = path + L" is larger than " + std::to_wstring(kMaxDocumentFileBytes) + L" bytes";
        return false;
    }
    std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        error = L"cannot read " + path + SystemText(GetLastError());
        return false;
    }
    size_t start = 0;
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF) {
        start = 3;
    }
    if (!CCheckerConsole::FromUtf8(bytes.data() + start, bytes.size() - start, text)) {
        error = path + L" is not UTF-8 text";
        return false;
    }
    if (text.find(L'\0') != std::wstring::npos) {
        error = path + L" holds a NUL character";
        text.clear();
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes, std::wstring& error) {
    resetra::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = L"cannot create " + path + SystemText(GetLastError());
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        error = L"cannot write " + path + SystemText(GetLastError());
        return false;
    }
    return true;
}

std::wstring BesideProgram(const std::wstring& path) {
    const bool absolute = (path.size() >= 2 && path[1] == L':') ||
                          (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
    if (absolute) {
        return path;
    }
    wchar_t module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return path;
    }
    std::wstring folder(module, length);
    const size_t slash = folder.find_last_of(L"\\/");
    folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return folder + path;
}
