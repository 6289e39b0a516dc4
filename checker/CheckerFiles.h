// Files of the checker: policy list documents read and written as UTF-8, and
// paths beside the program itself.
#pragma once

#include <string>

// The largest document accepted, as large as the library reads from the
// directory.
inline constexpr size_t kMaxDocumentFileBytes = 8u * 1024u * 1024u;

// Reads a UTF-8 document (a byte order mark is dropped). False with a
// sentence in `error` when the file cannot be read, is too large, is not
// UTF-8 or holds a NUL.
[[nodiscard]] bool ReadDocumentFile(const std::wstring& path, std::wstring& text,
                                    std::wstring& error);

// Writes `bytes` to a new or emptied file; false with `error` set.
[[nodiscard]] bool WriteWholeFile(const std::wstring& path, const std::string& bytes,
                                  std::wstring& error);

// A relative path is taken in the program's folder; an absolute one as it is.
[[nodiscard]] std::wstring BesideProgram(const std::wstring& path);
