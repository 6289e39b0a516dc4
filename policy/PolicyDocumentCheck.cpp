// The markup scan in front of the parser: one pass, no allocation, so a
// document of several MiB costs one linear walk.
#include "policy/PolicyDocumentCheck.h"

#include <cwchar>

namespace {

bool StartsWith(const wchar_t* at, const wchar_t* end, const wchar_t* prefix) {
    const std::size_t n = std::wcslen(prefix);
    return static_cast<std::size_t>(end - at) >= n && std::wmemcmp(at, prefix, n) == 0;
}

// The position just past `terminator` at or after `at`, or `end`.
const wchar_t* PastTerminator(const wchar_t* at, const wchar_t* end, const wchar_t* terminator) {
    const std::size_t n = std::wcslen(terminator);
    for (; static_cast<std::size_t>(end - at) >= n; ++at) {
        if (std::wmemcmp(at, terminator, n) == 0) {
            return at + n;
        }
    }
    return end;
}

} // namespace

DocumentShape CheckPolicyDocumentShape(const wchar_t* text, std::size_t length) {
    if (text == nullptr) {
        return DocumentShape::Acceptable;
    }
    const wchar_t* at = text;
    const wchar_t* const end = text + length;
    std::size_t depth = 0;
    while (at < end) {
        if (*at != L'<') {
            ++at;
            continue;
        }
        if (StartsWith(at, end, L"<!--")) {
            at = PastTerminator(at + 4, end, L"-->");
        } else if (StartsWith(at, end, L"<![CDATA[")) {
            at = PastTerminator(at + 9, end, L"]]>");
        } else if (StartsWith(at, end, L"<!")) {
            return DocumentShape::DeclaresDocumentType;
        } else if (StartsWith(at, end, L"<?")) {
            at = PastTerminator(at + 2, end, L"?>");
        } else if (StartsWith(at, end, L"</")) {
            depth = depth > 0 ? depth - 1 : 0;
            at = PastTerminator(at + 2, end, L">");
        } else {
            // A start tag: skip to its end, over quoted attribute values.
            wchar_t quote = 0;
            bool selfClosing = false;
            for (++at; at < end; ++at) {
                if (quote != 0) {
                    quote = *at == quote ? 0 : quote;
                } else if (*at == L'"' || *at == L'\'') {
                    quote = *at;
                } else if (*at == L'>') {
                    selfClosing = at[-1] == L'/';
                    ++at;
                    break;
                }
            }
            if (!selfClosing && ++depth > kMaxPolicyDocumentDepth) {
                return DocumentShape::TooDeep;
            }
        }
    }
    return DocumentShape::Acceptable;
}
