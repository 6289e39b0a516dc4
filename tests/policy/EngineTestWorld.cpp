// Shared set-up of the policy engine tests.
#include "EngineTestWorld.h"

#include "support/UniqueHandle.h"
#include "support/cMvBstr.h"

using resetra::cMvBstr;
using resetra::cMvComPtr;

void EngineTest::SetUp() {
    DirectoryTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
}

void EngineTest::TearDown() {
    document.reset();
    CoUninitialize();
    DirectoryTest::TearDown();
}

cMvComPtr<IXMLDOMNode> EngineTest::Element(const std::wstring& xml) {
    cMvComPtr<IXMLDOMNode> node;
    if (FAILED(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IXMLDOMDocument, document.put_void()))) {
        return node;
    }
    VARIANT_BOOL loaded = VARIANT_FALSE;
    cMvComPtr<IXMLDOMElement> root;
    if (document->loadXML(cMvBstr(xml).get(), &loaded) != S_OK || loaded != VARIANT_TRUE ||
        document->get_documentElement(root.put()) != S_OK) {
        return node;
    }
    (void)root->QueryInterface(IID_IXMLDOMNode, node.put_void());
    return node;
}

CScope EngineTest::UserScope(const wchar_t* user, const wchar_t* domain) {
    CScope scope;
    EXPECT_EQ(scope.CreateUserScope(log, user, domain), 0) << AllEntries();
    return scope;
}

void EngineTest::UseCorpPolicy(const std::wstring& policyElement) {
    std::wstring text = ExampleFixtureText();
    const std::size_t from = text.find(L"<Policy><![CDATA[");
    const std::size_t to = text.find(L"]]></Policy>", from);
    ASSERT_NE(to, std::wstring::npos);
    text.replace(from, to + 12 - from, policyElement);
    UseFixture(text);
}

void EngineTest::UseCorpDocument(const std::wstring& text) {
    UseCorpPolicy(L"<Policy><![CDATA[" + text + L"]]></Policy>");
}

std::wstring ReadUtf8File(const std::wstring& path) {
    std::string bytes;
    const resetra::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return {};
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        size);
    return text;
}
