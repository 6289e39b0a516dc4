// Patches one slot of the MSXML element vtable with a check of the base name.
#include "FaultyNode.h"

#include "support/cMvBstr.h"

#include <cstring>
#include <string>

namespace {

using Method = HRESULT(WINAPI*)(IXMLDOMNode*, void*);
Method g_original = nullptr;
Method g_baseName = nullptr; // unpatched, for the name check
std::wstring g_name;
HRESULT g_hr = S_OK;

HRESULT WINAPI Failing(IXMLDOMNode* self, void* out) {
    resetra::cMvBstr name;
    if (SUCCEEDED(g_baseName(self, name.put())) && g_name == name.c_str()) {
        return g_hr;
    }
    return g_original(self, out);
}

// The vtable index of a virtual method (a pointer to one holds 1 + its byte offset).
template <typename Member>
size_t SlotOf(Member member) {
    size_t raw = 0;
    std::memcpy(&raw, &member, sizeof raw);
    return (raw - 1) / sizeof(void*);
}

} // namespace

NodeFault::NodeFault(IXMLDOMNode* element, const wchar_t* name, Call call, HRESULT hr) {
    const size_t slots[] = {SlotOf(&IXMLDOMNode::hasChildNodes),
                            SlotOf(&IXMLDOMNode::get_childNodes),
                            SlotOf(&IXMLDOMNode::get_baseName), SlotOf(&IXMLDOMNode::get_text),
                            SlotOf(&IXMLDOMNode::get_attributes)};
    void** vtable = *reinterpret_cast<void***>(element);
    g_baseName = reinterpret_cast<Method>(vtable[slots[BaseName]]);
    g_name = name;
    g_hr = hr;
    m_slot = &vtable[slots[call]];
    m_original = *m_slot;
    g_original = reinterpret_cast<Method>(m_original);
    DWORD old = 0;
    VirtualProtect(m_slot, sizeof(void*), PAGE_READWRITE, &old);
    *m_slot = reinterpret_cast<void*>(&Failing);
    VirtualProtect(m_slot, sizeof(void*), old, &old);
}

NodeFault::~NodeFault() {
    DWORD old = 0;
    VirtualProtect(m_slot, sizeof(void*), PAGE_READWRITE, &old);
    *m_slot = m_original;
    VirtualProtect(m_slot, sizeof(void*), old, &old);
}
