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
    CapturingHandler handler;
    cMvComPtr<IXMLDOMDocument> document;
};

TEST_F(GetXmlAttributeValue_, FindsTheFirstAttributeOfTheNameWhateverItsCase) {
    const struct {
        const wchar_t* xml;
        const wchar_t* name;
        int32_t code;
        const wchar_t* value;
    } cases[] = {
        {L"<Scope type=\"3\" Version=\"2.1\"/>", L"TYPE", 0, L"3"},
        {L"<Scope type=\"3\" Version=\"2.1\"/>", L"version", 0, L"2.1"},
        {L"<PolicyList VERSION=\"first\" version=\"second\"/>", L"version", 0, L"first"},
        {L"<PolicyList version=\"\"/>", L"version", 0, L""},
        {L"<Rule xmlns:h=\"urn:h\" h:type=\"7\"/>", L"type", 0, L"7"}, // the base name
        {L"<Rule type=\"1\"/>", L"version", 1, L"unchanged"},
        {L"<Rule/>", L"type", 1, L"unchanged"},
    };
    for (const auto& c : cases) {
        auto element = Element(c.xml);
        std::wstring value = L"unchanged";
        EXPECT_EQ(GetXmlAttributeValue(log, element.get(), c.name, value), c.code) << c.xml;
        EXPECT_EQ(value, c.value) << c.xml;
    }
    EXPECT_TRUE(handler.entries.empty());
}

TEST_F(GetXmlAttributeValue_, RaisesPointerErrorForNoElement) {
    std::wstring value = L"unchanged";
    EXPECT_THROW((void)GetXmlAttributeValue(log, nullptr, L"type", value), resetra::_com_error);
    EXPECT_EQ(value, L"unchanged");
}
