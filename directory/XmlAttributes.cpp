// Attribute look-up over the element's attribute map, walked with nextNode so
// that the first attribute whose base name matches wins, in document order.
#include "directory/XmlAttributes.h"

#include "support/_com_error.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"

#include <cwchar>

using resetra::cMvBstr;
using resetra::cMvComPtr;

int32_t GetXmlAttributeValue(cMvLog& log, IXMLDOMNode* element, const wchar_t* attributeName,
                             std::wstring& value) {
    if (element == nullptr) {
        resetra::ThrowComError(E_POINTER);
    }
    const wchar_t* wanted = attributeName != nullptr ? attributeName : L"";
    cMvComPtr<IXMLDOMNamedNodeMap> attributes;
    HRESULT hr = element->get_attributes(attributes.put());
    if (FAILED(hr)) {
        return hr;
    }
    if (!attributes) {
        return S_FALSE; // not an element: no attributes at all
    }
    for (;;) {
        cMvComPtr<IXMLDOMNode> attribute;
        hr = attributes->nextNode(attribute.put());
        if (FAILED(hr)) {
            return hr;
        }
        if (hr == S_FALSE || !attribute) {
            return S_FALSE;
        }
        cMvBstr name;
        hr = attribute->get_baseName(name.put());
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"An error occurred getting base name of child.");
            continue;
        }
        if (_wcsicmp(name.c_str(), wanted) != 0) {
            continue;
        }
        cMvBstr text;
        hr = attribute->get_text(text.put());
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"Failed to get value of attribute.");
            return hr;
        }
        value = text.c_str();
        return 0;
    }
}
