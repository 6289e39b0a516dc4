// Keys of the localized texts and the built-in English text each caller
// passes as default. The defaults are also the reference for the
// placeholders a translation may use (see GetFormat).
#pragma once

struct TextKey {
    const wchar_t* name;
    const wchar_t* english;
};

namespace TextKeys {

inline constexpr TextKey ForgotMyPasswordButton{L"ForgotMyPasswordButton",
                                                L"&Forgot my password..."};
inline constexpr TextKey LogonDialogText{
    L"LogonDialogText", L"If you've forgotten your password, click on the button below to reset "
                        L"your current password with the Resetra Wizard."};
inline constexpr TextKey ErrorDialogTitleRegistry{L"ErrorDialogTitleRegistry",
                                                  L"Resetra - Registry error"};
inline constexpr TextKey ErrorDialogTitleStartResetWizard{
    L"ErrorDialogTitleStartResetWizard", L"Resetra - Error starting the Reset Wizard"};
inline constexpr TextKey ErrorDialogText{
    L"ErrorDialogText", L"An error has occurred while performing this operation. Please contact "
                        L"your system administrator for further assistance."};
inline constexpr TextKey ErrorDialogTitleChainFailure{
    L"ErrorDialogTitleChainFailure", L"Resetra - Error loading the next GINA in the GINA chain"};
inline constexpr TextKey ErrorDialogTextChainFailure{
    L"ErrorDialogTextChainFailure",
    L"An error has occured while loading the next GINA ('%s') in the GINA chain. Please contact "
    L"your system administrator for further assistance. Errorcode: %ld"};
inline constexpr TextKey ErrorDialogCheckBoxText{L"ErrorDialogCheckBoxText",
                                                 L"Don't show this message again"};
inline constexpr TextKey PasswordComplexityRules{L"PasswordComplexityRules",
                                                 L"Password compliance to complexity rules"};
inline constexpr TextKey ChangePasswordFeedbackDialogTitle{L"ChangePasswordFeedbackDialogTitle",
                                                           L"Change Password"};
inline constexpr TextKey ChangePasswordFeedbackDialogText{
    L"ChangePasswordFeedbackDialogText", L"Your new password did not satisfy the following rules:"};
inline constexpr TextKey VexaErrorPasswordDoNotMatch{
    L"VexaErrorPasswordDoNotMatch",
    L"The passwords you typed do not match. Type the new password in both text boxes."};

// The last row of the rules display when a policy has more rules than the
// screen can show; "%d" is the number left out.
inline constexpr TextKey RulesDisplayMoreRules{L"RulesDisplayMoreRules",
                                               L"%d more rules are not shown."};

inline constexpr const TextKey* All[] = {
    &ForgotMyPasswordButton,
    &LogonDialogText,
    &ErrorDialogTitleRegistry,
    &ErrorDialogTitleStartResetWizard,
    &ErrorDialogText,
    &ErrorDialogTitleChainFailure,
    &ErrorDialogTextChainFailure,
    &ErrorDialogCheckBoxText,
    &PasswordComplexityRules,
    &ChangePasswordFeedbackDialogTitle,
    &ChangePasswordFeedbackDialogText,
    &VexaErrorPasswordDoNotMatch,
    &RulesDisplayMoreRules,
};

} // namespace TextKeys
