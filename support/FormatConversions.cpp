// Placeholder check for translated printf formats.
#include "support/FormatConversions.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace resetra {

namespace {

struct Conversion {
    wchar_t size[4]; // "", h, l, ll, I64, w, ...
    wchar_t type;
};

void CopySize(Conversion& conversion, const wchar_t* from, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        conversion.size[i] = from[i];
    }
    conversion.size[count] = L'\0';
}

// Parses the conversions of a format; false for anything unsafe or unknown.
bool ParseConversions(const wchar_t* text, std::vector<Conversion>& out) {
    for (const wchar_t* p = text; *p; ++p) {
        if (*p != L'%') {
            continue;
        }
        ++p;
        if (*p == L'%') {
            continue;
        }
        while (*p && wcschr(L"-+ #0", *p)) {
            ++p;
        }
        if (*p == L'*') {
            return false;
        }
        while (*p >= L'0' && *p <= L'9') {
            ++p;
        }
        if (*p == L'.') {
            ++p;
            if (*p == L'*') {
                return false;
            }
            while (*p >= L'0' && *p <= L'9') {
                ++p;
            }
        }
        Conversion conversion{};
        if (wcsncmp(p, L"I64", 3) == 0 || wcsncmp(p, L"I32", 3) == 0) {
            CopySize(conversion, p, 3);
            p += 3;
        } else if (wcsncmp(p, L"ll", 2) == 0 || wcsncmp(p, L"hh", 2) == 0) {
            CopySize(conversion, p, 2);
            p += 2;
        } else if (*p && wcschr(L"hlLwIjzt", *p)) {
            CopySize(conversion, p, 1);
            ++p;
        }
        if (*p == L'\0' || !wcschr(L"cCdiouxXeEfgGaAsSp", *p)) {
            return false; // %n, unknown letters and a lone trailing %
        }
        conversion.type = *p;
        out.push_back(conversion);
    }
    return true;
}

} // namespace

bool FormatConversionsFit(const wchar_t* text, const wchar_t* reference) {
    if (!text || !reference) {
        return false;
    }
    std::vector<Conversion> given;
    std::vector<Conversion> expected;
    if (!ParseConversions(text, given) || !ParseConversions(reference, expected)) {
        return false;
    }
    if (given.size() > expected.size()) {
        return false;
    }
    for (size_t i = 0; i < given.size(); ++i) {
        // %d and %i read the same argument; everything else must match exactly.
        auto same = [](wchar_t a, wchar_t b) {
            auto norm = [](wchar_t c) { return c == L'i' ? L'd' : c; };
            return norm(a) == norm(b);
        };
        if (wcscmp(given[i].size, expected[i].size) != 0 ||
            !same(given[i].type, expected[i].type)) {
            return false;
        }
    }
    return true;
}

} // namespace resetra
