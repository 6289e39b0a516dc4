// Console and pipe text for the checker. Standard input is read whole into
// one buffer that is wiped before it is freed; each line becomes a secure
// string, so no password is left behind in freed memory.
#include "checker/CCheckerConsole.h"

namespace {

// A byte buffer that wipes itself.
class WipedBytes {
public:
    ~WipedBytes() {
        if (!m_bytes.empty()) {
            SecureZeroMemory(m_bytes.data(), m_bytes.size());
        }
    }
    void Append(const char* data, size_t length) {
        if (m_bytes.size() + length > m_bytes.capacity()) {
            std::vector<char> bigger;
            bigger.reserve((m_bytes.size() + length) * 2);
            bigger.assign(m_bytes.begin(), m_bytes.end());
            if (!m_bytes.empty()) {
                SecureZeroMemory(m_bytes.data(), m_bytes.size());
            }
            m_bytes.swap(bigger);
        }
        m_bytes.insert(m_bytes.end(), data, data + length);
    }
    const char* data() const noexcept { return m_bytes.data(); }
    size_t size() const noexcept { return m_bytes.size(); }

private:
    std::vector<char> m_bytes;
};

} // namespace

void CCheckerConsole::Write(DWORD handleId, const std::wstring& text) {
    const HANDLE handle = GetStdHandle(handleId);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        (void)WriteConsoleW(handle, text.c_str(), static_cast<DWORD>(text.size()), &written,
                            nullptr);
        return;
    }
    const std::string bytes = ToUtf8(text);
    (void)WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void CCheckerConsole::Out(const std::wstring& line) {
    Write(STD_OUTPUT_HANDLE, line + L"\r\n");
}

void CCheckerConsole::Err(const std::wstring& line) {
    Write(STD_ERROR_HANDLE, line + L"\r\n");
}

void CCheckerConsole::Raw(const std::wstring& text) {
    Write(STD_OUTPUT_HANDLE, text);
}

bool CCheckerConsole::FromUtf8(const char* bytes, size_t length, std::wstring& text) {
    text.clear();
    if (length == 0) {
        return true;
    }
    if (length > 0x7fffffff) {
        return false;
    }
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes,
                                         static_cast<int>(length), nullptr, 0);
    if (size <= 0) {
        return false;
    }
    text.resize(static_cast<size_t>(size));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(length),
                               text.data(), size) == size;
}

std::string CCheckerConsole::ToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        (void)WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                  bytes.data(), size, nullptr, nullptr);
    }
    return bytes;
}

std::wstring CCheckerConsole::EscapeField(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        switch (c) {
        case L'\t':
            escaped += L"\\t";
            break;
        case L'\n':
            escaped += L"\\n";
            break;
        case L'\r':
            escaped += L"\\r";
            break;
        case L'\\':
            escaped += L"\\\\";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

bool CCheckerConsole::SplitPasswords(const char* bytes, size_t length,
                                     std::vector<resetra::cMvSecureString>& passwords) {
    passwords.clear();
    size_t start = 0;
    if (length >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF) {
        start = 3;
    }
    while (start < length) {
        size_t end = start;
        while (end < length && bytes[end] != '\n') {
            ++end;
        }
        size_t lineEnd = end;
        if (lineEnd > start && bytes[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        const size_t count = lineEnd - start;
        resetra::cMvSecureString password;
        if (count > 0) {
            if (count > 0x7fffffff) {
                passwords.clear();
                return false;
            }
            const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes + start,
                                                 static_cast<int>(count), nullptr, 0);
            if (size <= 0) {
                passwords.clear();
                return false;
            }
            password.Reserve(static_cast<size_t>(size));
            if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes + start,
                                    static_cast<int>(count), password.data(), size) != size) {
                passwords.clear();
                return false;
            }
            password.Resize(static_cast<size_t>(size));
        }
        passwords.push_back(std::move(password));
        start = end + 1;
    }
    return true;
}

bool CCheckerConsole::ReadPasswords(std::vector<resetra::cMvSecureString>& passwords) {
    passwords.clear();
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        return true;
    }
    WipedBytes all;
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(input, chunk, sizeof chunk, &read, nullptr) || read == 0) {
            break;
        }
        all.Append(chunk, read);
    }
    SecureZeroMemory(chunk, sizeof chunk);
    return SplitPasswords(all.data(), all.size(), passwords);
}
