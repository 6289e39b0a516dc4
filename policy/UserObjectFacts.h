// The answers of the user object that the rules read, kept with the user
// scope, and the step at which reading the object can fail.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// What went wrong when BindUserObject fails.
enum class UserObjectFailure { None, NameConversion, Bind };

// What the rules read from the user object, kept with the user scope when
// its owner asks for it (`keep`): the change-password dialog tests the
// password of one user on every keystroke, and the directory's answer (or
// its failure) is taken as fixed while the same user is typed. A new user
// scope starts without it and reads the directory on every test.
struct UserObjectFacts {
    struct Names {
        int32_t code = 0;
        UserObjectFailure failure = UserObjectFailure::None;
        std::wstring firstName;
        std::wstring lastName;
        std::wstring fullName;
        std::wstring accountName;
    };
    struct PasswordLastSet {
        int32_t code = 0;
        SYSTEMTIME time = {};
    };
    bool keep = false;
    std::optional<Names> names;
    std::optional<PasswordLastSet> passwordLastSet;
};
