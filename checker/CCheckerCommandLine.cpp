// Parsing of the command line: a command word first, then options in any
// order, each option at most once. Values that start with "--" are taken as
// missing, so `--user --domain x` is a usage error and not a user "--domain".
#include "checker/CCheckerCommandLine.h"

#include <cwchar>

const wchar_t* const CCheckerCommandLine::kUsage =
    L"usage:\n"
    L"  ResetraPolicyCheck check --user NAME [--domain DNSNAME] [--policies FILE]\n"
    L"                           [--language ID] [--old-password] [--format text|tsv]\n"
    L"      tests each password read from standard input (UTF-8, one a line; with\n"
    L"      --old-password the first line is the old password) against the policy\n"
    L"      that applies to the user\n"
    L"  ResetraPolicyCheck validate FILE\n"
    L"      reports every problem of a policy list document, with its element path\n"
    L"  ResetraPolicyCheck publish FILE --domain DNSNAME\n"
    L"      stores a valid policy list document as the domain's policy list\n"
    L"  ResetraPolicyCheck export --domain DNSNAME [FILE]\n"
    L"      writes the domain's policy list document to FILE or standard output\n"
    L"exit codes: 0 accepted, nothing applies or done; 1 a password was refused or\n"
    L"the document has problems; 2 usage or input error; 3 the policy engine or the\n"
    L"directory failed\n";

bool CCheckerCommandLine::Fail(std::wstring error) {
    m_error = std::move(error);
    m_command = Command::None;
    return false;
}

bool CCheckerCommandLine::Parse(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            m_command = Command::Help;
            return true;
        }
    }
    if (arguments.empty()) {
        return Fail(L"no command given");
    }
    const std::wstring& word = arguments[0];
    if (word == L"check") {
        m_command = Command::Check;
    } else if (word == L"validate") {
        m_command = Command::Validate;
    } else if (word == L"publish") {
        m_command = Command::Publish;
    } else if (word == L"export") {
        m_command = Command::Export;
    } else {
        return Fail(L"unknown command '" + word + L"'");
    }
    const Command command = m_command;

    std::vector<std::wstring> positional;
    bool seenUser = false, seenDomain = false, seenPolicies = false, seenLanguage = false,
         seenFormat = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& a = arguments[i];
        if (a.rfind(L"--", 0) != 0) {
            positional.push_back(a);
            continue;
        }
        const bool takesValue = a == L"--user" || a == L"--domain" || a == L"--policies" ||
                                a == L"--language" || a == L"--format";
        std::wstring value;
        if (takesValue) {
            if (i + 1 >= arguments.size() || arguments[i + 1].rfind(L"--", 0) == 0 ||
                arguments[i + 1].empty()) {
                return Fail(L"option " + a + L" needs a value");
            }
            value = arguments[++i];
        }
        const bool checkOnly = a == L"--user" || a == L"--policies" || a == L"--language" ||
                               a == L"--format" || a == L"--old-password";
        if (checkOnly && command != Command::Check) {
            return Fail(L"option " + a + L" belongs to the check command");
        }
        bool* seen = nullptr;
        if (a == L"--user") {
            seen = &seenUser;
            user = value;
        } else if (a == L"--domain") {
            if (command == Command::Validate) {
                return Fail(L"validate takes no --domain");
            }
            seen = &seenDomain;
            domain = value;
        } else if (a == L"--policies") {
            seen = &seenPolicies;
            policies = value;
        } else if (a == L"--language") {
            seen = &seenLanguage;
            wchar_t* end = nullptr;
            const unsigned long id = std::wcstoul(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != L'\0' || id == 0 || id > 0x3ff) {
                return Fail(L"--language needs a primary language id such as 9 or 7");
            }
            language = id;
        } else if (a == L"--format") {
            seen = &seenFormat;
            if (value == L"text") {
                format = Format::Text;
            } else if (value == L"tsv") {
                format = Format::Tsv;
            } else {
                return Fail(L"--format is text or tsv");
            }
        } else if (a == L"--old-password") {
            if (oldPassword) {
                return Fail(L"option --old-password given twice");
            }
            oldPassword = true;
        } else {
            return Fail(L"unknown option " + a);
        }
        if (seen != nullptr) {
            if (*seen) {
                return Fail(L"option " + a + L" given twice");
            }
            *seen = true;
        }
    }

    switch (command) {
    case Command::Check:
        if (!positional.empty()) {
            return Fail(L"check takes no argument '" + positional[0] +
                        L"'; passwords are read from standard input");
        }
        if (user.empty()) {
            return Fail(L"check needs --user NAME");
        }
        break;
    case Command::Validate:
    case Command::Publish:
        if (positional.size() != 1) {
            return Fail(L"this command needs exactly one FILE");
        }
        file = positional[0];
        if (command == Command::Publish && domain.empty()) {
            return Fail(L"publish needs --domain DNSNAME");
        }
        break;
    case Command::Export:
        if (positional.size() > 1) {
            return Fail(L"export takes at most one FILE");
        }
        if (!positional.empty()) {
            file = positional[0];
        }
        if (domain.empty()) {
            return Fail(L"export needs --domain DNSNAME");
        }
        break;
    default:
        break;
    }
    return true;
}
