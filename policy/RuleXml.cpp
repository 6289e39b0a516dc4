// Node names and texts through MSXML; the strict number syntax of the
// policy document in front of wcstol and wcstod.
#include "policy/RuleXml.h"

#include "directory/XmlAttributes.h"
#include "policy/CRuleBase.h"
#include "support/cMvBstr.h"
#include "support/cMvLog.h"

#include <cmath>
#include <cwchar>
#include <limits>

using resetra::cMvBstr;

namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Checks the shape of a number text; `points` is how many "." may follow the
// first character.
bool HasNumberShape(const wchar_t* text, int points) {
    if (text == nullptr || text[0] == L'\0' || (text[0] != L'-' && !IsDigit(text[0]))) {
        return false;
    }
    for (const wchar_t* p = text + 1; *p != L'\0'; ++p) {
        if (*p == L'.' && points > 0) {
            --points;
        } else if (!IsDigit(*p)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool ParseIntegerText(const wchar_t* text, int32_t& value) {
    if (!HasNumberShape(text, 0)) {
        return false;
    }
    // long is 32 bits on Windows; wcstol clamps to LONG_MIN/LONG_MAX.
    const long converted = std::wcstol(text, nullptr, 10);
    static_assert(sizeof(long) == sizeof(int32_t) || sizeof(long) == sizeof(int64_t));
    if (converted > std::numeric_limits<int32_t>::max()) {
        value = std::numeric_limits<int32_t>::max();
    } else if (converted < std::numeric_limits<int32_t>::min()) {
        value = std::numeric_limits<int32_t>::min();
    } else {
        value = static_cast<int32_t>(converted);
    }
    return true;
}

bool ParseFloatText(const wchar_t* text, float& value) {
    if (!HasNumberShape(text, 1)) {
        return false;
    }
    // A text of hundreds of digits converts to infinity or beyond float's
    // range, where narrowing would be undefined.
    const double converted = std::wcstod(text, nullptr);
    const double largest = std::numeric_limits<float>::max();
    value = static_cast<float>(std::fmax(-largest, std::fmin(largest, converted)));
    return true;
}

HRESULT GetNodeBaseName(IXMLDOMNode* node, std::wstring& name) {
    cMvBstr text;
    const HRESULT hr = node->get_baseName(text.put());
    if (FAILED(hr)) {
        return hr;
    }
    name.assign(text.c_str(), text.length());
    return hr;
}

HRESULT GetNodeText(IXMLDOMNode* node, std::wstring& text) {
    cMvBstr value;
    const HRESULT hr = node->get_text(value.put());
    if (FAILED(hr)) {
        return hr;
    }
    text.assign(value.c_str(), value.length());
    return hr;
}

int32_t ReadRatioElement(cMvLog& log, IXMLDOMNode* element, bool& check, float& ratio) {
    std::wstring enabled;
    HRESULT hr = GetXmlAttributeValue(log, element, L"Enabled", enabled);
    if (FAILED(hr)) {
        // Reported as the failure it is, so the caller falls back to its
        // defaults and the load fails instead of passing as read.
        log.LogHResult(LogLevel::Error, hr, L"Failed to get enabled attribute.");
        return hr;
    }
    if (hr == S_FALSE) {
        return kRuleValueMissing;
    }
    int32_t value = 0;
    if (ParseIntegerText(enabled.c_str(), value)) {
        check = value >= 1;
        log.Log(LogLevel::Debug, L"Successfully determined if rule is enabled.");
    } else {
        log.LogCode(LogLevel::Error, kRuleValueMissing,
                    L"Failed to convert value of enabled attribute of similarity rule to integer.");
    }
    std::wstring text;
    hr = GetNodeText(element, text);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to get value of ratio of similarity.");
        return hr;
    }
    if (ParseFloatText(text.c_str(), ratio)) {
        log.Log(LogLevel::Debug, L"Successfully set similarity ratio.");
    } else {
        ratio = kDefaultSimilarityRatio;
        log.LogCode(LogLevel::Error, kRuleValueMissing,
                    L"Failed to convert value of similarity ratio to float.");
    }
    return 0;
}
