// Shared set-up of the policy tests.
#include "PolicyTestWorld.h"

#include "support/cMvBstr.h"
#include "tests/support/SupportTestFiles.h"

using resetra::cMvBstr;

CScope ScopeOf(const wchar_t* canonicalName, const wchar_t* name) {
    return CScope(CScope::ST_USERS, nullptr, canonicalName, name);
}

void PolicyTest::SetUp() {
    DirectoryTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    user = ScopeOf(L"corp.example.com/Sales/EMEA/Bob Builder", L"bob@corp.example.com");
}

void PolicyTest::TearDown() {
    node.reset();
    document.reset();
    CoUninitialize();
    DirectoryTest::TearDown();
}

IXMLDOMNode* PolicyTest::Node(const std::wstring& xml) {
    node.reset();
    document.reset();
    resetra::cMvComPtr<IXMLDOMElement> root;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IXMLDOMDocument, document.put_void())) ||
        document->loadXML(cMvBstr(xml).get(), &loaded) != S_OK || loaded != VARIANT_TRUE ||
        document->get_documentElement(root.put()) != S_OK ||
        FAILED(root->QueryInterface(IID_IXMLDOMNode, node.put_void()))) {
        ADD_FAILURE() << "does not parse: " << xml.substr(0, 80);
    }
    return node.get();
}

bool PolicyTest::Accepts(CRuleBase& rule, const wchar_t* password, const wchar_t* oldPassword) {
    bool verdict = false;
    EXPECT_EQ(rule.Test(log, verdict, user, password, false, oldPassword), 0) << AllEntries();
    return verdict;
}

CScope PolicyTest::UserScope(const wchar_t* name, const wchar_t* domain) {
    CScope scope;
    EXPECT_EQ(scope.CreateUserScope(log, name, domain), 0) << AllEntries();
    return scope;
}

void PolicyTest::UseCorpPolicy(const std::wstring& policyElement) {
    std::wstring text = ExampleFixtureText();
    const std::size_t from = text.find(L"<Policy><![CDATA[");
    const std::size_t to = text.find(L"]]></Policy>", from);
    ASSERT_NE(to, std::wstring::npos);
    UseFixture(text.replace(from, to + 12 - from, policyElement));
}

std::wstring ReadUtf8File(const std::wstring& path) {
    const std::vector<unsigned char> bytes = ReadBytes(path);
    const auto* text = reinterpret_cast<const char*>(bytes.data());
    const int size = static_cast<int>(bytes.size());
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    wide.resize(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text, size, wide.data(), size)));
    return wide;
}
