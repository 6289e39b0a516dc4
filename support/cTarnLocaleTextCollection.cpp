// Locale file reading and text lookup of the localized texts.
#include "support/cTarnLocaleTextCollection.h"
#include "support/FormatConversions.h"
#include "support/UniqueHandle.h"

namespace {

wchar_t LowerAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b)) {
            return false;
        }
    }
    return *a == *b;
}

std::wstring LowerAscii(const std::wstring& text) {
    std::wstring lowered(text);
    for (wchar_t& c : lowered) {
        c = LowerAscii(c);
    }
    return lowered;
}

ULONGLONG ToTicks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace

const cTarnLocaleTextCollection::KnownLanguage cTarnLocaleTextCollection::kLanguages[13] = {
    {L"Dutch", 19},  {L"English", 9},     {L"French", 12},    {L"German", 7}, {L"Italian", 16},
    {L"Polish", 21}, {L"Portuguese", 22}, {L"Spanish", 10},   {L"Czech", 5},  {L"Russian", 25},
    {L"Chinese", 4}, {L"Finnish", 11},    {L"Hungarian", 14},
};

cTarnLocaleTextCollection::cTarnLocaleTextCollection() : m_language{L"English", kEnglishId} {}

DWORD cTarnLocaleTextCollection::IdOfName(const wchar_t* name) {
    for (const KnownLanguage& language : kLanguages) {
        if (EqualsIgnoringAsciiCase(language.name, name)) {
            return language.id;
        }
    }
    return kEnglishId;
}

void cTarnLocaleTextCollection::Configure(const wchar_t* path, const wchar_t* languageName,
                                          DWORD method) {
    m_texts.clear();
    m_loaded = false;
    m_attempted = false;
    m_path = path ? path : L"";
    if (languageName && *languageName) {
        m_language = {languageName, IdOfName(languageName)};
    } else {
        LANGID system;
        if (method == 1) {
            system = GetUserDefaultLangID();
        } else if (method == 2) {
            system = GetUserDefaultUILanguage();
        } else {
            system = GetSystemDefaultLangID();
        }
        const DWORD primary = PRIMARYLANGID(system);
        m_language = {L"English", kEnglishId};
        for (const KnownLanguage& language : kLanguages) {
            if (language.id == primary) {
                m_language = {language.name, language.id};
                break;
            }
        }
    }
    LoadTexts();
}

const wchar_t* cTarnLocaleTextCollection::GetText(const wchar_t* key, const wchar_t* defaultText) {
    LoadTexts();
    if (!key) {
        return defaultText;
    }
    for (const TextRecord& record : m_texts) {
        if (EqualsIgnoringAsciiCase(record.key.c_str(), key)) {
            return record.text.c_str();
        }
    }
    return defaultText;
}

const wchar_t* cTarnLocaleTextCollection::GetFormat(const wchar_t* key, const wchar_t* defaultText,
                                                    bool* replaced) {
    if (replaced) {
        *replaced = false;
    }
    const wchar_t* text = GetText(key, defaultText);
    if (text == defaultText || resetra::FormatConversionsFit(text, defaultText)) {
        return text;
    }
    if (replaced) {
        *replaced = true;
    }
    return defaultText;
}

void cTarnLocaleTextCollection::LoadTexts() {
    if (m_path.empty() || m_loaded) {
        return;
    }
    FILETIME nowTime;
    m_clock(&nowTime);
    const ULONGLONG now = ToTicks(nowTime);
    // A clock set back must not block the retry until it catches up again.
    if (m_attempted && now >= m_lastAttempt && now - m_lastAttempt < kRetryInterval) {
        return;
    }
    m_attempted = true;
    m_lastAttempt = now;

    std::wstring content;
    if (!ReadFileText(content)) {
        return;
    }
    const std::wstring lowered = LowerAscii(content);
    size_t begin = 0;
    size_t end = 0;
    if (!FindSection(lowered, m_language.name, begin, end)) {
        if (!FindSection(lowered, L"english", begin, end)) {
            return;
        }
        m_language = {L"English", kEnglishId};
    }
    size_t lineStart = begin;
    while (lineStart < end) {
        size_t lineEnd = content.find(L'\n', lineStart);
        if (lineEnd == std::wstring::npos || lineEnd > end) {
            lineEnd = end;
        }
        TextRecord record;
        if (ParseLine(content.data() + lineStart, lineEnd - lineStart, record)) {
            if (m_texts.size() == m_texts.capacity()) {
                m_texts.reserve(m_texts.size() + 5);
            }
            m_texts.push_back(std::move(record));
        }
        lineStart = lineEnd + 1;
    }
    m_loaded = true;
}

bool cTarnLocaleTextCollection::ReadFileText(std::wstring& content) const {
    resetra::UniqueFile file(CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > kMaxFileBytes) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>(size.QuadPart);
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    DWORD done = 0;
    while (done < text.size() * sizeof(wchar_t)) {
        DWORD read = 0;
        if (!ReadFile(file.get(), reinterpret_cast<BYTE*>(text.data()) + done,
                      static_cast<DWORD>(text.size() * sizeof(wchar_t)) - done, &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            break; // the file shrank while we read it
        }
        done += read;
    }
    text.resize(done / sizeof(wchar_t));
    content = std::move(text);
    return true;
}

bool cTarnLocaleTextCollection::FindSection(const std::wstring& lowered, const std::wstring& name,
                                            size_t& begin, size_t& end) {
    const std::wstring openMarker = L"[" + LowerAscii(name) + L"]";
    const std::wstring closeMarker = L"[" + LowerAscii(name) + L" end]";
    const size_t open = lowered.find(openMarker);
    if (open == std::wstring::npos) {
        return false;
    }
    // Only a closing marker after the opening one ends the section.
    const size_t afterOpen = open + openMarker.size();
    const size_t close = lowered.find(closeMarker, afterOpen);
    if (close == std::wstring::npos) {
        return false;
    }
    // The character after the opening marker (normally the CR of CR LF) is
    // not part of the section.
    begin = afterOpen + 1 <= close ? afterOpen + 1 : close;
    end = close;
    return true;
}

bool cTarnLocaleTextCollection::ParseLine(const wchar_t* line, size_t length, TextRecord& record) {
    record.key.clear();
    record.text.clear();
    size_t i = 0;
    for (; i < length && line[i] != L'='; ++i) {
        const wchar_t c = line[i];
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            continue;
        }
        if (record.key.size() < kMaxFieldChars) {
            record.key.push_back(c);
        }
    }
    if (record.key.empty()) {
        return false;
    }
    bool afterEquals = false;
    for (; i < length; ++i) {
        const wchar_t c = line[i];
        if (c == L'=') {
            afterEquals = true;
            continue;
        }
        if (c == L'\t' || c == L'\r' || c == L'\n') {
            continue;
        }
        if (c == L' ' && afterEquals) {
            continue;
        }
        afterEquals = false;
        wchar_t out = c;
        if (c == L'\\' && i + 1 < length) {
            const wchar_t next = line[i + 1];
            if (next == L'n' || next == L'r' || next == L't') {
                out = next == L'n' ? L'\n' : (next == L'r' ? L'\r' : L'\t');
                ++i;
            }
        }
        if (record.text.size() < kMaxFieldChars) {
            record.text.push_back(out);
        }
    }
    return true;
}
