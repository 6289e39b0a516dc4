// Times loading a policy list from the simulated domain (read, UTF-8
// conversion, markup check, MSXML parse, nine rules per policy) and choosing
// the policy of a user who sits in 20 nested groups, for lists of 1, 100 and
// 1,000 policies. The simulated directory answers at once, so the figures
// are the engine's own cost; the directory calls of the choice are counted.
// Every policy but the last has a scope that does not match (a unit, a
// single unit, another user by SID, a named group, in turn); the last names
// the outermost group by SID, so the choice walks the whole list.
#include "policy/CPolicylist.h"
#include "policy/CScope.h"
#include "sim/domain/SimDomain.h"
#include "support/WideFormat.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"

#include <windows.h>
#include <msxml.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>

using resetra::cMvBstr;
using resetra::cMvComPtr;

namespace {

constexpr int kGroups = 20;
constexpr int kRounds = 12;
#define BENCH_SID L"S-1-5-21-1-2-3"
#define BENCH_DN L",OU=Bench,DC=corp,DC=example,DC=com"

double Milliseconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Nine rules, one of each kind of the built-in set.
const wchar_t* const kRules =
    L"<Rule type=\"2\"><Enabled>1</Enabled><MinimumLength>8</MinimumLength>"
    L"<Description>At least 8 characters.</Description></Rule>"
    L"<Rule type=\"3\"><Enabled>1</Enabled><MaximumLength>64</MaximumLength>"
    L"<Description>At most 64 characters.</Description></Rule>"
    L"<Rule type=\"1\"><Enabled>1</Enabled><MinimumAge>1440</MinimumAge>"
    L"<Description>Once a day.</Description></Rule>"
    L"<Rule type=\"5\"><Enabled>1</Enabled><Regex Type=\"1\">.*(.)\\1{2,}.*</Regex><Data>2</Data>"
    L"<ExpressionValidatesPassword>0</ExpressionValidatesPassword>"
    L"<Description>No runs.</Description></Rule>"
    L"<Rule type=\"5\"><Enabled>1</Enabled><Regex Type=\"2\">.*[0-9].*</Regex>"
    L"<ExpressionValidatesPassword>1</ExpressionValidatesPassword>"
    L"<Description>A digit.</Description></Rule>"
    L"<Rule type=\"6\"><Enabled>1</Enabled><UsernameRatio Enabled=\"1\">0.8</UsernameRatio>"
    L"<FullnameRatio Enabled=\"1\">0.8</FullnameRatio><Description>Not your name.</Description>"
    L"</Rule>"
    L"<Rule type=\"7\"><Enabled>1</Enabled><PasswordRatio Enabled=\"1\">0.8</PasswordRatio>"
    L"<Description>Not the old one.</Description></Rule>"
    L"<Rule type=\"5\"><Enabled>1</Enabled><Regex Type=\"0\">.*corp.*</Regex>"
    L"<ExpressionValidatesPassword>0</ExpressionValidatesPassword>"
    L"<Description>Not the company.</Description></Rule>"
    L"<Rule type=\"8\"><Enabled>1</Enabled><Blacklist Interpretation=\"0\"><Item>Password1</Item>"
    L"<Item>Welcome1</Item></Blacklist><Description>Not listed.</Description></Rule>";

std::wstring Scope(int i, int count) {
    if (i == count - 1) {
        return FormatWide(L"<Scope type=\"1\"><SID>" BENCH_SID L"-%d</SID></Scope>",
                          2000 + kGroups - 1);
    }
    switch (i % 4) {
    case 0:
        return FormatWide(L"<Scope type=\"2\"><SID>corp.example.com/Dept%d</SID></Scope>", i);
    case 1:
        return FormatWide(L"<Scope type=\"4\"><SID>corp.example.com/Dept%d</SID></Scope>", i);
    case 2:
        return L"<Scope type=\"0\"><SID>" BENCH_SID L"-3000</SID></Scope>";
    default:
        return FormatWide(
            L"<Scope type=\"1\"><Groups><Group>CN=Other%d" BENCH_DN L"</Group></Groups></Scope>",
            i);
    }
}

std::wstring Document(int count) {
    std::wstring text = L"<PolicyList version=\"2.0\">";
    for (int i = 0; i < count; ++i) {
        text += FormatWide(L"<Policy name=\"P%d\"><Configuration>0</Configuration>", i);
        text += Scope(i, count);
        text += kRules;
        text += L"</Policy>";
    }
    return text + L"</PolicyList>#1#";
}

std::wstring Fixture(const std::wstring& document) {
    std::wstring text = L"<SimulatedDomain><Computer name=\"WS01\" joinedTo=\"CORP\"/>"
                        L"<Domain flat=\"CORP\" dns=\"corp.example.com\" sid=\"" BENCH_SID L"\">"
                        L"<DomainController name=\"DC01\"/><Policy><![CDATA[" +
                        document + L"]]></Policy><OU name=\"Bench\">";
    for (int i = 0; i < kGroups; ++i) {
        text += FormatWide(L"<Group sam=\"G%d\" rid=\"%d\">", i, 2000 + i);
        if (i + 1 < kGroups) {
            text += FormatWide(L"<MemberOf>CORP\\G%d</MemberOf>", i + 1);
        }
        text += L"</Group>";
    }
    text += L"<User sam=\"bench\" rid=\"1500\" upn=\"bench@corp.example.com\" first=\"Ben\" "
            L"last=\"Ch\" full=\"Ben Ch\"><MemberOf>CORP\\G0</MemberOf></User>"
            L"<User sam=\"other\" rid=\"3000\" upn=\"other@corp.example.com\"/>"
            L"</OU></Domain></SimulatedDomain>";
    return text;
}

struct Figures {
    double parseMs = 1e300; // MSXML's loadXML of the same text alone: the floor
    double loadMs = 1e300;
    double chooseMs = 1e300;
    long chooseCalls = 0;
    bool chosen = false;
};

Figures Measure(int count) {
    const std::wstring document = Document(count);
    if (LoadSimulatedDomainText(Fixture(document).c_str()) != 0) {
        std::wprintf(L"fixture refused: %ls\n", SimDomainLastError().c_str());
        return {};
    }
    Figures best;
    cMvLog log; // no handler: entries are never formatted
    const cMvBstr bare(document.substr(0, document.size() - 3)); // without "#1#"
    for (int round = 0; round < kRounds; ++round) {
        {
            cMvComPtr<IXMLDOMDocument> dom;
            LARGE_INTEGER parseStart;
            LARGE_INTEGER parsed;
            QueryPerformanceCounter(&parseStart);
            VARIANT_BOOL ok = VARIANT_FALSE;
            if (SUCCEEDED(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IXMLDOMDocument, dom.put_void()))) {
                (void)dom->loadXML(bare.get(), &ok);
            }
            QueryPerformanceCounter(&parsed);
            best.parseMs = std::min(best.parseMs, Milliseconds(parseStart, parsed));
        }
        CPolicylist list;
        LARGE_INTEGER start;
        LARGE_INTEGER loaded;
        LARGE_INTEGER chosenAt;
        QueryPerformanceCounter(&start);
        const int32_t loadCode = list.LoadFromDomain(log, L"corp.example.com", nullptr);
        QueryPerformanceCounter(&loaded);

        CScope user;
        (void)user.CreateUserScope(log, L"bench", L"corp.example.com");
        SimDomainResetCounters();
        LARGE_INTEGER chooseStart;
        QueryPerformanceCounter(&chooseStart);
        CPolicy* policy = nullptr;
        const int32_t chooseCode = list.GetApplicablePolicy(log, user, policy);
        QueryPerformanceCounter(&chosenAt);

        best.loadMs = std::min(best.loadMs, Milliseconds(start, loaded));
        best.chooseMs = std::min(best.chooseMs, Milliseconds(chooseStart, chosenAt));
        best.chooseCalls = SimDomainCallCount();
        best.chosen = loadCode == 0 && chooseCode == 0 && policy != nullptr &&
                      list.GetCount() == static_cast<size_t>(count) &&
                      policy == list.GetPolicy(list.GetCount() - 1);
    }
    return best;
}

} // namespace

int main() {
    if (InstallSimulatedDomain(GetModuleHandleW(nullptr), RESETRA_EXAMPLE_DOMAIN) != 0) {
        std::wprintf(L"simulated domain not installed: %ls\n", SimDomainLastError().c_str());
        return 1;
    }
    if (FAILED(CoInitialize(nullptr))) {
        return 1;
    }
    std::wprintf(L"policy list: load from the simulated domain and choose the policy of a user "
                 L"in %d nested groups (best of %d); parse = MSXML's loadXML of the same text "
                 L"alone, part of load\n",
                 kGroups, kRounds);
    std::wprintf(L"%10ls %10ls %10ls %10ls %10ls %14ls %16ls %8ls\n", L"policies", L"parse ms",
                 L"load ms", L"choose ms", L"total ms", L"us per policy", L"directory calls",
                 L"chosen");
    for (const int count : {1, 100, 1000}) {
        const Figures f = Measure(count);
        std::wprintf(L"%10d %10.2f %10.2f %10.2f %10.2f %14.1f %16ld %8ls\n", count, f.parseMs,
                     f.loadMs, f.chooseMs, f.loadMs + f.chooseMs,
                     1000.0 * (f.loadMs + f.chooseMs) / count, f.chooseCalls,
                     f.chosen ? L"last" : L"WRONG");
    }
    CoUninitialize();
    return 0;
}
