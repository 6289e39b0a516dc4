// The shared attribute helper on real MSXML documents: names match without
// regard to case, the first match wins, an absent attribute answers 1 and
// leaves the caller's text alone, and no element raises _com_error.
#include "DirectoryTestWorld.h"

#include "directory/XmlAttributes.h"
#include "support/_com_error.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"

using resetra::cMvBstr;
using resetra::cMvComPtr;

class GetXmlAttributeValue_ : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        log.AddHandler(&handler);
    }
    void TearDown() override {
        document.reset();
        CoUninitialize();
    }
    cMvComPtr<IXMLDOMNode> Element(const wchar_t* xml) {
        EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IXMLDOMDocument, document.put_void()),
                  S_OK);
        VARIANT_BOOL loaded = VARIANT_FALSE;
        EXPECT_EQ(document->loadXML(cMvBstr(xml).get(), &loaded), S_OK);
        cMvComPtr<IXMLDOMElement> root;
        EXPECT_EQ(document->get_documentElement(root.put()), S_OK);
        cMvComPtr<IXMLDOMNode> node;
        EXPECT_EQ(root->QueryInterface(IID_IXMLDOMNode, node.put_void()), S_OK);
        return node;
    }
    cMvLog log;
    CapturingLogHandler handler;
    cMvComPtr<IXMLDOMDocument> document;
};

TEST_F(GetXmlAttributeValue_, FindsAnAttributeWhateverTheCaseOfItsName) {
    auto element = Element(L"<Scope type=\"3\" Version=\"2.1\"/>");
    std::wstring value;
    EXPECT_EQ(GetXmlAttributeValue(log, element.get(), L"TYPE", value), 0);
    EXPECT_EQ(value, L"3");
    EXPECT_EQ(GetXmlAttributeValue(log, element.get(), L"version", value), 0);
    EXPECT_EQ(value, L"2.1");
}

TEST_F(GetXmlAttributeValue_, TakesTheFirstMatchInDocumentOrder) {
    auto element = Element(L"<PolicyList VERSION=\"first\" version=\"second\"/>");
    std::wstring value;
    EXPECT_EQ(GetXmlAttributeValue(log, element.get(), L"version", value), 0);
    EXPECT_EQ(value, L"first");
}

TEST_F(GetXmlAttributeValue_, AnswersOneAndKeepsTheTextWhenNoAttributeMatches) {
    std::wstring value = L"unchanged";
    auto element = Element(L"<Rule type=\"1\"/>");
    EXPECT_EQ(GetXmlAttributeValue(log, element.get(), L"version", value), 1);
    EXPECT_EQ(value, L"unchanged");
    auto bare = Element(L"<Rule/>");
    EXPECT_EQ(GetXmlAttributeValue(log, bare.get(), L"type", value), 1);
    EXPECT_EQ(value, L"unchanged");
    EXPECT_TRUE(handler.entries.empty());
}

TEST_F(GetXmlAttributeValue_, ReadsAnEmptyValueAsEmpty) {
    auto element = Element(L"<PolicyList version=\"\"/>");
    std::wstring value = L"unchanged";
    EXPECT_EQ(GetXmlAttributeValue(log, element.get(), L"version", value), 0);
    EXPECT_EQ(value, L"");
}

TEST_F(GetXmlAttributeValue_, MatchesTheBaseNameOfAPrefixedAttribute) {
    auto element = Element(L"<Rule xmlns:h=\"urn:h\" h:type=\"7\"/>");
    std::wstring value;
    EXPECT_EQ(GetXmlAttributeValue(log, element.get(), L"type", value), 0);
    EXPECT_EQ(value, L"7");
}

TEST_F(GetXmlAttributeValue_, RaisesPointerErrorForNoElement) {
    std::wstring value = L"unchanged";
    try {
        (void)GetXmlAttributeValue(log, nullptr, L"type", value);
        FAIL() << "no exception";
    } catch (const resetra::_com_error& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
    EXPECT_EQ(value, L"unchanged");
}
