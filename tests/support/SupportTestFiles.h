// Files for the support tests: a fresh temporary folder per test, and
// reading and writing raw bytes and UTF-16LE text.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder() {
        static LONG counter = 0;
        m_path =
            std::filesystem::temp_directory_path() /
            ("resetra-support-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(InterlockedIncrement(&counter)) + "-" + std::to_string(GetTickCount()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    [[nodiscard]] std::wstring Path(const wchar_t* name) const { return (m_path / name).wstring(); }

private:
    std::filesystem::path m_path;
};

[[nodiscard]] inline std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// UTF-16LE bytes of a text, optionally preceded by the byte-order mark.
[[nodiscard]] inline std::vector<unsigned char> Utf16Bytes(const std::wstring& text,
                                                           bool withMark) {
    std::vector<unsigned char> bytes;
    if (withMark) {
        bytes = {0xFF, 0xFE};
    }
    for (wchar_t c : text) {
        bytes.insert(bytes.end(), {static_cast<unsigned char>(c & 0xFF),
                                   static_cast<unsigned char>((c >> 8) & 0xFF)});
    }
    return bytes;
}

inline void WriteUtf16File(const std::wstring& path, const std::wstring& text,
                           bool withMark = true) {
    WriteBytes(path, Utf16Bytes(text, withMark));
}

// The file's text after its byte-order mark.
[[nodiscard]] inline std::wstring ReadUtf16File(const std::wstring& path) {
    const std::vector<unsigned char> bytes = ReadBytes(path);
    const size_t start = (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) ? 2 : 0;
    std::wstring text;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}
