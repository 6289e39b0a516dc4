// The localized texts: choosing the language and section, the rules of the
// locale file's lines, the minute between load attempts, hostile files, and
// the shipped example file.
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

class LocaleTexts : public ::testing::Test {
protected:
    // Writes the file and configures a fresh collection for `language`.
    void Load(const std::wstring& content, const wchar_t* language) {
        WriteUtf16File(path, content);
        texts.Configure(path.c_str(), language, 0);
    }

    TempFolder folder;
    std::wstring path = folder.Path(L"LocaleGINA.txt");
    cTarnLocaleTextCollection texts;
};

} // namespace

TEST_F(LocaleTexts, WithoutFileEveryTextIsItsDefault) {
    texts.Configure(folder.Path(L"absent.txt").c_str(), L"Klingon", 0);
    const wchar_t* fallback = L"&Forgot my password...";
    EXPECT_EQ(texts.GetText(L"ForgotMyPasswordButton", fallback), fallback);
    EXPECT_EQ(texts.GetLanguageId(), 9u);
}

TEST_F(LocaleTexts, ConfiguredWithoutPathGivesDefaults) {
    texts.Configure(nullptr, L"German", 0);
    EXPECT_STREQ(texts.GetText(L"Key", L"default"), L"default");
    EXPECT_EQ(texts.GetLanguageId(), 7u);
}

TEST_F(LocaleTexts, LanguageNameAndMarkersIgnoreCase) {
    Load(L"[GERMAN]\r\nKey=Schluessel\r\n[German END]\r\n[English]\r\nKey=key\r\n[English end]\r\n",
         L"german");
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"Schluessel");
    EXPECT_EQ(texts.GetLanguageId(), 7u);
    EXPECT_EQ(texts.GetLanguageName(), L"german");
}

TEST_F(LocaleTexts, SpacesAroundTheEqualsSignAreDropped) {
    Load(L"[English]\r\nForgotMyPasswordButton   =   &Reset it now\r\n[English end]\r\n",
         L"English");
    EXPECT_STREQ(texts.GetText(L"ForgotMyPasswordButton", L"d"), L"&Reset it now");
}

TEST_F(LocaleTexts, EveryEqualsSignAndTheSpacesAfterItAreDropped) {
    Load(L"[English]\r\nA = x = y\r\nB=\tt\tab \r\n[English end]\r\n", L"English");
    EXPECT_STREQ(texts.GetText(L"A", L"d"), L"x y");
    EXPECT_STREQ(texts.GetText(L"B", L"d"), L"tab ");
}

TEST_F(LocaleTexts, EscapesBecomeControlCharactersOthersStay) {
    Load(L"[English]\r\nText=First.\\nSecond.\\tTab\\rCR \\q\\\\\r\n[English end]\r\n", L"English");
    EXPECT_STREQ(texts.GetText(L"Text", L"d"), L"First.\nSecond.\tTab\rCR \\q\\\\");
}

TEST_F(LocaleTexts, FirstRecordWinsAndKeysIgnoreCase) {
    Load(L"[English]\r\nTitle=first\r\ntitle=second\r\n[English end]\r\n", L"English");
    EXPECT_STREQ(texts.GetText(L"TITLE", L"d"), L"first");
}

TEST_F(LocaleTexts, LinesWithoutKeyGiveNoRecordLinesWithoutEqualsGiveEmptyText) {
    Load(L"[English]\r\n=orphan\r\n\r\n   \r\nLonely Key\r\n[English end]\r\n", L"English");
    EXPECT_EQ(texts.GetTextCount(), 1u);
    EXPECT_STREQ(texts.GetText(L"LonelyKey", L"d"), L"");
}

TEST_F(LocaleTexts, MissingSectionFallsBackToEnglish) {
    Load(L"[English]\r\nKey=english text\r\n[English end]\r\n", L"French");
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"english text");
    EXPECT_EQ(texts.GetLanguageId(), 9u);
    EXPECT_EQ(texts.GetLanguageName(), L"English");
}

TEST_F(LocaleTexts, UnknownLanguageWithItsOwnSectionKeepsIdNine) {
    Load(L"[Klingon]\r\nKey=Qapla'\r\n[Klingon end]\r\n[English]\r\nKey=e\r\n[English end]\r\n",
         L"Klingon");
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"Qapla'");
    EXPECT_EQ(texts.GetLanguageId(), 9u);
    EXPECT_EQ(texts.GetLanguageName(), L"Klingon");
}

TEST_F(LocaleTexts, ClosingMarkerBeforeOpeningMarkerDoesNotEndTheSection) {
    Load(L"[German end]\r\n[German]\r\nKey=richtig\r\n[German end]\r\n", L"German");
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"richtig");
}

TEST_F(LocaleTexts, ClosingMarkerOnlyBeforeOpeningMarkerMeansNoSection) {
    Load(L"[German end]\r\nKey=falsch\r\n[German]\r\nKey=offen\r\n", L"German");
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
    EXPECT_FALSE(texts.IsLoaded());
}

TEST_F(LocaleTexts, RetriesAFailedLoadOnlyAfterSixtySeconds) {
    g_now = 1000 * kSecond;
    texts.SetClock(FakeClock);
    texts.Configure(path.c_str(), L"English", 0); // no file yet
    WriteUtf16File(path, L"[English]\r\nKey=loaded\r\n[English end]\r\n");
    g_now += 59 * kSecond;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
    g_now += kSecond - 1;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
    g_now += 1;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"loaded");
    // Once loaded, the file is not read again.
    WriteUtf16File(path, L"[English]\r\nKey=changed\r\n[English end]\r\n");
    g_now += 3600 * kSecond;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"loaded");
}

TEST_F(LocaleTexts, AClockSetBackDoesNotBlockTheRetry) {
    g_now = 100000 * kSecond;
    texts.SetClock(FakeClock);
    texts.Configure(path.c_str(), L"English", 0);
    WriteUtf16File(path, L"[English]\r\nKey=loaded\r\n[English end]\r\n");
    g_now -= 86400 * kSecond;
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"loaded");
}

TEST_F(LocaleTexts, OverlongKeyAndTextAreCutAt1023Characters) {
    const std::wstring key(5000, L'k');
    const std::wstring text(70000, L't');
    Load(L"[English]\r\n" + key + L"=" + text + L"\r\nNext=ok\r\n[English end]\r\n", L"English");
    EXPECT_STREQ(texts.GetText(std::wstring(1023, L'k').c_str(), L"d"),
                 std::wstring(1023, L't').c_str());
    EXPECT_STREQ(texts.GetText(L"Next", L"d"), L"ok");
}

TEST_F(LocaleTexts, HostileFilesGiveDefaultsWithoutHarm) {
    const std::wstring cases[] = {
        L"",
        L"[English]",
        L"[English][English end]",
        L"[English]\r[English end]",
        L"[English end][English]",
        L"[English]\r\n\\",
        L"[English]\r\n==========\r\n\\\\\\n\r\n[English end]",
        std::wstring(100000, L'['),
        L"[" + std::wstring(3000, L'e') + L"]",
    };
    for (const std::wstring& content : cases) {
        Load(content, L"English");
        EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
    }
    // An odd number of bytes and random binary data.
    std::vector<unsigned char> bytes = Utf16Bytes(L"[English]\r\nKey=v\r\n[English end]", true);
    bytes.push_back(0x41);
    WriteBytes(path, bytes);
    texts.Configure(path.c_str(), L"English", 0);
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"v");
    std::vector<unsigned char> noise(65536);
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    }
    WriteBytes(path, noise);
    texts.Configure(path.c_str(), L"English", 0);
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
}

TEST_F(LocaleTexts, FileLargerThanTheLimitIsRefused) {
    std::wstring content = L"[English]\r\nKey=v\r\n[English end]\r\n";
    content.append(cTarnLocaleTextCollection::kMaxFileBytes / 2, L' ');
    Load(content, L"English");
    EXPECT_STREQ(texts.GetText(L"Key", L"d"), L"d");
}

TEST_F(LocaleTexts, FormatTextWithForeignConversionsIsReplacedByTheDefault) {
    const wchar_t* format = TextKeys::ErrorDialogTextChainFailure.english;
    const wchar_t* hostile[] = {
        L"%s%s%n",      L"Fehler %ld bei '%s'",
        L"'%s' %ld %s", L"%*d %s",
        L"%.*s",        L"'%s' %d%",
        L"%S %ld",      L"%p",
        L"%s %I64d",    L"%s %n",
    };
    for (const wchar_t* text : hostile) {
        Load(std::wstring(L"[German]\r\nErrorDialogTextChainFailure=") + text +
                 L"\r\n[German end]\r\n",
             L"German");
        bool replaced = false;
        EXPECT_EQ(texts.GetFormat(L"ErrorDialogTextChainFailure", format, &replaced), format)
            << "accepted: " << std::string(text, text + wcslen(text));
        EXPECT_TRUE(replaced);
    }
}

TEST_F(LocaleTexts, FormatTextWithTheSameOrFewerConversionsIsUsed) {
    const wchar_t* format = TextKeys::ErrorDialogTextChainFailure.english;
    const wchar_t* fitting[] = {
        L"Fehler beim Laden von '%s' (Code %ld)",
        L"Nur '%s'",
        L"Ohne Platzhalter, 100%%",
        L"%-20s %5ld",
    };
    for (const wchar_t* text : fitting) {
        Load(std::wstring(L"[German]\r\nErrorDialogTextChainFailure=") + text +
                 L"\r\n[German end]\r\n",
             L"German");
        bool replaced = true;
        EXPECT_STREQ(texts.GetFormat(L"ErrorDialogTextChainFailure", format, &replaced), text);
        EXPECT_FALSE(replaced);
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
