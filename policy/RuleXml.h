// What the rule loaders read from the policy document through MSXML: base
// names and texts of nodes, and the document's integer and float texts,
// which are stricter than the C runtime's conversions they end in.
#pragma once

#include <windows.h>
#include <msxml.h>

#include <cstdint>
#include <string>

// Integer text: non-empty, the first character "-" or a decimal digit, every
// further one a decimal digit. "-" alone is 0; values beyond the signed
// 32-bit range clamp to its limits. `value` is unchanged when it is not one.
[[nodiscard]] bool ParseIntegerText(const wchar_t* text, int32_t& value);

// Float text: like an integer text, with at most one "." among the further
// characters; converted in double precision and narrowed to float.
[[nodiscard]] bool ParseFloatText(const wchar_t* text, float& value);

// The node's name without a namespace prefix.
[[nodiscard]] HRESULT GetNodeBaseName(IXMLDOMNode* node, std::wstring& name);
// The text of the node and of everything below it.
[[nodiscard]] HRESULT GetNodeText(IXMLDOMNode* node, std::wstring& text);

class cMvLog;

// Reads one ratio element of the similarity rules ("UsernameRatio",
// "FullnameRatio", "PasswordRatio"): its "Enabled" attribute into `check`
// and its float text into `ratio` (0.8 when it is not one). 0, -11 when the
// attribute is missing, or the HRESULT of a read that failed.
[[nodiscard]] int32_t ReadRatioElement(cMvLog& log, IXMLDOMNode* element, bool& check,
                                       float& ratio);

// The ratio of the similarity rules when the document gives none: the 32-bit
// float nearest to 0.8.
constexpr float kDefaultSimilarityRatio = 0.8f;
