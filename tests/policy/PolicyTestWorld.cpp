// Shared set-up of the rule tests.
#include "PolicyTestWorld.h"

#include "support/cMvBstr.h"

using resetra::cMvBstr;
using resetra::cMvComPtr;

CScope ScopeOf(const wchar_t* canonicalName, const wchar_t* name) {
    return CScope(CScope::ST_USERS, nullptr, canonicalName, name);
}

CScope Bob() {
    return ScopeOf(L"corp.example.com/Sales/EMEA/Bob Builder", L"bob@corp.example.com");
}

void PolicyTest::SetUp() {
    DirectoryTest::SetUp();
    m_comReady = SUCCEEDED(CoInitialize(nullptr));
    ASSERT_TRUE(m_comReady);
    user = Bob();
}

void PolicyTest::TearDown() {
    element.reset();
    document.reset();
    if (m_comReady) {
        CoUninitialize();
    }
    DirectoryTest::TearDown();
}

IXMLDOMNode* PolicyTest::Rule(const std::wstring& xml) {
    element.reset();
    document.reset();
    EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IXMLDOMDocument, document.put_void()),
              S_OK);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    EXPECT_EQ(document->loadXML(cMvBstr(xml).get(), &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_TRUE) << "the document does not parse";
    cMvComPtr<IXMLDOMElement> root;
    if (FAILED(document->get_documentElement(root.put())) || !root) {
        ADD_FAILURE() << "no document element";
        return nullptr;
    }
    cMvBstr name;
    EXPECT_EQ(root->get_baseName(name.put()), S_OK);
    if (std::wstring(name.c_str()) == L"Rule") {
        EXPECT_EQ(root->QueryInterface(IID_IXMLDOMNode, element.put_void()), S_OK);
    } else {
        EXPECT_EQ(root->selectSingleNode(cMvBstr(L"//Rule").get(), element.put()), S_OK);
    }
    EXPECT_TRUE(element) << "no Rule element";
    return element.get();
}

int32_t PolicyTest::Run(CRuleBase& rule, const wchar_t* password, bool& verdict,
                        const wchar_t* oldPassword) {
    verdict = false;
    return rule.Test(log, verdict, user, password, false, oldPassword);
}

bool PolicyTest::Accepts(CRuleBase& rule, const wchar_t* password, const wchar_t* oldPassword) {
    bool verdict = false;
    EXPECT_EQ(Run(rule, password, verdict, oldPassword), 0) << AllEntries();
    return verdict;
}
