// ResetraPolicyCheck.exe as shipped, run against the simulated domain through
// SimLaunch: its verdicts, marks and feedback equal those of the library in
// the simulated Winlogon for the same users and passwords; validate names
// each planted problem by its element path; publish, export and the library
// agree on the stored value; bad command lines and input are refused.
#include "support/UniqueHandle.h"
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

using namespace simworld;

namespace {

struct Result {
    DWORD code = ~0u;
    std::string out;
};

std::wstring Source(const wchar_t* relative) {
    return std::wstring(RESETRA_SOURCE_DIR) + L"\\" + relative;
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(Narrow(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    std::ofstream(Narrow(path), std::ios::binary) << bytes;
}

class Checker : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetDword(L"Software\\Harrowgate\\Vexa Policy Manager\\Vexa GINA",
                                L"GinaEnabled", 1);
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    // Runs the checker with `input` on standard input; with a fixture it
    // runs through SimLaunch against that simulated domain.
    Result Run(const std::vector<std::wstring>& args, const std::string& input = "",
               const std::wstring& fixture = L"", const std::wstring& policyOut = L"") {
        std::wstring exe = ProductDll();
        exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"ResetraPolicyCheck.exe";
        std::wstring line;
        if (!fixture.empty()) {
            line = L"\"" + SimDir() + L"\\SimLaunch.exe\" \"" + fixture + L"\" " +
                   (policyOut.empty() ? L"" : L"--policy-out \"" + policyOut + L"\" ") + L"-- ";
        }
        line += L"\"" + exe + L"\"";
        for (const auto& a : args) {
            line += L" \"" + a + L"\"";
        }
        // Files of their own per run: Wine may still hold the last run's.
        const std::wstring run = std::to_wstring(++m_runs);
        const std::wstring in = world.Folder() + L"\\in" + run + L".txt";
        const std::wstring out = world.Folder() + L"\\out" + run + L".txt";
        WriteAll(in, input);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        Result result;
        {
            const resetra::UniqueFile input(CreateFileW(in.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                        &inherit, OPEN_EXISTING, 0, nullptr));
            const resetra::UniqueFile output(CreateFileW(
                out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
            EXPECT_TRUE(input && output) << "stdin or stdout file not opened: " << GetLastError();
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = input.get();
            startup.hStdOutput = output.get();
            startup.hStdError = output.get();
            PROCESS_INFORMATION started{};
            if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &started)) {
                const resetra::UniqueKernelHandle process(started.hProcess);
                const resetra::UniqueKernelHandle thread(started.hThread);
                if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
                    TerminateProcess(process.get(), 99);
                }
                GetExitCodeProcess(process.get(), &result.code);
            }
        }
        for (char c : ReadAll(out)) {
            if (c != '\r') {
                result.out += c;
            }
        }
        return result;
    }

    SimRun world;

private:
    int m_runs = 0;
};

std::vector<std::vector<std::string>> Records(const std::string& out, const std::string& kind) {
    std::vector<std::vector<std::string>> records;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) {
            fields.push_back(field);
        }
        if (line.back() == '\t') {
            fields.emplace_back();
        }
        if (!fields.empty() && fields[0] == kind) {
            records.push_back(fields);
        }
    }
    return records;
}

// A TSV field as the simulated Winlogon's journal writes the same text.
std::string AsJournal(const std::string& tsv) {
    std::string out;
    for (size_t i = 0; i < tsv.size(); ++i) {
        char c = tsv[i];
        if (c == '\\' && i + 1 < tsv.size()) {
            const char e = tsv[++i];
            c = e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
        }
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned>(c));
        out += c == ' '                               ? "\\s"
               : c == '\\'                            ? "\\\\"
               : static_cast<unsigned char>(c) < 0x20 ? hex
                                                      : std::string(1, c);
    }
    return out;
}

// Marks of every "controls" listing of the change-password dialog, v or x,
// top to bottom, and the texts shown in it.
std::vector<std::string> DialogMarks(const Journal& journal, std::vector<std::string>* texts) {
    std::vector<std::string> listings;
    const auto& lines = journal.Lines();
    for (int at = journal.IndexOf("host window key=1700"); at >= 0;
         at = journal.IndexOf("host window key=1700", at + 1)) {
        std::vector<std::pair<int, char>> marks;
        for (size_t i = static_cast<size_t>(at) + 1;
             i < lines.size() && lines[i].find("control key=1700") != std::string::npos; ++i) {
            const Fields f = ParseFields(lines[i]);
            if (f.count("mark")) {
                marks.emplace_back(Number(f, "y"), f.at("mark") == "check" ? 'v' : 'x');
            } else if (texts != nullptr && f.count("text")) {
                texts->push_back(f.at("text"));
            }
        }
        std::sort(marks.begin(), marks.end());
        std::string text;
        for (const auto& m : marks) {
            text += m.second;
        }
        listings.push_back(text);
    }
    return listings;
}

// The same user and passwords in the dialog and in the checker: the marks of
// each password, the shown rule texts, the feedback of each refusal and the
// password that goes through must agree.
TEST_F(Checker, VerdictsMarksAndFeedbackEqualTheLibrarysInTheSimulatedWinlogon) {
    // With `policies`, the example domain holds that document as CORP's
    // policy list and the checker reads it from the file instead.
    struct Row {
        const wchar_t* fixture;
        const wchar_t* policies;
        const char* typedUser;
        const wchar_t* user;
        std::vector<std::string> passwords; // only the last may be accepted
    };
    const wchar_t* const strict = L"examples\\domain\\ChangePasswordDomain.xml";
    const wchar_t* const example = L"examples\\domain\\ExampleDomain.xml";
    const wchar_t* const departments = L"examples\\policies\\Departments.xml";
    const std::string old = "OldSecret42!";
    const std::vector<Row> rows = {
        {strict, nullptr, "alice", L"alice", {"corp", "aaabbbccc", "Alice1Archer", "Tq7#vLm9!xRw"}},
        {strict, nullptr, "tom", L"tom", {"Trainee2026", "Tr@inee2026"}},
        {example, nullptr, "bob", L"bob@corp.example.com", {"short", "longer1x"}},
        {example, nullptr, "dave", L"dave", {"abcde", "abcdefg"}},
        {example, departments, "carol", L"carol", {"twelve-chars", "fourteen-chars"}},
        {example, departments, "bob", L"bob", {"elevenchars", "twelve-chars"}},
        {example,
         L"examples\\policies\\SmallOffice.xml",
         "dave",
         L"dave",
         {"aaabbbcccddd", "abcabcabcabc"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typedUser);
        std::wstring fixture = Source(row.fixture);
        if (row.policies != nullptr) {
            std::string text = ReadAll(fixture);
            const size_t from = text.find("<Policy><![CDATA[");
            const size_t to = text.find("]]></Policy>", from) + 12;
            text.replace(from, to - from,
                         "<Policy><![CDATA[" + ReadAll(Source(row.policies)) + "]]></Policy>");
            fixture = world.Folder() + L"\\domain.xml";
            WriteAll(fixture, text);
        }
        std::string actions, input = old + "\n";
        for (const std::string& p : row.passwords) {
            actions += "type 1706 " + old + " ; type 1708 " + p + " ; type 1710 " + p +
                       " ; controls ; press 1 ; wait 200 ; ";
            input += p + "\n";
        }
        ASSERT_EQ(0u, world.Run("set domain " + Narrow(fixture) + "\nset chained.user " +
                                row.typedUser +
                                "\nset chained.domains CORP\nset msgbox.answer 1\n"
                                "set dialog.1700 " +
                                actions +
                                "press 2\n"
                                "negotiate\ninitialize\nloggedonsas 1\n"));
        std::vector<std::string> shown;
        const auto marks = DialogMarks(world.Events(), &shown);

        std::vector<std::wstring> args = {L"check",          L"--user",   row.user,
                                          L"--old-password", L"--format", L"tsv"};
        if (std::wstring(row.user).find(L'@') == std::wstring::npos) {
            args.insert(args.end(), {L"--domain", L"corp.example.com"});
        }
        if (row.policies != nullptr) {
            args.insert(args.end(), {L"--policies", Source(row.policies)});
        }
        const Result checked = Run(args, input, fixture);
        const auto verdicts = Records(checked.out, "password");
        const auto rules = Records(checked.out, "rule");
        const auto feedback = Records(checked.out, "feedback");
        ASSERT_EQ(row.passwords.size(), verdicts.size()) << checked.out;
        ASSERT_EQ(row.passwords.size(), marks.size()) << world.Events().Dump();

        size_t refusals = 0;
        for (size_t n = 0; n < verdicts.size(); ++n) {
            SCOPED_TRACE(row.passwords[n]);
            std::string checkerMarks;
            for (const auto& r : rules) {
                if (r[1] == std::to_string(n + 1)) {
                    checkerMarks += r[4] == "met" ? 'v' : 'x';
                    if (!r[5].empty()) {
                        EXPECT_NE(shown.end(),
                                  std::find(shown.begin(), shown.end(), AsJournal(r[5])))
                            << r[5];
                    }
                }
            }
            EXPECT_EQ(marks[n], checkerMarks);
            if (verdicts[n][2] == "refused") {
                int box = -1;
                for (size_t k = 0; k <= refusals; ++k) {
                    box = world.Events().IndexOf("host dispatch WlxMessageBox", box + 1);
                }
                ASSERT_GE(box, 0);
                ASSERT_GT(feedback.size(), refusals);
                EXPECT_EQ(ParseFields(world.Events().Lines()[static_cast<size_t>(box)]).at("text"),
                          AsJournal(feedback[refusals][2]));
                ++refusals;
            } else {
                EXPECT_EQ("accepted", verdicts[n][2]);
                EXPECT_EQ(n + 1, row.passwords.size()) << "the dialog closes on an accepted one";
            }
        }
        EXPECT_EQ(refusals, world.Events().Count("host dispatch WlxMessageBox"));
        EXPECT_EQ(refusals < row.passwords.size() ? 1u : 0u,
                  world.Events().Count("chained dialog-ok"));
        EXPECT_EQ(refusals > 0 ? 1u : 0u, checked.code) << "a refusal decides the exit code";
    }
}

TEST_F(Checker, ValidateNamesEachPlantedProblemByPathAndPassesTheExamples) {
    WriteAll(world.Folder() + L"\\broken.xml",
             "<PolicyList version=\"2\"><Policy name=\"A\"><Configuration>x</Configuration>"
             "<Rule type=\"2\"><Enabled>1</Enabled><MinimumLength>abc</MinimumLength></Rule>"
             "<Rule type=\"99\"><Enabled>1</Enabled></Rule><Scope type=\"3\"></Scope></Policy>"
             "<Policy name=\"B\"><Rule type=\"5\"><Enabled>1</Enabled>"
             "<Regex Type=\"0\">([a-z</Regex></Rule><Rule type=\"5\"><Enabled>1</Enabled>"
             "<Regex Type=\"0\">^(a|a?)+\\1$</Regex></Rule><Rule/></Policy></PolicyList>");
    WriteAll(world.Folder() + L"\\dtd.xml",
             "<!DOCTYPE PolicyList [<!ENTITY e \"x\">]><PolicyList><P name=\"x\"/></PolicyList>");
    const Result broken = Run({L"validate", world.Folder() + L"\\broken.xml"});
    EXPECT_EQ(1u, broken.code);
    for (const char* expected :
         {"/PolicyList/Policy[1]\tError code (-11) - Failed to convert value of Configuration",
          "/PolicyList/Policy[1]/Rule[1]\tError code (-11) - Failed to convert value of minimum",
          "/PolicyList/Policy[1]/Rule[2]\tError code (-11) - Unknown rule type detected.",
          "/PolicyList/Policy[1]/Scope[1]\tError code (-12) - Scope is empty.",
          "/PolicyList/Policy[2]/Rule[1]\tError code (-1) - An error occurred while evalutating "
          "regular expression '([a-z'",
          "/PolicyList/Policy[2]/Rule[2]\tError code (-1) - An error occurred while evalutating",
          "/PolicyList/Policy[2]/Rule[3]\tError code (-11) - An error occurred while loading "
          "rule"}) {
        EXPECT_NE(std::string::npos, broken.out.find(expected)) << expected << "\n" << broken.out;
    }
    const Result dtd = Run({L"validate", world.Folder() + L"\\dtd.xml"});
    EXPECT_EQ(1u, dtd.code);
    EXPECT_NE(std::string::npos, dtd.out.find("/\tThe policy document declares a document type"));
    for (const wchar_t* example : {L"Departments.xml", L"SmallOffice.xml", L"Strict.xml"}) {
        const Result ok = Run({L"validate", Source(L"examples\\policies\\") + example});
        EXPECT_EQ(0u, ok.code) << ok.out;
    }
}

TEST_F(Checker, PublishedDocumentExportsAsWrittenAndTheLibraryAppliesIt) {
    const std::string document =
        "<PolicyList version=\"2\"><Policy name=\"Published\"><Configuration>0</Configuration>"
        "<Scope type=\"3\"><SID>corp.example.com/</SID></Scope><Rule type=\"2\"><Enabled>1"
        "</Enabled><MinimumLength>11</MinimumLength><Description>Eleven or more, caf\xc3\xa9."
        "</Description></Rule></Policy></PolicyList>\r\n";
    const std::string domain =
        "<Domain flat=\"CORP\" dns=\"corp.example.com\" sid=\"S-1-5-21-1-2-3\">"
        "<DomainController name=\"DC01\"/>%POLICY%<OU name=\"Sales\">"
        "<User sam=\"alice\" rid=\"1104\"/></OU></Domain>";
    auto fixture = [&](const std::string& policy) {
        std::string text = domain;
        text.replace(text.find("%POLICY%"), 8, policy);
        WriteAll(world.Folder() + L"\\domain.xml",
                 "<SimulatedDomain><Computer name=\"WS01\" joinedTo=\"CORP\"/>" + text +
                     "<Domain flat=\"LAB\" dns=\"lab.example.net\" sid=\"S-1-5-21-4\">"
                     "<DomainController name=\"DC02\"/></Domain></SimulatedDomain>");
        return world.Folder() + L"\\domain.xml";
    };
    const std::wstring file = world.Folder() + L"\\policy.xml",
                       stored = world.Folder() + L"\\stored";
    WriteAll(file, "\xEF\xBB\xBF" + document);
    DeleteFileW(stored.c_str());
    // No container in LAB: the write fails as the directory would refuse it.
    EXPECT_EQ(3u, Run({L"publish", file, L"--domain", L"lab.example.net"}, "",
                      fixture("<PolicyContainer/>"), stored)
                      .code);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(stored.c_str()));
    const Result published = Run({L"publish", file, L"--domain", L"corp.example.com"}, "",
                                 fixture("<PolicyContainer/>"), stored);
    ASSERT_EQ(0u, published.code) << published.out;
    const std::string value = ReadAll(stored);
    ASSERT_EQ(0u, value.rfind(document, 0)) << value;
    const std::string stamp = value.substr(document.size());
    EXPECT_TRUE(stamp.size() > 2 && stamp.front() == '#' && stamp.back() == '#' &&
                stamp.find_first_not_of("0123456789", 1) == stamp.size() - 1)
        << stamp;

    std::string hex;
    for (unsigned char c : value) {
        char two[3];
        snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    const std::wstring withValue = fixture("<Policy encoding=\"hex\">" + hex + "</Policy>");
    const std::wstring exported = world.Folder() + L"\\exported.xml";
    EXPECT_EQ(0u, Run({L"export", L"--domain", L"corp.example.com", exported}, "", withValue).code);
    EXPECT_EQ(document, ReadAll(exported));

    ASSERT_EQ(0u, world.Run("set domain " + Narrow(withValue) +
                            "\nset chained.user alice\nset chained.domains CORP\n"
                            "set msgbox.answer 1\nset dialog.1700 type 1708 short1 ; type 1710 "
                            "short1 ; press 1 ; press 2\nnegotiate\ninitialize\nloggedonsas 1\n"));
    EXPECT_NE(std::string::npos,
              world.Events().FieldsOf("host dispatch WlxMessageBox")["text"].find(
                  JournalText(" - Eleven or more, caf\xc3\xa9.")))
        << world.Events().Dump();
}

TEST_F(Checker, BadCommandLinesAndInputExitTwoWithUsage) {
    const std::vector<std::vector<std::wstring>> bad = {
        {},
        {L"frobnicate"},
        {L"check"},
        {L"check", L"--user"},
        {L"check", L"--user", L"a", L"Secret1!"},
        {L"check", L"--user", L"a", L"--format", L"csv"},
        {L"check", L"--user", L"a", L"--user", L"b"},
        {L"check", L"--user", L"a", L"--language", L"German"},
        {L"validate", L"a.xml", L"--domain", L"corp.example.com"},
        {L"validate"},
        {L"publish", L"a.xml"},
    };
    for (const auto& args : bad) {
        const Result r = Run(args);
        EXPECT_EQ(2u, r.code) << Narrow(args.empty() ? L"" : args.back());
        EXPECT_NE(std::string::npos, r.out.find("usage:")) << r.out;
    }
    EXPECT_EQ(0u, Run({L"--help"}).code);
    EXPECT_EQ(2u, Run({L"validate", world.Folder() + L"\\missing.xml"}).code);
    WriteAll(world.Folder() + L"\\latin1.xml", "<PolicyList><P name=\"caf\xe9\"/></PolicyList>");
    EXPECT_EQ(2u, Run({L"validate", world.Folder() + L"\\latin1.xml"}).code);
    const std::wstring domain = Source(L"examples\\domain\\ExampleDomain.xml");
    EXPECT_EQ(2u, Run({L"check", L"--user", L"alice", L"--domain", L"corp.example.com"},
                      "ok\n\xff\xfe\n", domain)
                      .code);
    EXPECT_EQ(2u, Run({L"check", L"--user", L"alice", L"--domain", L"corp.example.com",
                       L"--old-password"},
                      "", domain)
                      .code);
}

// No policy: the code line alone and exit 0. A rule that cannot be
// evaluated: error with its code, the rules tested before it, no feedback;
// a refusal elsewhere still decides the exit code.
TEST_F(Checker, NoPolicyAndUnevaluableRulesAreReportedAsTheLibraryWouldLetThemPass) {
    const std::wstring domain = Source(L"examples\\domain\\ExampleDomain.xml");
    const std::wstring policies = world.Folder() + L"\\policies.xml";
    auto check = [&](const wchar_t* user, const wchar_t* dns, const std::string& input) {
        return Run({L"check", L"--user", user, L"--domain", dns, L"--policies", policies,
                    L"--format", L"tsv"},
                   input, domain);
    };
    WriteAll(policies, "<PolicyList><Policy name=\"Nobody\"><Scope type=\"2\"><SID>"
                       "corp.example.com/Nowhere</SID></Scope><Rule type=\"2\"><Enabled>1"
                       "</Enabled><MinimumLength>3</MinimumLength></Rule></Policy></PolicyList>");
    const Result none = check(L"alice", L"corp.example.com", "x\n");
    EXPECT_EQ(0u, none.code);
    EXPECT_EQ("policy\t-5\n", none.out);
    const Result noDocument =
        Run({L"check", L"--user", L"erin", L"--domain", L"lab.example.net", L"--format", L"tsv"},
            "x\n", domain);
    EXPECT_EQ(0u, noDocument.code);
    EXPECT_EQ("policy\t-3\n", noDocument.out);
    EXPECT_EQ(3u, check(L"nobody", L"corp.example.com", "x\n").code);

    WriteAll(policies, "<PolicyList><Policy name=\"Tab&#9;Name\"><Scope type=\"3\"><SID>"
                       "corp.example.com/</SID></Scope><Rule type=\"2\"><Enabled>1</Enabled>"
                       "<MinimumLength>3</MinimumLength><Description>a\\b\tc</Description>"
                       "<Description languageid=\"7\">Drei</Description></Rule><Rule "
                       "type=\"5\"><Enabled>1</Enabled><Regex Type=\"0\">"
                       "^(a|a?)+\\1$</Regex></Rule></Policy></PolicyList>");
    const std::string exhausting = std::string(254, 'a') + "!";
    const Result error = check(L"alice", L"corp.example.com", exhausting + "\r\n");
    EXPECT_EQ(3u, error.code) << error.out;
    EXPECT_EQ("policy\tTab\\tName\npassword\t1\terror\t-1\n"
              "rule\t1\t1\tMinimum Password Length\tmet\ta\\\\b\\tc\n",
              error.out);
    const Result german = Run({L"check", L"--user", L"alice", L"--domain", L"corp.example.com",
                               L"--policies", policies, L"--language", L"7", L"--format", L"tsv"},
                              "abc\n", domain);
    EXPECT_NE(std::string::npos, german.out.find("\tmet\tDrei\n")) << german.out;
    const Result mixed = check(L"alice", L"corp.example.com", "\n" + exhausting);
    EXPECT_EQ(1u, mixed.code) << mixed.out;
    EXPECT_NE(std::string::npos,
              mixed.out.find("password\t1\trefused\t0\n"
                             "rule\t1\t1\tMinimum Password Length\tnot-met\ta\\\\b\\tc\n"))
        << mixed.out;
    EXPECT_NE(std::string::npos, mixed.out.find("feedback\t1\tYour new password did not satisfy "
                                                "the following rules:\\r\\n - a\\\\b\\tc\\r\\n"))
        << mixed.out;
}

} // namespace
