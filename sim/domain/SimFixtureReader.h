// Reads a simulated-domain fixture (an XML file an administrator can read and
// edit; format in sim/README.md) into a SimDomainModel with MSXML. A fixture
// that does not make sense is refused with a message naming the culprit.
#pragma once

#include "sim/domain/SimDomainModel.h"

#include <string>

// Each returns true and fills `model`, or false with `error` set.
[[nodiscard]] bool ReadSimFixtureFile(const wchar_t* path, SimDomainModel& model,
                                      std::wstring& error);
[[nodiscard]] bool ReadSimFixtureText(const wchar_t* xml, SimDomainModel& model,
                                      std::wstring& error);
