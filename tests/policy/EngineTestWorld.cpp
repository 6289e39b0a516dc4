// Shared set-up of the policy engine tests.
#include "EngineTestWorld.h"

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
