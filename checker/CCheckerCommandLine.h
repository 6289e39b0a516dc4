// The command line of ResetraPolicyCheck: one command word and its options,
// checked for completeness before anything runs. Passwords never come from
// here; they are read from standard input.
#pragma once

#include <optional>
#include <string>
#include <vector>

class CCheckerCommandLine {
public:
    enum class Command { None, Help, Check, Validate, Publish, Export };
    enum class Format { Text, Tsv };

    // False with Error() set for a usage error; `--help` anywhere gives Help.
    [[nodiscard]] bool Parse(const std::vector<std::wstring>& arguments);

    [[nodiscard]] Command GetCommand() const noexcept { return m_command; }
    [[nodiscard]] const std::wstring& Error() const noexcept { return m_error; }

    std::wstring user;
    std::wstring domain;
    std::wstring policies; // --policies FILE of check
    std::wstring file;     // the FILE of validate, publish and export
    std::optional<unsigned long> language;
    bool oldPassword = false;
    Format format = Format::Text;

    static const wchar_t* const kUsage;

private:
    [[nodiscard]] bool Fail(std::wstring error);

    Command m_command = Command::None;
    std::wstring m_error;
};
