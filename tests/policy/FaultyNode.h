// MSXML element reads that fail: while a NodeFault lives, one call of the
// element class's shared vtable answers with an error on every element of a
// given base name, for the read failures a real document never produces.
#pragma once

#include <windows.h>
#include <msxml.h>

class NodeFault {
public:
    enum Call { HasChildNodes, ChildNodes, BaseName, Text, Attributes };
    // `element` is any MSXML element; its class's vtable is patched.
    NodeFault(IXMLDOMNode* element, const wchar_t* name, Call call, HRESULT hr);
    ~NodeFault();
    NodeFault(const NodeFault&) = delete;
    NodeFault& operator=(const NodeFault&) = delete;

private:
    void** m_slot = nullptr;
    void* m_original = nullptr;
};
