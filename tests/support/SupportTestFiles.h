// Files for the support tests: a fresh temporary folder per test, and
// reading and writing raw bytes and UTF-16LE text.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    [[nodiscard]] std::wstring Path(const wchar_t* name) const;

private:
    std::filesystem::path m_path;
};

[[nodiscard]] std::vector<unsigned char> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
// UTF-16LE bytes of a text, optionally preceded by the byte-order mark.
[[nodiscard]] std::vector<unsigned char> Utf16Bytes(const std::wstring& text, bool withMark);
void WriteUtf16File(const std::wstring& path, const std::wstring& text, bool withMark = true);
// The file's text after its byte-order mark.
[[nodiscard]] std::wstring ReadUtf16File(const std::wstring& path);
