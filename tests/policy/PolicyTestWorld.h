// What the policy tests share: the directory test world (simulated domain,
// capturing log, no directory resource left outstanding) with COM for MSXML,
// elements parsed from document text as the product parses them, and user
// scopes of the example domain.
#pragma once

#include "DirectoryTestWorld.h"
#include "policy/CRuleBase.h"
#include "policy/CScope.h"
#include "support/cMvComPtr.h"

#include <msxml.h>

#include <string>

class PolicyTest : public DirectoryTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The document element of `xml`, kept until the next call; fails the test
    // when the text does not parse.
    [[nodiscard]] IXMLDOMNode* Node(const std::wstring& xml);
    // A "Rule" element of this type with these children.
    [[nodiscard]] IXMLDOMNode* Rule(int32_t type, const std::wstring& children) {
        return Node(L"<Rule type='" + std::to_wstring(type) + L"'>" + children + L"</Rule>");
    }
    // With `start` null, whether no Error entry was logged; else whether one starts so.
    [[nodiscard]] bool ErrorLogged(const wchar_t* start) const {
        return start != nullptr ? LoggedStart(LogLevel::Error, start)
                                : !LoggedStart(LogLevel::Error, L"");
    }
    [[nodiscard]] bool Accepts(CRuleBase& rule, const wchar_t* password,
                               const wchar_t* oldPassword = nullptr);
    // The user scope of a user of the example domain, built by the directory.
    [[nodiscard]] CScope UserScope(const wchar_t* name,
                                   const wchar_t* domain = L"corp.example.com");
    // The example domain with CORP's stored policy value replaced by
    // `policyElement` (a whole "Policy" element of the fixture, or nothing),
    // or by `document` stored as text.
    void UseCorpPolicy(const std::wstring& policyElement);
    void UseCorpDocument(const std::wstring& document) {
        UseCorpPolicy(L"<Policy><![CDATA[" + document + L"]]></Policy>");
    }

    resetra::cMvComPtr<IXMLDOMDocument> document;
    resetra::cMvComPtr<IXMLDOMNode> node;
    CScope user; // Bob, as the rules see him
};

// A user scope of the example domain without the directory.
[[nodiscard]] CScope ScopeOf(const wchar_t* canonicalName, const wchar_t* name);
[[nodiscard]] std::wstring ReadUtf8File(const std::wstring& path);

#define CORP_DN L",DC=corp,DC=example,DC=com"
