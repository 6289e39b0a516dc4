// A look at the policy list text before MSXML parses it: the stored document
// is input from the directory, and the parser is not trusted with a document
// type definition (entity expansion, external entities; Wine's parser ignores
// the switch that forbids them) or with nesting far deeper than a policy list
// ever needs.
#pragma once

#include <cstddef>

enum class DocumentShape {
    Acceptable,
    DeclaresDocumentType, // "<!DOCTYPE" or any other declaration
    TooDeep,              // more than kMaxPolicyDocumentDepth open elements
};

// A policy list needs six levels; the limit leaves room for documents that
// wrap the list in elements of their own.
constexpr std::size_t kMaxPolicyDocumentDepth = 64;

// Scans the markup of `text` (comments, CDATA sections, processing
// instructions and quoted attribute values are skipped). Malformed markup is
// left for the parser to refuse.
[[nodiscard]] DocumentShape CheckPolicyDocumentShape(const wchar_t* text, std::size_t length);
