// The directory object of the user whose password is changed, reached from
// the user scope's canonical name, as the minimum-age and name-similarity
// rules read it with the caller's credentials.
#pragma once

#include "policy/UserObjectFacts.h"
#include "support/cMvComPtr.h"

#include <windows.h>
#include <iads.h>

#include <cstdint>

class cMvLog;
class CScope;

// Converts the canonical name to a distinguished name and binds the user
// object as IADsUser. 0, the conversion's code, or the bind's HRESULT; every
// failure is logged, and `failure` tells which step failed.
[[nodiscard]] int32_t BindUserObject(cMvLog& log, const CScope& userScope,
                                     resetra::cMvComPtr<IADsUser>& user,
                                     UserObjectFailure& failure);
