// What the rule tests share: the simulated domain and the captured log of the
// directory tests, COM for MSXML, "Rule" elements parsed from document text
// as the product parses the policy list, and user scopes of the example
// domain.
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

    // The first "Rule" element of `xml` (the document element when it is
    // one); fails the test when the text does not parse.
    [[nodiscard]] IXMLDOMNode* Rule(const std::wstring& xml);
    [[nodiscard]] size_t Errors() const {
        size_t n = 0;
        for (const cMvLogEntry& entry : handler.entries) {
            n += entry.GetLevel() == LogLevel::Error ? 1 : 0;
        }
        return n;
    }
    // Result of Test with a captured verdict; `verdict` is meaningful at 0.
    [[nodiscard]] int32_t Run(CRuleBase& rule, const wchar_t* password, bool& verdict,
                              const wchar_t* oldPassword = nullptr);
    [[nodiscard]] bool Accepts(CRuleBase& rule, const wchar_t* password,
                               const wchar_t* oldPassword = nullptr);

    resetra::cMvComPtr<IXMLDOMDocument> document;
    resetra::cMvComPtr<IXMLDOMNode> element;
    CScope user;

private:
    bool m_comReady = false;
};

// User scopes of the example domain.
[[nodiscard]] CScope ScopeOf(const wchar_t* canonicalName, const wchar_t* name);
[[nodiscard]] CScope Bob();
