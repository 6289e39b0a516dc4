// What the scope, policy and policy list tests share: the directory test world (simulated
// domain, capturing log, no resource left outstanding after a test) with a
// COM apartment for MSXML, documents parsed from text, and user scopes of
// the example domain.
#pragma once

#include "DirectoryTestWorld.h"
#include "policy/CScope.h"
#include "support/cMvComPtr.h"

#include <msxml.h>

#include <string>

class EngineTest : public DirectoryTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The document element of `xml`, parsed by MSXML; null when it does not load.
    [[nodiscard]] resetra::cMvComPtr<IXMLDOMNode> Element(const std::wstring& xml);
    // The user scope of a user of the example domain (corp.example.com by default).
    [[nodiscard]] CScope UserScope(const wchar_t* user,
                                   const wchar_t* domain = L"corp.example.com");

    // The example domain with CORP's stored policy value replaced by
    // `policyElement` (a whole "Policy" element of the fixture, or nothing).
    void UseCorpPolicy(const std::wstring& policyElement);
    // The same with `document` stored as text.
    void UseCorpDocument(const std::wstring& document);

    resetra::cMvComPtr<IXMLDOMDocument> document;
};

// The text of a UTF-8 file without a byte order mark.
[[nodiscard]] std::wstring ReadUtf8File(const std::wstring& path);

// Distinguished names of the example domain.
#define CORP_DN L",DC=corp,DC=example,DC=com"
