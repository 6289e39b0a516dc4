// The password policies of one domain, read from the "msDS-ByteArray" value
// of the domain's policy object, parsed with MSXML into policies in document
// order; the first enabled policy one of whose scopes matches a user is the
// policy that applies to that user.
#pragma once

#include "policy/CPolicy.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cMvLog;
class CScope;

class CPolicylist {
public:
    // Result codes besides HRESULTs and Win32 codes.
    static constexpr int32_t kNoPolicyDocument = -3;
    static constexpr int32_t kEmptyList = -4;
    static constexpr int32_t kNoApplicablePolicy = -5;
    static constexpr int32_t kNoSinglePolicyList = -12;
    static constexpr int32_t kEmptyEntry = -16;
    // A stored document that the parser is not handed: not UTF-8, holding a
    // NUL, declaring a document type, nested too deep or not XML at all.
    static constexpr HRESULT kDocumentRefused = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    // The largest stored value read; a list of a thousand policies of nine
    // rules each takes about 1.5 MiB.
    static constexpr std::size_t kMaxDocumentBytes = 8u * 1024u * 1024u;

    CPolicylist() = default;
    CPolicylist(const CPolicylist&) = delete;
    CPolicylist& operator=(const CPolicylist&) = delete;
    virtual ~CPolicylist() = default;

    // Replaces the list by the policies stored for the domain. `time` (may be
    // null) receives the time stamp that follows the document.
    [[nodiscard]] int32_t LoadFromDomain(cMvLog& log, const wchar_t* domainDnsName, int64_t* time);
    // Reads the stored value as text without its time stamp; `text` is empty
    // when the domain's policy object has no value.
    [[nodiscard]] int32_t ReadPolicyData(cMvLog& log, const wchar_t* domainDnsName,
                                         std::wstring& text, int64_t* time);
    // Parses a policy list document and appends its policies.
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, const wchar_t* text);
    // Sets `policy` to the first enabled policy that applies to the user
    // (owned by the list), or null.
    [[nodiscard]] int32_t GetApplicablePolicy(cMvLog& log, CScope& userScope, CPolicy*& policy);

    void Clear() noexcept { m_policies.clear(); }
    [[nodiscard]] std::size_t GetCount() const noexcept { return m_policies.size(); }
    [[nodiscard]] CPolicy* GetPolicy(std::size_t position) const {
        return position < m_policies.size() ? m_policies[position].get() : nullptr;
    }

    // Editing, for the administration of the list: the policy at `from` ends
    // up at `to`, the others keep their order. E_INVALIDARG for a position
    // outside the list (an insertion may also append at the end).
    [[nodiscard]] int32_t MovePolicy(std::size_t from, std::size_t to);
    [[nodiscard]] int32_t DeletePolicy(std::size_t position);
    [[nodiscard]] int32_t InsertPolicy(std::size_t position, std::unique_ptr<CPolicy> policy);

    // "LDAP://CN=HwgPasswordPolicy,CN=Vexa Policy Manager,CN=Harrowgate,
    // CN=Program Data,DC=..." for a DNS domain name.
    [[nodiscard]] static std::wstring PolicyObjectPath(const wchar_t* domainDnsName);

private:
    std::vector<std::unique_ptr<CPolicy>> m_policies;
};
