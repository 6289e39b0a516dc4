// The localized texts: choosing the language and section, the rules of the
// locale file's lines, hostile files, the minute between load attempts, the
// placeholders a translated format may use, and the shipped example file.
#include "support/TextKeys.h"
#include "support/cTarnLocaleTextCollection.h"
#include "tests/support/SupportTestFiles.h"

#include <gtest/gtest.h>

namespace {

ULONGLONG g_now = 0;
void FakeClock(FILETIME* time) {
    time->dwLowDateTime = static_cast<DWORD>(g_now & 0xFFFFFFFF);
    time->dwHighDateTime = static_cast<DWORD>(g_now >> 32);
}
constexpr ULONGLONG kSecond = 10000000ULL;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end()).substr(0, 80);
}

class LocaleTexts : public ::testing::Test {
protected:
    // Writes the file and configures the collection for `language`.
    void Load(const std::wstring& content, const wchar_t* language) {
        WriteUtf16File(path, content);
        texts.Configure(path.c_str(), language, 0);
    }

    TempFolder folder;
    std::wstring path = folder.Path(L"LocaleGINA.txt");
    cTarnLocaleTextCollection texts;
};

// An English section holding these lines.
std::wstring En(const std::wstring& lines) {
    return L"[English]\r\n" + lines + L"\r\n[English end]\r\n";
}

} // namespace

TEST_F(LocaleTexts, ReadsTheSectionOfTheLanguageAsTheFileFormatSays) {
    const std::wstring longKey(1023, L'k');
    const struct {
        std::wstring file;
        const wchar_t* language;
        std::wstring key;
        std::wstring text; // the default is L"d"
        DWORD id;
    } cases[] = {
        {L"[GERMAN]\r\nKey=Schluessel\r\n[German END]\r\n" + En(L"Key=e"), L"german", L"Key",
         L"Schluessel", 7},
        {En(L"ForgotMyPasswordButton   =   &Reset it"), L"English", L"ForgotMyPasswordButton",
         L"&Reset it", 9},
        {En(L"A = x = y"), L"English", L"A", L"x y", 9},
        {En(L"B=\tt\tab "), L"English", L"B", L"tab ", 9},
        {En(L"T=First.\\nSecond.\\tTab\\rCR \\q\\\\"), L"English", L"T",
         L"First.\nSecond.\tTab\rCR \\q\\\\", 9},
        {En(L"Title=first\r\ntitle=second"), L"English", L"TITLE", L"first", 9},
        {En(L"=orphan\r\n\r\n   \r\nLonely Key"), L"English", L"LonelyKey", L"", 9},
        {En(L"Key=english text"), L"French", L"Key", L"english text", 9},
        {L"[Klingon]\r\nKey=Qapla'\r\n[Klingon end]\r\n" + En(L"Key=e"), L"Klingon", L"Key",
         L"Qapla'", 9},
        {L"[German end]\r\n[German]\r\nKey=richtig\r\n[German end]\r\n", L"German", L"Key",
         L"richtig", 7},
        {L"[German end]\r\nKey=falsch\r\n[German]\r\nKey=offen\r\n", L"German", L"Key", L"d", 7},
        {En(std::wstring(5000, L'k') + L"=" + std::wstring(70000, L't') + L"\r\nNext=ok"),
         L"English", longKey, std::wstring(1023, L't'), 9},
        // Hostile files give the defaults without harm.
        {L"", L"English", L"Key", L"d", 9},
        {L"[English]", L"English", L"Key", L"d", 9},
        {L"[English end][English]", L"English", L"Key", L"d", 9},
        {L"[English]\r\n==========\r\n\\\\\\n\r\n[English end]", L"English", L"Key", L"d", 9},
        {std::wstring(100000, L'['), L"English", L"Key", L"d", 9},
        {L"[" + std::wstring(3000, L'e') + L"]", L"English", L"Key", L"d", 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        Load(c.file, c.language);
        EXPECT_EQ(texts.GetText(c.key.c_str(), L"d"), c.text);
        EXPECT_EQ(texts.GetLanguageId(), c.id);
    }
    Load(En(std::wstring(5000, L'k') + L"=x\r\nNext=ok"), L"English");
    EXPECT_STREQ(texts.GetText(L"Next", L"d"), L"ok"); // after a cut line
    Load(En(L"=orphan\r\n\r\n   \r\nLonely Key"), L"English");
    EXPECT_EQ(texts.GetTextCount(), 1u); // only the line without "="
}

TEST_F(LocaleTexts, WithoutAUsableFileEveryTextIsItsDefault) {
    texts.Configure(nullptr, L"German", 0);
    EXPECT_STREQ(texts.GetText(L"Key", L"default"), L"default");
    EXPECT_EQ(texts.GetLanguageId(), 7u);
    texts.Configure(folder.Path(L"absent.txt").c_str(), L"Klingon", 0);
    EXPECT_STREQ(texts.GetText(L"Key", L"default"), L"default");
    EXPECT_EQ(texts.GetLanguageId(), 9u);
    std::wstring large = En(L"Key=v");
    large.append(cTarnLocaleTextCollection::kMaxFileBytes / 2, L' ');
    Load(large, L"English");
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
    std::vector<unsigned char> noise(65536);
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    }
    WriteBytes(path, noise);
    texts.Configure(path.c_str(), L"English", 0);
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
    // An odd number of bytes: the last one is no character.
    std::vector<unsigned char> bytes = Utf16Bytes(L"[English]\r\nKey=v\r\n[English end]", true);
    bytes.push_back(0x41);
    WriteBytes(path, bytes);
    texts.Configure(path.c_str(), L"English", 0);
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"v");
}

TEST_F(LocaleTexts, RetriesAFailedLoadOnlyAfterSixtySecondsOrAClockSetBack) {
    g_now = 100000 * kSecond;
    texts.SetClock(FakeClock);
    texts.Configure(path.c_str(), L"English", 0); // no file yet
    WriteUtf16File(path, En(L"Key=loaded"));
    g_now += 60 * kSecond - 1;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
    g_now += 1;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"loaded");
    // Once loaded, the file is not read again.
    WriteUtf16File(path, En(L"Key=changed"));
    g_now += 3600 * kSecond;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"loaded");

    DeleteFileW(path.c_str());
    texts.Configure(path.c_str(), L"English", 0);
    WriteUtf16File(path, En(L"Key=again"));
    g_now -= 86400 * kSecond;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"again");
}

TEST_F(LocaleTexts, FormatTextIsUsedOnlyWithTheSameOrALeadingPartOfTheConversions) {
    const wchar_t* format = TextKeys::ErrorDialogTextChainFailure.english; // '%s' ... %ld
    const struct {
        const wchar_t* text;
        bool used;
    } cases[] = {
        {L"Fehler beim Laden von '%s' (Code %ld)", true},
        {L"Nur '%s'", true},
        {L"Ohne Platzhalter, 100%%", true},
        {L"%s%s%n", false},
        {L"Fehler %ld bei '%s'", false},
        {L"'%s' %ld %s", false},
        {L"%*d %s", false},
        {L"'%s' %d%", false},
        {L"%S %ld", false},
        {L"%p", false},
        {L"%s %I64d", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        Load(std::wstring(L"[German]\r\nErrorDialogTextChainFailure=") + c.text +
                 L"\r\n[German end]\r\n",
             L"German");
        bool replaced = c.used;
        EXPECT_STREQ(texts.GetFormat(L"ErrorDialogTextChainFailure", format, &replaced),
                     c.used ? c.text : format);
        EXPECT_EQ(replaced, !c.used);
    }
}

TEST(ShippedLocaleFile, HasEveryKeyInAllThirteenLanguages) {
    const std::wstring path = std::wstring(RESETRA_EXAMPLES_DIR) + L"\\LocaleGINA.txt";
    const std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    for (const cTarnLocaleTextCollection::KnownLanguage& language :
         cTarnLocaleTextCollection::kLanguages) {
        cTarnLocaleTextCollection texts;
        texts.Configure(path.c_str(), language.name, 0);
        ASSERT_TRUE(texts.IsLoaded());
        EXPECT_EQ(texts.GetLanguageName(), language.name) << "section missing";
        EXPECT_EQ(texts.GetLanguageId(), language.id);
        EXPECT_EQ(texts.GetTextCount(), std::size(TextKeys::All));
        for (const TextKey* key : TextKeys::All) {
            const wchar_t* text = texts.GetText(key->name, nullptr);
            ASSERT_NE(text, nullptr) << "key missing";
            EXPECT_GT(wcslen(text), 0u);
            if (language.id == 9) {
                EXPECT_STREQ(text, key->english);
            }
            bool replaced = true;
            (void)texts.GetFormat(key->name, key->english, &replaced);
            EXPECT_FALSE(replaced);
        }
    }
}
