// The one MSXML helper that the XML loaders share: the text of an element's
// attribute, found by base name without regard to letter case.
#pragma once

#include <msxml.h>

#include <cstdint>
#include <string>

class cMvLog;

// 0 with `value` set; 1 (S_FALSE) when no attribute has that name, `value`
// unchanged; an HRESULT when the attribute list cannot be walked or the
// matching attribute's text cannot be read. No element raises _com_error
// with E_POINTER.
[[nodiscard]] int32_t GetXmlAttributeValue(cMvLog& log, IXMLDOMNode* element,
                                           const wchar_t* attributeName, std::wstring& value);
