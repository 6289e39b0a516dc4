// Delegating IXMLDOMNode and IXMLDOMNodeList with one failing call.
#include "FaultyNode.h"

#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"

using resetra::cMvBstr;
using resetra::cMvComPtr;

namespace {

template <typename Interface>
class Delegate : public Interface {
public:
    HRESULT WINAPI QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == OwnIid()) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG WINAPI Release() override {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }
    HRESULT WINAPI GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT WINAPI GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                          UINT*) override {
        return E_NOTIMPL;
    }

protected:
    virtual ~Delegate() = default;
    // msxml.h declares no __uuidof for these interfaces.
    [[nodiscard]] virtual REFIID OwnIid() const = 0;

private:
    LONG m_refs = 1;
};

class FaultyNode : public Delegate<IXMLDOMNode> {
public:
    FaultyNode(IXMLDOMNode* real, const NodeFault& fault) : m_fault(fault) {
        real->AddRef();
        m_real = cMvComPtr<IXMLDOMNode>(real);
    }

#define RESETRA_FORWARD(name, params, args)                                                        \
    HRESULT WINAPI name params override {                                                          \
        return m_real->name args;                                                                  \
    }
    RESETRA_FORWARD(get_nodeName, (BSTR * v), (v))
    RESETRA_FORWARD(get_nodeValue, (VARIANT * v), (v))
    RESETRA_FORWARD(put_nodeValue, (VARIANT v), (v))
    RESETRA_FORWARD(get_nodeType, (DOMNodeType * v), (v))
    RESETRA_FORWARD(get_parentNode, (IXMLDOMNode * *v), (v))
    RESETRA_FORWARD(get_firstChild, (IXMLDOMNode * *v), (v))
    RESETRA_FORWARD(get_lastChild, (IXMLDOMNode * *v), (v))
    RESETRA_FORWARD(get_previousSibling, (IXMLDOMNode * *v), (v))
    RESETRA_FORWARD(get_nextSibling, (IXMLDOMNode * *v), (v))
    RESETRA_FORWARD(insertBefore, (IXMLDOMNode * a, VARIANT b, IXMLDOMNode** c), (a, b, c))
    RESETRA_FORWARD(replaceChild, (IXMLDOMNode * a, IXMLDOMNode* b, IXMLDOMNode** c), (a, b, c))
    RESETRA_FORWARD(removeChild, (IXMLDOMNode * a, IXMLDOMNode** b), (a, b))
    RESETRA_FORWARD(appendChild, (IXMLDOMNode * a, IXMLDOMNode** b), (a, b))
    RESETRA_FORWARD(get_ownerDocument, (IXMLDOMDocument * *v), (v))
    RESETRA_FORWARD(cloneNode, (VARIANT_BOOL a, IXMLDOMNode** b), (a, b))
    RESETRA_FORWARD(get_nodeTypeString, (BSTR * v), (v))
    RESETRA_FORWARD(put_text, (BSTR v), (v))
    RESETRA_FORWARD(get_specified, (VARIANT_BOOL * v), (v))
    RESETRA_FORWARD(get_definition, (IXMLDOMNode * *v), (v))
    RESETRA_FORWARD(get_nodeTypedValue, (VARIANT * v), (v))
    RESETRA_FORWARD(put_nodeTypedValue, (VARIANT v), (v))
    RESETRA_FORWARD(get_dataType, (VARIANT * v), (v))
    RESETRA_FORWARD(put_dataType, (BSTR v), (v))
    RESETRA_FORWARD(get_xml, (BSTR * v), (v))
    RESETRA_FORWARD(transformNode, (IXMLDOMNode * a, BSTR* b), (a, b))
    RESETRA_FORWARD(selectNodes, (BSTR a, IXMLDOMNodeList** b), (a, b))
    RESETRA_FORWARD(selectSingleNode, (BSTR a, IXMLDOMNode** b), (a, b))
    RESETRA_FORWARD(get_parsed, (VARIANT_BOOL * v), (v))
    RESETRA_FORWARD(get_namespaceURI, (BSTR * v), (v))
    RESETRA_FORWARD(get_prefix, (BSTR * v), (v))
    RESETRA_FORWARD(transformNodeToObject, (IXMLDOMNode * a, VARIANT b), (a, b))
#undef RESETRA_FORWARD

    HRESULT WINAPI hasChildNodes(VARIANT_BOOL* v) override {
        return Fails(NodeFault::Call::HasChildNodes) ? m_fault.hr : m_real->hasChildNodes(v);
    }
    HRESULT WINAPI get_baseName(BSTR* v) override {
        return Fails(NodeFault::Call::BaseName) ? m_fault.hr : m_real->get_baseName(v);
    }
    HRESULT WINAPI get_text(BSTR* v) override {
        return Fails(NodeFault::Call::Text) ? m_fault.hr : m_real->get_text(v);
    }
    HRESULT WINAPI get_attributes(IXMLDOMNamedNodeMap** v) override {
        return Fails(NodeFault::Call::Attributes) ? m_fault.hr : m_real->get_attributes(v);
    }
    HRESULT WINAPI get_childNodes(IXMLDOMNodeList** v) override;

private:
    REFIID OwnIid() const override {
        return IID_IXMLDOMNode;
    }
    bool Fails(NodeFault::Call call) {
        if (call != m_fault.call) {
            return false;
        }
        cMvBstr name;
        return SUCCEEDED(m_real->get_baseName(name.put())) && m_fault.nodeName == name.c_str();
    }

    cMvComPtr<IXMLDOMNode> m_real;
    NodeFault m_fault;
};

class FaultyList : public Delegate<IXMLDOMNodeList> {
public:
    FaultyList(IXMLDOMNodeList* real, const NodeFault& fault) : m_fault(fault) {
        real->AddRef();
        m_real = cMvComPtr<IXMLDOMNodeList>(real);
    }
    HRESULT WINAPI get_item(LONG index, IXMLDOMNode** item) override {
        return Wrap(m_real->get_item(index, item), item);
    }
    HRESULT WINAPI get_length(LONG* length) override { return m_real->get_length(length); }
    HRESULT WINAPI nextNode(IXMLDOMNode** item) override {
        return Wrap(m_real->nextNode(item), item);
    }
    HRESULT WINAPI reset() override { return m_real->reset(); }
    HRESULT WINAPI get__newEnum(IUnknown** out) override { return m_real->get__newEnum(out); }

private:
    REFIID OwnIid() const override { return IID_IXMLDOMNodeList; }
    HRESULT Wrap(HRESULT hr, IXMLDOMNode** item) {
        if (hr == S_OK && item != nullptr && *item != nullptr) {
            cMvComPtr<IXMLDOMNode> real(*item);
            *item = WrapWithFault(real.get(), m_fault);
        }
        return hr;
    }

    cMvComPtr<IXMLDOMNodeList> m_real;
    NodeFault m_fault;
};

HRESULT FaultyNode::get_childNodes(IXMLDOMNodeList** v) {
    if (Fails(NodeFault::Call::ChildNodes)) {
        return m_fault.hr;
    }
    cMvComPtr<IXMLDOMNodeList> real;
    const HRESULT hr = m_real->get_childNodes(real.put());
    if (FAILED(hr) || !real) {
        return hr;
    }
    *v = new FaultyList(real.get(), m_fault);
    return hr;
}

} // namespace

IXMLDOMNode* WrapWithFault(IXMLDOMNode* real, const NodeFault& fault) {
    return new FaultyNode(real, fault);
}
