// A version number of up to four parts (major.minor.release.build), parsed
// from and formatted to text and compared part by part. The policy engine
// uses it to recognise policy documents written by older editions. -1 marks
// an absent part, so absent parts sort before present ones.
#pragma once

#include <string>

class CVersionParser {
public:
    CVersionParser() = default;
    CVersionParser(long major, long minor, long release, long build);
    explicit CVersionParser(const wchar_t* text);
    CVersionParser(const CVersionParser& other) = default;
    CVersionParser& operator=(const CVersionParser& other) = default;
    CVersionParser& operator=(const wchar_t* text);
    virtual ~CVersionParser() = default;

    void Parse(const wchar_t* text);
    // Empty when the major part is absent.
    [[nodiscard]] std::wstring ToString(bool withBuildWord) const;
    [[nodiscard]] std::wstring ToString() const { return ToString(true); }
    [[nodiscard]] int Compare(const CVersionParser& other) const;
    [[nodiscard]] int CompareWithString(const wchar_t* text) const;
    [[nodiscard]] bool IsValid() const { return m_major > 0; }
    void Reset();

    bool operator==(const CVersionParser& other) const;
    bool operator!=(const CVersionParser& other) const { return !(*this == other); }

    [[nodiscard]] long Major() const { return m_major; }
    [[nodiscard]] long Minor() const { return m_minor; }
    [[nodiscard]] long Release() const { return m_release; }
    [[nodiscard]] long Build() const { return m_build; }

private:
    long m_major = -1;
    long m_minor = -1;
    long m_release = -1;
    long m_build = -1;
};
