// Temporary folders and file helpers of the support tests.
#include "tests/support/SupportTestFiles.h"

#include <windows.h>

#include <fstream>
#include <iterator>

TempFolder::TempFolder() {
    static LONG counter = 0;
    m_path =
        std::filesystem::temp_directory_path() /
        ("resetra-support-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(InterlockedIncrement(&counter)) + "-" + std::to_string(GetTickCount()));
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::wstring TempFolder::Path(const wchar_t* name) const {
    return (m_path / name).wstring();
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> Utf16Bytes(const std::wstring& text, bool withMark) {
    std::vector<unsigned char> bytes;
    if (withMark) {
        bytes = {0xFF, 0xFE};
    }
    for (wchar_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    }
    return bytes;
}

void WriteUtf16File(const std::wstring& path, const std::wstring& text, bool withMark) {
    WriteBytes(path, Utf16Bytes(text, withMark));
}

std::wstring ReadUtf16File(const std::wstring& path) {
    const std::vector<unsigned char> bytes = ReadBytes(path);
    const size_t start = (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) ? 2 : 0;
    std::wstring text;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}
