// Validation walks the document twice with the library's own loaders. First
// the whole list is loaded as the library loads it: a failure there (not
// XML, a document type declaration, no single "PolicyList", no policy) is a
// problem of the document itself. Then every policy, every "Rule" and every
// "Scope" element is loaded on its own, each with a log of its own, so that
// every problem is reported with its element's path, also those the library
// never reaches because it stops a policy at its first failing child. The
// lines of a policy's load that its children did not produce belong to the
// policy itself.
#include "checker/CPolicyDocumentValidator.h"

#include "checker/CCapturingLogHandler.h"
#include "checker/CCheckerConsole.h"
#include "checker/CheckerFiles.h"
#include "checker/ExitCodes.h"
#include "directory/XmlAttributes.h"
#include "policy/CPolicy.h"
#include "policy/CPolicylist.h"
#include "policy/CRuleRegex.h"
#include "policy/CScope.h"
#include "policy/RuleFactory.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"

#include <windows.h>
#include <msxml.h>

using resetra::cMvBstr;
using resetra::cMvComPtr;

namespace {

using Problem = CPolicyDocumentValidator::Problem;
using Lines = std::vector<CCapturingLogHandler::Line>;

// Passwords on which every expression is tried: short and long, plain and
// mixed, and the long runs that make a badly written pattern backtrack.
std::vector<std::wstring> ProbePasswords() {
    return {L"",
            L"Aa1!",
            L"Password1!",
            std::wstring(254, L'a'),
            std::wstring(253, L'a') + L"!",
            std::wstring(127, L'a') + std::wstring(127, L'1'),
            L"a1A!b2B@c3C#d4D$e5E%f6F^g7G&h8H*i9I(j0J)"};
}

std::wstring NodeName(IXMLDOMNode* node) {
    cMvBstr name;
    if (FAILED(node->get_nodeName(name.put())) || name.get() == nullptr) {
        return L"?";
    }
    return name.get();
}

bool IsElement(IXMLDOMNode* node) {
    DOMNodeType type = NODE_INVALID;
    return SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT;
}

std::vector<cMvComPtr<IXMLDOMNode>> ElementChildren(IXMLDOMNode* node) {
    std::vector<cMvComPtr<IXMLDOMNode>> elements;
    cMvComPtr<IXMLDOMNodeList> children;
    if (FAILED(node->get_childNodes(children.put())) || !children) {
        return elements;
    }
    for (;;) {
        cMvComPtr<IXMLDOMNode> child;
        if (children->nextNode(child.put()) != S_OK || !child) {
            break;
        }
        if (IsElement(child.get())) {
            elements.push_back(std::move(child));
        }
    }
    return elements;
}

// The element siblings of `node` with its name, before and after it.
void CountNamesakes(IXMLDOMNode* node, const std::wstring& name, int& before, int& after) {
    before = 0;
    after = 0;
    for (int direction = 0; direction < 2; ++direction) {
        node->AddRef();
        cMvComPtr<IXMLDOMNode> current(node);
        for (;;) {
            cMvComPtr<IXMLDOMNode> next;
            const HRESULT hr = direction == 0 ? current->get_previousSibling(next.put())
                                              : current->get_nextSibling(next.put());
            if (hr != S_OK || !next) {
                break;
            }
            if (IsElement(next.get()) && NodeName(next.get()) == name) {
                ++(direction == 0 ? before : after);
            }
            current = std::move(next);
        }
    }
}

// "/PolicyList/Policy[2]/Rule[3]": each step with its position among the
// element siblings of its name; policies, rules and scopes always carry it.
std::wstring PathOf(IXMLDOMNode* node) {
    std::wstring path;
    node->AddRef();
    cMvComPtr<IXMLDOMNode> current(node);
    while (current && IsElement(current.get())) {
        const std::wstring name = NodeName(current.get());
        int before = 0;
        int after = 0;
        CountNamesakes(current.get(), name, before, after);
        std::wstring step = name;
        if (before + after > 0 || name == L"Policy" || name == L"Rule" || name == L"Scope") {
            step += L"[" + std::to_wstring(before + 1) + L"]";
        }
        path = L"/" + step + path;
        cMvComPtr<IXMLDOMNode> parent;
        if (current->get_parentNode(parent.put()) != S_OK) {
            break;
        }
        current = std::move(parent);
    }
    return path.empty() ? L"/" : path;
}

// Runs `load` with a log of its own and gives the problems it logged.
template <typename Load>
Lines Capture(Load&& load) {
    cMvLog log;
    CCapturingLogHandler capture;
    log.AddHandler(&capture);
    try {
        load(log);
    } catch (...) {
        log.LogCode(LogLevel::Error, -8, L"Caught exception while loading the element.");
    }
    return capture.Problems();
}

void Add(std::vector<Problem>& problems, const std::wstring& path, const Lines& lines) {
    for (const auto& line : lines) {
        problems.push_back({path, line.text});
    }
}

// Tries each expression rule on the probe passwords; the lines of the
// attempts that could not be evaluated, each text once.
Lines ProbeExpressions(const RuleList& rules) {
    Lines found;
    const CScope nobody;
    for (const auto& rule : rules) {
        if (!rule || rule->GetType() != CRuleRegex::kType) {
            continue;
        }
        for (const std::wstring& probe : ProbePasswords()) {
            const Lines lines = Capture([&](cMvLog& log) {
                bool valid = false;
                (void)rule->Test(log, valid, nobody, probe.c_str(), false, L"");
            });
            for (const auto& line : lines) {
                bool known = false;
                for (const auto& have : found) {
                    known = known || have.text == line.text;
                }
                if (!known) {
                    found.push_back(line);
                }
            }
        }
    }
    return found;
}

void CheckPolicy(IXMLDOMNode* policyElement, const wchar_t* version,
                 std::vector<Problem>& problems) {
    const std::wstring policyPath = PathOf(policyElement);
    Lines own = Capture([&](cMvLog& log) {
        std::unique_ptr<CPolicy> policy = CPolicy::MakeForLoading();
        (void)policy->LoadFromXML(log, policyElement, version);
    });
    std::vector<Problem> childProblems;
    for (const auto& child : ElementChildren(policyElement)) {
        const std::wstring name = NodeName(child.get());
        if (name == L"Rule") {
            RuleList rules;
            int32_t code = 0;
            Lines loaded = Capture(
                [&](cMvLog& log) { code = CreateRuleFromXML(log, child.get(), rules, version); });
            if (code != 0 && loaded.empty()) {
                // A rule without a type attribute fails without a line of its
                // own; the policy's line about it belongs to the rule.
                loaded = Capture([&](cMvLog& log) {
                    log.LogCode(LogLevel::Error, code,
                                L"An error occurred while loading rule from XML.");
                });
            }
            Add(childProblems, PathOf(child.get()), loaded);
            if (loaded.empty()) {
                Add(childProblems, PathOf(child.get()), ProbeExpressions(rules));
            }
        } else if (name == L"Scope") {
            Add(childProblems, PathOf(child.get()), Capture([&](cMvLog& log) {
                    CScope scope;
                    (void)scope.LoadFromXML(log, child.get());
                }));
        }
    }
    // The policy's own lines: those its children's loads did not write.
    for (const Problem& problem : childProblems) {
        for (auto it = own.begin(); it != own.end(); ++it) {
            if (it->text == problem.text) {
                own.erase(it);
                break;
            }
        }
    }
    Add(problems, policyPath, own);
    problems.insert(problems.end(), childProblems.begin(), childProblems.end());
}

} // namespace

std::vector<Problem> CPolicyDocumentValidator::Check(const std::wstring& text) {
    std::vector<Problem> problems;
    CPolicylist list;
    int32_t code = 0;
    const Lines whole = Capture([&](cMvLog& log) { code = list.LoadFromXML(log, text.c_str()); });
    if (code != 0) {
        Add(problems, L"/", whole);
        if (problems.empty()) {
            problems.push_back(
                {L"/", L"The document cannot be loaded (code " + std::to_wstring(code) + L")."});
        }
        return problems;
    }

    cMvComPtr<IXMLDOMDocument> dom;
    HRESULT hr =
        CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IXMLDOMDocument, dom.put_void());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (SUCCEEDED(hr)) {
        (void)dom->put_async(VARIANT_FALSE);
        (void)dom->put_resolveExternals(VARIANT_FALSE);
        hr = dom->loadXML(cMvBstr(text.c_str()).get(), &loaded);
    }
    cMvComPtr<IXMLDOMNodeList> lists;
    cMvComPtr<IXMLDOMNode> listElement;
    if (FAILED(hr) || loaded != VARIANT_TRUE ||
        FAILED(dom->getElementsByTagName(cMvBstr(L"PolicyList").get(), lists.put())) || !lists ||
        FAILED(lists->get_item(0, listElement.put())) || !listElement) {
        problems.push_back({L"/", L"The document could not be read a second time."});
        return problems;
    }
    std::wstring version;
    cMvLog quiet;
    if (GetXmlAttributeValue(quiet, listElement.get(), L"version", version) != 0) {
        version.clear();
    }
    for (const auto& policy : ElementChildren(listElement.get())) {
        CheckPolicy(policy.get(), version.empty() ? nullptr : version.c_str(), problems);
    }
    return problems;
}

int CPolicyDocumentValidator::Run(const std::wstring& file) {
    std::wstring text;
    std::wstring error;
    if (!ReadDocumentFile(file, text, error)) {
        m_console.Err(L"ResetraPolicyCheck: " + error);
        return kExitUsage;
    }
    const std::vector<Problem> problems = Check(text);
    for (const Problem& problem : problems) {
        m_console.Out(problem.path + L"\t" + problem.text);
    }
    if (problems.empty()) {
        m_console.Out(file + L": no problems");
        return kExitOk;
    }
    m_console.Err(file + L": " + std::to_wstring(problems.size()) + L" problem(s)");
    return kExitRefused;
}
