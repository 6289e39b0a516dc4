// Construction of a scope from its names.
#include "policy/CScope.h"

CScope::CScope(int32_t type, const wchar_t* sid, const wchar_t* canonicalName,
               const wchar_t* name)
    : m_type(type) {
    SetSid(sid);
    SetCanonicalName(canonicalName);
    SetName(name);
}
