// Shared set-up of the directory tests: the simulation answers for this
// program's own imports, exactly as it will for the loaded GINA.
#include "DirectoryTestWorld.h"

#include <fstream>
#include <sstream>

std::wstring ExampleFixtureText() {
    static const std::wstring text = [] {
        std::ifstream file(RESETRA_EXAMPLE_DOMAIN_HOST, std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        const std::string utf8 = bytes.str();
        const int size =
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            size);
        // loadXML reads UTF-16 text; the declaration would contradict it.
        const std::size_t declarationEnd = wide.find(L"?>");
        return declarationEnd == std::wstring::npos ? wide : wide.substr(declarationEnd + 2);
    }();
    return text;
}

void DirectoryTest::SetUpTestSuite() {
    static bool installed = false;
    if (!installed) {
        const DWORD code =
            InstallSimulatedDomain(GetModuleHandleW(nullptr), RESETRA_EXAMPLE_DOMAIN);
        ASSERT_EQ(code, 0u) << "installing the simulated domain: "
                            << std::string(SimDomainLastError().begin(),
                                           SimDomainLastError().end());
        installed = true;
    }
}

void DirectoryTest::SetUp() {
    ASSERT_EQ(LoadSimulatedDomainText(ExampleFixtureText().c_str()), 0u);
    log.AddHandler(&handler);
    invalidReleasesBefore = SimDomainOutstandingResources().invalidReleases;
}

void DirectoryTest::TearDown() {
    const SimDomainOutstanding left = SimDomainOutstandingResources();
    EXPECT_EQ(left.binds, 0) << "directory binds left open";
    EXPECT_EQ(left.nameResults, 0) << "name results not freed";
    EXPECT_EQ(left.netApiBuffers, 0) << "netapi32 buffers not freed";
    EXPECT_EQ(left.adsMemory, 0) << "ADSI memory not freed";
    EXPECT_EQ(left.comObjects, 0) << "directory objects not released";
    EXPECT_EQ(left.invalidReleases, invalidReleasesBefore) << "something freed twice";
}

void DirectoryTest::UseFixture(const std::wstring& xml) {
    const DWORD code = LoadSimulatedDomainText(xml.c_str());
    ASSERT_EQ(code, 0u) << std::string(SimDomainLastError().begin(), SimDomainLastError().end());
}

void DirectoryTest::UseExampleWith(const std::wstring& from, const std::wstring& to) {
    std::wstring text = ExampleFixtureText();
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::wstring::npos) << "the example fixture lacks the text to replace";
    text.replace(at, from.size(), to);
    UseFixture(text);
}

std::vector<std::wstring> DirectoryTest::Calls(const std::wstring& start) const {
    std::vector<std::wstring> found;
    for (const std::wstring& line : SimDomainJournal()) {
        if (line.compare(0, start.size(), start) == 0) {
            found.push_back(line);
        }
    }
    return found;
}
