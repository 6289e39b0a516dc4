// Version strings: parsing, formatting, comparing.
#include "support/CVersionParser.h"
#include "support/WideFormat.h"

#include <cwchar>

CVersionParser::CVersionParser(long major, long minor, long release, long build)
    : m_major(major), m_minor(minor), m_release(release), m_build(build) {}

CVersionParser::CVersionParser(const wchar_t* text) {
    Parse(text);
}

CVersionParser& CVersionParser::operator=(const wchar_t* text) {
    Parse(text);
    return *this;
}

void CVersionParser::Reset() {
    m_major = m_minor = m_release = m_build = -1;
}

void CVersionParser::Parse(const wchar_t* text) {
    Reset();
    if (!text || !*text) {
        return;
    }
    long* parts[] = {&m_major, &m_minor, &m_release, &m_build};
    const wchar_t* piece = text;
    for (long* part : parts) {
        // wcstol stops at the "." itself; no digits give 0.
        *part = wcstol(piece, nullptr, 10);
        const wchar_t* dot = wcschr(piece, L'.');
        if (!dot) {
            break;
        }
        piece = dot + 1;
    }
}

std::wstring CVersionParser::ToString(bool withBuildWord) const {
    if (m_major < 0) {
        return {};
    }
    if (m_minor >= 0 && m_release >= 0 && m_build >= 0) {
        return withBuildWord
                   ? FormatWide(L"%ld.%ld.%ld Build %ld", m_major, m_minor, m_release, m_build)
                   : FormatWide(L"%ld.%ld.%ld.%ld", m_major, m_minor, m_release, m_build);
    }
    if (m_minor >= 0 && m_release < 0 && m_build >= 0) {
        return withBuildWord ? FormatWide(L"%ld.%ld Build %ld", m_major, m_minor, m_build)
                             : FormatWide(L"%ld.%ld.%ld", m_major, m_minor, m_build);
    }
    if (m_minor >= 0) {
        return FormatWide(L"%ld.%ld", m_major, m_minor);
    }
    return FormatWide(L"%ld", m_major);
}

int CVersionParser::Compare(const CVersionParser& other) const {
    const long mine[] = {m_major, m_minor, m_release, m_build};
    const long theirs[] = {other.m_major, other.m_minor, other.m_release, other.m_build};
    for (int i = 0; i < 4; ++i) {
        if (mine[i] != theirs[i]) {
            return mine[i] < theirs[i] ? -1 : 1;
        }
    }
    return 0;
}

int CVersionParser::CompareWithString(const wchar_t* text) const {
    return Compare(CVersionParser(text));
}

bool CVersionParser::operator==(const CVersionParser& other) const {
    return Compare(other) == 0;
}
