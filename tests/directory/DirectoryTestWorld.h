// What the directory tests share: the simulated domain installed into this
// test program once, a fresh fixture per test, a log that keeps every entry,
// and the check after each test that every bind, name result, buffer and
// directory object handed out was released again.
#pragma once

#include "sim/domain/SimDomain.h"
#include "support/cMvLog.h"
#include "tests/support/CapturingHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class DirectoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Replaces the example fixture by `xml` (a whole SimulatedDomain document).
    void UseFixture(const std::wstring& xml);
    // The example fixture with one piece of text replaced, for a fault.
    void UseExampleWith(const std::wstring& from, const std::wstring& to);

    // Whether an entry of this level has exactly this text, or starts with it.
    [[nodiscard]] bool Logged(uint32_t level, const std::wstring& text) const {
        return handler.Logged(level, text);
    }
    [[nodiscard]] bool LoggedStart(uint32_t level, const std::wstring& start) const {
        return handler.Logged(level, start, CapturingHandler::Match::Start);
    }
    [[nodiscard]] std::string AllEntries() const { return handler.All(); }
    // Journal lines of the simulation that start with this text.
    [[nodiscard]] std::vector<std::wstring> Calls(const std::wstring& start) const;

    cMvLog log;
    CapturingHandler handler;
    long invalidReleasesBefore = 0;
};

[[nodiscard]] std::wstring ExampleFixtureText();

// SIDs of the example domain.
#define CORP_SID L"S-1-5-21-1004336348-1177238915-682003330"
#define LAB_SID L"S-1-5-21-2851385463-1811475126-2119712208"
