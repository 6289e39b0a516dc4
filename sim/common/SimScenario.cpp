// Scenario parsing for the simulated Winlogon and the chained GINA stand-in.
#include "sim/common/SimScenario.h"

#include <cwctype>

namespace {
std::wstring FromUtf8(const std::string& bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
    return out;
}

std::wstring Trim(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && iswspace(text[begin])) {
        ++begin;
    }
    while (end > begin && iswspace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}
} // namespace

bool SimScenario::Load(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    const std::wstring text = FromUtf8(bytes);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        std::wstring line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == L'#') {
            continue;
        }
        if (line.rfind(L"set ", 0) == 0) {
            const std::wstring rest = Trim(line.substr(4));
            const size_t space = rest.find_first_of(L" \t");
            const std::wstring key = rest.substr(0, space);
            const std::wstring value = space == std::wstring::npos ? L"" : Trim(rest.substr(space));
            m_settings.emplace(key, value);
        } else {
            m_steps.push_back(SplitWords(line));
        }
    }
    return true;
}

std::wstring SimScenario::Get(const std::wstring& key, const std::wstring& fallback) const {
    auto range = m_settings.equal_range(key);
    if (range.first == range.second) {
        return fallback;
    }
    auto last = range.second;
    --last;
    return last->second;
}

ULONG_PTR SimScenario::GetNumber(const std::wstring& key, ULONG_PTR fallback) const {
    return Has(key) ? ParseNumber(Get(key), fallback) : fallback;
}

std::vector<std::wstring> SimScenario::GetAll(const std::wstring& key) const {
    std::vector<std::wstring> values;
    auto range = m_settings.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        values.push_back(it->second);
    }
    return values;
}

ULONG_PTR SimScenario::ParseNumber(const std::wstring& text, ULONG_PTR fallback) {
    if (text.empty()) {
        return fallback;
    }
    wchar_t* end = nullptr;
    const bool negative = text[0] == L'-';
    const unsigned long long value = wcstoull(text.c_str() + (negative ? 1 : 0), &end, 0);
    if (end == nullptr || *end != L'\0') {
        return fallback;
    }
    return negative ? static_cast<ULONG_PTR>(0) - static_cast<ULONG_PTR>(value)
                    : static_cast<ULONG_PTR>(value);
}

std::vector<std::wstring> SimScenario::SplitWords(const std::wstring& line) {
    // Words are separated by blanks; a word in double quotes may hold blanks.
    std::vector<std::wstring> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && iswspace(line[i])) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        std::wstring word;
        if (line[i] == L'"') {
            ++i;
            while (i < line.size() && line[i] != L'"') {
                word += line[i++];
            }
            ++i;
        } else {
            while (i < line.size() && !iswspace(line[i])) {
                word += line[i++];
            }
        }
        words.push_back(word);
    }
    return words;
}
