// The base of every password rule: the enabled flag, the descriptions by
// language, the five virtual operations a policy drives its rules through,
// and the loading frame that every rule's "Rule" element shares.
#pragma once

#include <windows.h>
#include <msxml.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class cMvLog;
class CScope;

// Windows primary language ids of the built-in texts, in the order in which
// every built-in table lists them. English is the fallback.
namespace LanguageId {
constexpr uint32_t English = 9;
constexpr uint32_t Dutch = 19;
constexpr uint32_t French = 12;
constexpr uint32_t German = 7;
constexpr uint32_t Spanish = 10;
constexpr uint32_t Polish = 21;
constexpr uint32_t Italian = 16;
constexpr uint32_t Portuguese = 22;
constexpr uint32_t Czech = 5;
constexpr uint32_t Chinese = 4;
constexpr uint32_t Russian = 25;
constexpr uint32_t Finnish = 11;
constexpr uint32_t Hungarian = 14;
} // namespace LanguageId

// Result codes of the rules besides HRESULTs.
constexpr int32_t kRuleValueMissing = -11; // missing, not a number, unknown type
constexpr int32_t kRuleEmpty = -12;        // a "Rule" element without children

// One built-in description: the text of one language.
struct BuiltInText {
    uint32_t languageId;
    const wchar_t* text;
};

class CRuleBase {
public:
    // Language id to text; an empty text stands for an absent one.
    using DescriptionTable = std::map<uint32_t, std::wstring>;

    CRuleBase() = default;
    explicit CRuleBase(const DescriptionTable& descriptions);
    CRuleBase& operator=(const CRuleBase&) = delete;
    virtual ~CRuleBase() = default;

    // A new rule of the same class with the same parameters, descriptions and
    // enabled flag; the base has nothing to copy and gives none.
    [[nodiscard]] virtual std::unique_ptr<CRuleBase> Clone() const;
    // 0 with `valid` holding the verdict (true: the password satisfies the
    // rule), or the code of why the rule could not be evaluated.
    [[nodiscard]] virtual int32_t Test(cMvLog& log, bool& valid, const CScope& userScope,
                                       const wchar_t* newPassword, bool continueAfterRefusal,
                                       const wchar_t* oldPassword) = 0;
    [[nodiscard]] virtual int32_t GetType() const;
    // Reads the children common to all rules ("Enabled", "Description"),
    // after emptying the description table.
    [[nodiscard]] virtual int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                              const wchar_t* documentVersion);

    [[nodiscard]] bool IsEnabled() const noexcept { return m_enabled; }
    // The text for the language, else the English one, else null. The pointer
    // stays owned by the rule. A text is returned as stored, never formatted.
    [[nodiscard]] const wchar_t* GetDescription(uint32_t languageId) const;
    void SetDescription(uint32_t languageId, const wchar_t* text);

protected:
    CRuleBase(const CRuleBase& other) = default;

    // The built-in texts of a rule class; with `value` each is formatted with
    // it (the texts hold one "%d" at most).
    [[nodiscard]] static DescriptionTable BuiltInDescriptions(const BuiltInText* texts,
                                                              size_t count);
    [[nodiscard]] static DescriptionTable BuiltInDescriptions(const BuiltInText* texts,
                                                              size_t count, long value);

    // What a rule's loader does with one child of its "Rule" element: go on
    // with the next child, or end the load at once with `result` (the common
    // children are then not read).
    enum class ChildOutcome { Next, Stop };
    using ChildReader = std::function<ChildOutcome(const std::wstring& baseName, IXMLDOMNode* child,
                                                   int32_t& result)>;
    // The frame of every loader: the element must have children, the child
    // list is walked in document order with `reader`, and then the common
    // children are read. `listFailure` is logged when the list cannot be had,
    // `loadMessage` (optional) before the walk.
    [[nodiscard]] int32_t LoadRuleFrame(cMvLog& log, IXMLDOMNode* ruleElement,
                                        const wchar_t* listFailure, const wchar_t* loadMessage,
                                        const ChildReader& reader);

private:
    [[nodiscard]] int32_t WalkChildren(cMvLog& log, IXMLDOMNode* ruleElement,
                                       const wchar_t* listFailure, const wchar_t* loadMessage,
                                       const ChildReader& reader, bool& stopped);
    [[nodiscard]] ChildOutcome ReadCommonChild(cMvLog& log, const std::wstring& baseName,
                                               IXMLDOMNode* child, int32_t& result);

    bool m_enabled = false;
    DescriptionTable m_descriptions;
};

// The rules of one policy, in order; the policy owns them.
using RuleList = std::vector<std::unique_ptr<CRuleBase>>;
