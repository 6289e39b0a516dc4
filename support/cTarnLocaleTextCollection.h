// The localized texts of the dialogs and of the chaining notice. Texts come
// from one section of a UTF-16LE locale file (by default LocaleGINA.txt),
// chosen by a configured language name or by the system's language; every
// caller passes the built-in English text as default, so the library works
// without any file. A failed load is retried at most once a minute.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class cTarnLocaleTextCollection {
public:
    struct LanguageEntry {
        std::wstring name;
        DWORD id;
    };
    struct TextRecord {
        std::wstring key;
        std::wstring text;
    };
    struct KnownLanguage {
        const wchar_t* name;
        DWORD id;
    };

    // Source of the current system time; settable so that the retry interval
    // can be checked without waiting a minute.
    using ClockFunction = void (*)(FILETIME*);

    static constexpr size_t kMaxFieldChars = 1023;                   // per key and per text
    static constexpr DWORD kMaxFileBytes = 4 * 1024 * 1024;          // larger files are refused
    static constexpr ULONGLONG kRetryInterval = 60ULL * 10000000ULL; // 60 s in 100 ns
    static constexpr DWORD kEnglishId = 9;
    static const KnownLanguage kLanguages[13];

    cTarnLocaleTextCollection();
    cTarnLocaleTextCollection(const cTarnLocaleTextCollection&) = delete;
    cTarnLocaleTextCollection& operator=(const cTarnLocaleTextCollection&) = delete;

    // path: the locale file (none = no file); languageName: decides the
    // language when given and not empty; method: otherwise 1 user default
    // language, 2 user default UI language, else the system default language.
    void Configure(const wchar_t* path, const wchar_t* languageName, DWORD method);

    // The text of the first record whose key matches (A-Z case ignored), or
    // defaultText. Valid until the next Configure.
    [[nodiscard]] const wchar_t* GetText(const wchar_t* key, const wchar_t* defaultText);

    // For texts that are used as printf formats: a translation is returned
    // only when its conversions are those of defaultText, in the same order
    // (or a leading part of them) and without "*" or %n; otherwise
    // defaultText, with *replaced set so that the caller can log it.
    [[nodiscard]] const wchar_t* GetFormat(const wchar_t* key, const wchar_t* defaultText,
                                           bool* replaced = nullptr);

    [[nodiscard]] DWORD GetLanguageId() const noexcept { return m_language.id; }
    [[nodiscard]] const std::wstring& GetLanguageName() const noexcept { return m_language.name; }
    [[nodiscard]] bool IsLoaded() const noexcept { return m_loaded; }
    [[nodiscard]] size_t GetTextCount() const noexcept { return m_texts.size(); }

    void SetClock(ClockFunction clock) noexcept {
        m_clock = clock ? clock : GetSystemTimeAsFileTime;
    }

    // Splits one line of a section into key and text; false when the line
    // gives no record.
    [[nodiscard]] static bool ParseLine(const wchar_t* line, size_t length, TextRecord& record);

private:
    void LoadTexts();
    [[nodiscard]] bool ReadFileText(std::wstring& content) const;
    [[nodiscard]] static bool FindSection(const std::wstring& lowered, const std::wstring& name,
                                          size_t& begin, size_t& end);
    [[nodiscard]] static DWORD IdOfName(const wchar_t* name);

    LanguageEntry m_language;
    bool m_loaded = false;
    std::wstring m_path;
    ULONGLONG m_lastAttempt = 0;
    bool m_attempted = false;
    std::vector<TextRecord> m_texts;
    ClockFunction m_clock = GetSystemTimeAsFileTime;
};
