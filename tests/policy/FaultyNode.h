// MSXML nodes that fail one chosen call: a wrapper around a real node (and
// the node lists it hands out, and their nodes) that answers the call with an
// error on every node of a given base name, for the read failures a real
// document never produces.
#pragma once

#include <windows.h>
#include <msxml.h>

#include <string>

struct NodeFault {
    enum class Call { HasChildNodes, ChildNodes, BaseName, Text, Attributes };
    std::wstring nodeName; // base name of the nodes that fail
    Call call;
    HRESULT hr = E_FAIL;
};

// A new reference to a wrapper of `real`.
[[nodiscard]] IXMLDOMNode* WrapWithFault(IXMLDOMNode* real, const NodeFault& fault);
