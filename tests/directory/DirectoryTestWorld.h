// What the directory tests share: the simulated domain installed into this
// test program once, a fresh fixture per test, a log that keeps every entry,
// and the check after each test that every bind, name result, buffer and
// directory object handed out was released again.
#pragma once

#include "sim/domain/SimDomain.h"
#include "support/cMvLog.h"
#include "tests/support/CapturingHandler.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

// The example fixture as UTF-16 text without its declaration, which would
// contradict the UTF-16 that loadXML reads.
[[nodiscard]] inline std::wstring ExampleFixtureText() {
    static const std::wstring text = [] {
        std::stringstream bytes;
        bytes << std::ifstream(RESETRA_EXAMPLE_DOMAIN_HOST, std::ios::binary).rdbuf();
        const std::string utf8 = bytes.str();
        const int size = static_cast<int>(utf8.size());
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        wide.resize(static_cast<std::size_t>(
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), size)));
        const std::size_t declarationEnd = wide.find(L"?>");
        return declarationEnd == std::wstring::npos ? wide : wide.substr(declarationEnd + 2);
    }();
    return text;
}

class DirectoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool installed = false;
        if (!installed) {
            ASSERT_EQ(InstallSimulatedDomain(GetModuleHandleW(nullptr), RESETRA_EXAMPLE_DOMAIN), 0u)
                << Narrow(SimDomainLastError());
            installed = true;
        }
    }
    void SetUp() override {
        ASSERT_EQ(LoadSimulatedDomainText(ExampleFixtureText().c_str()), 0u);
        log.AddHandler(&handler);
        invalidReleasesBefore = SimDomainOutstandingResources().invalidReleases;
    }
    void TearDown() override {
        // Binds, name results, netapi32 buffers, ADSI memory and directory
        // objects all released, and nothing freed twice.
        const SimDomainOutstanding left = SimDomainOutstandingResources();
        EXPECT_EQ(std::make_tuple(left.binds, left.nameResults, left.netApiBuffers, left.adsMemory,
                                  left.comObjects, left.invalidReleases),
                  std::make_tuple(0L, 0L, 0L, 0L, 0L, invalidReleasesBefore));
    }

    static std::string Narrow(const std::wstring& text) { return {text.begin(), text.end()}; }
    // Replaces the example fixture by `xml` (a whole SimulatedDomain document).
    void UseFixture(const std::wstring& xml) {
        ASSERT_EQ(LoadSimulatedDomainText(xml.c_str()), 0u) << Narrow(SimDomainLastError());
    }
    // The example fixture with one piece of text replaced, for a fault.
    void UseExampleWith(const std::wstring& from, const std::wstring& to) {
        std::wstring text = ExampleFixtureText();
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::wstring::npos) << "the example fixture lacks the text to replace";
        UseFixture(text.replace(at, from.size(), to));
    }

    // Whether an entry of this level has exactly this text, or starts with it.
    [[nodiscard]] bool Logged(uint32_t level, const std::wstring& text) const {
        return handler.Logged(level, text);
    }
    [[nodiscard]] bool LoggedStart(uint32_t level, const std::wstring& start) const {
        return handler.Logged(level, start, CapturingHandler::Match::Start);
    }
    [[nodiscard]] std::string AllEntries() const { return handler.All(); }
    // Journal lines of the simulation that start with this text.
    [[nodiscard]] static std::vector<std::wstring> Calls(const std::wstring& start) {
        std::vector<std::wstring> found;
        for (const std::wstring& line : SimDomainJournal()) {
            if (line.compare(0, start.size(), start) == 0) {
                found.push_back(line);
            }
        }
        return found;
    }

    cMvLog log;
    CapturingHandler handler;
    long invalidReleasesBefore = 0;
};

// SIDs of the example domain.
#define CORP_SID L"S-1-5-21-1004336348-1177238915-682003330"
#define LAB_SID L"S-1-5-21-2851385463-1811475126-2119712208"
