// ADSI look-ups. The "ObjectSID" value is input from the directory: it must
// be a one-dimensional byte array holding a valid SID no longer than the bytes
// received before it is converted; the array is accessed through a scoped
// lock, and every interface, string and buffer is owned.
#include "directory/AdsiNames.h"

#include "directory/AdsPaths.h"
#include "directory/ComApartmentScope.h"
#include "support/UniqueHandle.h"
#include "support/WideFormat.h"
#include "support/_com_error.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"
#include "support/cMvSafeArrayAccess.h"
#include "support/cMvVariant.h"

#include <iads.h>
#include <sddl.h>

#include <cstring>

using resetra::_com_error;
using resetra::cMvBstr;
using resetra::cMvComPtr;
using resetra::cMvSafeArrayAccess;
using resetra::cMvVariant;
using resetra::UniqueAdsMem;
using resetra::UniqueLocalMem;

namespace {

// Copies a binary SID out of a property value into memory from AllocADsMem.
HRESULT CopySidBytes(const cMvVariant& value, UniqueAdsMem& sid) {
    const VARIANT* v = value.get();
    if (v->vt != (VT_ARRAY | VT_UI1) || v->parray == nullptr || SafeArrayGetDim(v->parray) != 1) {
        return E_INVALIDARG;
    }
    try {
        const cMvSafeArrayAccess access(v->parray);
        const ULONG count = access.Count();
        // A SID is at least its 8-byte header; the header's sub-authority
        // count must fit in what was received before the SID is looked at.
        if (count < 8 || GetSidLengthRequired(static_cast<const BYTE*>(access.Data())[1]) > count) {
            return E_INVALIDARG;
        }
        UniqueAdsMem copy(AllocADsMem(count));
        if (!copy) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(copy.get(), access.Data(), count);
        if (!IsValidSid(copy.get()) || GetLengthSid(copy.get()) > count) {
            return E_INVALIDARG;
        }
        sid = std::move(copy);
        return S_OK;
    } catch (const _com_error& e) {
        return e.Error();
    }
}

int32_t SidStringByAdsi(cMvLog& log, const wchar_t* domain, const wchar_t* userName,
                        std::wstring& sidString) {
    std::wstring dn;
    HRESULT hr = TranslateToDistinguishedName(log, domain, userName, dn);
    if (FAILED(hr) || dn.empty()) {
        hr = FAILED(hr) ? hr : E_FAIL;
        log.LogHResult(LogLevel::Error, hr,
                       L"Error translating name '%s'\\'%s' to distinguished name.", OrEmpty(domain),
                       OrEmpty(userName));
        return hr;
    }

    const std::wstring path = LdapPathOf(dn);
    cMvComPtr<IADsUser> object;
    hr = ADsGetObject(path.c_str(), IID_IADsUser, object.put_void());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Error getting object for '%s'.", path.c_str());
        return hr;
    }
    cMvComPtr<IADsUser> user;
    hr = object->QueryInterface(IID_IADsUser, user.put_void());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Error getting query interface object for '%s'.",
                       path.c_str());
        return hr;
    }

    cMvVariant value;
    hr = user->Get(cMvBstr(L"ObjectSID").get(), value.put());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Error getting SID from object with WinNt path: '%s'.",
                       path.c_str());
        return hr;
    }

    UniqueAdsMem sid;
    hr = CopySidBytes(value, sid);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Debug, hr, L"Error getting converting binary SID to bytes.");
        return hr;
    }

    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid.get(), &text)) {
        const DWORD error = GetLastError();
        log.LogWin32(LogLevel::Error, error, L"Failed to convert SID object to string.");
        return static_cast<int32_t>(error);
    }
    UniqueLocalMem owner(text);
    sidString = text;
    if (LocalFree(owner.release()) != nullptr) {
        log.LogWin32(LogLevel::Warning, GetLastError(), L"Failed to free SID string for '%s'.",
                     dn.c_str());
    }
    return 0;
}

} // namespace

int32_t GetSidStringByAdsi(cMvLog& log, const wchar_t* domain, const wchar_t* userName,
                           std::wstring& sidString) {
    const int32_t code = SidStringByAdsi(log, domain, userName, sidString);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"Unable to look up SID for lookupname '%s'.",
                    OrEmpty(userName));
    }
    return code;
}

HRESULT TranslateToDistinguishedName(cMvLog& log, const wchar_t* domain, const wchar_t* userName,
                                     std::wstring& distinguishedName) {
    const std::wstring principal = FormatWide(L"%s@%s", OrEmpty(userName), OrEmpty(domain));
    const ComApartmentScope apartment;

    cMvComPtr<IADsNameTranslate> translate;
    HRESULT hr = CoCreateInstance(CLSID_NameTranslate, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IADsNameTranslate, translate.put_void());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr,
                       L"An error creating instance of IADS Nametranslation object.");
        return hr;
    }
    hr = translate->Init(ADS_NAME_INITTYPE_DOMAIN, cMvBstr(OrEmpty(domain)).get());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr,
                       L"An error initializing instance of IADS Nametranslation object.");
        return hr;
    }
    hr = translate->Set(ADS_NAME_TYPE_USER_PRINCIPAL_NAME, cMvBstr(principal).get());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"An error setting UPN username '%s'.",
                       principal.c_str());
        return hr;
    }
    cMvBstr name;
    hr = translate->Get(ADS_NAME_TYPE_1779, name.put());
    if (SUCCEEDED(hr)) {
        distinguishedName = name.c_str();
    }
    return hr;
}
