// Name forms of the simulated directory: finding an object from a name in a
// DS_NAME_FORMAT, writing an object's name in another, and telling from a
// name's syntax alone which domain it belongs to (what a domain controller
// uses to answer a referral).
#pragma once

#include "sim/domain/SimDomainModel.h"

#include <string>

[[nodiscard]] const SimDirectoryObject* SimFindByDsFormat(const SimDomainModel& model, DWORD format,
                                                          const std::wstring& name);
// False when the object has no name of that form.
[[nodiscard]] bool SimFormatName(const SimDomainModel& model, const SimDirectoryObject& object,
                                 DWORD format, std::wstring& name);
// The domain that a name's syntax points to; -1 when it names none.
[[nodiscard]] int SimHomeDomainOfName(const SimDomainModel& model, DWORD format,
                                      const std::wstring& name);
// ADS_NAME_TYPE of the name-translation object to DS_NAME_FORMAT.
[[nodiscard]] DWORD SimDsFormatOfAdsNameType(long type);
