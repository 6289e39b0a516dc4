// Base of the log configurations: the level mask a handler applies.
#pragma once

#include <cstdint>

class cMvConfigurationLog {
public:
    virtual uint32_t GetMask() { return m_mask; }
    virtual void SetMask(uint32_t mask) { m_mask = mask; }

protected:
    cMvConfigurationLog() = default;
    // Not virtual: configurations are never deleted through this base.
    ~cMvConfigurationLog() = default;

private:
    uint32_t m_mask = 3;
};
