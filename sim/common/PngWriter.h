// Writes 24-bit RGB images as PNG files (stored, uncompressed deflate blocks),
// for the screenshots the tests and the demonstration take under Xvfb.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class PngWriter {
public:
    // `rgb` holds width * height * 3 bytes, rows from the top.
    static bool Write(const std::wstring& path, int width, int height,
                      const std::vector<unsigned char>& rgb);
    // Captures the window with its frame (BitBlt from its window DC).
    static bool CaptureWindow(HWND window, const std::wstring& path);
};
